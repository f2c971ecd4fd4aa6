#pragma once
// Derivatives of the system matrices and intercepts with respect to each model parameter.

#include <Eigen/Dense>
#include <optional>
#include <span>
#include <vector>

#include "model/params.hpp"
#include "model/types.hpp"
#include "statespace/kalman_kernels.hpp"
#include "statespace/state_space.hpp"

namespace velkora::score {

// The symmetric matrix a b' + b a'.
struct SymmetricRankTwo {
    Eigen::VectorXd a;
    Eigen::VectorXd b;

    [[nodiscard]] Eigen::MatrixXd dense() const { return a * b.transpose() + b * a.transpose(); }
};

// One entry per parameter, in the order of the flat parameter vector. With a single shock
// R Q R' = sigma2 r r', so every d(R Q R')_i has rank two at most.
struct SystemDerivatives {
    std::vector<std::vector<SparseEntry>> d_transition;     // non-zeros of dT_i
    std::vector<std::optional<SymmetricRankTwo>> drqr;       // d(R Q R')_i
    std::vector<std::vector<double>> d_obs_intercept;        // dd_i(t); 0 past the end
    std::vector<std::vector<double>> d_state_intercept;      // dc_i(t), n*k time-major
    std::size_t n_params = 0;

    // Whether parameter i reaches the state covariance (through T or R Q R').
    [[nodiscard]] bool moves_covariance(std::size_t i) const {
        return !d_transition[i].empty() || drqr[i].has_value();
    }
};

// `ss` must be built from `config` and `params` for a series of n observations; `exog`
// holds the regressor columns the system was built with.
SystemDerivatives precompute_derivatives(const SarimaxConfig& config, const SarimaxParams& params,
                                         const StateSpace& ss, std::size_t n,
                                         std::span<const std::vector<double>> exog = {});

}  // namespace velkora::score
