// Orders, errors, parameter splitting, lag polynomials and differencing.
#include <gtest/gtest.h>

#include <cmath>

#include "model/differencing.hpp"
#include "model/error.hpp"
#include "model/number_format.hpp"
#include "model/params.hpp"
#include "model/polynomial.hpp"
#include "test_support.hpp"

using namespace velkora;
using namespace velkora::test_support;

TEST(Order, StateDimension) {
    EXPECT_EQ((SarimaxOrder{0, 0, 0, 0, 0, 0, 0}).k_states(), 1u);
    EXPECT_EQ((SarimaxOrder{2, 1, 1, 1, 1, 1, 12}).k_arma(), 14u);
    EXPECT_EQ((SarimaxOrder{2, 1, 1, 1, 1, 1, 12}).k_states(), 27u);
    EXPECT_EQ((SarimaxOrder{0, 0, 3, 0, 0, 0, 0}).k_states(), 4u);
    EXPECT_EQ((SarimaxOrder{20, 3, 20, 4, 2, 4, 365}).k_states(), 2214u);
}

TEST(Error, DisplayTexts) {
    EXPECT_EQ(SarimaxError::param_length(5, 4).display(), "parameter length mismatch: expected 5, got 4");
    EXPECT_EQ(SarimaxError::data_error("x").display(), "data error: x");
    EXPECT_EQ(SarimaxError::invalid_input("x").display(), "invalid input: x");
    EXPECT_EQ(SarimaxError::state_space_build("x").display(), "state space construction failed: x");
    EXPECT_EQ(SarimaxError::optimization("x").display(), "optimization failed: x");
    EXPECT_EQ(SarimaxError::inference_failed("x").display(), "inference computation failed: x");
    EXPECT_EQ(SarimaxError::cholesky_failed().display(),
              "Cholesky decomposition failed: covariance matrix is not positive-definite");
    EXPECT_EQ(SarimaxError::non_stationary_ar().display(), "non-stationary AR polynomial");
    EXPECT_EQ(SarimaxError::non_invertible_ma().display(), "non-invertible MA polynomial");
}

TEST(NumberFormat, ShortestAndPlain) {
    EXPECT_EQ(plain_double(1.0), "1");
    EXPECT_EQ(plain_double(0.0), "0");
    EXPECT_EQ(plain_double(1.5), "1.5");
    EXPECT_EQ(plain_double(1e-5), "0.00001");
    EXPECT_EQ(shortest_double(0.1), "0.1");
}

TEST(Params, FromFlatSplitsBlocksInOrder) {
    const auto config = make_config({1, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant, 1);
    const std::vector<double> flat{10, 20, 0.5, 0.3, 2.0};
    auto p = SarimaxParams::from_flat(flat, config);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->trend, std::vector<double>{10});
    EXPECT_EQ(p->exog, std::vector<double>{20});
    EXPECT_EQ(p->ar, std::vector<double>{0.5});
    EXPECT_EQ(p->ma, std::vector<double>{0.3});
    EXPECT_EQ(p->sigma2, 2.0);

    const auto concentrated = make_config({1, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant, 1, true);
    auto q = SarimaxParams::from_flat(std::vector<double>{10, 20, 0.5, 0.3}, concentrated);
    ASSERT_TRUE(q);
    EXPECT_FALSE(q->sigma2.has_value());
    auto too_long = SarimaxParams::from_flat(flat, concentrated);
    ASSERT_FALSE(too_long);
    EXPECT_EQ(too_long.error().display(), "parameter length mismatch: expected 4, got 5");
    EXPECT_TRUE(SarimaxParams::from_flat({}, make_config({}, Trend::TrendNone, 0, true)));
}

TEST(Polynomial, ReducedAndProducts) {
    SarimaxParams p;
    p.ar = {0.5};
    p.seasonal_ar = {0.3};
    p.ma = {0.4};
    const auto config = make_config({1, 0, 1, 1, 0, 0, 4});
    EXPECT_EQ(reduced_ar(p, config), (std::vector<double>{1, -0.5, 0, 0, -0.3, 0.15}));
    EXPECT_EQ(reduced_ma(p, config), (std::vector<double>{1, 0.4}));
    EXPECT_EQ(polymul(std::vector<double>{1}, std::vector<double>{1}), std::vector<double>{1});
    EXPECT_TRUE(polymul(std::vector<double>{}, std::vector<double>{1, 2}).empty());
    EXPECT_EQ(make_seasonal_ma_poly(std::vector<double>{0.2}, 3), (std::vector<double>{1, 0, 0, 0.2}));
    EXPECT_EQ(make_seasonal_ar_poly(std::vector<double>{}, 12), std::vector<double>{1});
}

struct DiffCase {
    std::size_t d, D, s;
    std::vector<double> in, out;
};

class Differencing : public ::testing::TestWithParam<DiffCase> {};

TEST_P(Differencing, MatchesHandComputed) {
    const auto& c = GetParam();
    EXPECT_EQ(css::apply_differencing(c.in, make_config({0, c.d, 0, 0, c.D, 0, c.s})), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Differencing,
    ::testing::Values(DiffCase{1, 0, 0, {1, 4, 9, 16}, {3, 5, 7}},
                      DiffCase{0, 1, 4, {1, 2, 3, 4, 6, 8, 10, 12}, {5, 6, 7, 8}},
                      DiffCase{1, 1, 2, {1, 2, 4, 7, 11}, {2, 2}},
                      DiffCase{1, 1, 5, {1, 2, 4}, {1, 2}},
                      DiffCase{2, 0, 0, {7}, {7}},
                      DiffCase{1, 0, 0, {}, {}},
                      DiffCase{0, 0, 0, {1, 2}, {1, 2}}));
