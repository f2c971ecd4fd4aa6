#include "optimizer/trust_region_fits.hpp"

#include <algorithm>
#include <optional>
#include <fmt/format.h>
#include <utility>

#include "optimizer/exog_block.hpp"
#include "optimizer/finite_difference.hpp"
#include "optimizer/local_runners.hpp"
#include "optimizer/profiled_objective.hpp"
#include "optimizer/regression_polish.hpp"
#include "optimizer/trust_region.hpp"

namespace velkora::optimizer {

namespace {

constexpr double kRelativeStep = 1e-5;

multistart::StrategyReturn nelder_mead_fallback(const SarimaxObjective& objective, std::span<const double> x0,
                                                std::size_t maxiter) {
    auto run = runners::run_nelder_mead(objective, x0, maxiter);
    if (!run) return fail(SarimaxError::optimization(std::move(run.error())));
    return multistart::StrategyResult{std::move(*run), "nelder-mead (fallback)"};
}

}  // namespace

multistart::StrategyReturn fit_trust_region_single(const SarimaxObjective& objective, std::span<const double> x0,
                                                   const SarimaxConfig& config, std::size_t maxiter) {
    const SarimaxObjective own(objective);
    const PointValue value = [&](std::span<const double> x) -> TextResult<double> {
        auto loglike = own.eval_loglike(x);
        if (!loglike) return fail_text(std::move(loglike.error()));
        return -*loglike;
    };
    const PointGradient gradient = [&](std::span<const double> x) {
        return runners::finite_diff_grad_negll(own, x, kRelativeStep);
    };

    const auto f0 = value(x0);
    if (!f0) return nelder_mead_fallback(objective, x0, maxiter);
    auto g0 = gradient(x0);
    if (!g0 || g0->size() != x0.size()) return nelder_mead_fallback(objective, x0, maxiter);

    SolverOutcome outcome = trust_region_minimize(
        value, gradient, TrustRegionStart{std::vector<double>(x0.begin(), x0.end()), *f0, std::move(*g0)}, maxiter);
    if (config.n_exog > 0) {
        PolishedPoint polished = polish_regression(objective, std::move(outcome.params), outcome.value);
        outcome.params = std::move(polished.x);
        outcome.value = polished.value;
    }
    return multistart::StrategyResult{std::move(outcome), "trust-region"};
}

multistart::StrategyReturn fit_profile_trust_region(const SarimaxObjective& objective, std::span<const double> x0,
                                                    const SarimaxConfig& config, std::size_t maxiter,
                                                    bool start_given) {
    if (config.n_exog == 0) return fit_trust_region_single(objective, x0, config, maxiter);
    if (objective.exog().empty())
        return fail(SarimaxError::invalid_input("profile-trust-region requires exog columns when n_exog > 0"));
    const ProfiledSarimaxObjective profiled(objective.series(), objective.exog(), config);

    std::vector<double> start(x0.begin(), x0.end());
    std::size_t used = 0;
    if (maxiter >= 2 && !start_given) {
        if (auto warm = fit_trust_region_single(objective, x0, config, std::max<std::size_t>(3 * maxiter / 4, 1))) {
            start = std::move(warm->outcome.params);
            used = warm->outcome.n_iter;
        }
    }
    std::vector<double> x = remove_exog_block(start, config);
    const std::size_t n = x.size();
    const std::size_t limit = std::max<std::size_t>(maxiter > used ? maxiter - used : 0, 1);

    // The loop asks for the gradient only at the point it has just evaluated; the gradient
    // reuses that evaluation instead of profiling the point again.
    std::optional<ProfiledEval> last;
    const PointValue value = [&](std::span<const double> p) -> TextResult<double> {
        auto eval = profiled.eval_profiled(p);
        if (!eval) return fail_text(std::move(eval.error()));
        last = std::move(*eval);
        return last->negloglike;
    };
    const PointGradient gradient = [&](std::span<const double> p) -> TextResult<std::vector<double>> {
        const bool evaluated_here = last && std::ranges::equal(remove_exog_block(last->full_params, config), p);
        if (auto analytic = evaluated_here ? profiled.gradient_at(*last) : profiled.analytical_gradient_negloglike(p))
            return analytic;
        return runners::finite_diff_grad_profile_negll(profiled, p, kRelativeStep);
    };

    const auto f0 = value(x);
    if (!f0) return fail(SarimaxError::optimization(fmt::format("profile-trust-region: initial cost failed: {}", f0.error())));
    auto g0 = gradient(x);
    if (!g0)
        return fail(SarimaxError::optimization(fmt::format("profile-trust-region: initial gradient failed: {}", g0.error())));
    if (g0->size() != n)
        return fail(SarimaxError::optimization(
            fmt::format("profile-trust-region: gradient len {} != n {}", g0->size(), n)));

    SolverOutcome outcome = trust_region_minimize(value, gradient, TrustRegionStart{std::move(x), *f0, std::move(*g0)}, limit);
    auto final_eval = profiled.eval_profiled(outcome.params);
    if (!final_eval) return fail(SarimaxError::optimization(std::move(final_eval.error())));
    outcome.params = std::move(final_eval->full_params);
    outcome.n_iter += used;
    return multistart::StrategyResult{std::move(outcome), "profile-trust-region"};
}

}  // namespace velkora::optimizer
