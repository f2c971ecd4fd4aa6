#pragma once
// The h-step forecast recursion from a predicted state.

#include <Eigen/Dense>
#include <cstddef>
#include <span>

#include "forecast/forecast_result.hpp"
#include "model/error.hpp"
#include "model/types.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

// Forecasts `steps` periods ahead from the prediction (state, cov) of period n, the
// first forecast period (trend time counts from 0 at the first filtered observation).
// Variances are scaled by `scale` when the scale was concentrated out.
Result<ForecastResult> forecast_from_state(const StateSpace& ss, const Eigen::VectorXd& state,
                                           const Eigen::MatrixXd& cov, std::size_t steps,
                                           const FutureExog& future_exog,
                                           std::span<const double> exog_coefs, Trend trend,
                                           bool concentrate_scale, std::span<const double> trend_coefs,
                                           std::size_t n, double scale, double alpha);

}  // namespace velkora
