#include <algorithm>

#include <fmt/format.h>

#include "optimizer/cancellation.hpp"
#include "optimizer/multistart/grid_and_polish.hpp"
#include "optimizer/multistart/restart_level.hpp"
#include "optimizer/multistart/strategies.hpp"
#include "optimizer/parameter_bounds.hpp"
#include "optimizer/run_lbfgsb.hpp"

namespace velkora::multistart {

namespace {

// The multi-start must beat a run on the cancellation ridge by more than this.
constexpr double kEscalationGain = 0.1;

}  // namespace

StrategyReturn fit_lbfgsb_single(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                 const SarimaxConfig& config, std::size_t maxiter) {
    const std::size_t restarts = restart_level(x0.size(), config.order);
    auto single = runners::run_lbfgsb(objective, x0, runners::compute_bounds(config), maxiter);
    if (!single) {
        if (auto multi = fit_lbfgsb_multi(objective, x0, config, maxiter, restarts))
            return StrategyResult{std::move(multi->outcome), fmt::format("{} (fallback)", multi->method)};
        Budget budget(maxiter);
        return nelder_mead_fallback(objective, x0, budget);
    }
    if (optimizer::on_cancellation_ridge(single->params, config)) {
        auto multi = fit_lbfgsb_multi(objective, x0, config, maxiter, restarts);
        if (multi && multi->outcome.value < single->value - kEscalationGain) {
            optimizer::SolverOutcome outcome = std::move(multi->outcome);
            outcome.n_iter = std::max(outcome.n_iter, single->n_iter);
            return StrategyResult{std::move(outcome), fmt::format("{} (cancellation escalation)", multi->method)};
        }
    }
    return StrategyResult{std::move(*single), "lbfgsb"};
}

}  // namespace velkora::multistart
