#pragma once
// Fits by the quasi-Newton trust-region loop: over the full parameter vector with
// finite-difference gradients, or over the profiled vector whose regression coefficients
// come from generalised least squares.

#include <cstddef>
#include <span>

#include "model/types.hpp"
#include "optimizer/multistart/strategy_result.hpp"
#include "optimizer/sarimax_objective.hpp"

namespace velkora::optimizer {

// The loop, then a polish of the regression coefficients; Nelder-Mead from x0 when the
// start cannot be evaluated.
multistart::StrategyReturn fit_trust_region_single(const SarimaxObjective& objective, std::span<const double> x0,
                                                   const SarimaxConfig& config, std::size_t maxiter);

// A warm-up by fit_trust_region_single on three quarters of the budget (unless the start
// was given or the budget is below 2), then the loop on the profiled objective with
// analytic gradients. Without regressors it is fit_trust_region_single.
multistart::StrategyReturn fit_profile_trust_region(const SarimaxObjective& objective, std::span<const double> x0,
                                                    const SarimaxConfig& config, std::size_t maxiter,
                                                    bool start_given);

}  // namespace velkora::optimizer
