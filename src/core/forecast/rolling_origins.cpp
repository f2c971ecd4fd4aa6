#include "forecast/rolling_origins.hpp"

#include <fmt/format.h>

#include "forecast/snapshot_memory_cap.hpp"

namespace velkora {

Result<std::vector<std::size_t>> rolling_origins(std::size_t n, const SarimaxConfig& config, std::size_t start,
                                                 std::size_t step, std::size_t horizon, bool has_exog) {
    const auto invalid = [](std::string text) { return fail(SarimaxError::invalid_input(std::move(text))); };
    if (config.simple_differencing) return invalid("rolling_forecast does not support simple_differencing yet");
    if (n == 0) return invalid("endog is empty");
    if (start == 0 || start >= n)
        return invalid(fmt::format("start must be in [1, n-1] = [1, {}], got {}", n - 1, start));
    if (step == 0) return invalid("step must be >= 1");
    if (horizon == 0) return invalid("horizon must be >= 1");
    if (has_exog && n < horizon)
        return invalid(fmt::format("horizon {} exceeds series length {} for exog model", horizon, n));
    const std::size_t last = has_exog ? n - horizon : n - 1;
    if (start > last)
        return invalid(fmt::format("start {} exceeds max origin {} (exog models cap origins at n - horizon)",
                                   start, last));

    const std::size_t count = (last - start) / step + 1;
    if (auto capped = check_snapshot_memory(count, config.order.k_states()); !capped)
        return fail(capped.error());
    std::vector<std::size_t> origins(count);
    for (std::size_t r = 0; r < count; ++r) origins[r] = start + r * step;
    return origins;
}

}  // namespace velkora
