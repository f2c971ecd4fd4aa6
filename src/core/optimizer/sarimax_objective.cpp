#include "optimizer/sarimax_objective.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "model/polynomial.hpp"
#include "model/transforms.hpp"
#include "score/score.hpp"
#include "statespace/kalman.hpp"

namespace velkora::optimizer {

namespace {

bool all_finite(std::span<const double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Rewrites the coefficient-dependent entries of a system built for the same orders and
// data; the differencing blocks, the design vector and the dimensions stay as they are.
void update_template(StateSpace& ss, const SarimaxParams& params, const SarimaxConfig& config,
                     std::span<const std::vector<double>> exog, std::size_t n) {
    const auto off = static_cast<Eigen::Index>(ss.k_diff);
    const std::size_t r = config.order.k_arma();
    const std::vector<double> ar = reduced_ar(params, config);
    const std::vector<double> ma = reduced_ma(params, config);
    for (std::size_t i = 0; i < r; ++i) {
        const auto row = off + static_cast<Eigen::Index>(i);
        ss.transition(row, off) = i + 1 < ar.size() ? -ar[i + 1] : 0.0;
        if (i > 0) ss.selection(row, 0) = i < ma.size() ? ma[i] : 0.0;
    }
    ss.state_cov(0, 0) = !config.concentrate_scale && params.sigma2 ? *params.sigma2 : 1.0;
    if (!exog.empty() && !params.exog.empty())
        ss.obs_intercept = build_obs_intercept(n, params.exog, exog);
    else
        ss.obs_intercept.clear();
    if (config.trend != Trend::TrendNone)
        ss.state_intercept =
            StateSpace::build_state_intercept(n, ss.k_states, ss.k_diff, config.trend, params.trend);
}

}  // namespace

// Holds the template outside the cache while a filter or score pass uses it and puts it
// back on every path.
class SarimaxObjective::TemplateLease {
public:
    TemplateLease(StateSpace ss, std::optional<StateSpace>* home) : ss_(std::move(ss)), home_(home) {}
    TemplateLease(TemplateLease&& other) noexcept
        : ss_(std::move(other.ss_)), home_(std::exchange(other.home_, nullptr)) {}
    TemplateLease& operator=(TemplateLease&&) = delete;
    ~TemplateLease() {
        if (home_ != nullptr) *home_ = std::move(ss_);
    }
    [[nodiscard]] const StateSpace& get() const { return ss_; }

private:
    StateSpace ss_;
    std::optional<StateSpace>* home_;
};

struct SarimaxObjective::Pipeline {
    SarimaxParams params;
    TemplateLease state_space;
    KalmanInit init;
};

SarimaxObjective::SarimaxObjective(std::vector<double> y, ExogColumns exog,
                                   const SarimaxConfig& config)
    : y_(std::move(y)), exog_(std::move(exog)), config_(config) {}

SarimaxObjective::SarimaxObjective(const SarimaxObjective& other)
    : y_(other.y_), exog_(other.exog_), config_(other.config_) {}

std::unique_ptr<SolverObjective> SarimaxObjective::clone() const {
    return std::make_unique<SarimaxObjective>(*this);
}

TextResult<SarimaxObjective::Pipeline> SarimaxObjective::eval_pipeline(std::span<const double> x) const {
    auto constrained = transform_params_inner(x, config_, true);
    if (!constrained) return fail_text(constrained.error().display());
    auto params = SarimaxParams::from_flat(*constrained, config_);
    if (!params) return fail_text(params.error().display());

    std::optional<StateSpace> ss = std::exchange(state_space_cache_, std::nullopt);
    if (ss) {
        update_template(*ss, *params, config_, exog_, y_.size());
    } else {
        auto built = StateSpace::create(config_, *params, y_.size(), exog_);
        if (!built) return fail_text(built.error().display());
        ss = std::move(*built);
    }
    KalmanInit init = KalmanInit::from_config_default(*ss, config_);
    return Pipeline{std::move(*params), TemplateLease(std::move(*ss), &state_space_cache_), std::move(init)};
}

TextResult<std::vector<double>> SarimaxObjective::unconstrained_negative_gradient(const Pipeline& pipeline,
                                                                                 std::span<const double> x) const {
    auto score = score::score(y_, y_.size(), pipeline.state_space.get(), pipeline.init, config_, pipeline.params,
                              config_.concentrate_scale, exog_);
    if (!score) return fail_text(score.error().display());
    return to_unconstrained_negative(*score, x);
}

TextResult<std::vector<double>> SarimaxObjective::to_unconstrained_negative(std::span<const double> score,
                                                                           std::span<const double> x) const {
    auto gradient = apply_transform_jacobian(score, x, config_);
    if (!gradient) return fail_text(std::move(gradient.error()));
    for (double& g : *gradient) g = -g;
    return std::move(*gradient);
}

TextResult<double> SarimaxObjective::eval_loglike(std::span<const double> x) const {
    auto pipeline = eval_pipeline(x);
    if (!pipeline) return fail_text(std::move(pipeline.error()));
    auto out = kalman_loglike(y_, pipeline->state_space.get(), pipeline->init, config_.concentrate_scale);
    if (!out) return fail_text(out.error().display());
    if (!std::isfinite(out->loglike)) return fail_text("non-finite log-likelihood");
    return out->loglike;
}

// One tangent pass gives the value beside the gradient; no separate filter run.
TextResult<ValueAndGradient> SarimaxObjective::eval_negloglike_with_gradient(std::span<const double> x) const {
    auto pipeline = eval_pipeline(x);
    if (!pipeline) return fail_text(std::move(pipeline.error()));
    auto both = score::score_with_loglike(y_, y_.size(), pipeline->state_space.get(), pipeline->init, config_,
                                          pipeline->params, config_.concentrate_scale, exog_);
    if (!both) return fail_text(both.error().display());
    if (!std::isfinite(both->loglike)) return fail_text("non-finite log-likelihood");
    auto gradient = to_unconstrained_negative(both->gradient, x);
    if (!gradient) return fail_text(std::move(gradient.error()));
    return ValueAndGradient{-both->loglike, std::move(*gradient)};
}

TextResult<std::vector<double>> SarimaxObjective::analytical_gradient_negloglike(std::span<const double> x) const {
    auto pipeline = eval_pipeline(x);
    if (!pipeline) return fail_text(std::move(pipeline.error()));
    return unconstrained_negative_gradient(*pipeline, x);
}

const CachedEval* SarimaxObjective::cached_at(std::span<const double> x) const {
    if (!eval_cache_ || !std::equal(x.begin(), x.end(), eval_cache_->params.begin(), eval_cache_->params.end()))
        return nullptr;
    return &*eval_cache_;
}

double SarimaxObjective::cost(std::span<const double> x) const {
    if (const CachedEval* hit = cached_at(x)) return hit->value;
    auto loglike = eval_loglike(x);
    return loglike ? -*loglike : kPenaltyValue;
}

std::vector<double> SarimaxObjective::gradient(std::span<const double> x) const {
    if (const CachedEval* hit = cached_at(x)) return hit->gradient;
    if (auto vg = eval_negloglike_with_gradient(x);
        vg && std::isfinite(vg->value) && vg->gradient.size() == x.size() && all_finite(vg->gradient)) {
        eval_cache_ = CachedEval{std::vector<double>(x.begin(), x.end()), vg->gradient, vg->value};
        return std::move(vg->gradient);
    }
    if (auto g = analytical_gradient_negloglike(x); g && g->size() == x.size() && all_finite(*g))
        return std::move(*g);
    return finite_difference_gradient(x);
}

std::vector<double> SarimaxObjective::finite_difference_gradient(std::span<const double> x) const {
    std::vector<double> point(x.begin(), x.end());
    std::vector<double> g(x.size(), 0.0);
    const double f0 = cost(point);
    for (std::size_t i = 0; i < point.size(); ++i) {
        const double xi = point[i];
        const double h = (std::abs(xi) + 1.0) * 1e-7;
        point[i] = xi + h;
        const double f_plus = cost(point);
        point[i] = xi;
        double gi = (f_plus - f0) / h;
        if (!std::isfinite(gi)) {
            point[i] = xi - h;
            const double f_minus = cost(point);
            point[i] = xi;
            gi = (f_plus - f_minus) / (2.0 * h);
            if (!std::isfinite(gi)) gi = 0.0;
        }
        g[i] = gi;
    }
    return g;
}

}  // namespace velkora::optimizer
