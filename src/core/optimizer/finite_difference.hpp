#pragma once
// Central-difference gradients of negative log-likelihoods.

#include <span>
#include <vector>

#include "optimizer/objective.hpp"

namespace velkora::runners {

// Step h = relative_step * (|x_i| + 1) per coordinate; the first failing evaluation ends
// the computation with its message.
TextResult<std::vector<double>> finite_diff_grad_negll(const optimizer::SolverObjective& objective,
                                                       std::span<const double> x, double relative_step);
TextResult<std::vector<double>> finite_diff_grad_profile_negll(const optimizer::ProfiledObjective& objective,
                                                               std::span<const double> x, double relative_step);

}  // namespace velkora::runners
