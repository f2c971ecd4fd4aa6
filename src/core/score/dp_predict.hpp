#pragma once
// One-step prediction of a state-covariance tangent.

#include <Eigen/Dense>
#include <optional>
#include <span>

#include "statespace/kalman_kernels.hpp"

namespace velkora::score {

// Buffers for compute_dp_predict, sized once per pass.
struct DpPredictScratch {
    explicit DpPredictScratch(Eigen::Index k);
    Eigen::MatrixXd work;
    Eigen::MatrixXd zero;    // the d(R Q R') of parameters that only enter T
    Eigen::VectorXd x;
    Eigen::VectorXd tx;
};

// dP <- T dP T' + d(R Q R') + dT P T' + T P dT', in place. P is the covariance being
// predicted (filtered, or unfiltered on a degenerate step); dT is applied entry by entry.
void compute_dp_predict(std::span<const SparseEntry> d_transition, const std::optional<Eigen::MatrixXd>& drqr,
                        const KalmanStrategy& strategy, const Eigen::MatrixXd& P, Eigen::MatrixXd& dP,
                        DpPredictScratch& scratch);

}  // namespace velkora::score
