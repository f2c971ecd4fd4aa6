#pragma once
// Forecasts from many origins of one series, out of a single filter pass.

#include <cstddef>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/params.hpp"
#include "model/types.hpp"

namespace velkora {

// Row r belongs to origins[r] and holds the forecasts of periods origins[r] ..
// origins[r] + horizon - 1, each predicted from the observations before the origin.
struct RollingForecastOutput {
    std::vector<std::size_t> origins;
    std::vector<std::vector<double>> mean;
    std::vector<std::vector<double>> variance;
    std::vector<std::vector<double>> ci_lower;
    std::vector<std::vector<double>> ci_upper;
};

// Filters y once, keeping the predicted state at every origin, and forecasts `horizon`
// periods from each. Regressor values of the forecast periods come from the sample
// columns; a concentrated scale is the one estimated from the whole series.
Result<RollingForecastOutput> rolling_forecast_pipeline(std::span<const double> y, const SarimaxConfig& config,
                                                        const SarimaxParams& params, std::size_t start,
                                                        std::size_t step, std::size_t horizon,
                                                        std::span<const std::vector<double>> exog, double alpha);

}  // namespace velkora
