#pragma once
// The filter once its covariance has converged: gain and innovation variance are fixed,
// so a step is the state update alone, one pass over the rows of T.

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "statespace/gaussian_loglike.hpp"
#include "statespace/kalman_kernels.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

// What a full filter run keeps beside the innovations; null members are not kept.
struct SteadyRecords {
    std::vector<double>* variances = nullptr;   // the frozen F, once per step
    Eigen::VectorXd* last_filtered = nullptr;   // the filtered state of the last step run
};

class SteadyFilter {
public:
    // pz = P Z' and f = Z P Z' of the converged covariance P of the system `ss`, filtered
    // with `strategy`; steps from `burn` on count in the likelihood. Keeps references to
    // the strategy and the system.
    SteadyFilter(const KalmanStrategy& strategy, const StateSpace& ss, std::size_t burn, const Eigen::VectorXd& pz,
                 double f);

    // Steps t = from .. to-1 from the predicted state a: appends the innovations, adds the
    // counted steps to the sums, and leaves the next predicted state in a.
    void run(std::span<const double> y, std::size_t from, std::size_t to, Eigen::VectorXd& a, LikelihoodSums& sums,
             std::vector<double>& innovations, const SteadyRecords& records = {}) const;

private:
    const KalmanStrategy& strategy_;
    const StateSpace& ss_;
    std::size_t burn_;
    Eigen::VectorXd pz_;     // P Z'
    Eigen::VectorXd gain_;   // T P Z'
    double f_;
    double finv_;
    double log_f_;
};

}  // namespace velkora
