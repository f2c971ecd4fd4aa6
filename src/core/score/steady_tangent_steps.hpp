#pragma once
// The tangent pass once the covariance has converged: P Z', F and their derivatives stay
// frozen, so a step moves the state mean and its tangents only: passes over the rows of T
// with the tangents side by side.

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "score/sinks.hpp"
#include "score/system_derivatives.hpp"
#include "statespace/gaussian_loglike.hpp"
#include "statespace/kalman_kernels.hpp"
#include "statespace/state_space.hpp"

namespace velkora::score {

// What the pass froze at the switch.
struct FrozenCovariance {
    const Eigen::VectorXd& pz;                 // P Z'
    double f;                                  // Z P Z'
    const std::vector<Eigen::VectorXd>& dpz;   // dP_i Z', read where moves[i]
    std::span<const double> df;                // Z dP_i Z'
    const std::vector<char>& moves;            // whether parameter i moves the covariance
};

class SteadyTangentSteps {
public:
    SteadyTangentSteps(const KalmanStrategy& strategy, const StateSpace& ss, const SystemDerivatives& derivatives,
                       const FrozenCovariance& frozen);

    // Steps t = from .. n-1 from the predicted state a and its tangents da: hands the steps
    // from `burn` on to the sink and the sums, and leaves the next predicted values in a
    // and da.
    template <TlkfSink Sink>
    void run(std::span<const double> y, std::size_t from, std::size_t n, std::size_t burn, Eigen::VectorXd& a,
             std::vector<Eigen::VectorXd>& da, Sink& sink, LikelihoodSums& sums) const;

private:
    const KalmanStrategy& strategy_;
    const StateSpace& ss_;
    const SystemDerivatives& sd_;
    const FrozenCovariance& frozen_;
};

extern template void SteadyTangentSteps::run<ScoreSums>(std::span<const double>, std::size_t, std::size_t,
                                                        std::size_t, Eigen::VectorXd&, std::vector<Eigen::VectorXd>&,
                                                        ScoreSums&, LikelihoodSums&) const;
extern template void SteadyTangentSteps::run<ObsRecords>(std::span<const double>, std::size_t, std::size_t,
                                                         std::size_t, Eigen::VectorXd&,
                                                         std::vector<Eigen::VectorXd>&, ObsRecords&,
                                                         LikelihoodSums&) const;

}  // namespace velkora::score
