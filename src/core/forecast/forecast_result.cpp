#include "forecast/forecast_result.hpp"

#include <algorithm>
#include <cmath>

namespace velkora {

void set_interval_bounds(ForecastResult& result, double z) {
    const std::size_t h = std::min(result.mean.size(), result.variance.size());
    result.ci_lower.resize(h);
    result.ci_upper.resize(h);
    for (std::size_t i = 0; i < h; ++i) {
        const double v = result.variance[i];
        const double half = z * std::sqrt(v > 0.0 ? v : 0.0);
        result.ci_lower[i] = result.mean[i] - half;
        result.ci_upper[i] = result.mean[i] + half;
    }
}

}  // namespace velkora
