#pragma once
// What every optimiser hands back.

#include <cstddef>
#include <vector>

#include "optimizer/text_result.hpp"

namespace velkora::optimizer {

struct SolverOutcome {
    std::vector<double> params;   // unconstrained best point
    double value = 0.0;           // objective value there
    std::size_t n_iter = 0;
    bool converged = false;
};

using SolverResult = TextResult<SolverOutcome>;

}  // namespace velkora::optimizer
