#pragma once
// Upper bound on the state covariances kept for rolling-origin forecasts.

#include <cstddef>

#include "model/error.hpp"

namespace velkora {

// 2 GiB of doubles.
inline constexpr std::size_t kMaxSnapshotEntries = 268'435'456;

// Fails when `origins` covariances of k x k entries would exceed the cap; the count is
// formed without overflow.
Result<void> check_snapshot_memory(std::size_t origins, std::size_t k);

}  // namespace velkora
