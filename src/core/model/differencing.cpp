#include "model/differencing.hpp"

namespace velkora::css {

namespace {
std::vector<double> lag_difference(const std::vector<double>& w, std::size_t lag) {
    std::vector<double> out(w.size() - lag);
    for (std::size_t t = lag; t < w.size(); ++t) out[t - lag] = w[t] - w[t - lag];
    return out;
}
}  // namespace

std::vector<double> apply_differencing(std::span<const double> series, const SarimaxConfig& config) {
    const SarimaxOrder& o = config.order;
    std::vector<double> w(series.begin(), series.end());
    for (std::size_t pass = 0; pass < o.D; ++pass) {
        if (o.s == 0 || o.s >= w.size()) break;
        w = lag_difference(w, o.s);
    }
    for (std::size_t pass = 0; pass < o.d; ++pass) {
        if (w.size() <= 1) break;
        w = lag_difference(w, 1);
    }
    return w;
}

}  // namespace velkora::css
