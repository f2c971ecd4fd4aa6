#include "optimizer/local_runners.hpp"
#include "optimizer/multistart/grid_and_polish.hpp"
#include "optimizer/multistart/strategies.hpp"

namespace velkora::multistart {

StrategyReturn fit_bfgs_single(const optimizer::SolverObjective& objective, std::span<const double> x0,
                               std::size_t maxiter) {
    if (auto run = runners::run_bfgs(objective, x0, maxiter)) return StrategyResult{std::move(*run), "bfgs"};
    Budget budget(maxiter);
    return nelder_mead_fallback(objective, x0, budget);
}

}  // namespace velkora::multistart
