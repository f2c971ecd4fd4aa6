#include "statespace/steady_state.hpp"

#include "statespace/kalman.hpp"

namespace velkora {

bool SteadyStateDetector::converged_after(const Eigen::VectorXd& pz) {
    double m = previous_.norm();
    if (m <= 1e-15) m = 1e-15;
    const double r = (pz - previous_).norm() / m;
    const bool small = r < kSteadyTolerance;
    count_ = small ? count_ + 1 : 0;
    previous_ = pz;
    return small && count_ >= kSteadyRepeats;
}

}  // namespace velkora
