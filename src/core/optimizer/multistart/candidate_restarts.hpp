#pragma once
// Random restarts around an estimate, run in parallel: the second phase of the hybrid and
// adaptive strategies.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model/types.hpp"
#include "optimizer/multistart/best_candidate.hpp"
#include "optimizer/objective.hpp"

namespace velkora::multistart {

// Drops candidates that fail the cancellation filter; runs the rest in parallel with
// `budget` evaluations each and offers them in order under `label`. Nothing runs in a
// process that may not use the worker pool.
void run_candidates(const optimizer::SolverObjective& objective, const SarimaxConfig& config,
                    std::vector<std::vector<double>> candidates, std::size_t budget,
                    std::optional<MultiStartBest>& best, const std::string& label);

}  // namespace velkora::multistart
