#include "optimizer/warm_start.hpp"

#include <cmath>

#include "model/transforms.hpp"
#include "optimizer/css_objective.hpp"
#include "optimizer/fit_checks.hpp"
#include "optimizer/lbfgsb_wrapper.hpp"
#include "optimizer/multistart/strategies.hpp"
#include "optimizer/nelder_mead.hpp"
#include "optimizer/sarimax_objective.hpp"
#include "statespace/pipeline.hpp"

namespace velkora::optimizer {

namespace {

// CSS values at or above this count as failed evaluations.
constexpr double kCssFailureThreshold = 4.4942328371557893e307;
constexpr double kCssStep = 1e-7;
constexpr double kCssBound = 10.0;
constexpr std::size_t kSdBudget = 200;

std::optional<std::vector<double>> to_constrained(std::span<const double> x, const SarimaxConfig& config) {
    auto constrained = transform_params_inner(x, config, true);
    if (!constrained) return std::nullopt;
    return std::move(*constrained);
}

// Bounded L-BFGS-B on the CSS objective; the final point, whatever the stopping reason, or
// nothing when the minimiser reports an error.
std::optional<std::vector<double>> run_lbfgsb_css(const CssObjective& css, std::span<const double> x0,
                                                  std::size_t budget) {
    using namespace lbfgsb_wrapper;
    std::size_t evaluations = 0;
    bool budget_stopped = false;
    auto callback = [&](std::span<const double> x, double& f, std::span<double> g) {
        std::fill(g.begin(), g.end(), 0.0);
        if (evaluations >= budget) {
            budget_stopped = true;
            f = css.cost(x);
            return;
        }
        ++evaluations;
        const double value = css.cost(x);
        if (!std::isfinite(value) || value >= kCssFailureThreshold) {
            f = kPenaltyValue;
            return;
        }
        f = value;
        std::vector<double> point(x.begin(), x.end());
        for (std::size_t i = 0; i < point.size(); ++i) {
            point[i] = x[i] + kCssStep;
            const double plus = css.cost(point);
            point[i] = x[i] - kCssStep;
            const double minus = css.cost(point);
            point[i] = x[i];
            const double gi = (plus - minus) / (2.0 * kCssStep);
            g[i] = std::isfinite(gi) ? gi : 0.0;
        }
    };
    auto problem = LbfgsbProblem<decltype(callback)>::build(x0, callback);
    const BoundList bounds(x0.size(), Bound{-kCssBound, kCssBound});
    if (!problem.set_bounds(bounds)) return std::nullopt;
    LbfgsbState<decltype(callback)> state(std::move(problem), LbfgsbSettings{});
    if (!state.minimize()) return std::nullopt;
    return state.problem().x;
}

// Vertex i+1 moves coordinate i by 5%, or by 0.025 when it lies within 0.1 of zero.
std::vector<std::vector<double>> css_simplex(std::span<const double> x0) {
    std::vector<std::vector<double>> simplex{std::vector<double>(x0.begin(), x0.end())};
    for (std::size_t i = 0; i < x0.size(); ++i) {
        std::vector<double> vertex(x0.begin(), x0.end());
        vertex[i] += std::abs(x0[i]) <= 0.1 ? 0.025 : 0.05 * x0[i];
        simplex.push_back(std::move(vertex));
    }
    return simplex;
}

std::optional<std::vector<double>> nelder_mead_css(const CssObjective& css, std::span<const double> x0,
                                                   std::size_t budget) {
    solvers::NelderMeadSettings settings;
    settings.sd_tolerance = 1e-4;
    settings.max_iterations = budget;
    const solvers::SimplexMinimum found = solvers::nelder_mead(
        [&css](std::span<const double> x) { return css.cost(x); }, css_simplex(x0), settings);
    return found.best;
}

}  // namespace

std::optional<std::vector<double>> run_css_optimization(std::span<const double> y, const SarimaxConfig& config,
                                                        std::span<const double> start, std::size_t budget,
                                                        std::span<const std::vector<double>> exog) {
    auto x0 = transform_params_inner(start, config, false);
    if (!x0 || x0->empty()) return std::nullopt;
    const CssObjective css(y, exog, config);

    if (auto x = run_lbfgsb_css(css, *x0, budget))
        if (auto constrained = to_constrained(*x, config)) return constrained;
    auto best = nelder_mead_css(css, *x0, budget);
    if (!best) return std::nullopt;
    return to_constrained(*best, config);
}

std::optional<std::vector<double>> run_sd_warm_start(std::span<const double> y, const SarimaxConfig& config,
                                                     std::span<const std::vector<double>> exog) {
    SarimaxConfig differenced = config;
    differenced.simple_differencing = true;

    auto prepared = pipeline::prepare_endog(y, differenced, exog);
    if (!prepared) return std::nullopt;
    auto start = validate_and_get_start_params(y, differenced, std::nullopt, exog);
    if (!start) return std::nullopt;
    ExogColumns differenced_exog = std::move(prepared->exog).value_or(ExogColumns{});

    const SarimaxOrder& o = config.order;
    if (o.p + o.q + o.P + o.Q > 0) {
        auto css = run_css_optimization(y, differenced, *start, kSdBudget, exog);
        if (css && eval_kf_loglike_constrained(prepared->series, differenced, *css, differenced_exog) >
                       eval_kf_loglike_constrained(prepared->series, differenced, *start, differenced_exog))
            start = std::move(*css);
    }

    auto x0 = transform_params_inner(*start, differenced, false);
    if (!x0) return std::nullopt;
    const SarimaxObjective objective(std::move(prepared->series), std::move(differenced_exog), differenced);
    auto fitted = multistart::fit_lbfgsb_single(objective, *x0, differenced, kSdBudget);
    if (!fitted) return std::nullopt;
    return to_constrained(fitted->outcome.params, differenced);
}

}  // namespace velkora::optimizer
