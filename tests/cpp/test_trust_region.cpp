// The trust-region loop, the regression polish and the two trust-region fits.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "model/transforms.hpp"
#include "optimizer/brent_minimize.hpp"
#include "optimizer/exog_block.hpp"
#include "optimizer/multistart/strategies.hpp"
#include "optimizer/profiled_objective.hpp"
#include "optimizer/regression_polish.hpp"
#include "optimizer/trust_region.hpp"
#include "optimizer/trust_region_fits.hpp"
#include "test_support.hpp"

using namespace velkora;
using optimizer::SarimaxObjective;
using optimizer::TrustRegionStart;

namespace {

double distance(std::span<const double> a, std::span<const double> b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum);
}

// Records the distance of every trial point from `origin`.
struct TrialLog {
    std::vector<double> origin;
    std::vector<double> distances;
    void record(std::span<const double> x) { distances.push_back(distance(x, origin)); }
};

// y = 1.5 + 0.8 x1 - 0.4 x2 + AR(1) noise, with a linear trend in x1.
struct RegressionData {
    std::vector<double> y;
    ExogColumns exog;
};

RegressionData regression_data(std::size_t n, std::size_t k) {
    const std::vector<double> noise = test_support::white_noise(n, 5);
    const std::vector<double> x1 = test_support::white_noise(n, 6);
    const std::vector<double> x2 = test_support::white_noise(n, 7);
    RegressionData data;
    data.exog = {x1, x2};
    data.exog.resize(k);
    data.y.resize(n);
    double ar = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        data.exog[0][t] += 0.02 * static_cast<double>(t);
        ar = 0.6 * ar + noise[t];
        data.y[t] = 1.5 + ar + 0.8 * data.exog[0][t] - (k > 1 ? 0.4 * data.exog[1][t] : 0.0);
    }
    return data;
}

SarimaxObjective regression_objective(std::size_t k, Trend trend = Trend::TrendConstant) {
    RegressionData data = regression_data(150, k);
    return SarimaxObjective(std::move(data.y), std::move(data.exog),
                            test_support::make_config({1, 0, 1, 0, 0, 0, 0}, trend, k));
}

// Trend, regression block (zeros), AR 0.3, MA 0.1, variance 1, unconstrained.
std::vector<double> regression_start(const SarimaxConfig& config) {
    std::vector<double> constrained(trend_param_count(config.trend), 1.0);
    constrained.resize(constrained.size() + config.n_exog, 0.0);
    constrained.insert(constrained.end(), {0.3, 0.1, 1.0});
    return *transform_params_inner(constrained, config, false);
}

}  // namespace

TEST(TrustRegionStep, CutsTheQuasiNewtonStepBackToTheRadius) {
    const Eigen::MatrixXd H = Eigen::MatrixXd::Identity(2, 2);
    struct Case {
        std::vector<double> g;
        double radius;
        std::vector<double> p;
        double norm;
        double predicted;
    };
    const Case cases[] = {
        {{3.0, 4.0}, 10.0, {-3.0, -4.0}, 5.0, 25.0},
        {{3.0, 4.0}, 1.0, {-0.6, -0.8}, 1.0, 5.0},
        {{0.0, 0.0}, 1.0, {0.0, 0.0}, 0.0, 1e-30},
    };
    for (const Case& c : cases) {
        const auto step = optimizer::trust_region_step(H, c.g, 2, c.radius);
        for (std::size_t i = 0; i < 2; ++i) EXPECT_NEAR(step.p[i], c.p[i], 1e-15);
        EXPECT_NEAR(step.norm, c.norm, 1e-15);
        EXPECT_NEAR(step.predicted_reduction, c.predicted, 1e-14);
    }
}

TEST(TrustRegionLoop, MinimisesAQuadraticWithBoundedFirstStep) {
    const std::vector<double> centre = {1.0, -2.0, 0.5};
    const std::vector<double> weights = {1.0, 10.0, 0.1};
    TrialLog log{{0.0, 0.0, 0.0}, {}};
    const optimizer::PointValue value = [&](std::span<const double> x) -> TextResult<double> {
        log.record(x);
        double f = 0.0;
        for (std::size_t i = 0; i < 3; ++i) f += weights[i] * (x[i] - centre[i]) * (x[i] - centre[i]);
        return f;
    };
    const optimizer::PointGradient gradient = [&](std::span<const double> x) -> TextResult<std::vector<double>> {
        std::vector<double> g(3);
        for (std::size_t i = 0; i < 3; ++i) g[i] = 2.0 * weights[i] * (x[i] - centre[i]);
        return g;
    };
    const std::vector<double> x0 = {0.0, 0.0, 0.0};
    auto outcome = optimizer::trust_region_minimize(value, gradient, {x0, *value(x0), *gradient(x0)}, 200);
    EXPECT_TRUE(outcome.converged);
    EXPECT_LT(outcome.n_iter, 200u);
    EXPECT_LT(distance(outcome.params, centre), 1e-5);
    EXPECT_NEAR(outcome.value, 0.0, 1e-9);
    ASSERT_GE(log.distances.size(), 2u);
    EXPECT_LE(log.distances[1], 0.2 * std::sqrt(3.0) + 1e-15);
}

TEST(TrustRegionLoop, RadiusDoublesOnBoundaryStepsUpToOneHundred) {
    // Nearly linear: BFGS learns a large inverse Hessian and every step reaches the radius.
    std::vector<double> steps;
    double last = 0.0;
    const optimizer::PointValue value = [&](std::span<const double> x) -> TextResult<double> {
        steps.push_back(std::abs(x[0] - last));
        return -x[0] + 5e-5 * x[0] * x[0];
    };
    const optimizer::PointGradient gradient = [&](std::span<const double> x) -> TextResult<std::vector<double>> {
        last = x[0];
        return std::vector<double>{-1.0 + 1e-4 * x[0]};
    };
    auto outcome = optimizer::trust_region_minimize(value, gradient, {{0.0}, 0.0, {-1.0}}, 60);
    double largest = 0.0;
    for (double s : steps) largest = std::max(largest, s);
    EXPECT_NEAR(largest, 100.0, 1e-9);
    EXPECT_LT(outcome.value, -2000.0);
}

TEST(TrustRegionLoop, RejectionsShrinkTheRadiusAndAThirdFloorStops) {
    TrialLog log{{0.5}, {}};
    const optimizer::PointValue failing = [&](std::span<const double> x) -> TextResult<double> {
        log.record(x);
        return fail_text("cannot evaluate");
    };
    const optimizer::PointGradient unused = [](std::span<const double>) -> TextResult<std::vector<double>> {
        return fail_text("not asked");
    };
    auto outcome = optimizer::trust_region_minimize(failing, unused, {{0.5}, 3.0, {1.0}}, 1000);
    EXPECT_TRUE(outcome.converged);
    EXPECT_LT(outcome.n_iter, 1000u);
    EXPECT_EQ(outcome.params, std::vector<double>{0.5});
    EXPECT_EQ(outcome.value, 3.0);
    // First step -H g = -0.1 inside the radius 0.2; each rejection quarters the radius and
    // from the sixth on halves it again.
    const auto& d = log.distances;
    ASSERT_GT(d.size(), 7u);
    EXPECT_NEAR(d[0], 0.1, 1e-15);
    EXPECT_NEAR(d[1], 0.05, 1e-15);
    for (std::size_t i = 2; i <= 5; ++i) EXPECT_NEAR(d[i] / d[i - 1], 0.25, 1e-12) << i;
    EXPECT_NEAR(d[6] / d[5], 0.125, 1e-12);
    // The initial radius comes back twice before the loop gives up.
    EXPECT_EQ(std::count_if(d.begin(), d.end(), [](double s) { return std::abs(s - 0.1) < 1e-15; }), 3);
}

TEST(BrentMinimize, FindsTheMinimumOfASmoothFunctionInItsBracket) {
    std::size_t calls = 0;
    const auto f = [&](double x) {
        ++calls;
        return (x - 0.7) * (x - 0.7) + 0.1 * std::pow(x - 0.7, 4) - 2.0;
    };
    const optimizer::LineMinimum minimum = optimizer::brent_minimize(f, -3.0, 5.0, 40);
    EXPECT_NEAR(minimum.x, 0.7, 1e-4);
    EXPECT_NEAR(minimum.value, -2.0, 1e-8);
    EXPECT_LE(calls, 41u);
}

TEST(RegressionPolish, MovesPoorCoefficientsAndKeepsOptimalOnesExactly) {
    const SarimaxObjective objective = regression_objective(2);
    const SarimaxConfig& config = objective.config();
    const std::vector<double> x0 = regression_start(config);
    const double f0 = -*objective.eval_loglike(x0);
    const optimizer::PolishedPoint moved = optimizer::polish_regression(objective, x0, f0);
    EXPECT_LT(moved.value, f0 - 1.0);
    EXPECT_NEAR(moved.value, -*objective.eval_loglike(moved.x), 1e-12 * std::abs(moved.value));
    EXPECT_EQ(optimizer::remove_exog_block(moved.x, config), optimizer::remove_exog_block(x0, config));

    // At the generalised least-squares coefficients no probe improves the value.
    const optimizer::ProfiledSarimaxObjective profiled(objective.series(), objective.exog(), config);
    const auto gls = profiled.eval_profiled(optimizer::remove_exog_block(x0, config));
    ASSERT_TRUE(gls) << gls.error();
    const optimizer::PolishedPoint kept = optimizer::polish_regression(objective, gls->full_params, gls->negloglike);
    EXPECT_EQ(kept.x, gls->full_params);
    EXPECT_EQ(kept.value, gls->negloglike);
}

TEST(TrustRegionFit, IterationCapZeroStillPolishes) {
    const SarimaxObjective objective = regression_objective(2);
    const std::vector<double> x0 = regression_start(objective.config());
    auto fit = optimizer::fit_trust_region_single(objective, x0, objective.config(), 0);
    ASSERT_TRUE(fit) << fit.error().display();
    EXPECT_EQ(fit->method, "trust-region");
    EXPECT_EQ(fit->outcome.n_iter, 0u);
    EXPECT_FALSE(fit->outcome.converged);
    EXPECT_LT(fit->outcome.value, -*objective.eval_loglike(x0) - 1.0);
}

TEST(TrustRegionFit, UnusableStartFallsBackToNelderMead) {
    const SarimaxObjective objective = regression_objective(1);
    std::vector<double> x0 = regression_start(objective.config());
    x0.back() = std::numeric_limits<double>::quiet_NaN();
    auto fit = optimizer::fit_trust_region_single(objective, x0, objective.config(), 50);
    ASSERT_TRUE(fit) << fit.error().display();
    EXPECT_EQ(fit->method, "nelder-mead (fallback)");
}

TEST(ProfileTrustRegionFit, WithoutRegressorsIsTheTrustRegionFit) {
    const std::vector<double> y = regression_data(150, 1).y;
    const SarimaxObjective objective(y, {}, test_support::make_config({1, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant));
    const std::vector<double> x0 = regression_start(objective.config());
    auto plain = optimizer::fit_trust_region_single(objective, x0, objective.config(), 40);
    auto profiled = optimizer::fit_profile_trust_region(objective, x0, objective.config(), 40, false);
    ASSERT_TRUE(plain && profiled);
    EXPECT_EQ(profiled->method, "trust-region");
    EXPECT_EQ(profiled->outcome.params, plain->outcome.params);
    EXPECT_EQ(profiled->outcome.value, plain->outcome.value);
    EXPECT_EQ(profiled->outcome.n_iter, plain->outcome.n_iter);
}

TEST(ProfileTrustRegionFit, WarmUpTakesThreeQuartersOfTheBudget) {
    const SarimaxObjective objective = regression_objective(2);
    const SarimaxConfig& config = objective.config();
    const std::vector<double> x0 = regression_start(config);
    auto warm_up = optimizer::fit_trust_region_single(objective, x0, config, 3);
    ASSERT_TRUE(warm_up);
    ASSERT_EQ(warm_up->outcome.n_iter, 3u);
    auto fit = optimizer::fit_profile_trust_region(objective, x0, config, 4, false);
    ASSERT_TRUE(fit) << fit.error().display();
    EXPECT_EQ(fit->method, "profile-trust-region");
    EXPECT_GE(fit->outcome.n_iter, 3u);
    EXPECT_LE(fit->outcome.n_iter, 4u);
    EXPECT_LE(fit->outcome.value, warm_up->outcome.value);

    // Without a warm-up (cap below 2, or a given start) the profiled loop still runs.
    for (auto [cap, given] : {std::pair<std::size_t, bool>{0, false}, {1, false}, {4, true}}) {
        auto bare = optimizer::fit_profile_trust_region(objective, x0, config, cap, given);
        ASSERT_TRUE(bare) << bare.error().display();
        EXPECT_LE(bare->outcome.n_iter, std::max<std::size_t>(cap, 1));
        EXPECT_LT(bare->outcome.value, -*objective.eval_loglike(x0));
        EXPECT_EQ(optimizer::remove_exog_block(bare->outcome.params, config).size(), x0.size() - 2);
    }
}

TEST(ProfileTrustRegionFit, RefusesRegressionModelsWithoutColumns) {
    const std::vector<double> y = regression_data(150, 1).y;
    const SarimaxConfig config = test_support::make_config({1, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant, 1);
    const SarimaxObjective objective(y, {}, config);
    auto fit = optimizer::fit_profile_trust_region(objective, regression_start(config), config, 10, false);
    ASSERT_FALSE(fit);
    EXPECT_EQ(fit.error().display(), "invalid input: profile-trust-region requires exog columns when n_exog > 0");
}

TEST(TrustRegionFits, BothReachTheBoundedQuasiNewtonOptimumOfARegressionWithTrend) {
    const SarimaxObjective objective = regression_objective(2);
    const SarimaxConfig& config = objective.config();
    const std::vector<double> x0 = regression_start(config);
    auto reference = multistart::fit_lbfgsb_single(objective, x0, config, 500);
    auto plain = optimizer::fit_trust_region_single(objective, x0, config, 500);
    auto profiled = optimizer::fit_profile_trust_region(objective, x0, config, 500, true);
    ASSERT_TRUE(reference && plain && profiled);
    EXPECT_LT(plain->outcome.value, reference->outcome.value + 1e-3);
    EXPECT_LT(profiled->outcome.value, reference->outcome.value + 1e-3);
    EXPECT_NEAR(profiled->outcome.value, -*objective.eval_loglike(profiled->outcome.params),
                1e-9 * std::abs(profiled->outcome.value));
}
