// Start parameters: differencing, least squares, two-stage ARMA regressions and assembly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

#include "optimizer/hannan_rissanen.hpp"
#include "optimizer/least_squares.hpp"
#include "optimizer/start_differencing.hpp"
#include "optimizer/start_params.hpp"
#include "test_support.hpp"

using namespace velkora;
using namespace velkora::test_support;
using namespace velkora::start_params;

namespace {

// phi(L) Phi(L^s) y = theta(L) e with one coefficient per polynomial, after a burn-in.
std::vector<double> simulate_arma(std::size_t n, double phi, double theta, double seasonal_phi, std::size_t s,
                                  unsigned seed) {
    const std::size_t burn = 200;
    const auto e = white_noise(n + burn, seed);
    std::vector<double> y(n + burn, 0.0);
    for (std::size_t t = 0; t < y.size(); ++t) {
        double v = e[t];
        if (t >= 1) v += phi * y[t - 1] + theta * e[t - 1];
        if (s > 0 && t >= s) v += seasonal_phi * y[t - s];
        if (s > 0 && t >= s + 1) v -= phi * seasonal_phi * y[t - s - 1];
        y[t] = v;
    }
    return {y.begin() + burn, y.end()};
}

double mean(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0) / v.size(); }

double population_variance(const std::vector<double>& v) {
    const double m = mean(v);
    double s = 0.0;
    for (double x : v) s += (x - m) * (x - m);
    return s / v.size();
}

TEST(StartDifferencing, RegularAndSeasonalPasses) {
    const std::vector<double> x{1, 4, 9, 16, 25, 36};
    EXPECT_EQ(difference(x, 0), x);
    EXPECT_EQ(difference(x, 1), (std::vector<double>{3, 5, 7, 9, 11}));
    EXPECT_EQ(difference(x, 2), (std::vector<double>{2, 2, 2, 2}));
    EXPECT_TRUE(difference(std::vector<double>{5}, 1).empty());
    EXPECT_TRUE(difference(std::vector<double>{1, 2}, 3).empty());
    EXPECT_EQ(seasonal_difference(x, 1, 0), x);
    EXPECT_EQ(seasonal_difference(x, 1, 2), (std::vector<double>{8, 12, 16, 20}));
    EXPECT_EQ(seasonal_difference(x, 2, 2), (std::vector<double>{8, 8}));
    EXPECT_TRUE(seasonal_difference(x, 1, 6).empty());
    EXPECT_TRUE(seasonal_difference(x, 3, 2).empty());
    const std::vector<std::vector<double>> columns{x, {1, 2, 4, 8, 16, 32}};
    const auto cols = difference_exog_cols(columns, 1, 1, 2);
    EXPECT_EQ(cols[0], (std::vector<double>{4, 4, 4}));
    EXPECT_EQ(cols[1], (std::vector<double>{3, 6, 12}));
}

TEST(OlsPinv, EdgeCasesAndMinimumNorm) {
    EXPECT_EQ(*ols_pinv({}, std::vector<double>{1, 2}), std::vector<double>{});
    const std::vector<std::vector<double>> two{{1, 2, 3}, {1, 1, 1}};
    EXPECT_EQ(*ols_pinv(two, {}), (std::vector<double>{0, 0}));
    EXPECT_FALSE(ols_pinv(two, std::vector<double>{1.0}));

    // Exact fit over the shortest length: target 2 a + 3 b on the first three rows.
    const std::vector<std::vector<double>> cols{{1, 2, 3, 4}, {0, 1, 0}};
    const auto beta = ols_pinv(cols, std::vector<double>{2, 7, 6, 100, 100});
    ASSERT_TRUE(beta);
    EXPECT_NEAR((*beta)[0], 2.0, 1e-12);
    EXPECT_NEAR((*beta)[1], 3.0, 1e-12);

    // Two equal columns: the minimum-norm solution splits the weight evenly.
    const std::vector<std::vector<double>> twins{{1, 2, 3}, {1, 2, 3}};
    const auto split = ols_pinv(twins, std::vector<double>{2, 4, 6});
    ASSERT_TRUE(split);
    EXPECT_NEAR((*split)[0], 1.0, 1e-12);
    EXPECT_NEAR((*split)[1], 1.0, 1e-12);

    // Singular values at or below the tolerance count as zero.
    Eigen::MatrixXd tiny(2, 1);
    tiny << 1e-13, 0.0;
    EXPECT_EQ((*svd_least_squares(tiny, Eigen::VectorXd::Ones(2)))(0), 0.0);
}

TEST(TwoStage, RecoversArmaCoefficients) {
    const auto ar = simulate_arma(2000, 0.6, 0.0, 0.0, 0, 1);
    const std::vector<std::size_t> lag1{1};
    const auto ar_fit = css_two_stage(ar, lag1, {});
    ASSERT_TRUE(ar_fit);
    EXPECT_NEAR(ar_fit->ar[0], 0.6, 0.05);
    EXPECT_TRUE(ar_fit->ma.empty());
    EXPECT_NEAR(ar_fit->variance, 1.0, 0.1);

    const auto arma = simulate_arma(5000, 0.5, 0.4, 0.0, 0, 2);
    const auto arma_fit = css_two_stage(arma, lag1, lag1);
    ASSERT_TRUE(arma_fit);
    EXPECT_NEAR(arma_fit->ar[0], 0.5, 0.1);
    EXPECT_NEAR(arma_fit->ma[0], 0.4, 0.1);
    EXPECT_NEAR(arma_fit->variance, 1.0, 0.1);

    const auto seasonal = simulate_arma(3000, 0.0, 0.0, 0.5, 4, 3);
    const std::vector<std::size_t> lag4{4};
    const auto seasonal_fit = css_two_stage(seasonal, lag4, {});
    ASSERT_TRUE(seasonal_fit);
    EXPECT_NEAR(seasonal_fit->ar[0], 0.5, 0.05);
}

TEST(TwoStage, FailsOnSeriesTooShortForTheLags) {
    const std::vector<double> five{1, -2, 3, 1, 2};
    const std::vector<double> six{1, -2, 3, 1, 2, -1};
    const std::vector<std::size_t> lag1{1}, lag3{3};
    // One MA lag: start 3, so n must exceed 5.
    EXPECT_FALSE(css_two_stage(five, {}, lag1));
    EXPECT_TRUE(css_two_stage(six, {}, lag1));
    // AR lag 3: start 3.
    EXPECT_FALSE(css_two_stage(five, lag3, {}));
    EXPECT_TRUE(css_two_stage(six, lag3, {}));
}

TEST(TwoStage, ArResidualsAndSeasonalResiduals) {
    const std::vector<double> w{1, 2, 4, 8, 16};
    EXPECT_EQ(ar_residuals(w, {}), w);
    EXPECT_EQ(ar_residuals(w, std::vector<double>{2.0}), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(ar_residuals(w, std::vector<double>{1.0, 0.5}), (std::vector<double>{1.5, 3, 6}));
    EXPECT_TRUE(ar_residuals(w, std::vector<double>(5, 0.1)).empty());
    EXPECT_EQ(seasonal_ar_residuals(w, std::vector<double>{1.0}, 2), (std::vector<double>{3, 6, 12}));
    EXPECT_EQ(seasonal_ar_residuals(w, {}, 2), w);
    EXPECT_TRUE(seasonal_ar_residuals(w, std::vector<double>{1.0, 1.0}, 3).empty());
}

struct OrderCase {
    SarimaxOrder order;
    Trend trend;
    std::size_t n_exog;
    bool concentrate;
};

class StartParamsOrders : public ::testing::TestWithParam<OrderCase> {};

TEST_P(StartParamsOrders, FullLengthFiniteAndInsideTheGuard) {
    const OrderCase& c = GetParam();
    const auto config = make_config(c.order, c.trend, c.n_exog, c.concentrate);
    auto y = simulate_arma(300, 0.5, 0.3, 0.4, 12, 7);
    for (std::size_t t = 0; t < y.size(); ++t) y[t] += 0.05 * t;
    std::vector<std::vector<double>> exog;
    for (std::size_t j = 0; j < c.n_exog; ++j) exog.push_back(white_noise(300, 20 + j));

    const auto start = compute_start_params(y, config, exog);
    ASSERT_TRUE(start) << start.error().display();
    ASSERT_EQ(start->size(), config.param_count());
    for (double v : *start) EXPECT_TRUE(std::isfinite(v));
    const std::size_t arma_begin = trend_param_count(c.trend) + c.n_exog;
    const std::size_t arma_end = arma_begin + c.order.p + c.order.q + c.order.P + c.order.Q;
    for (std::size_t i = arma_begin; i < arma_end; ++i) EXPECT_LE(std::abs((*start)[i]), 0.99) << i;
    if (!c.concentrate) {
        EXPECT_GE(start->back(), 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, StartParamsOrders,
    ::testing::Values(OrderCase{{0, 0, 0, 0, 0, 0, 0}, Trend::TrendNone, 0, true},
                      OrderCase{{0, 0, 0, 0, 0, 0, 0}, Trend::TrendNone, 0, false},
                      OrderCase{{1, 0, 0, 0, 0, 0, 0}, Trend::TrendConstant, 0, false},
                      OrderCase{{2, 1, 1, 0, 0, 0, 0}, Trend::TrendLinear, 0, false},
                      OrderCase{{0, 1, 1, 0, 1, 1, 12}, Trend::TrendNone, 0, false},
                      OrderCase{{2, 1, 1, 1, 1, 1, 12}, Trend::TrendNone, 2, false},
                      OrderCase{{1, 0, 1, 2, 0, 1, 12}, Trend::TrendConstantLinear, 1, true},
                      OrderCase{{3, 0, 2, 0, 0, 0, 0}, Trend::TrendConstant, 0, false}));

TEST(StartParams, EmptyModelWithConcentratedScaleIsEmpty) {
    const auto y = white_noise(50, 4);
    const auto start = compute_start_params(y, make_config({}, Trend::TrendNone, 0, true));
    ASSERT_TRUE(start);
    EXPECT_TRUE(start->empty());
}

TEST(StartParams, PureRegressionWithConstant) {
    // y = 5 + 2 x + noise with d = 1: everything is estimated on the differenced series.
    const std::size_t n = 80;
    const auto x = white_noise(n, 11);
    const auto noise = white_noise(n, 12);
    std::vector<double> y(n);
    double level = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        level += 5.0 + 0.1 * noise[t];
        y[t] = level + 2.0 * x[t];
    }
    const auto config = make_config({0, 1, 0, 0, 0, 0, 0}, Trend::TrendConstant, 1);
    const std::vector<std::vector<double>> exog{x};
    const auto start = compute_start_params(y, config, exog);
    ASSERT_TRUE(start);
    ASSERT_EQ(start->size(), 3u);

    const auto w = difference(y, 1);
    const auto dx = difference(x, 1);
    const double b0 = mean(w);
    EXPECT_NEAR((*start)[0], b0, 1e-10);
    // Regression through the origin of the demeaned differences on the differenced regressor.
    double sxy = 0.0, sxx = 0.0;
    for (std::size_t t = 0; t < w.size(); ++t) {
        sxy += dx[t] * (w[t] - b0);
        sxx += dx[t] * dx[t];
    }
    const double beta = sxy / sxx;
    EXPECT_NEAR((*start)[1], beta, 1e-10);
    EXPECT_NEAR(beta, 2.0, 0.05);
    std::vector<double> r(w.size());
    for (std::size_t t = 0; t < w.size(); ++t) r[t] = w[t] - b0 - beta * dx[t];
    EXPECT_NEAR((*start)[2], std::max(population_variance(r), 1e-6), 1e-10);
}

TEST(StartParams, ShortRegressorsAdjustOnlyTheirLeadingRows) {
    const auto y = white_noise(40, 13);
    const auto x = white_noise(25, 14);
    const auto config = make_config({}, Trend::TrendNone, 1);
    const std::vector<std::vector<double>> exog{x};
    const auto start = compute_start_params(y, config, exog);
    ASSERT_TRUE(start);
    double sxy = 0.0, sxx = 0.0;
    for (std::size_t t = 0; t < 25; ++t) {
        sxy += x[t] * y[t];
        sxx += x[t] * x[t];
    }
    const double beta = sxy / sxx;
    EXPECT_NEAR((*start)[0], beta, 1e-12);
    std::vector<double> w = y;
    for (std::size_t t = 0; t < 25; ++t) w[t] -= beta * x[t];
    EXPECT_NEAR((*start)[1], population_variance(w), 1e-12);
}

TEST(StartParams, RandomWalkArEstimateIsZeroedByTheGuard) {
    const auto steps = white_noise(500, 5);
    std::vector<double> walk(steps.size());
    std::partial_sum(steps.begin(), steps.end(), walk.begin());
    const auto start = compute_start_params(walk, make_config({1, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(start);
    EXPECT_EQ((*start)[0], 0.0);
    // The variance still comes from the two-stage regression on the unguarded estimate.
    EXPECT_NEAR((*start)[1], 1.0, 0.15);
}

TEST(StartParams, SeasonalBlocksNeedAPeriod) {
    const auto y = simulate_arma(300, 0.5, 0.0, 0.5, 4, 6);
    const auto with_period = compute_start_params(y, make_config({1, 0, 0, 1, 0, 1, 4}));
    ASSERT_TRUE(with_period);
    EXPECT_NEAR((*with_period)[1], 0.5, 0.2);
    const auto without_period = compute_start_params(y, make_config({1, 0, 0, 1, 0, 1, 0}));
    ASSERT_TRUE(without_period);
    EXPECT_EQ((*without_period)[1], 0.0);
    EXPECT_EQ((*without_period)[2], 0.0);
    EXPECT_EQ((*without_period)[0], (*with_period)[0]);
}

TEST(StartParams, TooShortSeriesFallBackToZerosAndResidualVariance) {
    // Fewer than three differenced values: all zeros.
    const auto zeros = compute_start_params(std::vector<double>{1, 3, 2, 5}, make_config({1, 2, 1, 0, 0, 0, 0}));
    ASSERT_TRUE(zeros);
    EXPECT_EQ(*zeros, (std::vector<double>{0, 0, 0}));

    // Five values with q = 1 (at most 2 + 3q): the two-stage regression fails, so ARMA
    // starts at zero and the variance is that of the zero-AR residuals, the series less its
    // first value.
    const std::vector<double> y{1.0, -2.0, 0.5, 3.0, -1.0};
    const auto start = compute_start_params(y, make_config({1, 0, 1, 0, 0, 0, 0}));
    ASSERT_TRUE(start);
    EXPECT_EQ((*start)[0], 0.0);
    EXPECT_EQ((*start)[1], 0.0);
    EXPECT_NEAR((*start)[2], population_variance({y.begin() + 1, y.end()}), 1e-12);
}

TEST(StartParams, MissingRegressorColumnsBreakTheLength) {
    const auto y = white_noise(60, 8);
    const std::vector<std::vector<double>> one_column{white_noise(60, 9)};
    const auto start = compute_start_params(y, make_config({1, 0, 0, 0, 0, 0, 0}, Trend::TrendNone, 2), one_column);
    ASSERT_FALSE(start);
    EXPECT_EQ(start.error().kind(), ErrorKind::DataError);
    EXPECT_EQ(start.error().display(), "data error: failed to build start params: expected length 4, got 3");
}

}  // namespace
