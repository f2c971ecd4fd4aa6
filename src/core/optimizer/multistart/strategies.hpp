#pragma once
// Strategies around the local solvers, chosen by method name. Each minimises the negative
// log-likelihood from the unconstrained start x0 and reports the method that produced its
// estimate. Budgets count evaluation requests.

#include <cstddef>
#include <span>

#include "model/types.hpp"
#include "optimizer/multistart/strategy_result.hpp"
#include "optimizer/objective.hpp"

namespace velkora::multistart {

// One bounded L-BFGS-B run; the multi-start, then Nelder-Mead, when it fails; the
// multi-start again when the estimate lies on an AR/MA cancellation ridge.
StrategyReturn fit_lbfgsb_single(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                 const SarimaxConfig& config, std::size_t maxiter);

// L-BFGS-B from x0, from zero, from a moving-average grid and from `restarts` perturbed
// starts (in parallel), sharing one budget, then a Nelder-Mead polish.
StrategyReturn fit_lbfgsb_multi(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                const SarimaxConfig& config, std::size_t maxiter, std::size_t restarts);

// The multi-start followed by gradient-weighted random restarts around its estimate.
StrategyReturn fit_lbfgsb_hybrid(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                 const SarimaxConfig& config, std::size_t maxiter, std::size_t restarts);

// The single run followed by restarts around its estimate and near x0.
StrategyReturn fit_lbfgsb_adaptive_restart(const optimizer::SolverObjective& objective,
                                           std::span<const double> x0, const SarimaxConfig& config,
                                           std::size_t maxiter, std::size_t restarts);

// The multi-start scheme with unbounded L-BFGS, run sequentially.
StrategyReturn fit_lbfgs_unbounded(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                   const SarimaxConfig& config, std::size_t maxiter, std::size_t restarts);

// BFGS, with Nelder-Mead when it fails.
StrategyReturn fit_bfgs_single(const optimizer::SolverObjective& objective, std::span<const double> x0,
                               std::size_t maxiter);

}  // namespace velkora::multistart
