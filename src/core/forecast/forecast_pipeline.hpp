#pragma once
// Forecasts of one series at given parameters: filter the sample, then forecast.

#include <cstddef>
#include <span>
#include <vector>

#include "forecast/forecast_result.hpp"
#include "model/error.hpp"
#include "model/params.hpp"
#include "model/types.hpp"

namespace velkora {

// `steps` forecasts after the end of `endog`, with (1 - alpha) intervals. `exog` holds the
// sample regressors (empty for none), `future_exog` their values over the forecast
// periods. Under simple differencing the model runs on the differenced series and
// regressors, and the forecasts are integrated back to the levels of `endog`.
Result<ForecastResult> forecast_pipeline(std::span<const double> endog, const SarimaxConfig& config,
                                         const SarimaxParams& params, std::size_t steps,
                                         std::span<const std::vector<double>> exog,
                                         const FutureExog& future_exog, double alpha);

}  // namespace velkora
