#pragma once
// Two steps the multi-start strategies share: Nelder-Mead runs from a grid of
// moving-average starting points, and a final Nelder-Mead polish of the best run.

#include <optional>
#include <span>
#include <string>

#include "model/types.hpp"
#include "optimizer/multistart/best_candidate.hpp"
#include "optimizer/multistart/strategy_result.hpp"
#include "optimizer/objective.hpp"

namespace velkora::multistart {

// With invertibility enforced and a seasonal MA part: Nelder-Mead from points whose MA and
// seasonal MA coefficients all equal -0.3, -0.6 and -0.9 in turn (other coefficients 0,
// the variance that of x0), while budget lasts. Each run is offered under `label`.
void grid_ma_initialization(const optimizer::SolverObjective& objective, const SarimaxConfig& config,
                            std::span<const double> x0, Budget& budget, std::optional<MultiStartBest>& best,
                            const std::string& label);

// Nelder-Mead from the best point with the remaining budget; its point is taken, with
// "+nm" added to the method, only when strictly better. n_iter is the budget used in all.
StrategyResult nm_refinement(const MultiStartBest& best, const optimizer::SolverObjective& objective,
                             Budget& budget);

// The result of a strategy whose every run failed: Nelder-Mead from x0 with what is left of
// the budget, or an optimisation error with its message.
StrategyReturn nelder_mead_fallback(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                    Budget& budget);

}  // namespace velkora::multistart
