#include "forecast/forecast_pipeline.hpp"

#include "forecast/forecast_from_state.hpp"
#include "forecast/future_exog_checks.hpp"
#include "forecast/future_exog_differencing.hpp"
#include "forecast/sample_filter.hpp"
#include "forecast/undo_differencing.hpp"
#include "forecast/z_score.hpp"

namespace velkora {

namespace {

Result<ForecastResult> forecast_after(const FilteredSample& sample, const SarimaxConfig& config,
                                      const SarimaxParams& params, std::size_t steps,
                                      const FutureExog& future_exog, double alpha) {
    const KalmanFilterOutput& out = sample.output;
    return forecast_from_state(sample.ss, out.predicted_state, out.predicted_cov, steps, future_exog,
                               params.exog, config.trend, config.concentrate_scale, params.trend,
                               out.innovations.size(), out.scale, alpha);
}

// The model runs on the differenced series and regressors; the future regressors are
// differenced as a continuation of the sample ones, so the coefficients act on the same
// scale throughout, and the forecasts are integrated back to the levels of `endog`.
Result<ForecastResult> forecast_simple_differenced(const FilteredSample& sample, std::span<const double> endog,
                                                   const SarimaxConfig& config, const SarimaxParams& params,
                                                   std::size_t steps, std::span<const std::vector<double>> exog,
                                                   const FutureExog& future_exog, double alpha) {
    if (auto checked = check_future_exog(future_exog, params.exog.size(), steps); !checked)
        return fail(checked.error());
    ExogColumns differenced_future;
    if (future_exog) {
        const std::size_t dropped = endog.size() - sample.output.innovations.size();
        auto future = difference_future_exog(exog, *future_exog, config, endog.size(), dropped);
        if (!future) return fail(future.error());
        differenced_future = std::move(*future);
    }
    const FutureExog future_for_model = future_exog ? FutureExog(differenced_future) : FutureExog();

    auto forecast = forecast_after(sample, config, params, steps, future_for_model, alpha);
    if (!forecast) return fail(forecast.error());
    integrate_forecasts(forecast->mean, forecast->variance, endog, config.order);
    set_interval_bounds(*forecast, interval_z(alpha));
    return forecast;
}

}  // namespace

Result<ForecastResult> forecast_pipeline(std::span<const double> endog, const SarimaxConfig& config,
                                         const SarimaxParams& params, std::size_t steps,
                                         std::span<const std::vector<double>> exog,
                                         const FutureExog& future_exog, double alpha) {
    auto sample = filter_sample(endog, config, params, exog);
    if (!sample) return fail(sample.error());
    if (config.simple_differencing)
        return forecast_simple_differenced(*sample, endog, config, params, steps, exog, future_exog, alpha);
    return forecast_after(*sample, config, params, steps, future_exog, alpha);
}

}  // namespace velkora
