#pragma once
// Detects when P Z' has stopped changing so the filter can freeze its gain.

#include <Eigen/Dense>

namespace velkora {

class SteadyStateDetector {
public:
    explicit SteadyStateDetector(Eigen::Index k) : previous_(Eigen::VectorXd::Zero(k)) {}

    // Feeds P Z' of the newly predicted covariance; true once its relative change has
    // stayed below the tolerance for enough consecutive steps.
    bool converged_after(const Eigen::VectorXd& pz);

private:
    Eigen::VectorXd previous_;
    std::size_t count_ = 0;
};

}  // namespace velkora
