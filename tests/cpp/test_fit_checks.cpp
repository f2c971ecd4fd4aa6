// Observation and start checks, the constrained log-likelihood, companion roots and the
// near-cancellation tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <random>

#include "model/transforms.hpp"
#include "optimizer/cancellation.hpp"
#include "optimizer/fit_checks.hpp"
#include "optimizer/polynomial_roots.hpp"
#include "test_support.hpp"

using namespace velkora;
using namespace velkora::test_support;
using namespace velkora::optimizer;

namespace {

struct MinimumCase {
    SarimaxConfig config;
    std::size_t minimum;   // smallest refused n; one more is accepted
};

class ObservationCount : public ::testing::TestWithParam<MinimumCase> {};

TEST_P(ObservationCount, RefusesUpToTheMinimumAndAcceptsOneMore) {
    const auto& [config, minimum] = GetParam();
    std::vector<std::vector<double>> exog;
    for (std::size_t j = 0; j < config.n_exog; ++j) exog.push_back(white_noise(minimum + 1, 30 + j));

    const auto y_short = white_noise(minimum, 1);
    const auto refused = validate_and_get_start_params(y_short, config, std::nullopt, exog);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind(), ErrorKind::DataError);
    EXPECT_EQ(refused.error().display(), "data error: Not enough observations: n=" + std::to_string(minimum) +
                                             " <= minimum required " + std::to_string(minimum) +
                                             " for model order");

    const auto y = white_noise(minimum + 1, 2);
    const auto accepted = validate_and_get_start_params(y, config, std::nullopt, exog);
    ASSERT_TRUE(accepted) << accepted.error().display();
    EXPECT_EQ(accepted->size(), config.param_count());
}

INSTANTIATE_TEST_SUITE_P(
    Models, ObservationCount,
    ::testing::Values(MinimumCase{make_config({1, 0, 0, 0, 0, 0, 0}), 2},
                      MinimumCase{make_config({0, 1, 1, 0, 1, 1, 12}), 28},
                      MinimumCase{make_config({2, 1, 1, 1, 1, 1, 12}), 28},
                      MinimumCase{make_config({0, 0, 0, 0, 0, 0, 0}, Trend::TrendConstantLinear, 10), 13},
                      MinimumCase{make_config({0, 0, 0, 0, 0, 0, 0}, Trend::TrendNone, 0, true), 2}));

TEST(StartCheck, GivenStartIsLengthCheckedThenCopied) {
    const auto config = make_config({1, 0, 1, 0, 0, 0, 0}, Trend::TrendConstant);
    const auto y = white_noise(50, 3);
    const std::vector<double> good{0.1, 0.5, 0.2, 1.5};
    const auto copied = validate_and_get_start_params(y, config, std::span<const double>(good));
    ASSERT_TRUE(copied);
    EXPECT_EQ(*copied, good);

    const std::vector<double> long_start{0.1, 0.5, 0.2, 1.5, 9.0};
    const auto refused = validate_and_get_start_params(y, config, std::span<const double>(long_start));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind(), ErrorKind::ParamLength);
    EXPECT_EQ(refused.error().display(), "parameter length mismatch: expected 4, got 5");

    // The observation count is checked first.
    const auto short_y = white_noise(3, 4);
    const auto first = validate_and_get_start_params(short_y, config, std::span<const double>(long_start));
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().kind(), ErrorKind::DataError);
}

TEST(ConstrainedLoglike, WorkedArOneValue) {
    const auto config = make_config({1, 0, 0, 0, 0, 0, 0});
    const std::vector<double> y{1.0, 2.0};
    const std::vector<double> params{0.5, 1.0};
    const double expected = -std::log(2 * M_PI) - 0.5 * std::log(4.0 / 3.0) - 1.5;
    EXPECT_NEAR(eval_kf_loglike_constrained(y, config, params), expected, 1e-12);
}

TEST(ConstrainedLoglike, FiltersTheDataExactlyAsGiven) {
    const auto z = white_noise(60, 5);
    const std::vector<double> params{0.4, 1.3};
    // Under simple differencing the series is taken as already differenced.
    auto differenced = make_config({1, 1, 0, 0, 0, 0, 0});
    differenced.simple_differencing = true;
    const double direct = eval_kf_loglike_constrained(z, make_config({1, 0, 0, 0, 0, 0, 0}), params);
    ASSERT_TRUE(std::isfinite(direct));
    EXPECT_EQ(eval_kf_loglike_constrained(z, differenced, params), direct);

    // A regression term equals filtering y - beta x.
    const auto x = white_noise(60, 6);
    std::vector<double> y(z.size());
    for (std::size_t t = 0; t < y.size(); ++t) y[t] = z[t] + 2.5 * x[t];
    const std::vector<std::vector<double>> exog{x};
    const std::vector<double> with_beta{2.5, 0.4, 1.3};
    EXPECT_NEAR(eval_kf_loglike_constrained(y, make_config({1, 0, 0, 0, 0, 0, 0}, Trend::TrendNone, 1), with_beta,
                                            exog),
                direct, 1e-9);
}

TEST(ConstrainedLoglike, FailuresGiveMinusInfinity) {
    const auto config = make_config({1, 0, 0, 0, 0, 0, 0});
    const auto y = white_noise(30, 7);
    const double minus_inf = -std::numeric_limits<double>::infinity();
    EXPECT_EQ(eval_kf_loglike_constrained(y, config, std::vector<double>{0.5}), minus_inf);
    EXPECT_EQ(eval_kf_loglike_constrained(y, config, std::vector<double>{0.5, 1.0, 2.0}), minus_inf);
    EXPECT_EQ(eval_kf_loglike_constrained(y, config, std::vector<double>{0.5, std::nan("")}), minus_inf);
    std::vector<double> spiked = y;
    spiked[3] = std::numeric_limits<double>::infinity();
    EXPECT_EQ(eval_kf_loglike_constrained(spiked, config, std::vector<double>{0.5, 1.0}), minus_inf);
}

using Roots = std::vector<std::complex<double>>;

struct RootsCase {
    std::vector<double> coefficients;
    Roots roots;   // in the expected order
};

class PolynomialRoots : public ::testing::TestWithParam<RootsCase> {};

TEST_P(PolynomialRoots, CompanionEigenvalues) {
    const auto roots = polynomial_roots(GetParam().coefficients);
    ASSERT_EQ(roots.size(), GetParam().roots.size());
    // Each expected root is matched by a distinct computed one.
    Roots unmatched = roots;
    for (const auto& expected : GetParam().roots) {
        const auto nearest = std::min_element(unmatched.begin(), unmatched.end(), [&](auto a, auto b) {
            return std::abs(a - expected) < std::abs(b - expected);
        });
        EXPECT_LT(std::abs(*nearest - expected), 1e-10) << expected;
        unmatched.erase(nearest);
    }
    // A conjugate pair comes with the positive imaginary part first.
    for (std::size_t i = 0; i + 1 < roots.size(); ++i) {
        if (roots[i].imag() != 0.0 && roots[i] == std::conj(roots[i + 1])) {
            EXPECT_GT(roots[i].imag(), 0.0);
            ++i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Polynomials, PolynomialRoots,
    ::testing::Values(RootsCase{{}, {}}, RootsCase{{0.7}, {{0.7, 0.0}}}, RootsCase{{0.0, -1.0}, {{0, 1}, {0, -1}}},
                      RootsCase{{1.5, -0.5}, {{1.0, 0.0}, {0.5, 0.0}}},
                      // (z - 0.5)(z^2 - z + 0.5): roots 0.5 and 0.5 +- 0.5i.
                      RootsCase{{1.5, -1.0, 0.25}, {{0.5, 0.0}, {0.5, 0.5}, {0.5, -0.5}}},
                      RootsCase{{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.9},
                                [] {
                                    Roots r;
                                    const double radius = std::pow(0.9, 1.0 / 12.0);
                                    for (int k = 0; k < 12; ++k) r.push_back(std::polar(radius, 2 * M_PI * k / 12));
                                    return r;
                                }()},
                      RootsCase{{0.5, std::nan("")}, {}}));

SarimaxParams arma_params(std::vector<double> ar, std::vector<double> ma) {
    SarimaxParams p;
    p.ar = std::move(ar);
    p.ma = std::move(ma);
    return p;
}

TEST(NearCancellation, DistanceBetweenInvertedRoots) {
    const auto close = arma_params({0.5}, {-0.48});   // inverted roots 0.5 and 0.48
    EXPECT_FALSE(validate_no_near_cancellation(0.05, close, 1, 1));
    EXPECT_TRUE(validate_no_near_cancellation(0.01, close, 1, 1));
    EXPECT_TRUE(validate_no_near_cancellation(0.05, close, 0, 1));
    EXPECT_TRUE(validate_no_near_cancellation(0.05, close, 1, 0));
    // AR roots 0.5 +- 0.5i against MA roots +- 0.5i (theta_2 = 0.25): distance 0.5.
    const auto complex = arma_params({1.0, -0.5}, {0.0, 0.25});
    EXPECT_TRUE(validate_no_near_cancellation(0.49, complex, 2, 2));
    EXPECT_FALSE(validate_no_near_cancellation(0.51, complex, 2, 2));
    // Seasonal coefficients take no part.
    auto seasonal = arma_params({0.5}, {0.5});
    seasonal.seasonal_ar = {0.5};
    seasonal.seasonal_ma = {-0.5};
    EXPECT_TRUE(validate_no_near_cancellation(0.05, seasonal, 1, 1));
}

struct RidgeCase {
    double theta;
    bool on_ridge;
    bool passes_filter;
};

class CancellationTests : public ::testing::TestWithParam<RidgeCase> {};

TEST_P(CancellationTests, RidgeAndFilterAtUnconstrainedPoints) {
    // phi = 0.5 against theta: distance |0.5 + theta| between the inverted roots.
    const auto config = make_config({1, 0, 1, 0, 0, 0, 0});
    const std::vector<double> constrained{0.5, GetParam().theta, 1.0};
    const auto x = transform_params_inner(constrained, config, false);
    ASSERT_TRUE(x);
    EXPECT_EQ(on_cancellation_ridge(*x, config), GetParam().on_ridge);
    EXPECT_EQ(passes_cancellation_filter(*x, config), GetParam().passes_filter);
}

INSTANTIATE_TEST_SUITE_P(Distances, CancellationTests,
                         ::testing::Values(RidgeCase{-0.48, true, true}, RidgeCase{-0.495, true, false},
                                           RidgeCase{-0.3, false, true}, RidgeCase{0.4, false, true}));

TEST(CancellationTests, WithoutArOrMaAndAtUnmappablePoints) {
    const auto ar_only = make_config({2, 0, 0, 0, 0, 0, 0}, Trend::TrendNone, 0, true);
    const std::vector<double> x{0.3, 0.1};
    EXPECT_FALSE(on_cancellation_ridge(x, ar_only));
    EXPECT_TRUE(passes_cancellation_filter(x, ar_only));

    const auto arma = make_config({1, 0, 1, 0, 0, 0, 0}, Trend::TrendNone, 0, true);
    const std::vector<double> wrong_length{0.3};
    EXPECT_FALSE(on_cancellation_ridge(wrong_length, arma));
    EXPECT_FALSE(passes_cancellation_filter(wrong_length, arma));
}

}  // namespace
