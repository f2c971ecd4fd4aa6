#include "forecast/snapshot_memory_cap.hpp"

#include <cstdint>
#include <fmt/format.h>
#include <limits>

namespace velkora {

Result<void> check_snapshot_memory(std::size_t origins, std::size_t k) {
    std::uint64_t per_origin = 0;
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;
    const bool overflow = __builtin_mul_overflow(std::uint64_t{k}, std::uint64_t{k}, &per_origin) ||
                          __builtin_mul_overflow(std::uint64_t{origins}, per_origin, &entries) ||
                          __builtin_mul_overflow(entries, std::uint64_t{sizeof(double)}, &bytes);
    if (!overflow && entries <= kMaxSnapshotEntries) return {};
    const std::uint64_t shown = overflow ? std::numeric_limits<std::uint64_t>::max() : bytes;
    const double gib = static_cast<double>(shown) / static_cast<double>(1ULL << 30);
    return fail(SarimaxError::invalid_input(fmt::format(
        "rolling forecast would retain {} origin snapshots of {}x{} state covariances (~{:.1f} GiB > 2 GiB "
        "limit); increase `step`, raise `start`, or split the series into chunks",
        origins, k, k, gib)));
}

}  // namespace velkora
