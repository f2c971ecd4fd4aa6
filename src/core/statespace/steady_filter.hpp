#pragma once
// The filter once its covariance has converged: gain and innovation variance are fixed,
// so a step is the state update alone. The loop runs over flat copies of the non-zero
// entries of T (by rows) and Z.

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "statespace/compressed_rows.hpp"
#include "statespace/gaussian_loglike.hpp"
#include "statespace/kalman_kernels.hpp"

namespace velkora {

class SteadyFilter {
public:
    // gain = T P Z' and f = Z P Z' of the converged covariance P.
    SteadyFilter(const KalmanStrategy& strategy, const Eigen::VectorXd& gain, double f);

    // Steps t = from .. y.size()-1 from the predicted state a: appends the innovations,
    // adds the steps from `burn` on to the sums, and leaves the next predicted state in a.
    // c is the time-major state intercept (empty without a trend), d the observation
    // intercept (zeros past its end).
    void run(std::span<const double> y, std::size_t from, std::span<const double> c, std::span<const double> d,
             std::size_t burn, LikelihoodSums& sums, std::vector<double>& innovations, Eigen::VectorXd& a) const;

private:
    CompressedRows transition_;
    std::vector<std::size_t> z_index_;
    std::vector<double> z_values_;
    std::vector<double> gain_;
    double finv_;
    double log_f_;
};

}  // namespace velkora
