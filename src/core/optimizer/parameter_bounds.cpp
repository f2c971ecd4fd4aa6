#include "optimizer/parameter_bounds.hpp"

namespace velkora::runners {

lbfgsb_wrapper::BoundList compute_bounds(const SarimaxConfig& config) {
    using lbfgsb_wrapper::Bound;
    const SarimaxOrder& o = config.order;
    const Bound free{};
    const Bound coefficient{-kCoefficientBound, kCoefficientBound};
    const Bound ar = config.enforce_stationarity ? free : coefficient;
    const Bound ma = config.enforce_invertibility ? free : coefficient;

    lbfgsb_wrapper::BoundList bounds;
    bounds.reserve(config.param_count());
    bounds.insert(bounds.end(), trend_param_count(config.trend) + config.n_exog, free);
    bounds.insert(bounds.end(), o.p, ar);
    bounds.insert(bounds.end(), o.q, ma);
    bounds.insert(bounds.end(), o.P, ar);
    bounds.insert(bounds.end(), o.Q, ma);
    if (!config.concentrate_scale) bounds.push_back(Bound{kLogVarianceLowerBound, std::nullopt});
    return bounds;
}

}  // namespace velkora::runners
