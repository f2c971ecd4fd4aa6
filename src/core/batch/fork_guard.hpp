#pragma once
// Refuses parallel work in a child forked after the worker pool was started: the child
// inherits the pool's bookkeeping but none of its threads, so the work would never finish.

#include <atomic>
#include <cstdint>

#include "model/error.hpp"

namespace velkora::batch {

// Id of the process that made the first parallel call; 0 until then. Set once.
extern std::atomic<std::uint32_t> POOL_OWNER_PID;

// Records the calling process as the pool's owner on first use; fails with InvalidInput in
// any other process.
Result<void> guard_pool_fork();

}  // namespace velkora::batch
