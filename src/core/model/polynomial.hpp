#pragma once
// Lag polynomials of the model, element i being the coefficient of L^i.

#include <cstddef>
#include <span>
#include <vector>

#include "model/params.hpp"
#include "model/types.hpp"

namespace velkora {

// [1, -phi_1, ..., -phi_p]
std::vector<double> make_ar_poly(std::span<const double> ar, std::size_t p);
// [1, theta_1, ..., theta_q]
std::vector<double> make_ma_poly(std::span<const double> ma, std::size_t q);
// 1 - Phi_1 L^s - ... ; [1] without coefficients.
std::vector<double> make_seasonal_ar_poly(std::span<const double> seasonal_ar, std::size_t s);
// 1 + Theta_1 L^s + ... ; [1] without coefficients.
std::vector<double> make_seasonal_ma_poly(std::span<const double> seasonal_ma, std::size_t s);
// Plain convolution; empty if either operand is empty.
std::vector<double> polymul(std::span<const double> a, std::span<const double> b);
// phi(L) Phi(L^s)
std::vector<double> reduced_ar(const SarimaxParams& params, const SarimaxConfig& config);
// theta(L) Theta(L^s)
std::vector<double> reduced_ma(const SarimaxParams& params, const SarimaxConfig& config);

}  // namespace velkora
