#include "optimizer/cancellation.hpp"

#include <algorithm>
#include <complex>
#include <limits>
#include <optional>
#include <vector>

#include "model/transforms.hpp"
#include "optimizer/polynomial_roots.hpp"

namespace velkora::optimizer {

namespace {

constexpr double kRidgeThreshold = 0.05;
constexpr double kFilterThreshold = 0.01;

std::optional<SarimaxParams> constrained_params(std::span<const double> x, const SarimaxConfig& config) {
    const auto constrained = transform_params_inner(x, config, true);
    if (!constrained) return std::nullopt;
    auto params = SarimaxParams::from_flat(*constrained, config);
    if (!params) return std::nullopt;
    return std::move(*params);
}

}  // namespace

bool validate_no_near_cancellation(double threshold, const SarimaxParams& params, std::size_t p, std::size_t q) {
    if (p == 0 || q == 0) return true;
    const auto ar_roots = polynomial_roots(params.ar);
    std::vector<double> negated_ma(params.ma.size());
    std::transform(params.ma.begin(), params.ma.end(), negated_ma.begin(), [](double v) { return -v; });
    const auto ma_roots = polynomial_roots(negated_ma);

    double closest = std::numeric_limits<double>::infinity();
    for (const auto& a : ar_roots)
        for (const auto& m : ma_roots) closest = std::min(closest, std::abs(a - m));
    return threshold < closest;
}

bool on_cancellation_ridge(std::span<const double> x, const SarimaxConfig& config) {
    if (config.order.p == 0 || config.order.q == 0) return false;
    const auto params = constrained_params(x, config);
    return params && !validate_no_near_cancellation(kRidgeThreshold, *params, config.order.p, config.order.q);
}

bool passes_cancellation_filter(std::span<const double> x, const SarimaxConfig& config) {
    if (config.order.p == 0 || config.order.q == 0) return true;
    const auto params = constrained_params(x, config);
    return params && validate_no_near_cancellation(kFilterThreshold, *params, config.order.p, config.order.q);
}

}  // namespace velkora::optimizer
