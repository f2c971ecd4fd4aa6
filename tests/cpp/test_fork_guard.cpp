// The guard against parallel work in a child forked after the pool started.
#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "batch/fork_guard.hpp"

using namespace velkora;
using velkora::batch::guard_pool_fork;
using velkora::batch::POOL_OWNER_PID;

namespace {

// Runs `child` in a forked process and returns its exit status (0 when every check held).
template <class F>
int in_child(F child) {
    const pid_t pid = fork();
    if (pid == 0) _exit(child());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

std::string fork_message(pid_t child, pid_t parent) {
    return "invalid input: parallel API called in fork()ed child (pid " + std::to_string(child) +
           ") but the oneTBB thread pool belongs to parent pid " + std::to_string(parent) +
           "; running would deadlock. Use the 'spawn' multiprocessing context, or fork before the first "
           "parallel call.";
}

TEST(ForkGuard, OwnerProcessPassesAndAForkedChildIsRefused) {
    ASSERT_TRUE(guard_pool_fork());
    EXPECT_EQ(POOL_OWNER_PID.load(), static_cast<std::uint32_t>(getpid()));
    EXPECT_TRUE(guard_pool_fork());

    const pid_t parent = getpid();
    const int status = in_child([parent] {
        const auto refused = guard_pool_fork();
        if (refused) return 1;
        if (refused.error().kind() != ErrorKind::InvalidInput) return 2;
        if (refused.error().display() != fork_message(getpid(), parent)) return 3;
        if (POOL_OWNER_PID.load() != static_cast<std::uint32_t>(parent)) return 4;
        return guard_pool_fork() ? 5 : 0;   // refused every time, not only once
    });
    EXPECT_EQ(status, 0);
}

TEST(ForkGuard, ChildForkedBeforeAnyParallelCallOwnsItsPool) {
    // A child whose memory holds no owner yet, as after a fork before the first call;
    // threads racing to record the owner all see the same one.
    const int status = in_child([] {
        POOL_OWNER_PID.store(0);
        std::vector<std::thread> threads;
        std::vector<int> ok(8, 0);
        for (std::size_t i = 0; i < ok.size(); ++i)
            threads.emplace_back([&ok, i] { ok[i] = guard_pool_fork().has_value(); });
        for (auto& t : threads) t.join();
        for (int v : ok)
            if (!v) return 1;
        return POOL_OWNER_PID.load() == static_cast<std::uint32_t>(getpid()) ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
