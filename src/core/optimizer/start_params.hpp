#pragma once
// Cheap start values for a fit, in the constrained flat layout.

#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"

namespace velkora::start_params {

// Trend and regression coefficients by least squares on the differenced series, ARMA and
// seasonal ARMA blocks by two-stage regressions on what remains, then the variance unless
// the scale is concentrated. Blocks that cannot be estimated, or that come out with a
// coefficient beyond 0.99 in magnitude, start at zero.
Result<std::vector<double>> compute_start_params(std::span<const double> y, const SarimaxConfig& config,
                                                 std::span<const std::vector<double>> exog = {});

}  // namespace velkora::start_params
