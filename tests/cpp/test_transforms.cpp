// Stationarity and invertibility transforms and the Jacobian-transpose product.
#include <gtest/gtest.h>

#include <Eigen/Eigenvalues>
#include <cmath>
#include <random>

#include "model/transforms.hpp"
#include "test_support.hpp"

using namespace velkora;
using namespace velkora::test_support;

namespace {

// Largest root modulus of z^n - phi_1 z^(n-1) - ... - phi_n: below 1 exactly when all roots
// of 1 - phi_1 L - ... - phi_n L^n lie outside the unit circle.
double companion_spectral_radius(const std::vector<double>& phi) {
    const auto n = static_cast<Eigen::Index>(phi.size());
    Eigen::MatrixXd C = Eigen::MatrixXd::Zero(n, n);
    for (Eigen::Index j = 0; j < n; ++j) C(0, j) = phi[static_cast<std::size_t>(j)];
    for (Eigen::Index i = 1; i < n; ++i) C(i, i - 1) = 1.0;
    return Eigen::EigenSolver<Eigen::MatrixXd>(C, false).eigenvalues().cwiseAbs().maxCoeff();
}
}  // namespace

TEST(Transforms, SingleCoefficientValues) {
    const auto at_zero = constrain_stationary(std::vector<double>{0.0});
    ASSERT_EQ(at_zero.size(), 1u);
    EXPECT_EQ(at_zero[0], 0.0);
    EXPECT_TRUE(std::signbit(at_zero[0]));
    EXPECT_DOUBLE_EQ(constrain_stationary(std::vector<double>{1.0})[0], -1.0 / std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(constrain_invertible(std::vector<double>{1.0})[0], 1.0 / std::sqrt(2.0));
    EXPECT_TRUE(constrain_stationary(std::vector<double>{}).empty());
    EXPECT_TRUE(unconstrain_stationary(std::vector<double>{}).empty());
}

TEST(Transforms, BoundaryInputStaysFinite) {
    // A unit root does not round-trip, but maps to a finite point.
    for (double x : unconstrain_stationary(std::vector<double>{1.0, 0.0})) EXPECT_TRUE(std::isfinite(x));
    EXPECT_TRUE(std::isnan(unconstrain_stationary(std::vector<double>{NAN})[0]));
}

// Seeded property table: every unconstrained point maps to a stationary (invertible)
// polynomial and maps back to itself.
TEST(Transforms, ConstrainedPolynomialsAreStationaryAndRoundTrip) {
    std::mt19937_64 rng(20240611);
    std::normal_distribution<double> draw(0.0, 2.0);
    for (std::size_t order = 1; order <= 8; ++order) {
        for (int trial = 0; trial < 25; ++trial) {
            std::vector<double> x(order);
            for (double& value : x) value = draw(rng);
            const auto phi = constrain_stationary(x);
            EXPECT_LT(companion_spectral_radius(phi), 1.0) << "order " << order;
            const auto back = unconstrain_stationary(phi);
            const auto theta = constrain_invertible(x);
            const auto back_ma = unconstrain_invertible(theta);
            for (std::size_t i = 0; i < order; ++i) {
                EXPECT_NEAR(back[i], x[i], 1e-8 * (1.0 + std::abs(x[i]))) << "order " << order;
                EXPECT_DOUBLE_EQ(theta[i], -phi[i]);
                EXPECT_NEAR(back_ma[i], x[i], 1e-8 * (1.0 + std::abs(x[i])));
            }
        }
    }
}

TEST(TransformParams, EachBlockFollowsItsFlag) {
    // trend c, one regressor, AR(2), MA(1), seasonal AR(1), seasonal MA(1), sigma2.
    auto config = make_config({2, 0, 1, 1, 0, 1, 4}, Trend::TrendConstant, 1);
    const std::vector<double> x = {0.3, -1.2, 0.4, -0.7, 1.1, 0.2, -0.5, 0.0};
    auto forward = transform_params_inner(x, config, true);
    ASSERT_TRUE(forward.has_value());
    const auto ar = constrain_stationary(std::vector<double>{0.4, -0.7});
    const std::vector<double> expected = {0.3, -1.2, ar[0], ar[1], constrain_invertible(std::vector<double>{1.1})[0],
                                          constrain_stationary(std::vector<double>{0.2})[0],
                                          constrain_invertible(std::vector<double>{-0.5})[0], 1.0};
    ASSERT_EQ(forward->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_DOUBLE_EQ((*forward)[i], expected[i]) << i;
    auto back = transform_params_inner(*forward, config, false);
    ASSERT_TRUE(back.has_value());
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR((*back)[i], x[i], 1e-12) << i;

    // Without enforcement the ARMA values are copied both ways, even non-stationary ones.
    config.enforce_stationarity = false;
    config.enforce_invertibility = false;
    const std::vector<double> explosive = {0.3, -1.2, 1.5, 0.9, 2.0, -3.0, 4.0, 2.0};
    for (bool direction : {true, false}) {
        auto copied = transform_params_inner(explosive, config, direction);
        ASSERT_TRUE(copied.has_value());
        for (std::size_t i = 0; i + 1 < explosive.size(); ++i) EXPECT_EQ((*copied)[i], explosive[i]);
    }
}

TEST(TransformParams, Errors) {
    const auto config = make_config({1, 0, 0, 0, 0, 0, 0});
    auto short_vector = transform_params_inner(std::vector<double>{0.5}, config, true);
    ASSERT_FALSE(short_vector.has_value());
    EXPECT_EQ(short_vector.error().kind(), ErrorKind::ParamLength);
    EXPECT_EQ(short_vector.error().display(), "parameter length mismatch: expected 2, got 1");

    auto zero_variance = transform_params_inner(std::vector<double>{0.5, 0.0}, config, false);
    ASSERT_FALSE(zero_variance.has_value());
    EXPECT_EQ(zero_variance.error().kind(), ErrorKind::DataError);
    EXPECT_EQ(zero_variance.error().display(), "data error: variance sigma2 must be positive, got 0");
    auto negative = transform_params_inner(std::vector<double>{0.5, -0.001}, config, false);
    ASSERT_FALSE(negative.has_value());
    EXPECT_EQ(negative.error().text(), "variance sigma2 must be positive, got -0.001");
    auto nan_variance = transform_params_inner(std::vector<double>{0.5, NAN}, config, false);
    ASSERT_TRUE(nan_variance.has_value());
    EXPECT_TRUE(std::isnan((*nan_variance)[1]));
}

TEST(TransformJacobian, MatchesAnalyticDerivatives) {
    // trend t, AR(1), sigma2: d phi/dx = -(1 + x^2)^(-3/2), d sigma2/dx = exp(x).
    const auto config = make_config({1, 0, 0, 0, 0, 0, 0}, Trend::TrendLinear);
    const std::vector<double> x = {0.7, 0.8, -0.3};
    const std::vector<double> v = {2.0, -1.5, 0.25};
    auto g = transform_jacobian_t_vec(x, config, v);
    ASSERT_TRUE(g.has_value());
    ASSERT_EQ(g->size(), 3u);
    EXPECT_NEAR((*g)[0], v[0], 1e-6);
    EXPECT_NEAR((*g)[1], v[1] * -std::pow(1.0 + 0.64, -1.5), 1e-6);
    EXPECT_NEAR((*g)[2], v[2] * std::exp(-0.3), 1e-6);

    auto empty = transform_jacobian_t_vec(std::vector<double>{}, make_config({}, Trend::TrendNone, 0, true),
                                          std::vector<double>{});
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
}

TEST(TransformJacobian, ErrorsBecomeText) {
    const auto config = make_config({1, 0, 0, 0, 0, 0, 0});
    auto ok = apply_transform_jacobian(std::vector<double>{1.0, 1.0}, std::vector<double>{0.1, 0.2}, config);
    ASSERT_TRUE(ok.has_value());
    EXPECT_EQ(ok->size(), 2u);
    auto bad = apply_transform_jacobian(std::vector<double>{1.0}, std::vector<double>{0.1}, config);
    ASSERT_FALSE(bad.has_value());
    EXPECT_EQ(bad.error(), "parameter length mismatch: expected 2, got 1");
}
