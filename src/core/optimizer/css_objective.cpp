#include "optimizer/css_objective.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/differencing.hpp"
#include "model/polynomial.hpp"
#include "model/transforms.hpp"
#include "optimizer/objective.hpp"

namespace velkora::css {

namespace {

struct Lag {
    std::size_t lag;
    double coefficient;
};

// The non-zero coefficients of a lag polynomial beyond lag 0; seasonal products are sparse.
std::vector<Lag> nonzero_lags(const std::vector<double>& poly) {
    std::vector<Lag> lags;
    for (std::size_t l = 1; l < poly.size(); ++l)
        if (poly[l] != 0.0) lags.push_back({l, poly[l]});
    return lags;
}

// w minus sum_j beta_j x_j, with every differenced column aligned with w at the end.
std::vector<double> subtract_regression(std::span<const double> w, std::span<const double> beta,
                                        std::span<const std::vector<double>> differenced_exog) {
    std::vector<double> out(w.begin(), w.end());
    for (std::size_t j = 0; j < differenced_exog.size(); ++j) {
        const std::vector<double>& column = differenced_exog[j];
        const std::size_t overlap = std::min(column.size(), out.size());
        const std::size_t w_offset = out.size() - overlap;
        const std::size_t c_offset = column.size() - overlap;
        for (std::size_t i = 0; i < overlap; ++i) out[w_offset + i] -= beta[j] * column[c_offset + i];
    }
    return out;
}

ExogColumns difference_columns(std::span<const std::vector<double>> exog, const SarimaxConfig& config) {
    ExogColumns columns;
    columns.reserve(exog.size());
    for (const auto& column : exog) columns.push_back(apply_differencing(column, config));
    return columns;
}

// The CSS log-likelihood of an already differenced series.
double conditional_loglike(std::span<const double> w, const SarimaxConfig& config, const SarimaxParams& params,
                           std::span<const std::vector<double>> differenced_exog) {
    constexpr double kMinusInf = -std::numeric_limits<double>::infinity();
    const std::vector<double> a = reduced_ar(params, config);
    const std::vector<double> m = reduced_ma(params, config);
    const std::size_t p_star = a.empty() ? 0 : a.size() - 1;
    const std::size_t q_star = m.empty() ? 0 : m.size() - 1;
    const std::size_t start = std::max(p_star, q_star);
    if (start >= w.size()) return kMinusInf;

    const bool regress = !differenced_exog.empty() && params.exog.size() == differenced_exog.size();
    const std::vector<double> adjusted =
        regress ? subtract_regression(w, params.exog, differenced_exog) : std::vector<double>();
    const std::span<const double> series = regress ? std::span<const double>(adjusted) : w;

    const std::vector<Lag> ar_lags = nonzero_lags(a);
    const std::vector<Lag> ma_lags = nonzero_lags(m);
    std::vector<double> e(series.size(), 0.0);
    double ssr = 0.0;
    for (std::size_t t = start; t < series.size(); ++t) {
        double value = series[t];
        for (const Lag& l : ar_lags) value += l.coefficient * series[t - l.lag];
        for (const Lag& l : ma_lags) value -= l.coefficient * e[t - l.lag];
        e[t] = value;
        ssr += value * value;
    }
    const double n = static_cast<double>(series.size() - start);
    if (!(ssr > 0.0) || !std::isfinite(ssr)) return kMinusInf;
    return -0.5 * n * std::log(ssr / n) - 0.5 * n;
}

}  // namespace

double css_loglike_with_exog(std::span<const double> y, const SarimaxConfig& config, const SarimaxParams& params,
                             std::span<const std::vector<double>> exog) {
    const std::vector<double> w = apply_differencing(y, config);
    const bool regress = !exog.empty() && params.exog.size() == exog.size();
    return conditional_loglike(w, config, params, regress ? difference_columns(exog, config) : ExogColumns{});
}

}  // namespace velkora::css

namespace velkora::optimizer {

CssObjective::CssObjective(std::span<const double> y, std::span<const std::vector<double>> exog,
                           const SarimaxConfig& config)
    : differenced_(css::apply_differencing(y, config)),
      differenced_exog_(css::difference_columns(exog, config)),
      config_(config) {}

double CssObjective::cost(std::span<const double> x) const {
    auto constrained = transform_params_inner(x, config_, true);
    if (!constrained) return kPenaltyValue;
    auto params = SarimaxParams::from_flat(*constrained, config_);
    if (!params) return kPenaltyValue;
    const double ll = css::conditional_loglike(differenced_, config_, *params, differenced_exog_);
    return std::isfinite(ll) ? -ll : kPenaltyValue;
}

}  // namespace velkora::optimizer
