#pragma once
// Checks of a call's inputs with the interpreter lock held, before any computation.
// Every check reports its first violation as a ValueError.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/types.hpp"
#include "numpy_arrays.hpp"
#include "python_error.hpp"
#include "statespace/state_space.hpp"

namespace velkora::python {

using OrderTuple = std::array<std::size_t, 3>;     // (p, d, q)
using SeasonalTuple = std::array<std::size_t, 4>;  // (P, D, Q, s)

struct ModelFlags {
    bool concentrate_scale = false;
    bool enforce_stationarity = true;
    bool enforce_invertibility = true;
    bool simple_differencing = false;
};

// A validated single-series call.
struct SingleRequest {
    SarimaxConfig config;
    std::optional<ExogColumns> exog_columns;
};

SarimaxOrder make_order(const OrderTuple& order, const SeasonalTuple& seasonal);

// Order limits, then the seasonal period rule, then the state dimension.
PyResult<void> validate_order(const SarimaxOrder& order, std::size_t n_exog);

// Column by column, row by row; the first NaN or infinity is reported with `name`.
PyResult<void> validate_finite_cols(const ExogColumns& columns, std::string_view name);

// y finite; exog (if any) split into columns, finite, with one row per observation.
PyResult<std::optional<ExogColumns>> validate_single_inputs(std::span<const double> y,
                                                           const std::optional<ArrayArg>& exog);

// None -> "n"; "n", "c", "t", "ct" (or "tc").
PyResult<Trend> parse_trend(const std::optional<std::string>& trend);

// 0 < alpha < 1.
PyResult<void> validate_alpha(double alpha);

// At most 10000 forecast steps.
PyResult<void> validate_steps(std::size_t steps);

// The shared preparation of a single-series entry: inputs, orders, trend.
PyResult<SingleRequest> prepare_single_request(std::span<const double> y,
                                               const OrderTuple& order,
                                               const SeasonalTuple& seasonal,
                                               const std::optional<ArrayArg>& exog,
                                               const ModelFlags& flags,
                                               const std::optional<std::string>& trend);

}  // namespace velkora::python
