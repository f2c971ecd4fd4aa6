#pragma once
// L-BFGS-B on the negative log-likelihood with an evaluation budget.

#include <cstddef>
#include <span>

#include "optimizer/lbfgsb_wrapper.hpp"
#include "optimizer/objective.hpp"
#include "optimizer/solver_outcome.hpp"

namespace velkora::runners {

// Minimises a fresh copy of the objective from x0 within the bounds. The budget counts
// evaluation requests (line-search trials included); once it is spent every request gets
// a zero gradient, which ends the run, and the run does not count as converged. n_iter is
// the number of evaluations made.
optimizer::SolverResult run_lbfgsb(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                   const lbfgsb_wrapper::BoundList& bounds, std::size_t budget);

}  // namespace velkora::runners
