#pragma once
// Checks and evaluations shared by the fit driver, the warm starts and the strategies.

#include <optional>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"

namespace velkora::optimizer {

// Refuses series too short for the model, then returns the given start (checked for
// length) or computed start parameters, constrained.
Result<std::vector<double>> validate_and_get_start_params(std::span<const double> y, const SarimaxConfig& config,
                                                          std::optional<std::span<const double>> start = std::nullopt,
                                                          std::span<const std::vector<double>> exog = {});

// Log-likelihood of the series and regressors exactly as given (no differencing here) at
// constrained parameters; -inf when anything fails or the value is not finite.
double eval_kf_loglike_constrained(std::span<const double> y, const SarimaxConfig& config,
                                   std::span<const double> params, std::span<const std::vector<double>> exog = {});

}  // namespace velkora::optimizer
