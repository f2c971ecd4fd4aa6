#include "batch/fork_guard.hpp"

#include <fmt/format.h>
#include <unistd.h>

namespace velkora::batch {

std::atomic<std::uint32_t> POOL_OWNER_PID{0};

Result<void> guard_pool_fork() {
    const auto pid = static_cast<std::uint32_t>(getpid());
    std::uint32_t owner = 0;
    if (POOL_OWNER_PID.compare_exchange_strong(owner, pid)) return {};
    if (owner == pid) return {};
    return fail(SarimaxError::invalid_input(
        fmt::format("parallel API called in fork()ed child (pid {}) but the oneTBB thread pool belongs to parent "
                    "pid {}; running would deadlock. Use the 'spawn' multiprocessing context, or fork before the "
                    "first parallel call.",
                    pid, owner)));
}

}  // namespace velkora::batch
