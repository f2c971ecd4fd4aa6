#pragma once
// Time-invariant system matrices of a SARIMAX model:
//   y_t = Z a_t + d_t,   a_(t+1) = T a_t + c_t + R e_t,   Var(e_t) = Q.

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/params.hpp"
#include "model/types.hpp"

namespace velkora {

// Regressor columns, each holding one value per observation.
using ExogColumns = std::vector<std::vector<double>>;

struct StateSpace {
    Eigen::MatrixXd transition;            // T, k x k
    Eigen::VectorXd design;                // Z, k
    Eigen::MatrixXd selection;             // R, k x 1
    Eigen::MatrixXd state_cov;             // Q, 1 x 1
    std::vector<double> obs_intercept;     // d, n; empty without regressors
    std::vector<double> state_intercept;   // c, n*k time-major; empty without a trend
    std::size_t k_states = 0;
    std::size_t k_diff = 0;
    std::size_t k_posdef = 1;

    // Builds the system for a series of n observations. Only n is read, not the values.
    // An empty `exog` means no regressors.
    static Result<StateSpace> create(const SarimaxConfig& config, const SarimaxParams& params,
                                     std::size_t n, std::span<const std::vector<double>> exog = {});

    // Trend intercept at the first ARMA state, time-major n*k; empty without a trend.
    static std::vector<double> build_state_intercept(std::size_t n, std::size_t k, std::size_t k_diff,
                                                     Trend trend, std::span<const double> trend_params);
};

// d_t = sum_j beta_j x_j[t]; zeros without regressors.
std::vector<double> build_obs_intercept(std::size_t n, std::span<const double> beta,
                                        std::span<const std::vector<double>> exog);

}  // namespace velkora
