#include "forecast/rolling_forecast.hpp"

#include "forecast/forecast_from_state.hpp"
#include "forecast/rolling_origins.hpp"
#include "statespace/initialization.hpp"
#include "statespace/pipeline.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

namespace {

// Rows t .. t + horizon - 1 of every sample column.
void copy_future_rows(std::span<const std::vector<double>> exog, std::size_t t, std::size_t horizon,
                      ExogColumns& out) {
    out.resize(exog.size());
    for (std::size_t j = 0; j < exog.size(); ++j) {
        const auto first = exog[j].begin() + static_cast<std::ptrdiff_t>(t);
        out[j].assign(first, first + static_cast<std::ptrdiff_t>(horizon));
    }
}

}  // namespace

Result<RollingForecastOutput> rolling_forecast_pipeline(std::span<const double> y, const SarimaxConfig& config,
                                                        const SarimaxParams& params, std::size_t start,
                                                        std::size_t step, std::size_t horizon,
                                                        std::span<const std::vector<double>> exog, double alpha) {
    const bool has_exog = !exog.empty();
    auto origins = rolling_origins(y.size(), config, start, step, horizon, has_exog);
    if (!origins) return fail(origins.error());

    auto ss = StateSpace::create(config, params, y.size(), exog);
    if (!ss) return fail(ss.error());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config);
    auto filtered = kalman_filter_with_snapshots(y, *ss, init, config.concentrate_scale, *origins);
    if (!filtered) return fail(filtered.error());
    const double scale = filtered->output.scale;

    RollingForecastOutput out;
    const std::size_t count = origins->size();
    out.mean.reserve(count);
    out.variance.reserve(count);
    out.ci_lower.reserve(count);
    out.ci_upper.reserve(count);
    ExogColumns future;
    for (const StateSnapshot& snapshot : filtered->snapshots) {
        if (has_exog) copy_future_rows(exog, snapshot.time, horizon, future);
        const FutureExog future_exog = has_exog ? FutureExog(future) : FutureExog();
        auto forecast = forecast_from_state(*ss, snapshot.state, snapshot.cov, horizon, future_exog, params.exog,
                                            config.trend, config.concentrate_scale, params.trend, snapshot.time,
                                            scale, alpha);
        if (!forecast) return fail(forecast.error());
        out.mean.push_back(std::move(forecast->mean));
        out.variance.push_back(std::move(forecast->variance));
        out.ci_lower.push_back(std::move(forecast->ci_lower));
        out.ci_upper.push_back(std::move(forecast->ci_upper));
    }
    out.origins = std::move(*origins);
    return out;
}

}  // namespace velkora
