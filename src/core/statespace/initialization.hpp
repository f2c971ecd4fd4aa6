#pragma once
// Initial state and covariance of the filter.

#include <Eigen/Dense>
#include <optional>
#include <vector>

#include "model/types.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

inline constexpr double kApproxDiffuseVariance = 1e6;

struct KalmanInit {
    int kind = 0;                       // 0: all approximately diffuse; 1: diffuse + stationary
    std::size_t k_diffuse = 0;
    std::size_t k_stationary = 0;
    Eigen::VectorXd initial_state;      // a0: zeros, but the stationary mean in the ARMA block
    Eigen::MatrixXd initial_cov;        // P0
    std::size_t burn = 0;               // leading observations left out of the likelihood

    static KalmanInit approximate_diffuse(std::size_t k);
    // Stationary ARMA block from its unconditional covariance, diffuse differencing states;
    // silently diffuse everywhere when the stationary solution is unavailable.
    static KalmanInit from_config_default(const StateSpace& ss, const SarimaxConfig& config);
};

// Solution P of P = T P T' + Q by doubling, or nothing when it does not converge.
std::optional<Eigen::MatrixXd> lyapunov_doubling(const Eigen::MatrixXd& T, const Eigen::MatrixXd& Q);
// Symmetrised doubling solution.
std::optional<Eigen::MatrixXd> solve_lyapunov_general(const Eigen::MatrixXd& T, const Eigen::MatrixXd& Q);

}  // namespace velkora
