#include "optimizer/multistart/best_candidate.hpp"

#include <algorithm>
#include <limits>

namespace velkora::multistart {

void try_update_best(std::optional<MultiStartBest>& best, std::span<const double> params, bool converged,
                     const std::string& method, double value) {
    if (best && !(value < best->value)) return;
    best = MultiStartBest{std::vector<double>(params.begin(), params.end()), value, converged, method};
}

void offer(std::optional<MultiStartBest>& best, const optimizer::SolverOutcome& run, const std::string& method) {
    try_update_best(best, run.params, run.converged, method, run.value);
}

std::size_t saturating_add(std::size_t a, std::size_t b) {
    return a > std::numeric_limits<std::size_t>::max() - b ? std::numeric_limits<std::size_t>::max() : a + b;
}

void Budget::charge(std::size_t n_iter, std::size_t given) { charge_total(std::min(n_iter, given)); }

void Budget::charge_total(std::size_t total) {
    used = saturating_add(used, total);
    remaining = total >= remaining ? 0 : remaining - total;
}

}  // namespace velkora::multistart
