#include <vector>

#include "optimizer/local_runners.hpp"
#include "optimizer/multistart/best_candidate.hpp"
#include "optimizer/multistart/grid_and_polish.hpp"
#include "optimizer/multistart/random_starts.hpp"
#include "optimizer/multistart/strategies.hpp"

namespace velkora::multistart {

StrategyReturn fit_lbfgs_unbounded(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                   const SarimaxConfig& config, std::size_t maxiter, std::size_t restarts) {
    const std::string label = "lbfgs";
    auto lbfgs = [&](std::span<const double> start, std::size_t cap) {
        return runners::run_lbfgs(objective, start, cap);
    };
    Budget budget(maxiter);
    std::optional<MultiStartBest> best;

    run_charged(lbfgs, x0, budget, best, label);
    if (restarts > 0 && !budget.exhausted()) {
        const std::vector<double> zero(x0.size(), 0.0);
        run_charged(lbfgs, zero, budget, best, label);
        grid_ma_initialization(objective, config, x0, budget, best, label);
        for (const auto& start : perturbed_starts_off_ridge(x0, config, restarts, budget.remaining)) {
            if (budget.exhausted()) break;
            run_charged(lbfgs, start, budget, best, label);
        }
    }
    if (!best) return nelder_mead_fallback(objective, x0, budget);
    return nm_refinement(*best, objective, budget);
}

}  // namespace velkora::multistart
