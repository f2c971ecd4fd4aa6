#pragma once
// The owned inputs of an entry that evaluates a model at given parameters.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "argument_reader.hpp"
#include "model/params.hpp"
#include "numpy_arrays.hpp"
#include "validation.hpp"

namespace velkora::python {

struct ParameterCall {
    std::vector<double> y;
    std::vector<double> params;
    SingleRequest request;

    // The flat parameters split for the request's configuration.
    [[nodiscard]] Result<SarimaxParams> split_params() const {
        return SarimaxParams::from_flat(params, request.config);
    }
    // The regressor columns, empty without exog.
    [[nodiscard]] std::span<const std::vector<double>> exog() const {
        if (request.exog_columns) return *request.exog_columns;
        return {};
    }
};

// The model options that close the signatures of the forecast and residual entries.
struct ModelOptions {
    ModelFlags flags;
    std::optional<std::string> trend;
};

// Reads concentrate_scale, trend, simple_differencing, enforce_stationarity and
// enforce_invertibility, in that order.
ModelOptions read_closing_model_options(ArgumentReader& in);

// Copies y, then the parameters (each must be contiguous), then validates the request.
PyResult<ParameterCall> prepare_parameter_call(const ArrayArg& y, const ArrayArg& params,
                                               const OrderTuple& order, const SeasonalTuple& seasonal,
                                               const std::optional<ArrayArg>& exog, const ModelFlags& flags,
                                               const std::optional<std::string>& trend);

}  // namespace velkora::python
