#pragma once
// Maximum-likelihood fit of one model to one series.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"
#include "optimizer/fit_result.hpp"

namespace velkora::optimizer {

inline constexpr std::uint64_t kDefaultMaxiter = 500;

// Checks the request, prepares the series, finds start parameters (given, computed, or
// improved by warm starts), runs the named method (default "lbfgsb") with at most
// `maxiter` evaluations (default 500) and evaluates the estimate. `start` holds
// constrained values; empty `exog` means no regressors.
Result<FitResult> fit(std::span<const double> y, const SarimaxConfig& config,
                      std::optional<std::span<const double>> start, const std::optional<std::string>& method,
                      std::optional<std::uint64_t> maxiter, std::span<const std::vector<double>> exog = {});

}  // namespace velkora::optimizer
