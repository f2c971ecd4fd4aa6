#include "optimizer/run_lbfgsb.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velkora::runners {

namespace {

using optimizer::kPenaltyValue;
using optimizer::SolverObjective;

bool all_finite(std::span<const double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

std::optional<double> finite_loglike(const SolverObjective& objective, std::span<const double> x) {
    auto ll = objective.eval_loglike(x);
    if (ll && std::isfinite(*ll)) return *ll;
    return std::nullopt;
}

// Value and forward-difference gradient from plain log-likelihoods; false when the value
// itself is not available.
bool forward_difference_eval(const SolverObjective& objective, std::span<const double> x, double& f,
                             std::span<double> g) {
    const auto ll = finite_loglike(objective, x);
    if (!ll) return false;
    f = -*ll;
    std::vector<double> shifted(x.begin(), x.end());
    for (std::size_t i = 0; i < shifted.size(); ++i) {
        const double h = (std::abs(x[i]) + 1.0) * 1e-7;
        shifted[i] = x[i] + h;
        const auto ll_i = finite_loglike(objective, shifted);
        shifted[i] = x[i];
        const double f_i = ll_i ? -*ll_i : f;
        const double g_i = (f_i - f) / h;
        g[i] = std::isfinite(g_i) ? g_i : 0.0;
    }
    return true;
}

void full_eval(const SolverObjective& objective, std::span<const double> x, double& f, std::span<double> g) {
    if (auto vg = objective.eval_negloglike_with_gradient(x);
        vg && std::isfinite(vg->value) && vg->gradient.size() == g.size() && all_finite(vg->gradient)) {
        f = vg->value;
        std::copy(vg->gradient.begin(), vg->gradient.end(), g.begin());
        return;
    }
    if (forward_difference_eval(objective, x, f, g)) return;
    f = kPenaltyValue;
    std::fill(g.begin(), g.end(), 0.0);
}

}  // namespace

optimizer::SolverResult run_lbfgsb(const SolverObjective& objective, std::span<const double> x0,
                                   const lbfgsb_wrapper::BoundList& bounds, std::size_t budget) {
    using namespace lbfgsb_wrapper;
    const auto own = objective.clone();
    std::size_t evaluations = 0;
    bool budget_stopped = false;

    auto callback = [&](std::span<const double> x, double& f, std::span<double> g) {
        if (evaluations < budget) {
            ++evaluations;
            full_eval(*own, x, f, g);
            return;
        }
        // Budget spent: a zero gradient makes L-BFGS-B stop at once.
        budget_stopped = true;
        std::fill(g.begin(), g.end(), 0.0);
        const auto ll = finite_loglike(*own, x);
        f = ll ? -*ll : kPenaltyValue;
    };

    auto problem = LbfgsbProblem<decltype(callback)>::build(x0, callback);
    if (auto set = problem.set_bounds(bounds); !set)
        return fail_text(fmt::format("L-BFGS-B failed: {}", set.error()));
    LbfgsbState<decltype(callback)> state(std::move(problem), LbfgsbSettings{});
    const auto code = state.minimize();
    if (!code) return fail_text(fmt::format("L-BFGS-B failed: {}", code.error()));

    return optimizer::SolverOutcome{state.problem().x, state.problem().f, evaluations,
                                    task::is_convergence(*code) && !budget_stopped};
}

}  // namespace velkora::runners
