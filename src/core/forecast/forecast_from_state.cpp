#include "forecast/forecast_from_state.hpp"

#include <fmt/format.h>

#include "forecast/future_exog_checks.hpp"
#include "forecast/z_score.hpp"
#include "statespace/kalman_kernels.hpp"

namespace velkora {

namespace {

// Deterministic trend added to the first ARMA state when moving into period `time` + 1.
double trend_value(Trend trend, std::span<const double> coefs, double time) {
    switch (trend) {
        case Trend::TrendConstant: return coefs[0];
        case Trend::TrendLinear: return coefs[0] * time;
        case Trend::TrendConstantLinear: return coefs.size() > 1 ? coefs[0] + coefs[1] * time : coefs[0];
        case Trend::TrendNone: break;
    }
    return 0.0;
}

}  // namespace

Result<ForecastResult> forecast_from_state(const StateSpace& ss, const Eigen::VectorXd& state,
                                           const Eigen::MatrixXd& cov, std::size_t steps,
                                           const FutureExog& future_exog,
                                           std::span<const double> exog_coefs, Trend trend,
                                           bool concentrate_scale, std::span<const double> trend_coefs,
                                           std::size_t n, double scale, double alpha) {
    if (auto checked = check_future_exog(future_exog, exog_coefs.size(), steps); !checked)
        return fail(checked.error());
    ForecastResult result;
    if (steps == 0) return result;

    const auto k = state.size();
    const bool has_trend = trend != Trend::TrendNone && !trend_coefs.empty();
    if (has_trend && static_cast<Eigen::Index>(ss.k_diff) >= k)
        return fail(SarimaxError::state_space_build(
            fmt::format("trend state index {} out of bounds (state dim={})", ss.k_diff, k)));

    const double z = interval_z(alpha);
    const KalmanStrategy strategy(ss.transition, ss.design);
    const Eigen::MatrixXd rqr = ss.selection * ss.state_cov * ss.selection.transpose();
    const double multiplier = concentrate_scale ? scale : 1.0;
    const auto trend_index = static_cast<Eigen::Index>(ss.k_diff);

    Eigen::VectorXd a = state;
    Eigen::MatrixXd P = cov;
    Eigen::VectorXd a_next(k);
    Eigen::VectorXd pz(k);
    Eigen::MatrixXd work(k, k);
    result.mean.reserve(steps);
    result.variance.reserve(steps);

    for (std::size_t i = 0; i < steps; ++i) {
        double y_hat = strategy.observe(a);
        if (future_exog)
            for (std::size_t j = 0; j < exog_coefs.size(); ++j) y_hat += exog_coefs[j] * (*future_exog)[j][i];
        const double f = multiplier * strategy.compute_pz_and_f(P, pz);
        result.mean.push_back(y_hat);
        result.variance.push_back(f > 0.0 ? f : 0.0);
        if (i + 1 == steps) break;

        strategy.transition_times(a, a_next);
        if (has_trend) a_next(trend_index) += trend_value(trend, trend_coefs, static_cast<double>(n + i));
        a.swap(a_next);
        strategy.predict_cov(P, rqr, work);
    }
    set_interval_bounds(result, z);
    return result;
}

}  // namespace velkora
