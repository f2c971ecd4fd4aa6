#pragma once
// Maps between the optimiser's unconstrained space and the constrained parameter vector:
// stationary AR blocks, invertible MA blocks and a positive variance.

#include <expected>
#include <span>
#include <string>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"

namespace velkora {

// Coefficients phi of a stationary AR polynomial 1 - phi_1 L - ... - phi_n L^n, through
// partial autocorrelations x / sqrt(1 + x^2) and the Durbin-Levinson recursion.
std::vector<double> constrain_stationary(std::span<const double> x);
// Inverse of constrain_stationary for stationary input; finite (not round-tripping) on or
// beyond the boundary.
std::vector<double> unconstrain_stationary(std::span<const double> phi);
// Coefficients theta of an invertible MA polynomial 1 + theta_1 L + ... .
std::vector<double> constrain_invertible(std::span<const double> x);
std::vector<double> unconstrain_invertible(std::span<const double> theta);

// forward: unconstrained to constrained; otherwise constrained to unconstrained. Each
// seasonal block is transformed on its own; trend and regression blocks are copied.
Result<std::vector<double>> transform_params_inner(std::span<const double> params,
                                                   const SarimaxConfig& config, bool forward);

// J(x)' v for the Jacobian J of the forward transform at the unconstrained point x, by
// forward differences.
Result<std::vector<double>> transform_jacobian_t_vec(std::span<const double> x,
                                                     const SarimaxConfig& config,
                                                     std::span<const double> v);

// transform_jacobian_t_vec with the error reduced to its display text.
std::expected<std::vector<double>, std::string> apply_transform_jacobian(std::span<const double> v,
                                                                         std::span<const double> x,
                                                                         const SarimaxConfig& config);

}  // namespace velkora
