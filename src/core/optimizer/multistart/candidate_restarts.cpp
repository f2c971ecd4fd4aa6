#include "optimizer/multistart/candidate_restarts.hpp"

#include <algorithm>

#include "optimizer/cancellation.hpp"
#include "optimizer/multistart/parallel_starts.hpp"
#include "optimizer/parameter_bounds.hpp"

namespace velkora::multistart {

void run_candidates(const optimizer::SolverObjective& objective, const SarimaxConfig& config,
                    std::vector<std::vector<double>> candidates, std::size_t budget,
                    std::optional<MultiStartBest>& best, const std::string& label) {
    std::erase_if(candidates, [&](const std::vector<double>& candidate) {
        return !optimizer::passes_cancellation_filter(candidate, config);
    });
    if (candidates.empty() || !pool_usable()) return;
    for (const auto& run : run_lbfgsb_parallel(objective, candidates, runners::compute_bounds(config), budget))
        offer(best, run, label);
}

}  // namespace velkora::multistart
