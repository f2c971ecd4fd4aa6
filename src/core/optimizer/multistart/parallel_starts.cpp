#include "optimizer/multistart/parallel_starts.hpp"

#include <optional>

#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>

#include "batch/fork_guard.hpp"
#include "optimizer/run_lbfgsb.hpp"

namespace velkora::multistart {

bool pool_usable() { return batch::guard_pool_fork().has_value(); }

std::vector<optimizer::SolverOutcome> run_lbfgsb_parallel(const optimizer::SolverObjective& objective,
                                                          const std::vector<std::vector<double>>& starts,
                                                          const lbfgsb_wrapper::BoundList& bounds,
                                                          std::size_t budget) {
    std::vector<std::optional<optimizer::SolverOutcome>> slots(starts.size());
    // Each task writes only its own slot. run_lbfgsb works on its own copy of the
    // objective, so no cache is shared between threads; a task that throws counts as failed.
    tbb::this_task_arena::isolate([&] {
        tbb::parallel_for(std::size_t{0}, starts.size(), [&](std::size_t i) {
            try {
                auto run = runners::run_lbfgsb(objective, starts[i], bounds, budget);
                if (run) slots[i] = std::move(*run);
            } catch (...) {
                slots[i].reset();
            }
        });
    });
    std::vector<optimizer::SolverOutcome> done;
    for (auto& slot : slots)
        if (slot) done.push_back(std::move(*slot));
    return done;
}

}  // namespace velkora::multistart
