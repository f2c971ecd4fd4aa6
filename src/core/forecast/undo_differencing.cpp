#include "forecast/undo_differencing.hpp"

#include <algorithm>

#include "model/differencing.hpp"

namespace velkora {

namespace {

std::vector<double> difference(std::span<const double> series, std::size_t d, std::size_t D, std::size_t s) {
    SarimaxConfig config;
    config.order.d = d;
    config.order.D = D;
    config.order.s = s;
    return css::apply_differencing(series, config);
}

void cumulative_sum_from(std::vector<double>& values, double start) {
    double total = start;
    for (double& v : values) v = total += v;
}

}  // namespace

std::vector<double> compute_undo_d_initials(std::span<const double> y, std::size_t d, std::size_t D,
                                            std::size_t s) {
    if (d == 0) return {};
    std::vector<double> series = difference(y, 0, D, s);
    std::vector<double> last_values{series.empty() ? 0.0 : series.back()};
    for (std::size_t level = 1; level < d; ++level) {
        if (series.size() > 1) {
            series = difference(series, 1, 0, 0);
            last_values.push_back(series.back());
        } else {
            last_values.push_back(0.0);
        }
    }
    std::ranges::reverse(last_values);
    return last_values;
}

bool seasonal_undo_applies(const SarimaxOrder& order, std::size_t n) {
    return order.D > 0 && order.s > 0 && order.s < n;
}

void integrate_forecasts(std::vector<double>& mean, std::vector<double>& variance,
                         std::span<const double> y, const SarimaxOrder& order) {
    for (const double initial : compute_undo_d_initials(y, order.d, order.D, order.s)) {
        cumulative_sum_from(mean, initial);
        cumulative_sum_from(variance, 0.0);
    }
    if (!seasonal_undo_applies(order, y.size())) return;
    const std::size_t n = y.size();
    const std::size_t s = order.s;
    for (std::size_t i = 0; i < mean.size(); ++i) mean[i] += i < s ? y[n - s + i] : mean[i - s];
    for (std::size_t i = s; i < variance.size(); ++i) variance[i] += variance[i - s];
}

}  // namespace velkora
