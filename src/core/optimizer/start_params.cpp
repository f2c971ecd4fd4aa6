#include "optimizer/start_params.hpp"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <numeric>
#include <optional>

#include "optimizer/hannan_rissanen.hpp"
#include "optimizer/least_squares.hpp"
#include "optimizer/start_differencing.hpp"

namespace velkora::start_params {

namespace {

constexpr double kMagnitudeGuard = 0.99;
constexpr double kVarianceFloor = 1e-6;

double mean(std::span<const double> v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

// Fits the trend on w (of length m, the tail of a series of length n) and removes it.
std::vector<double> fit_trend(std::vector<double>& w, std::size_t n, Trend trend) {
    const std::size_t count = trend_param_count(trend);
    const std::size_t m = w.size();
    std::vector<std::vector<double>> columns;
    if (trend == Trend::TrendConstant || trend == Trend::TrendConstantLinear) columns.emplace_back(m, 1.0);
    if (trend == Trend::TrendLinear || trend == Trend::TrendConstantLinear) {
        std::vector<double> time(m);
        for (std::size_t i = 0; i < m; ++i) time[i] = static_cast<double>(n - m + i);
        columns.push_back(std::move(time));
    }
    const auto beta = ols_pinv(columns, w);
    if (!beta) {
        std::vector<double> fallback(count, 0.0);
        fallback[0] = mean(w);
        return fallback;
    }
    for (std::size_t t = 0; t < m; ++t)
        for (std::size_t j = 0; j < columns.size(); ++j) w[t] -= (*beta)[j] * columns[j][t];
    return {beta->begin(), beta->begin() + static_cast<std::ptrdiff_t>(count)};
}

// Regresses the leading part of w on the differenced regressors and removes the fit there.
std::vector<double> fit_regression(std::vector<double>& w, const SarimaxConfig& config,
                                   std::span<const std::vector<double>> exog) {
    const std::size_t k = config.n_exog;
    std::vector<double> beta(k, 0.0);
    if (exog.empty()) return beta;
    const SarimaxOrder& o = config.order;
    const auto columns = difference_exog_cols(exog, o.d, o.D, o.s);
    std::size_t rows = w.size();
    for (const auto& column : columns) rows = std::min(rows, column.size());
    if (rows == 0) return beta;

    Eigen::MatrixXd a(rows, columns.size());
    for (std::size_t j = 0; j < columns.size(); ++j)
        for (std::size_t t = 0; t < rows; ++t) a(t, j) = columns[j][t];
    const Eigen::VectorXd b = Eigen::Map<const Eigen::VectorXd>(w.data(), static_cast<Eigen::Index>(rows));
    const auto solution = svd_least_squares(a, b);
    if (!solution) return beta;
    beta.assign(solution->begin(), solution->end());
    for (std::size_t t = 0; t < rows; ++t)
        for (std::size_t j = 0; j < columns.size(); ++j) w[t] -= beta[j] * columns[j][t];
    return beta;
}

std::vector<std::size_t> lags(std::size_t count, std::size_t spacing) {
    std::vector<std::size_t> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = (i + 1) * spacing;
    return out;
}

void zero_if_near_unit_circle(std::vector<double>& block) {
    if (std::any_of(block.begin(), block.end(), [](double c) { return std::abs(c) > kMagnitudeGuard; }))
        std::fill(block.begin(), block.end(), 0.0);
}

double residual_variance(const std::vector<double>& w, const std::vector<double>& ar,
                         const std::vector<double>& seasonal_ar, std::size_t s) {
    std::vector<double> r = ar_residuals(w, ar);
    if (!seasonal_ar.empty() && s != 0) r = seasonal_ar_residuals(r, seasonal_ar, s);
    if (r.empty()) return kVarianceFloor;
    const double mu = mean(r);
    double sum = 0.0;
    for (double v : r) sum += (v - mu) * (v - mu);
    return std::max(sum / static_cast<double>(r.size()), kVarianceFloor);
}

}  // namespace

Result<std::vector<double>> compute_start_params(std::span<const double> y, const SarimaxConfig& config,
                                                 std::span<const std::vector<double>> exog) {
    const SarimaxOrder& o = config.order;
    const std::size_t expected = config.param_count();
    std::vector<double> w = seasonal_difference(difference(y, o.d), o.D, o.s);
    if (w.size() < 3) return std::vector<double>(expected, 0.0);

    std::vector<double> trend;
    if (trend_param_count(config.trend) > 0) trend = fit_trend(w, y.size(), config.trend);
    std::vector<double> beta;
    if (config.n_exog > 0) beta = fit_regression(w, config, exog);

    std::vector<double> ar(o.p, 0.0), ma(o.q, 0.0), seasonal_ar(o.P, 0.0), seasonal_ma(o.Q, 0.0);
    std::optional<double> variance;
    if (o.p > 0 || o.q > 0) {
        if (auto fit = css_two_stage(w, lags(o.p, 1), lags(o.q, 1))) {
            ar = std::move(fit->ar);
            ma = std::move(fit->ma);
            variance = fit->variance;
        }
    }
    if ((o.P > 0 || o.Q > 0) && o.s != 0) {
        if (auto fit = css_two_stage(w, lags(o.P, o.s), lags(o.Q, o.s))) {
            seasonal_ar = std::move(fit->ar);
            seasonal_ma = std::move(fit->ma);
            if (!variance) variance = fit->variance;
        }
    }
    for (auto* block : {&ar, &ma, &seasonal_ar, &seasonal_ma}) zero_if_near_unit_circle(*block);

    std::vector<double> start;
    start.reserve(expected);
    for (const auto* block : {&trend, &beta, &ar, &ma, &seasonal_ar, &seasonal_ma})
        start.insert(start.end(), block->begin(), block->end());
    if (!config.concentrate_scale) start.push_back(variance ? *variance : residual_variance(w, ar, seasonal_ar, o.s));

    if (start.size() != expected)
        return fail(SarimaxError::data_error(
            fmt::format("failed to build start params: expected length {}, got {}", expected, start.size())));
    return start;
}

}  // namespace velkora::start_params
