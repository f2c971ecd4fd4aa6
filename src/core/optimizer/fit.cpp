#include "optimizer/fit.hpp"

#include <cmath>

#include <fmt/format.h>

#include "model/transforms.hpp"
#include "optimizer/fit_checks.hpp"
#include "optimizer/fit_methods.hpp"
#include "optimizer/sarimax_objective.hpp"
#include "optimizer/warm_start.hpp"
#include "statespace/pipeline.hpp"

namespace velkora::optimizer {

namespace {

constexpr std::size_t kCssBudget = 300;
constexpr std::size_t kLargeStateThreshold = 40;
// A CSS start must beat the current one by this much in exact log-likelihood (non-seasonal
// models), and a simple-differencing start by kSdMargin.
constexpr double kCssMargin = 2.0;
constexpr double kSdMargin = 1.0;

bool is_seasonal(const SarimaxOrder& o) { return (o.P != 0 || o.Q != 0) && o.s > 1; }

// Pure autoregressions (p >= 3, concentrated scale, default method, computed start) are
// answered by their start parameters alone when these give a finite likelihood.
bool takes_direct_path(const SarimaxConfig& config, bool start_given, FitMethod method) {
    const SarimaxOrder& o = config.order;
    return config.trend == Trend::TrendNone && o.p >= 3 && o.q == 0 && o.P == 0 && o.Q == 0 &&
           config.n_exog == 0 && !start_given && method == FitMethod::Lbfgsb && config.concentrate_scale;
}

Result<FitResult> direct_result(std::span<const double> y, const SarimaxConfig& config,
                                std::span<const double> start, std::span<const std::vector<double>> exog) {
    auto result = build_zero_iter_result(y, config, start, "burg-direct", exog);
    if (!result) return result;
    result->n_params = config.order.p + 1;
    result->converged = true;
    set_information_criteria(*result);
    return result;
}

// The CSS and large-state stages; each replaces the start only when its exact
// log-likelihood on the prepared series is clearly better. Failures keep the start.
std::vector<double> warm_start(std::span<const double> y, std::span<const double> prepared,
                               const SarimaxConfig& config, std::vector<double> start,
                               std::span<const std::vector<double>> exog,
                               std::span<const std::vector<double>> in_effect) {
    const SarimaxOrder& o = config.order;
    const std::size_t n_arma = o.p + o.q + o.P + o.Q;
    const bool seasonal = is_seasonal(o);
    if (n_arma > 0 && (seasonal || n_arma != 1)) {
        if (auto css = run_css_optimization(y, config, start, kCssBudget, exog)) {
            const double margin = seasonal ? 0.0 : kCssMargin;
            if (eval_kf_loglike_constrained(prepared, config, *css, in_effect) >
                eval_kf_loglike_constrained(prepared, config, start, in_effect) + margin)
                start = std::move(*css);
        }
    }
    if (!config.simple_differencing && o.k_states() >= kLargeStateThreshold) {
        if (auto sd = run_sd_warm_start(y, config, exog)) {
            if (eval_kf_loglike_constrained(prepared, config, *sd, in_effect) >
                eval_kf_loglike_constrained(prepared, config, start, in_effect) + kSdMargin)
                start = std::move(*sd);
        }
    }
    return start;
}

}  // namespace

Result<FitResult> fit(std::span<const double> y, const SarimaxConfig& config,
                      std::optional<std::span<const double>> start, const std::optional<std::string>& method,
                      std::optional<std::uint64_t> maxiter, std::span<const std::vector<double>> exog) {
    const std::uint64_t cap = maxiter.value_or(kDefaultMaxiter);
    const std::string method_name = method.value_or(std::string(kDefaultMethod));
    auto chosen = parse_method(method_name);
    if (!chosen) return fail(chosen.error());
    if (start && start->size() != config.param_count())
        return fail(SarimaxError::invalid_input(fmt::format("start_params length mismatch: expected {}, got {}",
                                                            config.param_count(), start->size())));

    auto prepared = pipeline::prepare_endog(y, config, exog);
    if (!prepared) return fail(prepared.error());
    const std::vector<double>& series = prepared->series;
    // The regressors every likelihood of this fit sees.
    const std::span<const std::vector<double>> in_effect =
        !config.simple_differencing ? exog
        : prepared->exog            ? std::span<const std::vector<double>>(*prepared->exog)
                                    : std::span<const std::vector<double>>();

    if (has_no_free_parameter(config)) return build_zero_iter_result(series, config, {}, method_name, in_effect);

    auto initial = validate_and_get_start_params(y, config, start, exog);
    if (!initial) return fail(initial.error());
    std::vector<double> start_params = std::move(*initial);

    if (takes_direct_path(config, start.has_value(), *chosen)) {
        auto direct = direct_result(series, config, start_params, in_effect);
        if (!direct || std::isfinite(direct->loglike)) return direct;
    }
    if (cap == 0) return build_zero_iter_result(series, config, start_params, method_name, in_effect);
    if (!start && *chosen != FitMethod::TrustRegion) start_params = warm_start(y, series, config, std::move(start_params), exog, in_effect);

    auto x0 = transform_params_inner(start_params, config, false);
    if (!x0) return fail(x0.error());
    const SarimaxObjective objective(series, ExogColumns(in_effect.begin(), in_effect.end()), config);
    auto outcome = run_method(*chosen, objective, *x0, config, static_cast<std::size_t>(cap), start.has_value());
    if (!outcome) return fail(outcome.error());
    return build_fit_result(series, config, outcome->outcome.params, outcome->outcome.n_iter,
                            outcome->outcome.converged, std::move(outcome->method), in_effect);
}

}  // namespace velkora::optimizer
