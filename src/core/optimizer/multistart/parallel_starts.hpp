#pragma once
// Independent L-BFGS-B runs on the worker pool.

#include <cstddef>
#include <vector>

#include "optimizer/lbfgsb_wrapper.hpp"
#include "optimizer/objective.hpp"
#include "optimizer/solver_outcome.hpp"

namespace velkora::multistart {

// True when this process may use the worker pool: false in a child forked after the
// parent started it, where a parallel call would wait forever.
[[nodiscard]] bool pool_usable();

// One run per start, each on its own copy of the objective with `budget` evaluations.
// Failed runs are dropped; the others come back in the order of their starts.
std::vector<optimizer::SolverOutcome> run_lbfgsb_parallel(const optimizer::SolverObjective& objective,
                                                          const std::vector<std::vector<double>>& starts,
                                                          const lbfgsb_wrapper::BoundList& bounds,
                                                          std::size_t budget);

}  // namespace velkora::multistart
