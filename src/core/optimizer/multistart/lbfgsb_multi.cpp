#include <vector>

#include "optimizer/multistart/best_candidate.hpp"
#include "optimizer/multistart/grid_and_polish.hpp"
#include "optimizer/multistart/parallel_starts.hpp"
#include "optimizer/multistart/random_starts.hpp"
#include "optimizer/multistart/strategies.hpp"
#include "optimizer/parameter_bounds.hpp"
#include "optimizer/run_lbfgsb.hpp"

namespace velkora::multistart {

namespace {

const std::string kLabel = "lbfgsb-multi";

}  // namespace

StrategyReturn fit_lbfgsb_multi(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                const SarimaxConfig& config, std::size_t maxiter, std::size_t restarts) {
    const lbfgsb_wrapper::BoundList bounds = runners::compute_bounds(config);
    auto lbfgsb = [&](std::span<const double> start, std::size_t cap) {
        return runners::run_lbfgsb(objective, start, bounds, cap);
    };
    Budget budget(maxiter);
    std::optional<MultiStartBest> best;

    run_charged(lbfgsb, x0, budget, best, kLabel);
    if (restarts > 0 && !budget.exhausted()) {
        const std::vector<double> zero(x0.size(), 0.0);
        run_charged(lbfgsb, zero, budget, best, kLabel);
        grid_ma_initialization(objective, config, x0, budget, best, kLabel + "+nm");

        const auto starts = perturbed_starts_off_ridge(x0, config, restarts, budget.remaining);
        if (starts.size() < 2 || budget.exhausted() || !pool_usable()) {
            for (const auto& start : starts) {
                if (budget.exhausted()) break;
                run_charged(lbfgsb, start, budget, best, kLabel);
            }
        } else if (budget.remaining >= starts.size()) {
            const std::size_t per_task = budget.remaining / starts.size();
            const auto runs = run_lbfgsb_parallel(objective, starts, bounds, per_task);
            std::size_t total = 0;
            for (const auto& run : runs) total = saturating_add(total, run.n_iter);
            budget.charge_total(total);
            for (const auto& run : runs) offer(best, run, kLabel);
        }
    }
    if (!best) return nelder_mead_fallback(objective, x0, budget);
    return nm_refinement(*best, objective, budget);
}

}  // namespace velkora::multistart
