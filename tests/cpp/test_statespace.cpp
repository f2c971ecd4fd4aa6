// State-space builder, initialisation, the filter and its pipelines.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "statespace/initialization.hpp"
#include "statespace/kalman.hpp"
#include "statespace/pipeline.hpp"
#include "statespace/state_space.hpp"

using namespace velkora;

namespace {
SarimaxConfig config_of(SarimaxOrder order, bool concentrate = false, bool simple_diff = false,
                        Trend trend = Trend::TrendNone, std::size_t n_exog = 0) {
    SarimaxConfig c;
    c.order = order;
    c.concentrate_scale = concentrate;
    c.simple_differencing = simple_diff;
    c.trend = trend;
    c.n_exog = n_exog;
    return c;
}

StateSpace build(const SarimaxConfig& config, const std::vector<double>& flat, std::size_t n = 10,
                 const ExogColumns& exog = {}) {
    auto params = SarimaxParams::from_flat(flat, config);
    EXPECT_TRUE(params);
    auto ss = StateSpace::create(config, *params, n, exog);
    EXPECT_TRUE(ss) << ss.error().display();
    return *ss;
}

// Row-major listing of the positions of the non-zero entries of T.
std::vector<std::pair<int, int>> nonzeros(const Eigen::MatrixXd& T) {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < T.rows(); ++i)
        for (int j = 0; j < T.cols(); ++j)
            if (T(i, j) != 0.0) out.emplace_back(i, j);
    return out;
}

std::vector<double> ar1_series(std::size_t n, double phi, unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> noise;
    std::vector<double> y(n);
    double x = 0.0;
    for (auto& v : y) v = x = phi * x + noise(gen);
    return y;
}

const double kLn2PiExact = std::log(2.0 * std::numbers::pi);
}  // namespace

TEST(StateSpaceBuilder, SmallModels) {
    auto ar1 = build(config_of({1, 0, 0, 0, 0, 0, 0}), {0.5, 2.0});
    EXPECT_EQ(ar1.transition(0, 0), 0.5);
    EXPECT_EQ(ar1.state_cov(0, 0), 2.0);
    EXPECT_EQ(build(config_of({1, 0, 0, 0, 0, 0, 0}, true), {0.5}).state_cov(0, 0), 1.0);

    auto ma1 = build(config_of({0, 0, 1, 0, 0, 0, 0}), {0.4, 1.0});
    EXPECT_EQ(nonzeros(ma1.transition), (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(ma1.design, Eigen::Vector2d(1, 0));
    EXPECT_EQ(ma1.selection(1, 0), 0.4);

    auto ari = build(config_of({1, 1, 0, 0, 0, 0, 0}), {0.3, 1.0});
    EXPECT_EQ(ari.transition, (Eigen::Matrix2d() << 1, 1, 0, 0.3).finished());
    EXPECT_EQ(ari.design, Eigen::Vector2d(1, 1));
}

TEST(StateSpaceBuilder, SeasonalDifferencingLayout) {
    auto seasonal = build(config_of({0, 0, 0, 0, 1, 0, 4}), {1.0});
    EXPECT_EQ(seasonal.k_states, 5u);
    EXPECT_EQ(nonzeros(seasonal.transition),
              (std::vector<std::pair<int, int>>{{0, 3}, {0, 4}, {1, 0}, {2, 1}, {3, 2}}));
    EXPECT_EQ(seasonal.design, (Eigen::VectorXd(5) << 0, 0, 0, 1, 1).finished());

    auto simple = build(config_of({0, 0, 0, 0, 1, 0, 4}, false, true), {1.0});
    EXPECT_EQ(simple.k_states, 1u);
    EXPECT_EQ(simple.transition(0, 0), 0.0);

    auto both = build(config_of({0, 1, 0, 0, 1, 0, 4}), {1.0});
    EXPECT_EQ(nonzeros(both.transition),
              (std::vector<std::pair<int, int>>{{0, 0}, {0, 4}, {0, 5}, {1, 4}, {1, 5}, {2, 1}, {3, 2}, {4, 3}}));
    EXPECT_EQ(both.design, (Eigen::VectorXd(6) << 1, 0, 0, 0, 1, 1).finished());
}

TEST(StateSpaceBuilder, Intercepts) {
    EXPECT_EQ(StateSpace::build_state_intercept(3, 2, 0, Trend::TrendConstantLinear, std::vector<double>{1, 0.5}),
              (std::vector<double>{1, 0, 1.5, 0, 2, 0}));
    auto ss = build(config_of({0, 0, 0, 0, 0, 0, 0}, false, false, Trend::TrendNone, 2), {2.0, -1.0, 1.0}, 3,
                    {{1, 2, 3}, {10, 20, 30}});
    EXPECT_EQ(ss.obs_intercept, (std::vector<double>{-8, -16, -24}));
}

TEST(StateSpaceBuilder, Refusals) {
    SarimaxParams params;
    params.sigma2 = 1.0;
    auto d2 = StateSpace::create(config_of({0, 0, 0, 0, 2, 0, 12}), params, 10);
    ASSERT_FALSE(d2);
    EXPECT_EQ(d2.error().display(), "state space construction failed: Seasonal differencing D > 1 is not yet supported");
    auto s1 = StateSpace::create(config_of({0, 0, 0, 0, 1, 0, 1}), params, 10);
    ASSERT_FALSE(s1);
    EXPECT_EQ(s1.error().text(), "Seasonal differencing D=1 requires seasonal period s >= 2, got s=1");
    params.exog = {1.0};
    auto short_exog = StateSpace::create(config_of({0, 0, 0, 0, 0, 0, 0}, false, false, Trend::TrendNone, 1),
                                         params, 100, ExogColumns{std::vector<double>(99, 1.0)});
    ASSERT_FALSE(short_exog);
    EXPECT_EQ(short_exog.error().display(), "data error: exog column 0 has 99 rows but y has 100 observations");
}

TEST(Initialization, StationaryAndDiffuseStarts) {
    auto cfg = config_of({1, 0, 0, 0, 0, 0, 0});
    auto stationary = KalmanInit::from_config_default(build(cfg, {0.5, 1.0}), cfg);
    EXPECT_EQ(stationary.burn, 0u);
    EXPECT_NEAR(stationary.initial_cov(0, 0), 4.0 / 3.0, 1e-12);

    auto unit_root = KalmanInit::from_config_default(build(cfg, {1.0, 1.0}), cfg);
    EXPECT_EQ(unit_root.burn, 1u);
    EXPECT_EQ(unit_root.initial_cov(0, 0), 1e6);

    cfg.enforce_stationarity = false;
    auto diffuse = KalmanInit::from_config_default(build(cfg, {0.5, 1.0}), cfg);
    EXPECT_EQ(diffuse.kind, 0);
    EXPECT_EQ(diffuse.burn, 1u);

    auto arima = config_of({1, 1, 0, 0, 0, 0, 0});
    auto mixed = KalmanInit::from_config_default(build(arima, {0.5, 1.0}), arima);
    EXPECT_EQ(mixed.kind, 1);
    EXPECT_EQ(mixed.burn, 1u);
    EXPECT_EQ(mixed.initial_cov(0, 0), 1e6);
    EXPECT_NEAR(mixed.initial_cov(1, 1), 4.0 / 3.0, 1e-12);

    auto simple = config_of({1, 1, 0, 0, 0, 0, 0}, false, true);
    EXPECT_EQ(KalmanInit::from_config_default(build(simple, {0.5, 1.0}), simple).burn, 0u);

    Eigen::MatrixXd Q = Eigen::MatrixXd::Identity(2, 2) * 3.0;
    EXPECT_EQ(*lyapunov_doubling(Eigen::MatrixXd::Zero(2, 2), Q), Q);
}

TEST(KalmanFilter, WorkedAr1Values) {
    const std::vector<double> y{1.0, 2.0};
    auto full_cfg = config_of({1, 0, 0, 0, 0, 0, 0});
    auto params = SarimaxParams::from_flat(std::vector<double>{0.5, 1.0}, full_cfg);
    auto full = pipeline::kalman_eval(y, *params, full_cfg);
    ASSERT_TRUE(full);
    EXPECT_NEAR(full->loglike, -kLn2PiExact - 0.5 * std::log(4.0 / 3.0) - 1.5, 1e-14);
    EXPECT_EQ(full->innovations, (std::vector<double>{1.0, 1.5}));
    EXPECT_EQ(full->scale, 1.0);

    auto conc_cfg = config_of({1, 0, 0, 0, 0, 0, 0}, true);
    auto conc = pipeline::kalman_eval(y, *SarimaxParams::from_flat(std::vector<double>{0.5}, conc_cfg), conc_cfg);
    ASSERT_TRUE(conc);
    EXPECT_NEAR(conc->loglike, -kLn2PiExact - std::log(1.5) - 1.0 - 0.5 * std::log(4.0 / 3.0), 1e-14);
    EXPECT_EQ(conc->scale, 1.5);

    auto explosive = pipeline::kalman_eval(y, *SarimaxParams::from_flat(std::vector<double>{1.5, 1.0}, full_cfg),
                                           full_cfg);
    ASSERT_TRUE(explosive);
    EXPECT_NEAR(explosive->loglike, -0.5 * kLn2PiExact - 0.125, 1e-12);
}

TEST(KalmanFilter, Failures) {
    auto cfg = config_of({0, 1, 0, 0, 0, 0, 0});
    auto params = *SarimaxParams::from_flat(std::vector<double>{1.0}, cfg);
    auto too_short = pipeline::kalman_eval(std::vector<double>{1.0}, params, cfg);
    ASSERT_FALSE(too_short);
    EXPECT_EQ(too_short.error().display(), "data error: Not enough observations: n=1 <= burn=1");

    auto ar = config_of({1, 0, 0, 0, 0, 0, 0});
    auto nan_params = *SarimaxParams::from_flat(std::vector<double>{std::nan(""), 1.0}, ar);
    auto nan_run = pipeline::kalman_eval(ar1_series(20, 0.5, 1), nan_params, ar);
    ASSERT_FALSE(nan_run);
    EXPECT_EQ(nan_run.error().text(), "non-finite Kalman statistics encountered (possible NaN/Inf in inputs)");
}

TEST(KalmanFilter, SteadySwitchMatchesFullRecursion) {
    // AR(1) reaches its steady covariance at once; the frozen-gain steps must reproduce
    // the innovation variances of the full recursion.
    auto cfg = config_of({1, 0, 0, 0, 0, 0, 0});
    auto ss = build(cfg, {0.5, 1.0}, 20);
    auto init = KalmanInit::from_config_default(ss, cfg);
    auto out = kalman_core(ar1_series(20, 0.5, 3), ss, init, false, true);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->innovation_variances.size(), 20u);
    for (std::size_t t = 1; t < 20; ++t) EXPECT_NEAR(out->innovation_variances[t], 1.0, 1e-15);
}

TEST(KalmanFilter, DegenerateStepCountsWithLargeVariance) {
    // White noise with zero variance and a diffuse start: after the first observation
    // the state is known exactly, so every later step has F = 0.
    auto cfg = config_of({0, 0, 0, 0, 0, 0, 0});
    cfg.enforce_stationarity = false;
    auto params = *SarimaxParams::from_flat(std::vector<double>{0.0}, cfg);
    auto out = pipeline::kalman_eval(std::vector<double>{1.0, 2.0, 3.0}, params, cfg);
    ASSERT_TRUE(out);
    const double expected = -kLn2PiExact - 23.025850929940457 - 0.5 * (4.0 + 9.0) / 1e10;
    EXPECT_NEAR(out->loglike, expected, 1e-12);
}

TEST(KalmanFilter, SnapshotsAndOrigins) {
    auto cfg = config_of({1, 1, 1, 0, 0, 0, 0});
    const auto y = ar1_series(30, 0.7, 5);
    auto ss = build(cfg, {0.4, 0.2, 1.0}, y.size());
    auto init = KalmanInit::from_config_default(ss, cfg);
    const std::vector<std::size_t> origins{0, 5, 5, 30};
    auto run = kalman_filter_with_snapshots(y, ss, init, false, origins);
    ASSERT_TRUE(run);
    ASSERT_EQ(run->snapshots.size(), 4u);
    EXPECT_EQ(run->snapshots[0].state, init.initial_state);
    EXPECT_EQ(run->snapshots[0].cov, init.initial_cov);
    EXPECT_EQ(run->snapshots[1].time, 5u);
    EXPECT_EQ(run->snapshots[3].state, run->output.predicted_state);
    EXPECT_EQ(run->snapshots[3].cov, run->output.predicted_cov);

    const std::vector<std::size_t> unsorted{4, 2};
    auto bad = kalman_filter_with_snapshots(y, ss, init, false, unsorted);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().display(), "invalid input: snapshot origins must be sorted ascending and <= n=30, got [4, 2]");
}

TEST(KalmanFilter, BatchedEqualsSeparateRuns) {
    auto cfg = config_of({1, 0, 1, 1, 1, 0, 4}, false, false, Trend::TrendConstant);
    const std::size_t n = 60;
    auto ss = build(cfg, {0.1, 0.5, 0.3, -0.2, 1.3}, n);
    auto init = KalmanInit::from_config_default(ss, cfg);
    const ExogColumns series{ar1_series(n, 0.5, 7), ar1_series(n, 0.2, 8), ar1_series(n, -0.4, 9)};
    auto batched = kalman_filter_batched(series, ss, init);
    ASSERT_TRUE(batched);
    EXPECT_EQ(batched->nobs, n - init.burn);
    for (std::size_t i = 0; i < series.size(); ++i) {
        auto single = kalman_core(series[i], ss, init, false, true);
        ASSERT_TRUE(single);
        for (std::size_t t = 0; t < n; ++t) {
            EXPECT_NEAR(batched->innovations[i][t], single->innovations[t], 1e-9 * (1 + std::abs(single->innovations[t])));
            EXPECT_NEAR(batched->innovation_variances[t], single->innovation_variances[t],
                        1e-9 * single->innovation_variances[t]);
        }
    }
    const ExogColumns ragged{std::vector<double>(10), std::vector<double>(10), std::vector<double>(9)};
    auto bad = kalman_filter_batched(ragged, ss, init);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().text(), "kalman_filter_batched: series 2 has length 9 but series 0 has length 10");
    EXPECT_EQ(kalman_filter_batched(ExogColumns{}, ss, init).error().text(),
              "kalman_filter_batched: observations must contain at least one series");
}

TEST(Pipeline, SimpleDifferencing) {
    auto cfg = config_of({1, 1, 0, 0, 0, 0, 0}, false, true);
    const auto y = ar1_series(50, 0.9, 11);
    auto params = *SarimaxParams::from_flat(std::vector<double>{0.3, 1.0}, cfg);
    auto simple = pipeline::kalman_eval(y, params, cfg);
    ASSERT_TRUE(simple);
    EXPECT_EQ(simple->innovations.size(), 49u);
    EXPECT_EQ(simple->nobs, 49u);
    cfg.simple_differencing = false;
    auto in_state = pipeline::kalman_eval(y, params, cfg);
    ASSERT_TRUE(in_state);
    EXPECT_EQ(in_state->nobs, 49u);
    EXPECT_NE(in_state->loglike, simple->loglike);

    auto kept = pipeline::prepare_endog(y, cfg, ExogColumns{y});
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->series, y);
    EXPECT_FALSE(kept->exog.has_value());

    auto seasonal = config_of({0, 0, 0, 0, 1, 0, 4}, false, true);
    auto mismatch = pipeline::prepare_endog(y, seasonal, ExogColumns{std::vector<double>(3, 1.0)});
    ASSERT_FALSE(mismatch);
    EXPECT_EQ(mismatch.error().text(), "exog column 0 has 3 rows after simple_differencing, but y has 46 observations");
}
