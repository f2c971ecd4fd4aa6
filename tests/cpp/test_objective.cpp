// The exact-likelihood objective (gradient, template reuse, penalty), the CSS likelihood
// and the regression-block helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model/params.hpp"
#include "model/transforms.hpp"
#include "optimizer/css_objective.hpp"
#include "optimizer/exog_block.hpp"
#include "optimizer/profiled_objective.hpp"
#include "optimizer/sarimax_objective.hpp"
#include "statespace/pipeline.hpp"

using namespace velkora;
using optimizer::SarimaxObjective;

namespace {

struct ObjectiveCase {
    std::string name;
    SarimaxOrder order;
    Trend trend = Trend::TrendNone;
    std::size_t n_exog = 0;
    bool concentrate = false;
    bool simple_differencing = false;
    std::vector<double> constrained;   // a point inside the admissible region
    std::vector<double> other;         // a second such point
};

SarimaxConfig config_of(const ObjectiveCase& c) {
    SarimaxConfig config;
    config.order = c.order;
    config.trend = c.trend;
    config.n_exog = c.n_exog;
    config.concentrate_scale = c.concentrate;
    config.simple_differencing = c.simple_differencing;
    return config;
}

// A seasonal random walk with AR noise, a drift and regressor effects: enough structure
// for every block of the panel.
std::vector<double> test_series(std::size_t n, const ExogColumns& exog) {
    std::mt19937 gen(7);
    std::normal_distribution<double> noise;
    std::vector<double> y(n);
    double ar = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        ar = 0.6 * ar + noise(gen);
        y[t] = 0.05 * static_cast<double>(t) + 2.0 * std::sin(static_cast<double>(t) * 0.5236) + ar;
        for (std::size_t j = 0; j < exog.size(); ++j) y[t] += (0.5 + static_cast<double>(j)) * exog[j][t];
        if (t >= 12) y[t] += 0.3 * y[t - 12];
    }
    return y;
}

ExogColumns test_exog(std::size_t n, std::size_t k) {
    std::mt19937 gen(11);
    std::normal_distribution<double> noise;
    ExogColumns exog(k, std::vector<double>(n));
    for (auto& column : exog)
        for (double& v : column) v = noise(gen);
    return exog;
}

std::vector<double> unconstrained(const std::vector<double>& constrained, const SarimaxConfig& config) {
    auto x = transform_params_inner(constrained, config, false);
    EXPECT_TRUE(x) << x.error().display();
    return *x;
}

const std::vector<ObjectiveCase> kPanel = {
    {"arma11", {1, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant, 0, false, false, {0.3, 0.5, -0.2, 1.5},
     {0.1, 0.2, 0.4, 0.8}},
    {"airline", {0, 1, 1, 0, 1, 1, 12}, Trend::TrendNone, 0, false, false, {-0.4, -0.5, 1.2}, {-0.1, -0.7, 0.9}},
    {"seasonal_ar_exog", {1, 1, 0, 1, 0, 0, 12}, Trend::TrendNone, 2, true, false, {0.4, 0.6, 0.2, 0.3},
     {-0.5, 1.1, -0.4, 0.6}},
    {"ct_trend_sarma", {2, 0, 1, 1, 0, 1, 4}, Trend::TrendConstantLinear, 1, false, false,
     {0.5, 0.01, 0.3, 0.4, -0.2, 0.3, 0.2, -0.3, 1.1},
     {0.1, 0.02, 0.6, 0.1, 0.1, -0.4, -0.3, 0.4, 0.7}},
    {"simple_differencing", {1, 1, 1, 0, 1, 1, 12}, Trend::TrendNone, 1, false, true, {0.5, 0.2, -0.3, -0.4, 1.0},
     {0.9, -0.3, 0.2, -0.6, 1.4}},
};

// The objective on the series as the fit driver would prepare it.
SarimaxObjective make_objective(const ObjectiveCase& c) {
    const SarimaxConfig config = config_of(c);
    const std::size_t n = 160;
    const ExogColumns exog = test_exog(n, c.n_exog);
    const std::vector<double> y = test_series(n, exog);
    auto prepared = pipeline::prepare_endog(y, config, exog);
    EXPECT_TRUE(prepared);
    ExogColumns in_effect = c.simple_differencing ? prepared->exog.value_or(ExogColumns{}) : exog;
    return SarimaxObjective(prepared->series, std::move(in_effect), config);
}

class ObjectivePanel : public testing::TestWithParam<ObjectiveCase> {};

}  // namespace

TEST_P(ObjectivePanel, GradientMatchesCentralDifferencesOfTheValue) {
    const ObjectiveCase& c = GetParam();
    const SarimaxObjective objective = make_objective(c);
    std::vector<double> x = unconstrained(c.constrained, objective.config());

    auto vg = objective.eval_negloglike_with_gradient(x);
    ASSERT_TRUE(vg) << vg.error();
    ASSERT_EQ(vg->gradient.size(), x.size());
    EXPECT_DOUBLE_EQ(vg->value, -*objective.eval_loglike(x));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double xi = x[i];
        const double h = 1e-5 * (std::abs(xi) + 1.0);
        x[i] = xi + h;
        const double up = objective.cost(x);
        x[i] = xi - h;
        const double down = objective.cost(x);
        x[i] = xi;
        const double numeric = (up - down) / (2.0 * h);
        EXPECT_NEAR(vg->gradient[i], numeric, 1e-4 * std::max(1.0, std::abs(numeric))) << "entry " << i;
    }
}

TEST_P(ObjectivePanel, ReusedTemplateGivesTheValuesOfAFreshObjective) {
    const ObjectiveCase& c = GetParam();
    const SarimaxObjective reused = make_objective(c);
    const std::vector<double> first = unconstrained(c.constrained, reused.config());
    const std::vector<double> second = unconstrained(c.other, reused.config());

    ASSERT_TRUE(reused.eval_loglike(first));
    auto again = reused.eval_negloglike_with_gradient(second);
    ASSERT_TRUE(again) << again.error();

    const SarimaxObjective fresh = make_objective(c);
    auto expected = fresh.eval_negloglike_with_gradient(second);
    ASSERT_TRUE(expected);
    EXPECT_DOUBLE_EQ(again->value, expected->value);
    for (std::size_t i = 0; i < second.size(); ++i) EXPECT_DOUBLE_EQ(again->gradient[i], expected->gradient[i]);
    // Back at the first point after the second: the template follows in both directions.
    EXPECT_DOUBLE_EQ(*reused.eval_loglike(first), *fresh.clone()->eval_loglike(first));
}

TEST_P(ObjectivePanel, LogLikelihoodIsThePipelineValueAtTheConstrainedPoint) {
    const ObjectiveCase& c = GetParam();
    const SarimaxConfig config = config_of(c);
    const std::size_t n = 160;
    const ExogColumns exog = test_exog(n, c.n_exog);
    const std::vector<double> y = test_series(n, exog);
    auto params = SarimaxParams::from_flat(c.constrained, config);
    ASSERT_TRUE(params);
    auto reference = pipeline::kalman_eval(y, *params, config, exog);
    ASSERT_TRUE(reference) << reference.error().display();

    const SarimaxObjective objective = make_objective(c);
    auto loglike = objective.eval_loglike(unconstrained(c.constrained, config));
    ASSERT_TRUE(loglike) << loglike.error();
    EXPECT_NEAR(*loglike, reference->loglike, 1e-9 * std::abs(reference->loglike));
}

// The regression coefficients that the profiled objective estimates minimise the full
// objective along their block, and the profiled value is the full value there.
TEST_P(ObjectivePanel, ProfiledValueIsTheFullValueAtItsGlsEstimate) {
    const ObjectiveCase& c = GetParam();
    const SarimaxObjective objective = make_objective(c);
    const SarimaxConfig& config = objective.config();
    const optimizer::ProfiledSarimaxObjective profiled(objective.series(), objective.exog(), config);
    const std::vector<double> x = optimizer::remove_exog_block(unconstrained(c.constrained, config), config);

    auto eval = profiled.eval_profiled(x);
    ASSERT_TRUE(eval) << eval.error();
    EXPECT_EQ(optimizer::remove_exog_block(eval->full_params, config), x);
    EXPECT_EQ(eval->params.exog.size(), c.n_exog);
    const double full = objective.cost(eval->full_params);
    EXPECT_NEAR(eval->negloglike, full, 1e-9 * std::abs(full));

    const std::size_t first = trend_param_count(config.trend);
    for (std::size_t j = first; j < first + c.n_exog; ++j)
        for (double side : {-1.0, 1.0}) {
            std::vector<double> moved = eval->full_params;
            moved[j] += side * 1e-3 * (std::abs(moved[j]) + 1.0);
            EXPECT_GT(objective.cost(moved), full) << "coefficient " << j - first;
        }
}

TEST_P(ObjectivePanel, ProfiledGradientMatchesCentralDifferences) {
    const ObjectiveCase& c = GetParam();
    const SarimaxObjective objective = make_objective(c);
    const SarimaxConfig& config = objective.config();
    const optimizer::ProfiledSarimaxObjective profiled(objective.series(), objective.exog(), config);
    std::vector<double> x = optimizer::remove_exog_block(unconstrained(c.other, config), config);

    auto gradient = profiled.analytical_gradient_negloglike(x);
    ASSERT_TRUE(gradient) << gradient.error();
    ASSERT_EQ(gradient->size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double xi = x[i];
        const double h = 1e-5 * (std::abs(xi) + 1.0);
        x[i] = xi + h;
        const double up = *profiled.profiled_negloglike(x);
        x[i] = xi - h;
        const double down = *profiled.profiled_negloglike(x);
        x[i] = xi;
        const double numeric = (up - down) / (2.0 * h);
        EXPECT_NEAR((*gradient)[i], numeric, 1e-4 * std::max(1.0, std::abs(numeric))) << "entry " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, ObjectivePanel, testing::ValuesIn(kPanel),
                         [](const auto& info) { return info.param.name; });

TEST(SarimaxObjective, UnusablePointsCostThePenaltyAndStillGetAGradient) {
    const SarimaxObjective objective = make_objective(kPanel[0]);
    const std::vector<double> too_short = {0.1, 0.2};
    EXPECT_EQ(objective.cost(too_short), 8.988465674311579e307);
    EXPECT_FALSE(objective.eval_loglike(too_short));
    const std::vector<double> gradient = objective.gradient(too_short);
    ASSERT_EQ(gradient.size(), 2U);
    for (double g : gradient) EXPECT_TRUE(std::isfinite(g));

    // Regressor columns that do not match the series: the filter refuses every point.
    SarimaxConfig config = config_of(kPanel[0]);
    config.n_exog = 1;
    const SarimaxObjective broken(std::vector<double>(50, 1.0), ExogColumns{std::vector<double>(10, 0.0)}, config);
    const std::vector<double> x = {0.0, 0.5, 0.1, 0.2, 0.0};
    EXPECT_EQ(broken.cost(x), 8.988465674311579e307);
    auto loglike = broken.eval_loglike(x);
    ASSERT_FALSE(loglike);
    EXPECT_NE(loglike.error().find("exog column 0 has 10 rows"), std::string::npos) << loglike.error();
}

TEST(SarimaxObjective, GradientAgreesWithTheValueAndGradientPairAndTheCachedCost) {
    const SarimaxObjective objective = make_objective(kPanel[1]);
    const std::vector<double> x = unconstrained(kPanel[1].constrained, objective.config());
    const std::vector<double> g = objective.gradient(x);
    auto pair = objective.eval_negloglike_with_gradient(x);
    ASSERT_TRUE(pair);
    EXPECT_EQ(g, pair->gradient);
    EXPECT_EQ(objective.gradient(x), g);
    EXPECT_EQ(objective.cost(x), pair->value);
    auto alone = objective.analytical_gradient_negloglike(x);
    ASSERT_TRUE(alone);
    EXPECT_EQ(*alone, g);
}

TEST(CssLoglike, HandComputedAutoregression) {
    SarimaxConfig config;
    config.order = {1, 0, 0, 0, 0, 0, 0};
    auto params = SarimaxParams::from_flat(std::vector<double>{0.5, 1.0}, config);
    ASSERT_TRUE(params);
    const std::vector<double> y = {1, 2, 0, 1, 3};
    // Residuals 1.5, -1, 1, 2.5 from t = 1.
    const double expected = -2.0 * std::log(10.5 / 4.0) - 2.0;
    EXPECT_DOUBLE_EQ(css::css_loglike_with_exog(y, config, *params), expected);
}

TEST(CssLoglike, DifferencedRegressorsAlignAtTheEndAndMaResidualsRecurse) {
    SarimaxConfig config;
    config.order = {0, 1, 1, 0, 0, 0, 0};
    config.n_exog = 1;
    auto params = SarimaxParams::from_flat(std::vector<double>{2.0, 0.5, 1.0}, config);
    ASSERT_TRUE(params);
    const std::vector<double> y = {0, 3, 4, 9, 10};
    const ExogColumns exog = {{0, 1, 1, 3, 3}};
    // w = diff(y) - 2 diff(x) = [1, 1, 1, 1]; e = 1, 0.5, 0.75 from t = 1.
    const double ssr = 1.0 + 0.25 + 0.5625;
    EXPECT_DOUBLE_EQ(css::css_loglike_with_exog(y, config, *params, exog), -1.5 * std::log(ssr / 3.0) - 1.5);
    // Without a coefficient per column the regressors are ignored.
    config.n_exog = 0;
    auto no_exog = SarimaxParams::from_flat(std::vector<double>{0.5, 1.0}, config);
    ASSERT_TRUE(no_exog);
    EXPECT_DOUBLE_EQ(css::css_loglike_with_exog(y, config, *no_exog, exog),
                     css::css_loglike_with_exog(y, config, *no_exog));
}

TEST(CssObjective, TooShortSeriesGivesMinusInfinityAndThePenalty) {
    SarimaxConfig config;
    config.order = {2, 1, 0, 0, 0, 0, 0};
    auto params = SarimaxParams::from_flat(std::vector<double>{0.1, 0.1, 1.0}, config);
    const std::vector<double> y = {1.0, 2.0, 4.0};
    EXPECT_EQ(css::css_loglike_with_exog(y, config, *params), -std::numeric_limits<double>::infinity());
    const optimizer::CssObjective objective(y, {}, config);
    EXPECT_EQ(objective.cost(std::vector<double>{0.1, 0.1, 0.0}), 8.988465674311579e307);
    EXPECT_EQ(objective.cost(std::vector<double>{0.1}), 8.988465674311579e307);
}

TEST(ProfiledObjective, RefusesWrongLengthsAndMissingColumns) {
    const ObjectiveCase& c = kPanel[2];  // two regressors
    const SarimaxObjective objective = make_objective(c);
    const SarimaxConfig& config = objective.config();
    const std::vector<double> x = optimizer::remove_exog_block(unconstrained(c.constrained, config), config);

    const optimizer::ProfiledSarimaxObjective profiled(objective.series(), objective.exog(), config);
    std::vector<double> longer = x;
    longer.push_back(0.0);
    auto mismatch = profiled.eval_profiled(longer);
    ASSERT_FALSE(mismatch);
    EXPECT_EQ(mismatch.error(), "profiled parameter length mismatch: expected 2, got 3");

    const optimizer::ProfiledSarimaxObjective one_column(objective.series(), ExogColumns{objective.exog()[0]},
                                                         config);
    auto missing = one_column.eval_profiled(x);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "missing exog column 1");
    EXPECT_EQ(one_column.analytical_gradient_negloglike(x).error(), "missing exog column 1");
}

TEST(ExogBlock, InsertAfterTheTrendAndRemoveInverts) {
    SarimaxConfig config;
    config.trend = Trend::TrendConstantLinear;
    config.n_exog = 2;
    const std::vector<double> profiled = {1, 2, 3, 4};
    const std::vector<double> beta = {8, 9};
    const std::vector<double> full = optimizer::insert_exog_block(profiled, beta, config.trend);
    EXPECT_EQ(full, (std::vector<double>{1, 2, 8, 9, 3, 4}));
    EXPECT_EQ(optimizer::remove_exog_block(full, config), profiled);
    EXPECT_EQ(optimizer::insert_exog_block(profiled, beta, Trend::TrendNone), (std::vector<double>{8, 9, 1, 2, 3, 4}));
}
