#pragma once
// The optimisation methods a fit can be asked for, by name.

#include <cstddef>
#include <span>
#include <string_view>

#include "model/error.hpp"
#include "model/types.hpp"
#include "optimizer/multistart/strategy_result.hpp"
#include "optimizer/sarimax_objective.hpp"

namespace velkora::optimizer {

enum class FitMethod {
    Lbfgsb,
    LbfgsbMulti,
    LbfgsbAdaptive,
    LbfgsbHybrid,
    LbfgsbStrict,
    Lbfgs,
    Bfgs,
    TrustRegion,
    ProfileTrustRegion,
    NelderMead,
};

inline constexpr std::string_view kDefaultMethod = "lbfgsb";

// The method of a name (exact, case-sensitive), or an Optimization error listing the
// valid names.
Result<FitMethod> parse_method(std::string_view name);

// Minimises the objective from the unconstrained start x0 by the given method;
// `start_given` tells whether x0 came from the caller.
multistart::StrategyReturn run_method(FitMethod method, const SarimaxObjective& objective,
                                      std::span<const double> x0, const SarimaxConfig& config,
                                      std::size_t maxiter, bool start_given);

}  // namespace velkora::optimizer
