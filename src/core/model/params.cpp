#include "model/params.hpp"

namespace velkora {

Result<SarimaxParams> SarimaxParams::from_flat(std::span<const double> flat,
                                               const SarimaxConfig& config) {
    const std::size_t expected = config.param_count();
    if (flat.size() != expected) return fail(SarimaxError::param_length(expected, flat.size()));

    const SarimaxOrder& o = config.order;
    std::size_t pos = 0;
    auto take = [&](std::size_t count) {
        std::vector<double> block(flat.begin() + static_cast<std::ptrdiff_t>(pos),
                                  flat.begin() + static_cast<std::ptrdiff_t>(pos + count));
        pos += count;
        return block;
    };
    SarimaxParams params;
    params.trend = take(trend_param_count(config.trend));
    params.exog = take(config.n_exog);
    params.ar = take(o.p);
    params.ma = take(o.q);
    params.seasonal_ar = take(o.P);
    params.seasonal_ma = take(o.Q);
    if (!config.concentrate_scale) params.sigma2 = flat[expected - 1];
    return params;
}

}  // namespace velkora
