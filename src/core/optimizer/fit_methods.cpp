#include "optimizer/fit_methods.hpp"

#include <utility>

#include <fmt/format.h>

#include "optimizer/local_runners.hpp"
#include "optimizer/multistart/restart_level.hpp"
#include "optimizer/multistart/strategies.hpp"
#include "optimizer/parameter_bounds.hpp"
#include "optimizer/run_lbfgsb.hpp"
#include "optimizer/trust_region_fits.hpp"

namespace velkora::optimizer {

namespace {

struct MethodName {
    std::string_view name;
    FitMethod method;
};

constexpr MethodName kMethods[] = {
    {"lbfgsb", FitMethod::Lbfgsb},
    {"lbfgsb-multi", FitMethod::LbfgsbMulti},
    {"lbfgsb-adaptive", FitMethod::LbfgsbAdaptive},
    {"lbfgsb-hybrid", FitMethod::LbfgsbHybrid},
    {"lbfgsb-strict", FitMethod::LbfgsbStrict},
    {"lbfgsb_single", FitMethod::LbfgsbStrict},
    {"lbfgs", FitMethod::Lbfgs},
    {"bfgs", FitMethod::Bfgs},
    {"trust-region", FitMethod::TrustRegion},
    {"profile-trust-region", FitMethod::ProfileTrustRegion},
    {"nelder-mead", FitMethod::NelderMead},
    {"nm", FitMethod::NelderMead},
};

constexpr std::string_view kValidMethods =
    "lbfgsb, lbfgsb-multi, lbfgsb-adaptive, lbfgsb-hybrid, lbfgsb-strict, lbfgsb_single, lbfgs, bfgs, "
    "trust-region, profile-trust-region, nelder-mead, nm";

// A plain runner's outcome under a fixed name; its failure becomes an Optimization error.
multistart::StrategyReturn named(SolverResult run, std::string name) {
    if (!run) return fail(SarimaxError::optimization(std::move(run.error())));
    return multistart::StrategyResult{std::move(*run), std::move(name)};
}

}  // namespace

Result<FitMethod> parse_method(std::string_view name) {
    for (const MethodName& entry : kMethods)
        if (entry.name == name) return entry.method;
    return fail(SarimaxError::optimization(fmt::format("unknown method: '{}'. Valid methods: {}", name, kValidMethods)));
}

multistart::StrategyReturn run_method(FitMethod method, const SarimaxObjective& objective,
                                      std::span<const double> x0, const SarimaxConfig& config,
                                      std::size_t maxiter, bool start_given) {
    const std::size_t restarts = multistart::restart_level(x0.size(), config.order);
    switch (method) {
        case FitMethod::Lbfgsb: return multistart::fit_lbfgsb_single(objective, x0, config, maxiter);
        case FitMethod::LbfgsbMulti: return multistart::fit_lbfgsb_multi(objective, x0, config, maxiter, restarts);
        case FitMethod::LbfgsbAdaptive:
            return multistart::fit_lbfgsb_adaptive_restart(objective, x0, config, maxiter, restarts);
        case FitMethod::LbfgsbHybrid: return multistart::fit_lbfgsb_hybrid(objective, x0, config, maxiter, restarts);
        case FitMethod::LbfgsbStrict:
            return named(runners::run_lbfgsb(objective, x0, runners::compute_bounds(config), maxiter), "lbfgsb-strict");
        case FitMethod::Lbfgs: return multistart::fit_lbfgs_unbounded(objective, x0, config, maxiter, restarts);
        case FitMethod::Bfgs: return multistart::fit_bfgs_single(objective, x0, maxiter);
        case FitMethod::TrustRegion: return fit_trust_region_single(objective, x0, config, maxiter);
        case FitMethod::ProfileTrustRegion:
            return fit_profile_trust_region(objective, x0, config, maxiter, start_given);
        case FitMethod::NelderMead: return named(runners::run_nelder_mead(objective, x0, maxiter), "nelder-mead");
    }
    std::unreachable();
}

}  // namespace velkora::optimizer
