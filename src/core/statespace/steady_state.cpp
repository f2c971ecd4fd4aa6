#include "statespace/steady_state.hpp"

#include "statespace/kalman.hpp"

namespace velkora {

namespace {
double relative_change(double diff, double reference) {
    return diff / (reference <= 1e-15 ? 1e-15 : reference);
}

// Relative change of `current` against `previous`, which then takes its value.
template <class Current, class Previous>
double change_and_store(const Current& current, Previous& previous) {
    const double r = relative_change((current - previous).norm(), previous.norm());
    previous = current;
    return r;
}
}  // namespace

bool SteadyStateDetector::converged_after(const Eigen::VectorXd& pz, const Eigen::MatrixXd& P) {
    const double r_pz = change_and_store(pz, previous_pz_);
    const double r_diag = change_and_store(P.diagonal(), previous_diag_);
    const bool small = r_pz < kSteadyTolerance && r_diag < kSteadyTolerance;
    count_ = small ? count_ + 1 : 0;
    bool converged = false;
    if (small && count_ >= kSteadyRepeats && has_previous_p_)
        converged = relative_change((P - previous_p_).norm(), previous_p_.norm()) < kSteadyTolerance;
    // P is kept only while a switch may be one step away.
    has_previous_p_ = small && count_ + 1 >= kSteadyRepeats;
    if (has_previous_p_) previous_p_ = P;
    return converged;
}

}  // namespace velkora
