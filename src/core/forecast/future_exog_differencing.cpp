#include "forecast/future_exog_differencing.hpp"

#include <fmt/format.h>

#include "forecast/undo_differencing.hpp"
#include "model/differencing.hpp"

namespace velkora {

Result<ExogColumns> difference_future_exog(std::span<const std::vector<double>> sample,
                                           std::span<const std::vector<double>> future,
                                           const SarimaxConfig& config, std::size_t n, std::size_t dropped) {
    if (sample.size() != future.size())
        return fail(SarimaxError::invalid_input(fmt::format(
            "future_exog column count mismatch: expected {}, got {}", sample.size(), future.size())));

    // The passes the sample actually received: a series too short for its season skips it.
    SarimaxConfig applied = config;
    applied.order.D = seasonal_undo_applies(config.order, n) ? 1 : 0;
    applied.order.d = dropped - applied.order.D * config.order.s;

    ExogColumns differenced;
    differenced.reserve(future.size());
    std::vector<double> joined;
    for (std::size_t j = 0; j < future.size(); ++j) {
        joined.assign(sample[j].begin(), sample[j].end());
        joined.insert(joined.end(), future[j].begin(), future[j].end());
        const std::vector<double> w = css::apply_differencing(joined, applied);
        differenced.emplace_back(w.end() - static_cast<std::ptrdiff_t>(future[j].size()), w.end());
    }
    return differenced;
}

}  // namespace velkora
