#include "optimizer/fit_result.hpp"

#include <cmath>

#include <fmt/format.h>

#include "model/params.hpp"
#include "model/transforms.hpp"
#include "optimizer/cancellation.hpp"
#include "statespace/pipeline.hpp"

namespace velkora::optimizer {

namespace {

constexpr double kCancellationThreshold = 0.05;

Result<FitResult> evaluate(std::span<const double> y, const SarimaxConfig& config, std::vector<double> flat,
                           const SarimaxParams& params, std::span<const std::vector<double>> exog) {
    auto output = pipeline::kalman_eval_prepared(y, params, config, exog);
    if (!output) return fail(output.error());
    FitResult result;
    result.params = std::move(flat);
    result.loglike = output->loglike;
    result.scale = output->scale;
    result.n_obs = y.size();
    result.n_params = fit_param_count(config);
    set_information_criteria(result);
    return result;
}

}  // namespace

std::size_t fit_param_count(const SarimaxConfig& config) {
    const SarimaxOrder& o = config.order;
    return o.p + o.q + o.P + o.Q + config.n_exog + trend_param_count(config.trend) + 1;
}

bool has_no_free_parameter(const SarimaxConfig& config) { return config.param_count() == 0; }

void set_information_criteria(FitResult& result) {
    const auto k = static_cast<double>(result.n_params);
    result.aic = -2.0 * result.loglike + 2.0 * k;
    result.bic = -2.0 * result.loglike + std::log(static_cast<double>(result.n_obs)) * k;
}

Result<FitResult> build_fit_result(std::span<const double> y, const SarimaxConfig& config,
                                   std::span<const double> estimate, std::size_t n_iter, bool converged,
                                   std::string method, std::span<const std::vector<double>> exog) {
    auto constrained = transform_params_inner(estimate, config, true);
    if (!constrained) return fail(constrained.error());
    auto params = SarimaxParams::from_flat(*constrained, config);
    if (!params) return fail(params.error());

    std::vector<std::string> warnings;
    if (!validate_no_near_cancellation(kCancellationThreshold, *params, config.order.p, config.order.q))
        warnings.push_back(fmt::format("near-cancellation detected in fitted ARMA({},{}) parameters (min "
                                       "inverted-root distance < 0.05). Model may be non-identifiable.",
                                       config.order.p, config.order.q));

    auto result = evaluate(y, config, std::move(*constrained), *params, exog);
    if (!result) return result;
    result->n_iter = n_iter;
    result->converged = converged;
    result->method = std::move(method);
    result->warnings = std::move(warnings);
    return result;
}

Result<FitResult> build_zero_iter_result(std::span<const double> y, const SarimaxConfig& config,
                                         std::span<const double> params, std::string method,
                                         std::span<const std::vector<double>> exog) {
    auto split = SarimaxParams::from_flat(params, config);
    if (!split) return fail(split.error());
    auto result = evaluate(y, config, std::vector<double>(params.begin(), params.end()), *split, exog);
    if (!result) return result;
    result->converged = has_no_free_parameter(config);
    result->method = std::move(method);
    return result;
}

}  // namespace velkora::optimizer
