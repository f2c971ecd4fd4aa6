#pragma once
// The univariate Kalman filter with its exact Gaussian log-likelihood.

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "statespace/initialization.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

inline constexpr double kLn2Pi = 1.8378770664093453;
inline constexpr double kDegenerateVariance = 1e10;
inline constexpr double kLnDegenerateVariance = 23.025850929940457;
// Steady-state switch: relative change of P Z' below this, three times in a row.
inline constexpr double kSteadyTolerance = 1e-9;
inline constexpr std::size_t kSteadyRepeats = 3;
inline constexpr std::size_t kSteadyWarmup = 5;

struct KalmanFilterOutput {
    std::vector<double> innovations;
    std::vector<double> innovation_variances;
    Eigen::VectorXd filtered_state;
    Eigen::MatrixXd filtered_cov;
    Eigen::VectorXd predicted_state;
    Eigen::MatrixXd predicted_cov;
    double loglike = 0.0;
    double scale = 0.0;
    std::size_t nobs = 0;
};

struct KalmanOutput {
    std::vector<double> innovations;
    double loglike = 0.0;
    double scale = 0.0;
    std::size_t nobs = 0;
};

// Predicted state a_(t|t-1) and covariance P_(t|t-1) at time t.
struct StateSnapshot {
    Eigen::VectorXd state;
    Eigen::MatrixXd cov;
    std::size_t time = 0;
};

struct SnapshotRequest {
    std::span<const std::size_t> origins;   // ascending, at most n
    std::vector<StateSnapshot>* out = nullptr;
};

Result<KalmanFilterOutput> kalman_core(std::span<const double> y, const StateSpace& ss,
                                       const KalmanInit& init, bool concentrate_scale,
                                       bool store_series, const SnapshotRequest* snapshots = nullptr);

Result<KalmanOutput> kalman_loglike(std::span<const double> y, const StateSpace& ss,
                                    const KalmanInit& init, bool concentrate_scale);

}  // namespace velkora
