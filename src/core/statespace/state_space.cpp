#include "statespace/state_space.hpp"

#include <fmt/format.h>

#include "model/polynomial.hpp"

namespace velkora {

namespace {

// Leading d x d upper triangle of ones, the seasonal shift block and the links from the
// differencing levels to the seasonal lag and to the current ARMA value.
void fill_differencing_block(Eigen::MatrixXd& T, const SarimaxOrder& o, std::size_t k_diff) {
    const std::size_t d = o.d;
    for (std::size_t i = 0; i < d; ++i)
        for (std::size_t j = i; j < d; ++j) T(i, j) = 1.0;
    if (o.D == 1) {
        const std::size_t b = d;
        T(b, b + o.s - 1) = 1.0;
        for (std::size_t m = 0; m + 1 < o.s; ++m) T(b + 1 + m, b + m) = 1.0;
        for (std::size_t i = 0; i < d; ++i) T(i, d + o.s * o.D - 1) = 1.0;
        for (std::size_t m = 0; m < o.D; ++m) T(d + o.s * m, k_diff) = 1.0;
    }
    for (std::size_t i = 0; i < d; ++i) T(i, k_diff) = 1.0;
}

void fill_arma_block(Eigen::MatrixXd& T, const std::vector<double>& ar_poly, std::size_t k_diff,
                     std::size_t k_arma) {
    for (std::size_t j = 1; j <= k_arma; ++j)
        if (j < ar_poly.size()) T(k_diff + j - 1, k_diff) = -ar_poly[j];
    for (std::size_t m = 0; m + 1 < k_arma; ++m) T(k_diff + m, k_diff + m + 1) = 1.0;
}

}  // namespace

std::vector<double> build_obs_intercept(std::size_t n, std::span<const double> beta,
                                        std::span<const std::vector<double>> exog) {
    std::vector<double> d(n, 0.0);
    if (exog.empty() || beta.empty()) return d;
    const std::size_t used = std::min(beta.size(), exog.size());
    for (std::size_t t = 0; t < n; ++t) {
        double sum = 0.0;
        for (std::size_t j = 0; j < used; ++j) sum += beta[j] * exog[j][t];
        d[t] = sum;
    }
    return d;
}

std::vector<double> StateSpace::build_state_intercept(std::size_t n, std::size_t k, std::size_t k_diff,
                                                      Trend trend, std::span<const double> tp) {
    // Without a trend the intercept is left empty, which the filter reads as zero.
    if (trend == Trend::TrendNone || tp.empty()) return {};
    std::vector<double> c(n * k, 0.0);
    for (std::size_t t = 0; t < n; ++t) {
        const double time = static_cast<double>(t);
        double value = 0.0;
        switch (trend) {
            case Trend::TrendConstant: value = tp[0]; break;
            case Trend::TrendLinear: value = tp[0] * time; break;
            case Trend::TrendConstantLinear: value = tp[0] + (tp.size() > 1 ? tp[1] : 0.0) * time; break;
            case Trend::TrendNone: break;
        }
        c[t * k + k_diff] = value;
    }
    return c;
}

Result<StateSpace> StateSpace::create(const SarimaxConfig& config, const SarimaxParams& params,
                                      std::size_t n, std::span<const std::vector<double>> exog) {
    const SarimaxOrder& o = config.order;
    if (o.D >= 2)
        return fail(SarimaxError::state_space_build("Seasonal differencing D > 1 is not yet supported"));
    if (o.D == 1 && o.s < 2)
        return fail(SarimaxError::state_space_build(fmt::format(
            "Seasonal differencing D={} requires seasonal period s >= 2, got s={}", o.D, o.s)));
    for (std::size_t j = 0; j < exog.size(); ++j)
        if (exog[j].size() != n)
            return fail(SarimaxError::data_error(fmt::format(
                "exog column {} has {} rows but y has {} observations", j, exog[j].size(), n)));

    const std::size_t k_arma = o.k_arma();
    const std::size_t k_diff = config.k_diff();
    const std::size_t k = k_diff + k_arma;

    StateSpace ss;
    ss.k_states = k;
    ss.k_diff = k_diff;
    ss.k_posdef = 1;

    ss.transition = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(k), static_cast<Eigen::Index>(k));
    if (k_diff > 0) fill_differencing_block(ss.transition, o, k_diff);
    fill_arma_block(ss.transition, reduced_ar(params, config), k_diff, k_arma);

    ss.design = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(k));
    if (k_diff > 0) {
        for (std::size_t i = 0; i < o.d; ++i) ss.design(i) = 1.0;
        if (o.D == 1) ss.design(o.d + o.s - 1) = 1.0;
    }
    ss.design(k_diff) = 1.0;

    ss.selection = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(k), 1);
    ss.selection(k_diff, 0) = 1.0;
    const std::vector<double> ma_poly = reduced_ma(params, config);
    for (std::size_t j = 1; j < k_arma; ++j)
        if (j < ma_poly.size()) ss.selection(k_diff + j, 0) = ma_poly[j];

    ss.state_cov = Eigen::MatrixXd::Constant(1, 1, config.concentrate_scale ? 1.0 : params.sigma2.value_or(1.0));
    if (!exog.empty() && !params.exog.empty()) ss.obs_intercept = build_obs_intercept(n, params.exog, exog);
    ss.state_intercept = build_state_intercept(n, k, k_diff, config.trend, params.trend);
    return ss;
}

}  // namespace velkora
