#pragma once
// Detects when the predicted covariance has stopped changing so the filter can freeze its
// gain. P Z' alone can stay put during the quiet steps of a seasonal cycle while P still
// moves elsewhere, so the test also watches the diagonal of P, and a switch finally
// requires the whole of P to be unchanged since the previous step: a fixed point of the
// covariance recursion stays fixed.

#include <Eigen/Dense>

namespace velkora {

class SteadyStateDetector {
public:
    explicit SteadyStateDetector(Eigen::Index k)
        : previous_pz_(Eigen::VectorXd::Zero(k)), previous_diag_(Eigen::VectorXd::Zero(k)) {}

    // Feeds P Z' and P of the newly predicted covariance; true once P Z' and diag(P) have
    // changed by less than the relative tolerance for enough consecutive steps and P as a
    // whole has not moved since the previous step.
    bool converged_after(const Eigen::VectorXd& pz, const Eigen::MatrixXd& P);

private:
    Eigen::VectorXd previous_pz_;
    Eigen::VectorXd previous_diag_;
    Eigen::MatrixXd previous_p_;
    bool has_previous_p_ = false;
    std::size_t count_ = 0;
};

}  // namespace velkora
