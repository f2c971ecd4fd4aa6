#include "score/system_derivatives.hpp"

#include <cmath>

#include "model/polynomial.hpp"

namespace velkora::score {

namespace {
// Coefficients below this are structural zeros of a product polynomial.
constexpr double kNegligibleCoefficient = 1e-15;

std::vector<double> monomial(std::size_t power, double coefficient) {
    std::vector<double> poly(power + 1, 0.0);
    poly[power] = coefficient;
    return poly;
}

// T holds minus the reduced AR coefficients in the first column of the ARMA block, so
// dT has -e_(j+1) at row k_diff + j for e the derivative of that polynomial.
std::vector<SparseEntry> arma_column_entries(const std::vector<double>& e, std::size_t k_diff,
                                             std::size_t k_arma) {
    std::vector<SparseEntry> entries;
    for (std::size_t j = 0; j < k_arma && j + 1 < e.size(); ++j)
        if (std::abs(e[j + 1]) > kNegligibleCoefficient) entries.push_back({k_diff + j, k_diff, -e[j + 1]});
    return entries;
}

// R holds the reduced MA coefficients down the ARMA block, so dR has f_j at k_diff + j and
// d(R Q R') = (sigma2 dR) r' + r (sigma2 dR)'.
SymmetricRankTwo selection_drqr(const std::vector<double>& f, const StateSpace& ss, std::size_t k_arma) {
    Eigen::VectorXd dR = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(ss.k_states));
    for (std::size_t j = 0; j < k_arma && j < f.size(); ++j)
        if (std::abs(f[j]) > kNegligibleCoefficient) dR(static_cast<Eigen::Index>(ss.k_diff + j)) = f[j];
    return {ss.state_cov(0, 0) * dR, ss.selection.col(0)};
}

// d(R Q R') / d sigma2 = r r' = (r / 2) r' + r (r / 2)'.
SymmetricRankTwo variance_drqr(const StateSpace& ss) {
    return {0.5 * ss.selection.col(0), ss.selection.col(0)};
}

std::vector<double> trend_intercept_derivative(std::size_t n, std::size_t k, std::size_t k_diff,
                                               bool linear) {
    std::vector<double> dc(n * k, 0.0);
    for (std::size_t t = 0; t < n; ++t) dc[t * k + k_diff] = linear ? static_cast<double>(t) : 1.0;
    return dc;
}

class DerivativeBuilder {
public:
    explicit DerivativeBuilder(std::size_t m) {
        out_.d_transition.reserve(m);
        out_.drqr.reserve(m);
        out_.d_obs_intercept.reserve(m);
        out_.d_state_intercept.reserve(m);
    }
    void add(std::vector<SparseEntry> dT, std::optional<SymmetricRankTwo> drqr, std::vector<double> dd,
             std::vector<double> dc) {
        out_.d_transition.push_back(std::move(dT));
        out_.drqr.push_back(std::move(drqr));
        out_.d_obs_intercept.push_back(std::move(dd));
        out_.d_state_intercept.push_back(std::move(dc));
        ++out_.n_params;
    }
    SystemDerivatives finish() { return std::move(out_); }

private:
    SystemDerivatives out_;
};
}  // namespace

SystemDerivatives precompute_derivatives(const SarimaxConfig& config, const SarimaxParams& params,
                                         const StateSpace& ss, std::size_t n,
                                         std::span<const std::vector<double>> exog) {
    const SarimaxOrder& o = config.order;
    const std::size_t k = ss.k_states;
    const std::size_t k_diff = ss.k_diff;
    const std::size_t k_arma = o.k_arma();
    DerivativeBuilder builder(config.param_count());

    switch (config.trend) {
        case Trend::TrendConstant:
            builder.add({}, {}, {}, trend_intercept_derivative(n, k, k_diff, false));
            break;
        case Trend::TrendLinear:
            builder.add({}, {}, {}, trend_intercept_derivative(n, k, k_diff, true));
            break;
        case Trend::TrendConstantLinear:
            builder.add({}, {}, {}, trend_intercept_derivative(n, k, k_diff, false));
            builder.add({}, {}, {}, trend_intercept_derivative(n, k, k_diff, true));
            break;
        case Trend::TrendNone:
            break;
    }
    // A coefficient without a column enters nothing, as in the system builder.
    for (std::size_t j = 0; j < config.n_exog; ++j)
        builder.add({}, {}, j < exog.size() ? exog[j] : std::vector<double>{}, {});

    const std::vector<double> ar_poly = make_ar_poly(params.ar, o.p);
    const std::vector<double> ma_poly = make_ma_poly(params.ma, o.q);
    const std::vector<double> seasonal_ar_poly = make_seasonal_ar_poly(params.seasonal_ar, o.s);
    const std::vector<double> seasonal_ma_poly = make_seasonal_ma_poly(params.seasonal_ma, o.s);
    for (std::size_t i = 1; i <= o.p; ++i)
        builder.add(arma_column_entries(polymul(monomial(i, -1.0), seasonal_ar_poly), k_diff, k_arma), {}, {}, {});
    for (std::size_t i = 1; i <= o.q; ++i)
        builder.add({}, selection_drqr(polymul(monomial(i, 1.0), seasonal_ma_poly), ss, k_arma), {}, {});
    for (std::size_t i = 1; i <= o.P; ++i)
        builder.add(arma_column_entries(polymul(ar_poly, monomial(o.s * i, -1.0)), k_diff, k_arma), {}, {}, {});
    for (std::size_t i = 1; i <= o.Q; ++i)
        builder.add({}, selection_drqr(polymul(ma_poly, monomial(o.s * i, 1.0)), ss, k_arma), {}, {});
    if (!config.concentrate_scale)
        builder.add({}, variance_drqr(ss), {}, {});
    return builder.finish();
}

}  // namespace velkora::score
