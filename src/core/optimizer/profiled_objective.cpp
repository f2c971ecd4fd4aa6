#include "optimizer/profiled_objective.hpp"

#include <Eigen/Dense>
#include <cmath>
#include <fmt/format.h>
#include <utility>

#include "model/transforms.hpp"
#include "optimizer/exog_block.hpp"
#include "optimizer/least_squares.hpp"
#include "score/score.hpp"
#include "statespace/gaussian_loglike.hpp"
#include "statespace/initialization.hpp"
#include "statespace/pipeline.hpp"

namespace velkora::optimizer {

namespace {

// Weight of an innovation whose variance is zero or not finite, and the variance it counts
// with in the likelihood.
constexpr double kDegenerateWeight = 1e-10;
constexpr double kDegenerateVariance = 1e10;

bool usable_variance(double f) { return std::isfinite(f) && f > 0.0; }

// An unconstrained full-layout vector mapped forward and split into its blocks.
TextResult<SarimaxParams> constrained_params(std::span<const double> full, const SarimaxConfig& config) {
    auto constrained = transform_params_inner(full, config, true);
    if (!constrained) return fail_text(constrained.error().display());
    auto params = SarimaxParams::from_flat(*constrained, config);
    if (!params) return fail_text(params.error().display());
    return std::move(*params);
}

// Innovations of the regressor columns through the system without its trend: the batch
// ran them with the trend and start mean of the series, whose response the zero series
// recorded, and innovations are linear in the data, the intercepts and the start mean.
void remove_intercept_response(std::vector<std::vector<double>>& innovations, std::size_t k) {
    const std::vector<double>& response = innovations[k + 1];
    for (std::size_t j = 1; j <= k; ++j)
        for (std::size_t t = 0; t < response.size(); ++t) innovations[j][t] -= response[t];
}

}  // namespace

struct ProfiledSarimaxObjective::Gls {
    std::vector<double> beta;
    double loglike = 0.0;
};

ProfiledSarimaxObjective::ProfiledSarimaxObjective(std::vector<double> y, ExogColumns exog,
                                                   const SarimaxConfig& config)
    : y_(std::move(y)), exog_(std::move(exog)), config_(config) {}

TextResult<double> ProfiledSarimaxObjective::unprofiled_loglike(const SarimaxParams& params) const {
    auto out = pipeline::kalman_eval_prepared(y_, params, config_);
    if (!out) return fail_text(out.error().display());
    return out->loglike;
}

TextResult<ProfiledSarimaxObjective::Gls> ProfiledSarimaxObjective::profile_regression(
    const SarimaxParams& params) const {
    const std::size_t k = config_.n_exog;
    SarimaxParams without_regression = params;
    without_regression.exog.assign(k, 0.0);
    auto ss = StateSpace::create(config_, without_regression, y_.size());
    if (!ss) return fail_text(ss.error().display());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config_);
    if (exog_.size() < k) return fail_text(fmt::format("missing exog column {}", exog_.size()));

    std::vector<std::vector<double>> series;
    series.reserve(k + 2);
    series.push_back(y_);
    series.insert(series.end(), exog_.begin(), exog_.begin() + static_cast<std::ptrdiff_t>(k));
    const bool has_intercept = !ss->state_intercept.empty() || !init.initial_state.isZero(0.0);
    if (has_intercept) series.emplace_back(y_.size(), 0.0);
    auto batch = kalman_filter_batched(series, *ss, init);
    if (!batch) return fail_text(batch.error().display());
    if (has_intercept) remove_intercept_response(batch->innovations, k);

    const std::vector<double>& F = batch->innovation_variances;
    const std::size_t n_eff = batch->nobs;
    if (n_eff == 0) return fail_text("profiled objective has no effective observations");
    const std::size_t start = F.size() > n_eff ? F.size() - n_eff : 0;
    const std::vector<double>& v = batch->innovations[0];

    const auto kk = static_cast<Eigen::Index>(k);
    Eigen::MatrixXd A = Eigen::MatrixXd::Zero(kk, kk);
    Eigen::VectorXd b = Eigen::VectorXd::Zero(kk);
    Eigen::VectorXd x(kk);
    for (std::size_t t = start; t < F.size(); ++t) {
        const double w = usable_variance(F[t]) ? 1.0 / F[t] : kDegenerateWeight;
        for (Eigen::Index j = 0; j < kk; ++j) x(j) = batch->innovations[static_cast<std::size_t>(j) + 1][t];
        b += (w * v[t]) * x;
        A.noalias() += w * x * x.transpose();
    }
    const auto beta = svd_least_squares(A, b);
    if (!beta) return fail_text("profiled exog GLS solve failed: no finite solution");

    LikelihoodSums sums;
    for (std::size_t t = start; t < F.size(); ++t) {
        const double f = usable_variance(F[t]) ? F[t] : kDegenerateVariance;
        double e = v[t];
        for (Eigen::Index j = 0; j < kk; ++j) e -= (*beta)(j) * batch->innovations[static_cast<std::size_t>(j) + 1][t];
        sums.log_f += std::log(f);
        sums.v2_over_f += e * e / f;
    }
    if (!std::isfinite(sums.log_f) || !std::isfinite(sums.v2_over_f))
        return fail_text("profiled objective produced non-finite Kalman sums");
    const double state_var = params.sigma2.value_or(1.0);
    auto loglike = gaussian_loglike(sums, n_eff, state_var, config_.concentrate_scale);
    if (!loglike || !std::isfinite(loglike->loglike)) return fail_text("profiled objective produced non-finite loglike");
    return Gls{std::vector<double>(beta->begin(), beta->end()), loglike->loglike};
}

TextResult<ProfiledEval> ProfiledSarimaxObjective::eval_profiled(std::span<const double> x) const {
    const std::size_t k = config_.n_exog;
    const std::size_t expected = config_.param_count() - k;
    if (x.size() != expected)
        return fail_text(fmt::format("profiled parameter length mismatch: expected {}, got {}", expected, x.size()));
    auto zero_block = constrained_params(insert_exog_block(x, std::vector<double>(k, 0.0), config_.trend), config_);
    if (!zero_block) return fail_text(std::move(zero_block.error()));

    std::vector<double> beta;
    double loglike = 0.0;
    if (k == 0) {
        auto ll = unprofiled_loglike(*zero_block);
        if (!ll) return fail_text(std::move(ll.error()));
        loglike = *ll;
    } else {
        auto gls = profile_regression(*zero_block);
        if (!gls) return fail_text(std::move(gls.error()));
        beta = std::move(gls->beta);
        loglike = gls->loglike;
    }
    std::vector<double> full = insert_exog_block(x, beta, config_.trend);
    auto params = constrained_params(full, config_);
    if (!params) return fail_text(std::move(params.error()));
    return ProfiledEval{std::move(*params), std::move(full), -loglike};
}

TextResult<double> ProfiledSarimaxObjective::profiled_negloglike(std::span<const double> x) const {
    auto eval = eval_profiled(x);
    if (!eval) return fail_text(std::move(eval.error()));
    return eval->negloglike;
}

TextResult<std::vector<double>> ProfiledSarimaxObjective::analytical_gradient_negloglike(
    std::span<const double> x) const {
    auto eval = eval_profiled(x);
    if (!eval) return fail_text(std::move(eval.error()));
    return gradient_at(*eval);
}

TextResult<std::vector<double>> ProfiledSarimaxObjective::gradient_at(const ProfiledEval& eval) const {
    auto ss = StateSpace::create(config_, eval.params, y_.size(), exog_);
    if (!ss) return fail_text(ss.error().display());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config_);
    auto score = score::score(y_, y_.size(), *ss, init, config_, eval.params, config_.concentrate_scale, exog_);
    if (!score) return fail_text(score.error().display());
    auto full_gradient = apply_transform_jacobian(*score, eval.full_params, config_);
    if (!full_gradient) return fail_text(std::move(full_gradient.error()));
    std::vector<double> gradient = remove_exog_block(*full_gradient, config_);
    for (double& g : gradient) g = -g;
    return gradient;
}

}  // namespace velkora::optimizer
