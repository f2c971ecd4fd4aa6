#include "forecast/residuals.hpp"

#include <cmath>

#include "forecast/sample_filter.hpp"

namespace velkora {

Result<ResidualOutput> residuals_pipeline(std::span<const double> y, const SarimaxConfig& config,
                                          const SarimaxParams& params,
                                          std::span<const std::vector<double>> exog) {
    auto sample = filter_sample(y, config, params, exog);
    if (!sample) return fail(sample.error());
    KalmanFilterOutput& filtered = sample->output;

    const double multiplier = config.concentrate_scale ? filtered.scale : 1.0;
    const std::size_t m = filtered.innovations.size();
    ResidualOutput out;
    out.prediction_variances.resize(m);
    out.standardized_residuals.resize(m);
    for (std::size_t t = 0; t < m; ++t) {
        const double variance = multiplier * filtered.innovation_variances[t];
        out.prediction_variances[t] = variance;
        out.standardized_residuals[t] = variance <= 0.0 ? 0.0 : filtered.innovations[t] / std::sqrt(variance);
    }
    out.residuals = std::move(filtered.innovations);
    return out;
}

}  // namespace velkora
