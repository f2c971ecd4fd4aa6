#include "optimizer/multistart/grid_and_polish.hpp"

#include <algorithm>
#include <vector>

#include "model/transforms.hpp"
#include "optimizer/local_runners.hpp"

namespace velkora::multistart {

namespace {

constexpr double kGridValues[] = {-0.3, -0.6, -0.9};

// Constrained point with every MA and seasonal MA coefficient at g, zeros elsewhere and
// the given variance (when the scale is estimated).
std::vector<double> grid_point(const SarimaxConfig& config, std::size_t m, double g, double variance) {
    const SarimaxOrder& o = config.order;
    std::vector<double> point(m, 0.0);
    const std::size_t ma_start = trend_param_count(config.trend) + config.n_exog + o.p;
    const std::size_t seasonal_ma_start = ma_start + o.q + o.P;
    std::fill_n(point.begin() + static_cast<std::ptrdiff_t>(ma_start), o.q, g);
    std::fill_n(point.begin() + static_cast<std::ptrdiff_t>(seasonal_ma_start), o.Q, g);
    if (!config.concentrate_scale) point.back() = variance;
    return point;
}

}  // namespace

void grid_ma_initialization(const optimizer::SolverObjective& objective, const SarimaxConfig& config,
                            std::span<const double> x0, Budget& budget, std::optional<MultiStartBest>& best,
                            const std::string& label) {
    if (!config.enforce_invertibility || config.order.Q == 0 || budget.exhausted()) return;
    if (x0.size() != config.param_count()) return;
    // The grid points share the start's variance.
    auto start = transform_params_inner(x0, config, true);
    if (!start) return;
    const double variance = config.concentrate_scale ? 0.0 : start->back();

    auto nelder_mead = [&](std::span<const double> start, std::size_t cap) {
        return runners::run_nelder_mead(objective, start, cap);
    };
    for (double g : kGridValues) {
        if (budget.exhausted()) break;
        auto unconstrained = transform_params_inner(grid_point(config, x0.size(), g, variance), config, false);
        if (!unconstrained) continue;
        run_charged(nelder_mead, *unconstrained, budget, best, label);
    }
}

StrategyResult nm_refinement(const MultiStartBest& best, const optimizer::SolverObjective& objective,
                             Budget& budget) {
    auto as_result = [&](const MultiStartBest& b) {
        return StrategyResult{optimizer::SolverOutcome{b.params, b.value, budget.used, b.converged}, b.method};
    };
    if (best.params.size() < 2 || budget.exhausted()) return as_result(best);
    const std::size_t given = budget.remaining;
    auto run = runners::run_nelder_mead(objective, best.params, given);
    if (!run) return as_result(best);
    budget.charge(run->n_iter, given);
    if (!(run->value < best.value)) return as_result(best);
    return StrategyResult{optimizer::SolverOutcome{std::move(run->params), run->value, budget.used, run->converged},
                          best.method + "+nm"};
}

StrategyReturn nelder_mead_fallback(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                    Budget& budget) {
    auto run = runners::run_nelder_mead(objective, x0, budget.remaining);
    if (!run) return fail(SarimaxError::optimization(std::move(run.error())));
    const std::size_t n_iter = saturating_add(budget.used, std::min(run->n_iter, budget.remaining));
    return StrategyResult{optimizer::SolverOutcome{std::move(run->params), run->value, n_iter, run->converged},
                          "nelder-mead (fallback)"};
}

}  // namespace velkora::multistart
