#pragma once
// Unconstrained local minimisers of the negative log-likelihood.

#include <cstddef>
#include <span>

#include "optimizer/objective.hpp"
#include "optimizer/solver_outcome.hpp"

namespace velkora::runners {

// Each runner works on a fresh copy of the objective and reports the best point found,
// the number of iterations, and whether the solver's own convergence test ended the run.

// Simplex search through cost alone.
optimizer::SolverResult run_nelder_mead(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                        std::size_t max_iterations);
// BFGS, its inverse Hessian started from the analytic gradient at x0.
optimizer::SolverResult run_bfgs(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                 std::size_t max_iterations);
// L-BFGS with ten curvature pairs.
optimizer::SolverResult run_lbfgs(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                  std::size_t max_iterations);

}  // namespace velkora::runners
