// Forecast recursion, integration under simple differencing, residuals and rolling origins.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "forecast/forecast_from_state.hpp"
#include "forecast/forecast_pipeline.hpp"
#include "forecast/residuals.hpp"
#include "forecast/rolling_forecast.hpp"
#include "forecast/rolling_origins.hpp"
#include "forecast/snapshot_memory_cap.hpp"
#include "forecast/undo_differencing.hpp"
#include "forecast/z_score.hpp"
#include "model/differencing.hpp"
#include "statespace/state_space.hpp"

using namespace velkora;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

SarimaxConfig config_of(SarimaxOrder order, Trend trend = Trend::TrendNone, std::size_t n_exog = 0,
                        bool simple_diff = false, bool concentrate = false) {
    SarimaxConfig c;
    c.order = order;
    c.trend = trend;
    c.n_exog = n_exog;
    c.simple_differencing = simple_diff;
    c.concentrate_scale = concentrate;
    return c;
}

SarimaxParams params_of(const SarimaxConfig& config, const std::vector<double>& flat) {
    auto params = SarimaxParams::from_flat(flat, config);
    EXPECT_TRUE(params) << params.error().display();
    return *params;
}

StateSpace state_space_of(const SarimaxConfig& config, const SarimaxParams& params, std::size_t n = 10) {
    auto ss = StateSpace::create(config, params, n);
    EXPECT_TRUE(ss) << ss.error().display();
    return *ss;
}

// A deterministic wiggly series with a drift, long enough for seasonal models.
std::vector<double> sample_series(std::size_t n) {
    std::vector<double> y(n);
    for (std::size_t t = 0; t < n; ++t)
        y[t] = 0.3 * static_cast<double>(t) + std::sin(0.7 * static_cast<double>(t)) +
               0.5 * std::cos(1.9 * static_cast<double>(t * t % 17));
    return y;
}

}  // namespace

TEST(ZScore, MatchesNormalQuantilesWithinAcklamAccuracy) {
    struct Case {
        double p;
        double quantile;
    };
    const Case cases[] = {
        {1e-10, -6.361340902404056},       // lower tail
        {0.01, -2.3263478740408408},       // lower tail
        {0.02425, -1.9729610513118845},    // central region, at its edge
        {0.3, -0.5244005127080407},
        {0.7, 0.5244005127080407},
        {0.975, 1.9599639845400536},
        {0.99, 2.3263478740408408},        // upper tail
        {1 - 1e-10, 6.361340889697421},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(z_score(c.p), c.quantile, 1.2e-9 * std::fabs(c.quantile)) << "p=" << c.p;
    EXPECT_NEAR(interval_z(0.05), 1.959964, 1e-6);
}

TEST(ZScore, BoundsCentreAndNaN) {
    EXPECT_EQ(z_score(0.0), -kInf);
    EXPECT_EQ(z_score(-0.5), -kInf);
    EXPECT_EQ(z_score(1.0), kInf);
    EXPECT_EQ(z_score(1.5), kInf);
    EXPECT_EQ(z_score(0.5), 0.0);
    EXPECT_EQ(z_score(0.5 + 1e-16), 0.0);
    EXPECT_TRUE(std::isnan(z_score(kNaN)));
}

TEST(ForecastFromState, RegressorChecksInOrder) {
    const auto config = config_of({0, 0, 0}, Trend::TrendNone, 2);
    const auto params = params_of(config, {1.0, 2.0, 1.0});
    const auto ss = state_space_of(config, params);
    const Eigen::VectorXd a = Eigen::VectorXd::Zero(1);
    const Eigen::MatrixXd P = Eigen::MatrixXd::Ones(1, 1);
    const std::vector<double> beta2{1.0, 2.0};
    const std::vector<double> beta0{};

    struct Case {
        std::string name;
        std::span<const double> beta;
        FutureExog future;
        std::size_t steps;
        std::string message;   // empty: accepted
    };
    const ExogColumns one_column{{1.0, 2.0, 3.0}};
    const ExogColumns short_then_nan{{1.0, 2.0}, {1.0, kNaN, 3.0}};
    const ExogColumns nan_past_steps_then_short{{1.0, 2.0, 3.0, kInf}, {1.0}};
    const ExogColumns longer_than_steps{{1.0, 2.0, 3.0, 4.0}, {1.0, 2.0, 3.0, 4.0}};
    const ExogColumns no_columns{};
    const Case cases[] = {
        {"missing", beta2, std::nullopt, 3, "model has exogenous variables: future_exog is required for forecasting"},
        {"missing, no steps", beta2, std::nullopt, 0, ""},
        {"unexpected column", beta0, FutureExog(one_column), 3, "future_exog column count mismatch: expected 0, got 1"},
        {"no columns for two", beta2, FutureExog(no_columns), 3, "future_exog column count mismatch: expected 2, got 0"},
        {"short column first", beta2, FutureExog(short_then_nan), 3,
         "future_exog column 0 has 2 rows but 3 forecast steps requested"},
        {"column 0 checked fully first", beta2, FutureExog(nan_past_steps_then_short), 3,
         "future_exog column 0 contains NaN or Inf values"},
        {"more rows than steps", beta2, FutureExog(longer_than_steps), 3, ""},
    };
    for (const auto& c : cases) {
        auto result = forecast_from_state(ss, a, P, c.steps, c.future, c.beta, Trend::TrendNone, false, {}, 10,
                                          1.0, 0.05);
        if (c.message.empty()) {
            ASSERT_TRUE(result) << c.name << ": " << result.error().display();
            EXPECT_EQ(result->mean.size(), c.steps) << c.name;
        } else {
            ASSERT_FALSE(result) << c.name;
            EXPECT_EQ(result.error().display(), "invalid input: " + c.message) << c.name;
        }
    }
}

TEST(ForecastFromState, RegressorsEnterTheMean) {
    const auto config = config_of({1, 0, 0}, Trend::TrendNone, 2);
    const auto params = params_of(config, {1.0, -2.0, 0.5, 1.0});
    const auto ss = state_space_of(config, params);
    const ExogColumns future{{1.0, 2.0}, {0.5, 0.25}};
    auto result = forecast_from_state(ss, Eigen::VectorXd::Constant(1, 4.0), Eigen::MatrixXd::Zero(1, 1), 2,
                                      FutureExog(future), params.exog, Trend::TrendNone, false, {}, 10, 1.0, 0.05);
    ASSERT_TRUE(result);
    EXPECT_DOUBLE_EQ(result->mean[0], 4.0 + 1.0 * 1.0 - 2.0 * 0.5);
    EXPECT_DOUBLE_EQ(result->mean[1], 2.0 + 1.0 * 2.0 - 2.0 * 0.25);
}

// AR(1), phi = 0.5, from a = 5 at n = 10: each step adds the trend at time n + i after
// propagating, so step 0 is the filter's prediction unchanged.
TEST(ForecastFromState, TrendEntersAfterEachPropagation) {
    struct Case {
        Trend trend;
        std::vector<double> coefs;
        std::vector<double> mean;
    };
    const Case cases[] = {
        {Trend::TrendConstant, {2.0}, {5.0, 2.5 + 2.0, 2.25 + 2.0}},
        {Trend::TrendLinear, {2.0}, {5.0, 2.5 + 20.0, 11.25 + 22.0}},
        {Trend::TrendConstantLinear, {1.0, 2.0}, {5.0, 2.5 + 21.0, 11.75 + 23.0}},
        {Trend::TrendNone, {}, {5.0, 2.5, 1.25}},
    };
    for (const auto& c : cases) {
        const auto config = config_of({1, 0, 0}, c.trend);
        std::vector<double> flat = c.coefs;
        flat.insert(flat.end(), {0.5, 1.0});
        const auto params = params_of(config, flat);
        const auto ss = state_space_of(config, params);
        auto result = forecast_from_state(ss, Eigen::VectorXd::Constant(1, 5.0), Eigen::MatrixXd::Zero(1, 1), 3,
                                          std::nullopt, {}, c.trend, false, params.trend, 10, 1.0, 0.05);
        ASSERT_TRUE(result);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_DOUBLE_EQ(result->mean[i], c.mean[i]) << "trend " << static_cast<int>(c.trend) << " step " << i;
    }
}

TEST(ForecastFromState, TrendStateOutsideTheStateFails) {
    const auto config = config_of({0, 0, 0}, Trend::TrendConstant);
    const auto params = params_of(config, {1.0, 1.0});
    auto ss = state_space_of(config, params);
    ss.k_diff = 1;
    auto result = forecast_from_state(ss, Eigen::VectorXd::Zero(1), Eigen::MatrixXd::Zero(1, 1), 2, std::nullopt,
                                      {}, Trend::TrendConstant, false, params.trend, 10, 1.0, 0.05);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(), "state space construction failed: trend state index 1 out of bounds (state dim=1)");
}

TEST(ForecastFromState, VariancesAndIntervals) {
    struct Case {
        std::string name;
        double sigma2;
        double p0;
        bool concentrate;
        double scale;
        std::vector<double> variance;
    };
    // AR(1), phi = 0.5: P_1 = 0.25 P_0 + sigma2, and P_2 = 0.25 P_1 + sigma2.
    const Case cases[] = {
        {"plain", 2.0, 1.0, false, 7.0, {1.0, 2.25, 2.5625}},
        {"concentrated scale", 1.0, 1.0, true, 3.0, {3.0, 3.75, 3.9375}},
        {"zero variance", 0.0, 0.0, false, 1.0, {0.0, 0.0, 0.0}},
        {"NaN variance", 1.0, kNaN, false, 1.0, {0.0, 0.0, 0.0}},
        {"negative variance", 0.0, -1.0, false, 1.0, {0.0, 0.0, 0.0}},
    };
    for (const auto& c : cases) {
        const auto config = config_of({1, 0, 0}, Trend::TrendNone, 0, false, c.concentrate);
        const auto params = params_of(config, c.concentrate ? std::vector<double>{0.5} : std::vector<double>{0.5, c.sigma2});
        const auto ss = state_space_of(config, params);
        auto result = forecast_from_state(ss, Eigen::VectorXd::Constant(1, 2.0), Eigen::MatrixXd::Constant(1, 1, c.p0),
                                          3, std::nullopt, {}, Trend::TrendNone, c.concentrate, {}, 10, c.scale, 0.05);
        ASSERT_TRUE(result) << c.name;
        const double z = interval_z(0.05);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(result->variance[i], c.variance[i]) << c.name << " step " << i;
            const double half = z * std::sqrt(c.variance[i]);
            EXPECT_DOUBLE_EQ(result->ci_lower[i], result->mean[i] - half) << c.name;
            EXPECT_DOUBLE_EQ(result->ci_upper[i], result->mean[i] + half) << c.name;
        }
    }
}

TEST(ForecastPipeline, NoStepsGivesEmptyResultsEvenWithRegressorsMissing) {
    const auto config = config_of({1, 0, 0}, Trend::TrendNone, 1);
    const auto params = params_of(config, {2.0, 0.5, 1.0});
    const auto y = sample_series(30);
    const ExogColumns exog{sample_series(30)};
    for (const bool simple : {false, true}) {
        auto c = config;
        c.simple_differencing = simple;
        auto result = forecast_pipeline(y, c, params, 0, exog, std::nullopt, 0.05);
        ASSERT_TRUE(result) << result.error().display();
        EXPECT_TRUE(result->mean.empty() && result->variance.empty() && result->ci_lower.empty() &&
                    result->ci_upper.empty());
    }
}

// Under simple differencing the forecasts are those of the stationary model on the
// differenced series, integrated back: a running sum from the last level for d = 1, and
// one season back from the last season of y (or the forecast s steps earlier) for D = 1.
TEST(ForecastPipeline, SimpleDifferencingIntegratesDifferencedForecasts) {
    struct Case {
        std::string name;
        SarimaxOrder order;
    };
    const Case cases[] = {
        {"d=1", {1, 1, 0, 0, 0, 0, 0}},
        {"D=1, s=4", {1, 0, 0, 0, 1, 0, 4}},
    };
    const auto y = sample_series(40);
    const std::size_t h = 9;
    for (const auto& c : cases) {
        const auto config = config_of(c.order, Trend::TrendNone, 0, true);
        const auto params = params_of(config, {0.6, 1.5});
        auto integrated = forecast_pipeline(y, config, params, h, {}, std::nullopt, 0.1);
        ASSERT_TRUE(integrated) << c.name;

        const auto stationary = config_of({1, 0, 0});
        const auto w = css::apply_differencing(y, config);
        auto differenced = forecast_pipeline(w, stationary, params_of(stationary, {0.6, 1.5}), h, {}, std::nullopt, 0.1);
        ASSERT_TRUE(differenced) << c.name;

        const std::size_t n = y.size();
        const std::size_t lag = c.order.d == 1 ? 1 : c.order.s;
        for (std::size_t i = 0; i < h; ++i) {
            const double base = i < lag ? y[n - lag + i] : integrated->mean[i - lag];
            const double base_var = i < lag ? 0.0 : integrated->variance[i - lag];
            EXPECT_NEAR(integrated->mean[i], base + differenced->mean[i], 1e-12) << c.name << " step " << i;
            EXPECT_NEAR(integrated->variance[i], base_var + differenced->variance[i], 1e-12) << c.name << " step " << i;
            const double half = interval_z(0.1) * std::sqrt(integrated->variance[i]);
            EXPECT_NEAR(integrated->ci_upper[i] - integrated->mean[i], half, 1e-12) << c.name;
            EXPECT_NEAR(integrated->mean[i] - integrated->ci_lower[i], half, 1e-12) << c.name;
        }
    }
}

TEST(UndoDifferencing, InitialsPerDifferencingLevel) {
    struct Case {
        std::string name;
        std::vector<double> y;
        std::size_t d, D, s;
        std::vector<double> initials;
    };
    const std::vector<double> squares{1, 4, 9, 16, 25};
    const Case cases[] = {
        {"no regular differencing", squares, 0, 0, 0, {}},
        {"d=1", squares, 1, 0, 0, {25}},
        {"d=2: most differenced first", squares, 2, 0, 0, {9, 25}},
        {"d=2 after a seasonal difference", squares, 2, 1, 2, {4, 16}},
        {"season not shorter than the series", squares, 1, 1, 5, {25}},
        {"too short to difference", {3}, 2, 0, 0, {0, 3}},
        {"empty", {}, 1, 0, 0, {0}},
    };
    for (const auto& c : cases) EXPECT_EQ(compute_undo_d_initials(c.y, c.d, c.D, c.s), c.initials) << c.name;
}

TEST(Residuals, VariancesOnTheDataScale) {
    // AR(1), phi = 0.5, y = [1, 2]: innovations [1, 1.5], F = [4/3, 1]; the concentrated
    // scale is (0.75 + 2.25) / 2.
    const std::vector<double> y{1.0, 2.0};
    struct Case {
        bool concentrate;
        std::vector<double> variances;
    };
    for (const Case& c : {Case{false, {4.0 / 3.0, 1.0}}, Case{true, {2.0, 1.5}}}) {
        const auto config = config_of({1, 0, 0}, Trend::TrendNone, 0, false, c.concentrate);
        const auto params = params_of(config, c.concentrate ? std::vector<double>{0.5} : std::vector<double>{0.5, 1.0});
        auto out = residuals_pipeline(y, config, params);
        ASSERT_TRUE(out) << out.error().display();
        ASSERT_EQ(out->residuals, (std::vector<double>{1.0, 1.5}));
        for (std::size_t t = 0; t < 2; ++t) {
            EXPECT_NEAR(out->prediction_variances[t], c.variances[t], 1e-12);
            EXPECT_NEAR(out->standardized_residuals[t], out->residuals[t] / std::sqrt(c.variances[t]), 1e-12);
        }
    }
}

// White noise with zero variance: once the first observation has been seen, every
// prediction variance is exactly zero.
TEST(Residuals, ZeroVarianceStandardizesToZero) {
    const auto config = config_of({0, 0, 0});
    const auto params = params_of(config, {0.0});
    auto out = residuals_pipeline(std::vector<double>{1.0, -2.0, 3.0}, config, params);
    ASSERT_TRUE(out) << out.error().display();
    EXPECT_EQ(out->residuals, (std::vector<double>{1.0, -2.0, 3.0}));
    for (std::size_t t = 1; t < 3; ++t) {
        EXPECT_EQ(out->prediction_variances[t], 0.0);
        EXPECT_EQ(out->standardized_residuals[t], 0.0);
    }
}

TEST(Residuals, SimpleDifferencingFiltersTheDifferencedPeriods) {
    const auto config = config_of({1, 1, 0}, Trend::TrendNone, 0, true);
    const auto params = params_of(config, {0.3, 1.0});
    auto out = residuals_pipeline(sample_series(25), config, params);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->residuals.size(), 24u);
    EXPECT_EQ(out->standardized_residuals.size(), 24u);
}

TEST(RollingOrigins, ChecksInOrder) {
    struct Case {
        std::string name;
        std::size_t n;
        bool simple_diff;
        std::size_t start, step, horizon;
        bool has_exog;
        std::string message;
    };
    const Case cases[] = {
        {"simple differencing first", 0, true, 0, 0, 0, false, "rolling_forecast does not support simple_differencing yet"},
        {"empty", 0, false, 0, 0, 0, false, "endog is empty"},
        {"start 0", 100, false, 0, 0, 0, false, "start must be in [1, n-1] = [1, 99], got 0"},
        {"start n", 100, false, 100, 0, 0, false, "start must be in [1, n-1] = [1, 99], got 100"},
        {"step before horizon", 100, false, 5, 0, 0, false, "step must be >= 1"},
        {"horizon", 100, false, 5, 1, 0, false, "horizon must be >= 1"},
        {"horizon past the regressors", 100, false, 5, 1, 101, true, "horizon 101 exceeds series length 100 for exog model"},
        {"start past the last origin", 100, false, 98, 5, 3, true,
         "start 98 exceeds max origin 97 (exog models cap origins at n - horizon)"},
    };
    for (const auto& c : cases) {
        const auto config = config_of({1, 0, 0}, Trend::TrendNone, c.has_exog ? 1 : 0, c.simple_diff);
        auto origins = rolling_origins(c.n, config, c.start, c.step, c.horizon, c.has_exog);
        ASSERT_FALSE(origins) << c.name;
        EXPECT_EQ(origins.error().display(), "invalid input: " + c.message) << c.name;
    }
}

TEST(RollingOrigins, OriginsUpToTheLastAdmissible) {
    const auto config = config_of({1, 0, 0});
    EXPECT_EQ(*rolling_origins(100, config, 90, 5, 3, false), (std::vector<std::size_t>{90, 95}));
    EXPECT_EQ(*rolling_origins(100, config, 90, 5, 3, true), (std::vector<std::size_t>{90, 95}));
    EXPECT_EQ(*rolling_origins(100, config, 97, 5, 3, true), (std::vector<std::size_t>{97}));
    EXPECT_EQ(*rolling_origins(100, config, 99, 1, 5, false), (std::vector<std::size_t>{99}));
    EXPECT_EQ(*rolling_origins(100, config, 1, std::numeric_limits<std::size_t>::max(), 1, false),
              (std::vector<std::size_t>{1}));
}

TEST(SnapshotMemoryCap, AcceptsTheCapExactly) {
    const std::string tail = " GiB > 2 GiB limit); increase `step`, raise `start`, or split the series into chunks";
    EXPECT_TRUE(check_snapshot_memory(kMaxSnapshotEntries, 1));
    EXPECT_TRUE(check_snapshot_memory(kMaxSnapshotEntries / 4, 2));
    auto over = check_snapshot_memory(kMaxSnapshotEntries + 1, 1);
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error().display(),
              "invalid input: rolling forecast would retain 268435457 origin snapshots of 1x1 state covariances (~2.0" + tail);
    auto overflow = check_snapshot_memory(std::numeric_limits<std::size_t>::max(), 2);
    ASSERT_FALSE(overflow);
    EXPECT_EQ(overflow.error().display(),
              "invalid input: rolling forecast would retain 18446744073709551615 origin snapshots of 2x2 state "
              "covariances (~17179869184.0" + tail);
    // Entries fit in 64 bits but their byte count does not.
    auto bytes_overflow = check_snapshot_memory(std::size_t{1} << 62, 1);
    ASSERT_FALSE(bytes_overflow);
    EXPECT_NE(bytes_overflow.error().display().find("(~17179869184.0 GiB"), std::string::npos);
}

// Seasonal AR at s = 256 has k = 256 states: 4096 origins hold exactly 2^28 entries.
TEST(RollingOrigins, MemoryCapCountsTheStateDimension) {
    const auto config = config_of({0, 0, 0, 1, 0, 0, 256});
    auto at_cap = rolling_origins(4097, config, 1, 1, 1, false);
    ASSERT_TRUE(at_cap);
    EXPECT_EQ(at_cap->size(), 4096u);
    auto over = rolling_origins(4098, config, 1, 1, 1, false);
    ASSERT_FALSE(over);
    EXPECT_NE(over.error().display().find("retain 4097 origin snapshots of 256x256 state covariances"),
              std::string::npos);
}

// Each row equals a forecast from the end of the series cut at its origin (no scale
// concentration, so the scale is the same) and may run past the sample.
TEST(RollingForecast, RowsMatchForecastsFromTheCutSeries) {
    const auto config = config_of({1, 1, 1}, Trend::TrendConstant);
    const auto params = params_of(config, {0.2, 0.4, 0.3, 1.3});
    const auto y = sample_series(60);
    auto rolling = rolling_forecast_pipeline(y, config, params, 50, 4, 12, {}, 0.2);
    ASSERT_TRUE(rolling) << rolling.error().display();
    EXPECT_EQ(rolling->origins, (std::vector<std::size_t>{50, 54, 58}));
    for (std::size_t r = 0; r < rolling->origins.size(); ++r) {
        const std::size_t t = rolling->origins[r];
        auto cut = forecast_pipeline(std::span<const double>(y).first(t), config, params, 12, {}, std::nullopt, 0.2);
        ASSERT_TRUE(cut);
        for (std::size_t i = 0; i < 12; ++i) {
            EXPECT_NEAR(rolling->mean[r][i], cut->mean[i], 1e-9) << "origin " << t << " step " << i;
            EXPECT_NEAR(rolling->variance[r][i], cut->variance[i], 1e-9 * cut->variance[i]) << "origin " << t;
            EXPECT_NEAR(rolling->ci_lower[r][i], cut->ci_lower[i], 1e-9) << "origin " << t;
            EXPECT_NEAR(rolling->ci_upper[r][i], cut->ci_upper[i], 1e-9) << "origin " << t;
        }
    }
}
