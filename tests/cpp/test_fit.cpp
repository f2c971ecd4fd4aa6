// The fit driver, its result, the warm starts and the multi-start strategies.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model/transforms.hpp"
#include "optimizer/css_objective.hpp"
#include "optimizer/fit.hpp"
#include "optimizer/multistart/best_candidate.hpp"
#include "optimizer/multistart/grid_and_polish.hpp"
#include "optimizer/multistart/random_starts.hpp"
#include "optimizer/multistart/restart_level.hpp"
#include "optimizer/multistart/strategies.hpp"
#include "optimizer/sarimax_objective.hpp"
#include "optimizer/warm_start.hpp"
#include "solver_test_objective.hpp"

using namespace velkora;
using namespace velkora::multistart;

namespace {

SarimaxConfig config_of(SarimaxOrder order, bool concentrate = false, Trend trend = Trend::TrendNone) {
    SarimaxConfig config;
    config.order = order;
    config.concentrate_scale = concentrate;
    config.trend = trend;
    return config;
}

// Two free coefficients without bounds: a constant-and-linear trend, scale concentrated.
const SarimaxConfig kTwoFreeParameters = config_of({}, true, Trend::TrendConstantLinear);

// ARMA(p, q) driven by Gaussian noise, then integrated d times.
std::vector<double> simulate(std::size_t n, std::vector<double> ar, std::vector<double> ma, std::size_t d,
                             unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> noise;
    std::vector<double> e(n), x(n, 0.0);
    for (double& v : e) v = noise(gen);
    for (std::size_t t = 0; t < n; ++t) {
        x[t] = e[t];
        for (std::size_t i = 0; i < ar.size() && i < t; ++i) x[t] += ar[i] * x[t - 1 - i];
        for (std::size_t j = 0; j < ma.size() && j < t; ++j) x[t] += ma[j] * e[t - 1 - j];
    }
    for (std::size_t pass = 0; pass < d; ++pass)
        for (std::size_t t = 1; t < n; ++t) x[t] += x[t - 1];
    return x;
}

// Monthly series with a seasonal MA structure for the airline model.
std::vector<double> airline_like(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> noise;
    std::vector<double> e(n), y(n, 0.0);
    for (double& v : e) v = 0.1 * noise(gen);
    for (std::size_t t = 0; t < n; ++t) {
        double w = e[t];
        if (t >= 1) w -= 0.4 * e[t - 1];
        if (t >= 12) w -= 0.6 * e[t - 12];
        if (t >= 13) w += 0.24 * e[t - 13];
        y[t] = w + (t >= 1 ? y[t - 1] : 0.0) + (t >= 12 ? y[t - 12] : 0.0) - (t >= 13 ? y[t - 13] : 0.0);
    }
    return y;
}

const SarimaxConfig kAirline = config_of({0, 1, 1, 0, 1, 1, 12});

std::string error_text(const Result<optimizer::FitResult>& result) {
    return result ? std::string("(no error)") : result.error().display();
}

}  // namespace

// ---- bookkeeping and seeded starts -------------------------------------------------------

TEST(MultiStartBest, FirstCandidateThenOnlyStrictImprovements) {
    std::optional<MultiStartBest> best;
    try_update_best(best, std::vector<double>{1.0}, false, "a", 5.0);
    try_update_best(best, std::vector<double>{2.0}, true, "b", 5.0);
    try_update_best(best, std::vector<double>{3.0}, true, "c", std::nan(""));
    ASSERT_TRUE(best);
    EXPECT_EQ(best->method, "a");
    try_update_best(best, std::vector<double>{4.0}, true, "d", 4.5);
    EXPECT_EQ(best->method, "d");
    EXPECT_EQ(best->params, std::vector<double>{4.0});
    EXPECT_TRUE(best->converged);
}

TEST(Budget, ChargesAtMostWhatWasGivenAndSaturates) {
    Budget budget(10);
    budget.charge(7, 4);
    EXPECT_EQ(budget.remaining, 6U);
    EXPECT_EQ(budget.used, 4U);
    budget.charge_total(9);
    EXPECT_EQ(budget.remaining, 0U);
    EXPECT_EQ(budget.used, 13U);
    budget.used = std::numeric_limits<std::size_t>::max() - 1;
    budget.charge_total(5);
    EXPECT_EQ(budget.used, std::numeric_limits<std::size_t>::max());
}

TEST(RestartLevel, FromParameterCountAndSeasonalOrders) {
    struct Case {
        std::size_t m, P, Q, expected;
    };
    for (const Case& c : {Case{5, 1, 0, 3}, Case{3, 1, 0, 2}, Case{1, 1, 0, 2}, Case{4, 0, 0, 3}, Case{2, 0, 1, 2},
                          Case{3, 0, 0, 2}, Case{2, 0, 0, 1}, Case{1, 0, 0, 0}, Case{0, 0, 0, 0}}) {
        SarimaxOrder order;
        order.P = c.P;
        order.Q = c.Q;
        EXPECT_EQ(restart_level(c.m, order), c.expected) << "m=" << c.m << " P=" << c.P << " Q=" << c.Q;
    }
}

TEST(PerturbedStarts, SeededJitterWithinTheBoxAndNoneWithoutBudget) {
    const std::vector<double> x0 = {0.0, 2.0, -0.05, -4.0};
    EXPECT_TRUE(lcg_perturbed_starts(x0, 3, 0).empty());
    const auto starts = lcg_perturbed_starts(x0, 3, 10);
    ASSERT_EQ(starts.size(), 3U);
    EXPECT_EQ(starts, lcg_perturbed_starts(x0, 3, 1));
    EXPECT_NE(starts[0], starts[1]);
    for (const auto& start : starts)
        for (std::size_t j = 0; j < x0.size(); ++j) {
            const double half_width = 0.5 * (std::abs(x0[j]) > 0.1 ? 0.5 * std::abs(x0[j]) : 0.1);
            EXPECT_LE(std::abs(start[j] - x0[j]), half_width);
        }
    // The generator's first draw from seed 12345, (state >> 33) / 2^31.
    const std::uint64_t state = 12345ULL * 6364136223846793005ULL + 1442695040888963407ULL;
    const double u = static_cast<double>(state >> 33) * 0x1p-31;
    EXPECT_DOUBLE_EQ(starts[0][0], 0.1 * (u - 0.5));
}

// ---- strategies on test functions ---------------------------------------------------------

TEST(MultiStart, TheFirstRunMaySpendTheWholeBudget) {
    const auto banana = velkora::testing::rosenbrock();
    const std::vector<double> x0 = {-1.2, 1.0};
    auto result = fit_lbfgsb_multi(banana, x0, kTwoFreeParameters, 7, 1);
    ASSERT_TRUE(result) << result.error().display();
    EXPECT_EQ(result->outcome.n_iter, 7U);
    EXPECT_FALSE(result->outcome.converged);
    EXPECT_EQ(result->method, "lbfgsb-multi");
    EXPECT_EQ(banana.counts->value_and_gradient, 7);
}

TEST(MultiStart, RestartsAndPolishStayWithinTheBudget) {
    for (std::size_t cap : {30U, 80U, 500U}) {
        const auto banana = velkora::testing::rosenbrock();
        auto result = fit_lbfgsb_multi(banana, std::vector<double>{-1.2, 1.0}, kTwoFreeParameters, cap, 1);
        ASSERT_TRUE(result);
        EXPECT_LE(result->outcome.n_iter, cap);
        EXPECT_TRUE(result->method == "lbfgsb-multi" || result->method == "lbfgsb-multi+nm") << result->method;
    }
}

TEST(MultiStart, HybridAndAdaptiveReportTheirOwnCounts) {
    const auto bowl = velkora::testing::quadratic({1.0, -2.0}, {1.0, 10.0});
    const std::vector<double> x0 = {0.5, 0.5};
    auto multi = fit_lbfgsb_multi(bowl, x0, kTwoFreeParameters, 200, 1);
    auto hybrid = fit_lbfgsb_hybrid(bowl, x0, kTwoFreeParameters, 200, 1);
    ASSERT_TRUE(multi && hybrid);
    EXPECT_EQ(hybrid->method, "lbfgsb-hybrid");
    EXPECT_EQ(hybrid->outcome.n_iter, multi->outcome.n_iter);
    EXPECT_LE(hybrid->outcome.value, multi->outcome.value);

    auto single = fit_lbfgsb_single(bowl, x0, kTwoFreeParameters, 200);
    auto adaptive = fit_lbfgsb_adaptive_restart(bowl, x0, kTwoFreeParameters, 200, 1);
    ASSERT_TRUE(single && adaptive);
    EXPECT_EQ(adaptive->outcome.n_iter, 200U);
    EXPECT_LE(adaptive->outcome.value, single->outcome.value);
    EXPECT_NEAR(adaptive->outcome.params[0], 1.0, 1e-4);
    EXPECT_NEAR(adaptive->outcome.params[1], -2.0, 1e-4);
}

TEST(MultiStart, NelderMeadPolishNeedsTwoParametersAndBudget) {
    const auto line = velkora::testing::quadratic({3.0}, {1.0});
    const MultiStartBest best{{0.0}, 9.0, false, "lbfgsb-multi"};
    Budget budget(50);
    budget.used = 4;
    const StrategyResult kept = nm_refinement(best, line, budget);
    EXPECT_EQ(kept.outcome.params, best.params);
    EXPECT_EQ(kept.outcome.n_iter, 4U);
    EXPECT_EQ(kept.method, "lbfgsb-multi");

    const auto bowl = velkora::testing::quadratic({1.0, 1.0}, {1.0, 1.0});
    Budget plenty(200);
    const StrategyResult polished = nm_refinement(MultiStartBest{{0.0, 0.0}, 2.0, false, "lbfgs"}, bowl, plenty);
    EXPECT_EQ(polished.method, "lbfgs+nm");
    EXPECT_LT(polished.outcome.value, 1e-4);
    EXPECT_EQ(polished.outcome.n_iter, plenty.used);
    EXPECT_GT(plenty.used, 0U);
}

TEST(MultiStart, UnboundedAndBfgsStrategiesConverge) {
    const auto banana = velkora::testing::rosenbrock();
    const std::vector<double> x0 = {-1.2, 1.0};
    auto lbfgs = fit_lbfgs_unbounded(banana, x0, kTwoFreeParameters, 500, 1);
    auto bfgs = fit_bfgs_single(banana, x0, 500);
    ASSERT_TRUE(lbfgs && bfgs);
    EXPECT_TRUE(lbfgs->method == "lbfgs" || lbfgs->method == "lbfgs+nm") << lbfgs->method;
    EXPECT_EQ(bfgs->method, "bfgs");
    for (const auto* result : {&*lbfgs, &*bfgs}) {
        EXPECT_NEAR(result->outcome.params[0], 1.0, 1e-3);
        EXPECT_NEAR(result->outcome.params[1], 1.0, 2e-3);
        EXPECT_LE(result->outcome.n_iter, 500U);
    }
}

// ---- strategies on the likelihood ---------------------------------------------------------

TEST(MaGrid, RunsWithAnEstimatedScaleWhenInvertibilityIsEnforced) {
    const std::vector<double> y = airline_like(144, 3);
    const optimizer::SarimaxObjective objective(y, {}, kAirline);
    const std::vector<double> x0 = *transform_params_inner(std::vector<double>{-0.2, -0.2, 0.01}, kAirline, false);

    Budget budget(300);
    std::optional<MultiStartBest> best;
    grid_ma_initialization(objective, kAirline, x0, budget, best, "grid");
    ASSERT_TRUE(best);
    EXPECT_EQ(best->method, "grid");
    EXPECT_GT(budget.used, 0U);
    EXPECT_EQ(budget.used + budget.remaining, 300U);

    SarimaxConfig free_ma = kAirline;
    free_ma.enforce_invertibility = false;
    Budget untouched(300);
    std::optional<MultiStartBest> none;
    grid_ma_initialization(optimizer::SarimaxObjective(y, {}, free_ma), free_ma, x0, untouched, none, "grid");
    EXPECT_FALSE(none);
    EXPECT_EQ(untouched.used, 0U);
}

TEST(Strategies, SeededRunsAreReproducible) {
    const std::vector<double> y = airline_like(144, 5);
    const optimizer::SarimaxObjective objective(y, {}, kAirline);
    const std::vector<double> x0 = *transform_params_inner(std::vector<double>{-0.1, -0.1, 0.02}, kAirline, false);
    const std::size_t restarts = restart_level(x0.size(), kAirline.order);
    auto first = fit_lbfgsb_hybrid(objective, x0, kAirline, 150, restarts);
    auto second = fit_lbfgsb_hybrid(objective, x0, kAirline, 150, restarts);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->outcome.params, second->outcome.params);
    EXPECT_EQ(first->outcome.n_iter, second->outcome.n_iter);
    auto adaptive = fit_lbfgsb_adaptive_restart(objective, x0, kAirline, 150, restarts);
    auto again = fit_lbfgsb_adaptive_restart(objective, x0, kAirline, 150, restarts);
    ASSERT_TRUE(adaptive && again);
    EXPECT_EQ(adaptive->outcome.params, again->outcome.params);
    EXPECT_EQ(adaptive->method, again->method);
}

// ---- warm starts ----------------------------------------------------------------------------

TEST(WarmStart, CssStageLowersTheCssObjective) {
    const std::vector<double> y = simulate(300, {0.6}, {0.3}, 1, 9);
    const SarimaxConfig config = config_of({1, 1, 1, 0, 0, 0, 0});
    const std::vector<double> start = {0.0, 0.0, 1.0};
    auto found = optimizer::run_css_optimization(y, config, start, 300);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 3U);
    const optimizer::CssObjective css(y, {}, config);
    const double before = css.cost(*transform_params_inner(start, config, false));
    const double after = css.cost(*transform_params_inner(*found, config, false));
    EXPECT_LT(after, before - 1.0);
    EXPECT_NEAR((*found)[0], 0.6, 0.15);

    const SarimaxConfig nothing_to_fit = config_of({}, true);
    EXPECT_FALSE(optimizer::run_css_optimization(y, nothing_to_fit, {}, 300));
}

TEST(WarmStart, SimpleDifferencingStageOffersAFullLengthStart) {
    const std::vector<double> y = airline_like(200, 13);
    const SarimaxConfig config = config_of({1, 1, 1, 0, 1, 1, 40});
    auto start = optimizer::run_sd_warm_start(y, config);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->size(), config.param_count());
    EXPECT_GT((*start).back(), 0.0);
}

// ---- the driver -------------------------------------------------------------------------------

TEST(FitDriver, RefusesUnknownMethodsWrongStartsAndShortSeries) {
    const std::vector<double> y = airline_like(144, 1);
    auto unknown = optimizer::fit(y, kAirline, std::nullopt, std::string("NM"), std::nullopt);
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error().kind(), ErrorKind::Optimization);
    EXPECT_EQ(unknown.error().text(),
              "unknown method: 'NM'. Valid methods: lbfgsb, lbfgsb-multi, lbfgsb-adaptive, lbfgsb-hybrid, "
              "lbfgsb-strict, lbfgsb_single, lbfgs, bfgs, trust-region, profile-trust-region, nelder-mead, nm");

    const std::vector<double> two = {0.1, 0.2};
    auto wrong = optimizer::fit(y, kAirline, std::span<const double>(two), std::nullopt, std::nullopt);
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().kind(), ErrorKind::InvalidInput);
    EXPECT_EQ(wrong.error().text(), "start_params length mismatch: expected 3, got 2");

    // d + s*D + max(p + s*P, q + s*Q + 1) + 1 = 1 + 12 + 14 + 1 = 28 observations are too few.
    const std::vector<double> short_y(y.begin(), y.begin() + 28);
    auto too_short = optimizer::fit(short_y, kAirline, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_FALSE(too_short);
    EXPECT_EQ(too_short.error().display(),
              "data error: Not enough observations: n=28 <= minimum required 28 for model order");
}

TEST(FitDriver, ZeroIterationsEvaluateTheStart) {
    const std::vector<double> y = airline_like(144, 2);
    const std::vector<double> start = {-0.3, -0.5, 0.011};
    auto result = optimizer::fit(y, kAirline, std::span<const double>(start), std::nullopt, 0);
    ASSERT_TRUE(result) << error_text(result);
    EXPECT_EQ(result->params, start);
    EXPECT_EQ(result->n_iter, 0U);
    EXPECT_FALSE(result->converged);
    EXPECT_EQ(result->method, "lbfgsb");
    EXPECT_EQ(result->n_params, 3U);
    EXPECT_DOUBLE_EQ(result->aic, -2.0 * result->loglike + 6.0);
    EXPECT_DOUBLE_EQ(result->bic, -2.0 * result->loglike + std::log(144.0) * 3.0);
}

TEST(FitDriver, ModelWithoutFreeParameters) {
    const std::vector<double> y = simulate(100, {}, {}, 0, 4);
    auto result = optimizer::fit(y, config_of({}, true), std::nullopt, std::string("bfgs"), std::nullopt);
    ASSERT_TRUE(result) << error_text(result);
    EXPECT_TRUE(result->params.empty());
    EXPECT_EQ(result->n_params, 1U);
    EXPECT_TRUE(result->converged);
    EXPECT_EQ(result->method, "bfgs");
}

TEST(FitDriver, PureAutoregressionsWithConcentratedScaleTakeTheDirectPath) {
    const std::vector<double> y = simulate(400, {0.5, -0.3, 0.2}, {}, 0, 8);
    const SarimaxConfig ar3 = config_of({3, 0, 0, 0, 0, 0, 0}, true);
    auto direct = optimizer::fit(y, ar3, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(direct) << error_text(direct);
    EXPECT_EQ(direct->method, "burg-direct");
    EXPECT_EQ(direct->n_iter, 0U);
    EXPECT_TRUE(direct->converged);
    EXPECT_EQ(direct->n_params, 4U);
    EXPECT_DOUBLE_EQ(direct->aic, 8.0 - 2.0 * direct->loglike);

    auto strict = optimizer::fit(y, ar3, std::nullopt, std::string("lbfgsb-strict"), std::nullopt);
    auto estimated_scale = optimizer::fit(y, config_of({3, 0, 0, 0, 0, 0, 0}), std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(strict && estimated_scale);
    EXPECT_EQ(strict->method, "lbfgsb-strict");
    EXPECT_EQ(estimated_scale->method, "lbfgsb");
    EXPECT_GE(strict->loglike, direct->loglike - 1e-9);
}

TEST(FitDriver, CountsTheVarianceEvenWhenConcentrated) {
    const std::vector<double> y = simulate(300, {0.5}, {0.4}, 0, 6);
    auto result = optimizer::fit(y, config_of({1, 0, 1, 0, 0, 0, 0}, true), std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(result) << error_text(result);
    EXPECT_EQ(result->params.size(), 2U);
    EXPECT_EQ(result->n_params, 3U);
    EXPECT_TRUE(result->converged);
}

TEST(FitResult, NearCancellingRootsAddAWarning) {
    const std::vector<double> y = simulate(200, {}, {}, 0, 10);
    const SarimaxConfig arma11 = config_of({1, 0, 1, 0, 0, 0, 0});
    const std::vector<double> close = *transform_params_inner(std::vector<double>{0.5, -0.48, 1.0}, arma11, false);
    auto warned = optimizer::build_fit_result(y, arma11, close, 12, true, "lbfgsb");
    ASSERT_TRUE(warned) << error_text(warned);
    ASSERT_EQ(warned->warnings.size(), 1U);
    EXPECT_EQ(warned->warnings[0],
              "near-cancellation detected in fitted ARMA(1,1) parameters (min inverted-root distance < 0.05). "
              "Model may be non-identifiable.");
    EXPECT_NEAR(warned->params[1], -0.48, 1e-12);
    EXPECT_EQ(warned->n_iter, 12U);

    const std::vector<double> apart = *transform_params_inner(std::vector<double>{0.5, 0.3, 1.0}, arma11, false);
    auto quiet = optimizer::build_fit_result(y, arma11, apart, 12, true, "lbfgsb");
    ASSERT_TRUE(quiet);
    EXPECT_TRUE(quiet->warnings.empty());
}

TEST(FitDriver, EveryMethodReachesTheDefaultOptimum) {
    const std::vector<double> y = airline_like(144, 21);
    auto reference = optimizer::fit(y, kAirline, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(reference) << error_text(reference);
    EXPECT_TRUE(reference->converged);
    struct Case {
        const char* method;
        const char* reported_prefix;
    };
    for (const Case& c : {Case{"lbfgsb-multi", "lbfgsb-multi"}, Case{"lbfgsb-adaptive", "lbfgsb"},
                          Case{"lbfgsb-hybrid", "lbfgsb-hybrid"}, Case{"lbfgsb-strict", "lbfgsb-strict"},
                          Case{"lbfgsb_single", "lbfgsb-strict"}, Case{"lbfgs", "lbfgs"}, Case{"bfgs", "bfgs"},
                          Case{"nelder-mead", "nelder-mead"}, Case{"nm", "nelder-mead"}}) {
        auto result = optimizer::fit(y, kAirline, std::nullopt, std::string(c.method), std::nullopt);
        ASSERT_TRUE(result) << c.method << ": " << error_text(result);
        EXPECT_NEAR(result->loglike, reference->loglike, 1e-3) << c.method;
        EXPECT_TRUE(result->method.starts_with(c.reported_prefix)) << c.method << " reported " << result->method;
        EXPECT_LE(result->n_iter, 500U) << c.method;
    }
}
