#include "model/polynomial.hpp"

namespace velkora {

namespace {
std::vector<double> lag_poly(std::span<const double> coefs, std::size_t order, double sign) {
    std::vector<double> poly(order + 1, 0.0);
    poly[0] = 1.0;
    for (std::size_t i = 0; i < coefs.size() && i < order; ++i) poly[i + 1] = sign * coefs[i];
    return poly;
}

std::vector<double> seasonal_poly(std::span<const double> coefs, std::size_t s, double sign) {
    std::vector<double> poly(coefs.size() * s + 1, 0.0);
    poly[0] = 1.0;
    for (std::size_t i = 1; i <= coefs.size(); ++i) poly[i * s] += sign * coefs[i - 1];
    return poly;
}
}  // namespace

std::vector<double> make_ar_poly(std::span<const double> ar, std::size_t p) {
    return lag_poly(ar, p, -1.0);
}

std::vector<double> make_ma_poly(std::span<const double> ma, std::size_t q) {
    return lag_poly(ma, q, 1.0);
}

std::vector<double> make_seasonal_ar_poly(std::span<const double> seasonal_ar, std::size_t s) {
    return seasonal_poly(seasonal_ar, s, -1.0);
}

std::vector<double> make_seasonal_ma_poly(std::span<const double> seasonal_ma, std::size_t s) {
    return seasonal_poly(seasonal_ma, s, 1.0);
}

std::vector<double> polymul(std::span<const double> a, std::span<const double> b) {
    if (a.empty() || b.empty()) return {};
    std::vector<double> c(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j) c[i + j] += a[i] * b[j];
    return c;
}

std::vector<double> reduced_ar(const SarimaxParams& params, const SarimaxConfig& config) {
    return polymul(make_ar_poly(params.ar, config.order.p),
                   make_seasonal_ar_poly(params.seasonal_ar, config.order.s));
}

std::vector<double> reduced_ma(const SarimaxParams& params, const SarimaxConfig& config) {
    return polymul(make_ma_poly(params.ma, config.order.q),
                   make_seasonal_ma_poly(params.seasonal_ma, config.order.s));
}

}  // namespace velkora
