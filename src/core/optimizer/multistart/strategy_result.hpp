#pragma once
// What a strategy hands back: the optimiser outcome and the method name to report.

#include <string>

#include "model/error.hpp"
#include "optimizer/solver_outcome.hpp"

namespace velkora::multistart {

struct StrategyResult {
    optimizer::SolverOutcome outcome;
    std::string method;
};

using StrategyReturn = Result<StrategyResult>;

}  // namespace velkora::multistart
