#include <algorithm>
#include <vector>

#include "optimizer/multistart/candidate_restarts.hpp"
#include "optimizer/multistart/random_starts.hpp"
#include "optimizer/multistart/strategies.hpp"

namespace velkora::multistart {

StrategyReturn fit_lbfgsb_hybrid(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                 const SarimaxConfig& config, std::size_t maxiter, std::size_t restarts) {
    const std::string label = "lbfgsb-hybrid";
    auto multi = fit_lbfgsb_multi(objective, x0, config, maxiter, restarts);
    if (!multi) return multi;
    const optimizer::SolverOutcome& first = multi->outcome;
    std::optional<MultiStartBest> best = MultiStartBest{first.params, first.value, first.converged, label};

    const CandidateScales scales = sensitivity_scales(objective, x0, first.params);
    Lcg stream(kHybridSeed);
    std::vector<std::vector<double>> candidates;
    for (std::size_t k = std::max<std::size_t>(restarts, 3); k > 0; --k)
        candidates.push_back(weighted_candidate(stream, first.params, scales, 1.5));
    run_candidates(objective, config, std::move(candidates), std::max<std::size_t>(maxiter / 2, 50), best, label);

    return StrategyResult{optimizer::SolverOutcome{best->params, best->value, first.n_iter, best->converged},
                          label};
}

}  // namespace velkora::multistart
