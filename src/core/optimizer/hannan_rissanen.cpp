#include "optimizer/hannan_rissanen.hpp"

#include <algorithm>
#include <cmath>

#include "optimizer/least_squares.hpp"

namespace velkora::start_params {

namespace {

constexpr double kVarianceFloor = 1e-6;

// Column of x lagged by `lag` over t = start .. n-1.
std::vector<double> lagged(std::span<const double> x, std::size_t start, std::size_t lag) {
    std::vector<double> column(x.size() - start);
    for (std::size_t t = start; t < x.size(); ++t) column[t - start] = x[t - lag];
    return column;
}

double mean_squared_deviation(const std::vector<double>& r) {
    double mean = 0.0;
    for (double v : r) mean += v;
    mean /= static_cast<double>(r.size());
    double sum = 0.0;
    for (double v : r) sum += (v - mean) * (v - mean);
    return sum / static_cast<double>(r.size());
}

// Innovations from a long autoregression of order `order`; zeros before it.
std::optional<std::vector<double>> long_ar_innovations(std::span<const double> w, std::size_t order) {
    std::vector<std::vector<double>> columns;
    for (std::size_t j = 1; j <= order; ++j) columns.push_back(lagged(w, order, j));
    const auto phi = ols_pinv(columns, w.subspan(order));
    if (!phi) return std::nullopt;
    std::vector<double> e(w.size(), 0.0);
    for (std::size_t t = order; t < w.size(); ++t) {
        double fitted = 0.0;
        for (std::size_t j = 1; j <= order; ++j) fitted += (*phi)[j - 1] * w[t - j];
        e[t] = w[t] - fitted;
    }
    return e;
}

}  // namespace

std::optional<TwoStageEstimate> css_two_stage(std::span<const double> w, std::span<const std::size_t> ar_lags,
                                              std::span<const std::size_t> ma_lags) {
    const std::size_t n = w.size();
    const std::size_t a = ar_lags.empty() ? 0 : *std::max_element(ar_lags.begin(), ar_lags.end());
    const std::size_t b = ma_lags.empty() ? 0 : *std::max_element(ma_lags.begin(), ma_lags.end());
    const std::size_t long_order = 2 * b;
    const std::size_t start = std::max(a, 3 * b);

    std::vector<double> e(n, 0.0);
    if (!ma_lags.empty() && long_order > 0) {
        if (n <= long_order + 2) return std::nullopt;
        auto innovations = long_ar_innovations(w, long_order);
        if (!innovations) return std::nullopt;
        e = std::move(*innovations);
    }
    if (n <= start + 2) return std::nullopt;

    std::vector<std::vector<double>> columns;
    for (std::size_t lag : ar_lags) columns.push_back(lagged(w, start, lag));
    for (std::size_t lag : ma_lags) columns.push_back(lagged(e, start, lag));
    const auto coef = ols_pinv(columns, w.subspan(start));
    if (!coef) return std::nullopt;

    std::vector<double> r(n - start);
    for (std::size_t i = 0; i < r.size(); ++i) {
        double fitted = 0.0;
        for (std::size_t c = 0; c < columns.size(); ++c) fitted += (*coef)[c] * columns[c][i];
        r[i] = w[start + i] - fitted;
    }
    const std::size_t n_ma = ma_lags.size();
    double variance;
    if (r.size() > n_ma) {
        double sum = 0.0;
        for (std::size_t i = n_ma; i < r.size(); ++i) sum += r[i] * r[i];
        variance = sum / static_cast<double>(r.size() - n_ma);
    } else {
        variance = mean_squared_deviation(r);
    }

    TwoStageEstimate estimate;
    estimate.ar.assign(coef->begin(), coef->begin() + static_cast<std::ptrdiff_t>(ar_lags.size()));
    estimate.ma.assign(coef->begin() + static_cast<std::ptrdiff_t>(ar_lags.size()), coef->end());
    estimate.variance = std::isnan(variance) ? kVarianceFloor : std::max(variance, kVarianceFloor);
    return estimate;
}

std::vector<double> ar_residuals(std::span<const double> w, std::span<const double> ar) {
    const std::size_t p = ar.size();
    if (p == 0) return {w.begin(), w.end()};
    if (p >= w.size()) return {};
    std::vector<double> r(w.size() - p);
    for (std::size_t j = p; j < w.size(); ++j) {
        double value = w[j];
        for (std::size_t m = 1; m <= p; ++m) value -= ar[m - 1] * w[j - m];
        r[j - p] = value;
    }
    return r;
}

std::vector<double> seasonal_ar_residuals(std::span<const double> w, std::span<const double> sar, std::size_t s) {
    const std::size_t offset = sar.size() * s;
    if (offset >= w.size()) return {};
    std::vector<double> r(w.size() - offset);
    for (std::size_t t = offset; t < w.size(); ++t) {
        double value = w[t];
        for (std::size_t m = 1; m <= sar.size(); ++m) value -= sar[m - 1] * w[t - m * s];
        r[t - offset] = value;
    }
    return r;
}

}  // namespace velkora::start_params
