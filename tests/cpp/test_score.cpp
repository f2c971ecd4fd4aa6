// Analytic score against finite differences of the filter's log-likelihood.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "model/params.hpp"
#include "score/score.hpp"
#include "statespace/kalman.hpp"
#include "statespace/pipeline.hpp"
#include "test_support.hpp"

using namespace velkora;
using namespace velkora::test_support;

namespace {

struct ScoreCase {
    std::string name;
    SarimaxConfig config;
    std::vector<double> params;   // flat, constrained
    std::size_t n = 0;
    double level = 0.0;           // added to the simulated series
    double exog_scale = 1.0;      // standard deviation of the regressors
    double relative_step = 1e-4;  // finite-difference step per unit of the parameter
};

// A seeded series: an ARMA(1,1) with drift, integrated once, plus a seasonal wave, and
// regressor columns of independent noise.
struct Data {
    std::vector<double> y;
    ExogColumns exog;
};

Data simulate(std::size_t n, std::size_t n_exog, double level, double exog_scale, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    Data data;
    data.y.resize(n);
    double w = 0.0, e_prev = 0.0, sum = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        const double e = noise(rng);
        w = 0.6 * w + e + 0.3 * e_prev + 0.05;
        e_prev = e;
        sum += 0.2 * w;
        data.y[t] = level + sum + w + 2.0 * std::sin(static_cast<double>(t) * 1.5707963267948966);
    }
    data.exog.assign(n_exog, std::vector<double>(n));
    for (auto& column : data.exog)
        for (double& x : column) x = exog_scale * noise(rng);
    for (std::size_t j = 0; j < n_exog; ++j)
        for (std::size_t t = 0; t < n; ++t) data.y[t] += (0.5 + static_cast<double>(j)) * data.exog[j][t];
    return data;
}

double loglike_at(const Data& data, const std::vector<double>& flat, const SarimaxConfig& config) {
    auto params = SarimaxParams::from_flat(flat, config);
    EXPECT_TRUE(params.has_value());
    auto out = pipeline::kalman_eval(data.y, *params, config, data.exog);
    EXPECT_TRUE(out.has_value()) << (out ? "" : out.error().display());
    return out ? out->loglike : std::numeric_limits<double>::quiet_NaN();
}

// Five-point central difference; also returns the step used.
double central_difference(const Data& data, std::vector<double> flat, const SarimaxConfig& config,
                          std::size_t i, double relative_step, double& step) {
    const double x = flat[i];
    step = relative_step * std::max(1.0, std::abs(x));
    auto at = [&](double offset) {
        flat[i] = x + offset;
        return loglike_at(data, flat, config);
    };
    return (8.0 * (at(step) - at(-step)) - (at(2.0 * step) - at(-2.0 * step))) / (12.0 * step);
}

// (d, D, s) below: differencing enters the state unless simple_differencing is set.
std::vector<ScoreCase> panel() {
    std::vector<ScoreCase> cases;
    cases.push_back({"arma_constant_regressor", make_config({1, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant, 1, false),
                     {0.3, 0.4, 0.55, 0.35, 1.3}, 120});
    // An AR(2) with a stationary start has a constant predicted covariance from t = 2 on:
    // the pass runs steady from t = 7.
    cases.push_back({"ar2_steady_ct_concentrated", make_config({2, 0, 0, 0, 0, 0, 0}, Trend::TrendConstantLinear, 0, true),
                     {0.2, 0.01, 0.5, -0.2}, 150});
    // Diffuse starts (variance 1e6) cost the filter about six digits, so models with
    // diffuse states take a wider step.
    cases.push_back({"d1_D1_linear_trend", make_config({1, 1, 1, 1, 1, 1, 4}, Trend::TrendLinear, 0, false),
                     {0.002, 0.3, -0.4, -0.2, -0.5, 0.9}, 100, 0.0, 1.0, 1e-3});
    cases.push_back({"ar_seasonal_arma_regressors_concentrated",
                     make_config({1, 0, 0, 1, 0, 1, 4}, Trend::TrendNone, 2, true), {0.4, 1.6, 0.5, -0.3, 0.35}, 110});
    {
        auto config = make_config({1, 1, 1, 0, 1, 0, 4}, Trend::TrendConstant, 1, false);
        config.simple_differencing = true;
        cases.push_back({"simple_differencing", config, {0.05, 0.45, 0.3, 0.2, 1.1}, 90});
    }
    {
        auto config = make_config({2, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant, 0, false);
        config.enforce_stationarity = false;
        cases.push_back({"diffuse_without_stationarity", config, {0.4, 0.5, 0.1, 0.3, 0.8}, 80, 0.0, 1.0, 1e-3});
    }
    {
        // A negative shock variance makes every predicted variance after the first
        // (uncounted) observation negative, so every counted step is degenerate, whatever
        // the rounding of the first update. Large values lift the 1e-10-weighted
        // innovations above the differencing noise, and a wide step is exact for the trend
        // and regression coefficients, in which the log-likelihood is quadratic.
        auto config = make_config({1, 0, 0, 0, 0, 0, 0}, Trend::TrendConstant, 1, false);
        config.enforce_stationarity = false;
        cases.push_back({"degenerate_steps", config, {3.0, 0.7, 0.5, -1.0}, 60, 1e4, 1e3, 1e-2});
    }
    return cases;
}

// A case's series and model as the fit would filter them.
struct PreparedCase {
    explicit PreparedCase(const ScoreCase& c)
        : config(c.config),
          data(simulate(c.n, c.config.n_exog, c.level, c.exog_scale, 7919 + c.n)),
          params(*SarimaxParams::from_flat(c.params, c.config)),
          model(pipeline::prepare_model(data.y, params, c.config, data.exog)) {}

    [[nodiscard]] std::span<const std::vector<double>> exog() const {
        return pipeline::regressors_in_effect(model->endog, config, data.exog);
    }
    [[nodiscard]] const std::vector<double>& y() const { return model->endog.series; }

    [[nodiscard]] Result<std::vector<double>> score() const {
        return score::score(y(), y().size(), model->ss, model->init, config, params, config.concentrate_scale, exog());
    }
    [[nodiscard]] Result<std::vector<std::vector<double>>> score_obs() const {
        return score::score_obs(y(), y().size(), model->ss, model->init, config, params, config.concentrate_scale,
                                exog());
    }
    [[nodiscard]] Result<score::ScoreAndLoglike> score_with_loglike() const {
        return score::score_with_loglike(y(), y().size(), model->ss, model->init, config, params,
                                         config.concentrate_scale, exog());
    }

    SarimaxConfig config;
    Data data;
    SarimaxParams params;
    Result<pipeline::PreparedModel> model;
};

class ScorePanel : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(ScorePanel, MatchesFiniteDifferences) {
    const ScoreCase& c = GetParam();
    const Data data = simulate(c.n, c.config.n_exog, c.level, c.exog_scale, 7919 + c.n);
    auto params = SarimaxParams::from_flat(c.params, c.config);
    ASSERT_TRUE(params.has_value());
    auto analytic = score::score_from_params(data.y, *params, c.config, data.exog);
    ASSERT_TRUE(analytic.has_value()) << analytic.error().display();
    ASSERT_EQ(analytic->size(), c.params.size());

    const double loglike = loglike_at(data, c.params, c.config);
    for (std::size_t i = 0; i < c.params.size(); ++i) {
        double step = 0.0;
        const double numeric = central_difference(data, c.params, c.config, i, c.relative_step, step);
        // Relative 1e-5, with an absolute floor a thousand times the rounding noise of
        // the difference quotient (machine epsilon times |loglike| over the step).
        const double noise = std::numeric_limits<double>::epsilon() * std::max(1.0, std::abs(loglike)) / step;
        const double tolerance = std::max(1e-5 * std::abs(numeric), 1e3 * noise);
        EXPECT_NEAR((*analytic)[i], numeric, tolerance) << c.name << ", parameter " << i;
    }
}

TEST_P(ScorePanel, ObservationRowsSumToScore) {
    const ScoreCase& c = GetParam();
    const PreparedCase prepared(c);
    ASSERT_TRUE(prepared.model.has_value());

    auto total = prepared.score();
    auto rows = prepared.score_obs();
    ASSERT_TRUE(total.has_value());
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), prepared.y().size() - prepared.model->init.burn);
    for (std::size_t i = 0; i < total->size(); ++i) {
        double sum = 0.0, magnitude = 0.0;
        for (const auto& row : *rows) {
            sum += row[i];
            magnitude += std::abs(row[i]);
        }
        EXPECT_NEAR(sum, (*total)[i], 1e-12 * magnitude + 1e-300) << c.name << ", parameter " << i;
    }
}

// The value of the same pass is the filter's log-likelihood; the gradient is score's.
TEST_P(ScorePanel, LoglikeFromTheTangentPassMatchesTheFilter) {
    const ScoreCase& c = GetParam();
    const PreparedCase prepared(c);
    ASSERT_TRUE(prepared.model.has_value());

    auto both = prepared.score_with_loglike();
    auto total = prepared.score();
    auto filtered = kalman_loglike(prepared.y(), prepared.model->ss, prepared.model->init, c.config.concentrate_scale);
    ASSERT_TRUE(both.has_value());
    ASSERT_TRUE(total.has_value());
    ASSERT_TRUE(filtered.has_value());
    EXPECT_EQ(both->gradient, *total) << c.name;
    EXPECT_NEAR(both->loglike, filtered->loglike, 1e-10 * std::max(1.0, std::abs(filtered->loglike))) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Models, ScorePanel, ::testing::ValuesIn(panel()),
                         [](const auto& info) { return info.param.name; });

// The fixture really takes the branch it is named for.
TEST(ScoreFixtures, DegenerateCaseHasNegativeVariances) {
    auto config = make_config({1, 0, 0, 0, 0, 0, 0}, Trend::TrendConstant, 1, false);
    config.enforce_stationarity = false;
    const Data data = simulate(60, 1, 1e4, 1e3, 7919 + 60);
    auto params = SarimaxParams::from_flat(std::vector<double>{3.0, 0.7, 0.5, -1.0}, config);
    auto ss = StateSpace::create(config, *params, 60, data.exog);
    const KalmanInit init = KalmanInit::from_config_default(*ss, config);
    auto out = kalman_core(data.y, *ss, init, false, true);
    ASSERT_TRUE(out.has_value());
    for (std::size_t t = 1; t < 60; ++t) EXPECT_LT(out->innovation_variances[t], 0.0) << t;
}

TEST(ScoreEdges, ShortSeriesAndNoParameters) {
    // (0,0,0) with a concentrated scale has no parameters.
    const auto config = make_config({}, Trend::TrendNone, 0, true);
    SarimaxParams params;
    const std::vector<double> y = {1.0, -2.0, 0.5};
    auto ss = StateSpace::create(config, params, y.size());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config);
    auto empty = score::score(y, y.size(), *ss, init, config, params, true);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
    auto rows = score::score_obs(y, y.size(), *ss, init, config, params, true);
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->size(), 3u);
    for (const auto& row : *rows) EXPECT_TRUE(row.empty());

    const KalmanInit diffuse = KalmanInit::approximate_diffuse(1);
    auto too_short = score::score(std::span(y).first(1), 1, *ss, diffuse, config, params, true);
    ASSERT_FALSE(too_short.has_value());
    EXPECT_EQ(too_short.error().display(), "data error: Not enough observations: n=1 <= burn=1");
    auto one_row = score::score_obs(std::span(y).first(2), 2, *ss, diffuse, config, params, true);
    ASSERT_TRUE(one_row.has_value());
    EXPECT_EQ(one_row->size(), 1u);
}

TEST(ScoreEdges, ZeroConcentratedScaleFails) {
    const auto config = make_config({1, 0, 0, 0, 0, 0, 0}, Trend::TrendNone, 0, true);
    auto params = SarimaxParams::from_flat(std::vector<double>{0.5}, config);
    const std::vector<double> y(20, 0.0);
    auto ss = StateSpace::create(config, *params, y.size());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config);
    auto total = score::score(y, y.size(), *ss, init, config, *params, true);
    ASSERT_FALSE(total.has_value());
    EXPECT_EQ(total.error().display(), "data error: concentrated sigma^2 <= 0 in score computation");
    auto rows = score::score_obs(y, y.size(), *ss, init, config, *params, true);
    ASSERT_FALSE(rows.has_value());
    EXPECT_EQ(rows.error().text(), "concentrated sigma^2 <= 0 in score_obs computation");
}

}  // namespace
