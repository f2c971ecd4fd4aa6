#include <algorithm>
#include <vector>

#include "optimizer/multistart/candidate_restarts.hpp"
#include "optimizer/multistart/random_starts.hpp"
#include "optimizer/multistart/strategies.hpp"

namespace velkora::multistart {

StrategyReturn fit_lbfgsb_adaptive_restart(const optimizer::SolverObjective& objective,
                                           std::span<const double> x0, const SarimaxConfig& config,
                                           std::size_t maxiter, std::size_t restarts) {
    std::optional<MultiStartBest> best;
    std::vector<double> centre(x0.begin(), x0.end());
    if (auto first = fit_lbfgsb_single(objective, x0, config, maxiter)) {
        best = MultiStartBest{first->outcome.params, first->outcome.value, first->outcome.converged, first->method};
        centre = first->outcome.params;
    }

    const CandidateScales scales = sensitivity_scales(objective, x0, centre);
    Lcg stream(kAdaptiveSeed);
    std::vector<std::vector<double>> candidates;
    for (std::size_t k = std::max<std::size_t>(restarts, 3); k > 0; --k)
        candidates.push_back(weighted_candidate(stream, centre, scales, 1.0));
    candidates.emplace_back(x0.begin(), x0.end());
    candidates.push_back(near_start_candidate(stream, x0, scales));
    run_candidates(objective, config, std::move(candidates), std::max<std::size_t>(maxiter, 50), best,
                   "lbfgsb-adaptive");

    if (!best) return fit_lbfgsb_single(objective, x0, config, maxiter);
    return StrategyResult{optimizer::SolverOutcome{best->params, best->value, maxiter, best->converged},
                          best->method};
}

}  // namespace velkora::multistart
