#include "optimizer/exog_block.hpp"

#include <algorithm>

namespace velkora::optimizer {

std::vector<double> insert_exog_block(std::span<const double> profiled, std::span<const double> beta,
                                      Trend trend) {
    const std::size_t n_trend = std::min(trend_param_count(trend), profiled.size());
    std::vector<double> full;
    full.reserve(profiled.size() + beta.size());
    full.insert(full.end(), profiled.begin(), profiled.begin() + static_cast<std::ptrdiff_t>(n_trend));
    full.insert(full.end(), beta.begin(), beta.end());
    full.insert(full.end(), profiled.begin() + static_cast<std::ptrdiff_t>(n_trend), profiled.end());
    return full;
}

std::vector<double> remove_exog_block(std::span<const double> full, const SarimaxConfig& config) {
    const std::size_t n_trend = std::min(trend_param_count(config.trend), full.size());
    const std::size_t rest = std::min(n_trend + config.n_exog, full.size());
    std::vector<double> profiled(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n_trend));
    profiled.insert(profiled.end(), full.begin() + static_cast<std::ptrdiff_t>(rest), full.end());
    return profiled;
}

}  // namespace velkora::optimizer
