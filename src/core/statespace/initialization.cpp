#include "statespace/initialization.hpp"

#include <cmath>

namespace velkora {

namespace {
constexpr int kLyapunovMaxSteps = 100;
constexpr double kLyapunovTolerance = 1e-14;
constexpr double kJitterRelative = 1e-12;
constexpr int kJitterAttempts = 8;

bool is_positive_definite(const Eigen::MatrixXd& M) {
    return Eigen::LLT<Eigen::MatrixXd>(M).info() == Eigen::Success;
}

// Adds growing multiples of a small diagonal jitter until M factorises.
std::optional<Eigen::MatrixXd> jitter_to_positive_definite(const Eigen::MatrixXd& M) {
    double scale = 1.0;
    for (Eigen::Index i = 0; i < M.rows(); ++i) {
        const double v = std::abs(M(i, i));
        if (!std::isnan(v) && v > scale) scale = v;
    }
    const double eps = scale * kJitterRelative;
    Eigen::MatrixXd J = M;
    double increment = eps;
    for (int attempt = 0; attempt < kJitterAttempts; ++attempt) {
        J.diagonal().array() += increment;
        if (is_positive_definite(J)) return J;
        increment *= 10.0;
    }
    return std::nullopt;
}
// Mean of the stationary block under the intercept of the first period, (I - T_a)^-1 c_a:
// with a constant the stationary distribution is not centred at zero.
Eigen::VectorXd stationary_mean(const StateSpace& ss, const Eigen::MatrixXd& T_a, Eigen::Index c, Eigen::Index ka) {
    const auto k = static_cast<std::size_t>(ss.k_states);
    if (ss.state_intercept.size() < k) return Eigen::VectorXd::Zero(ka);
    const Eigen::Map<const Eigen::VectorXd> c0(ss.state_intercept.data() + c, ka);
    if (c0.isZero(0.0)) return Eigen::VectorXd::Zero(ka);
    const Eigen::MatrixXd I_minus_T = Eigen::MatrixXd::Identity(ka, ka) - T_a;
    return I_minus_T.partialPivLu().solve(c0);
}

}  // namespace

KalmanInit KalmanInit::approximate_diffuse(std::size_t k) {
    const auto n = static_cast<Eigen::Index>(k);
    KalmanInit init;
    init.kind = 0;
    init.initial_state = Eigen::VectorXd::Zero(n);
    init.initial_cov = kApproxDiffuseVariance * Eigen::MatrixXd::Identity(n, n);
    init.burn = k;
    return init;
}

std::optional<Eigen::MatrixXd> lyapunov_doubling(const Eigen::MatrixXd& T, const Eigen::MatrixXd& Q) {
    if (T.rows() == 0) return Eigen::MatrixXd(0, 0);
    Eigen::MatrixXd A = T;
    Eigen::MatrixXd P = Q;
    Eigen::MatrixXd P_new(P.rows(), P.cols());
    Eigen::MatrixXd AP(P.rows(), P.cols());
    for (int step = 0; step < kLyapunovMaxSteps; ++step) {
        AP.noalias() = A * P;
        P_new = P;
        P_new.noalias() += AP * A.transpose();
        A = (A * A).eval();
        const double diff = (P_new - P).norm();
        const double tol = kLyapunovTolerance * std::max(P.norm(), 1.0);
        if (diff < tol) {
            if (!P_new.allFinite()) return std::nullopt;
            return P_new;
        }
        P.swap(P_new);
    }
    return std::nullopt;
}

std::optional<Eigen::MatrixXd> solve_lyapunov_general(const Eigen::MatrixXd& T, const Eigen::MatrixXd& Q) {
    auto P = lyapunov_doubling(T, Q);
    if (!P) return std::nullopt;
    return Eigen::MatrixXd(0.5 * (*P + P->transpose()));
}

KalmanInit KalmanInit::from_config_default(const StateSpace& ss, const SarimaxConfig& config) {
    const std::size_t k = ss.k_states;
    if (!config.enforce_stationarity) return approximate_diffuse(k);
    const std::size_t C = config.k_diff();
    const std::size_t k_arma = config.order.k_arma();
    if (C >= k || k_arma == 0) return approximate_diffuse(k);

    const auto c = static_cast<Eigen::Index>(C);
    const auto ka = static_cast<Eigen::Index>(k_arma);
    const Eigen::MatrixXd T_a = ss.transition.block(c, c, ka, ka);
    const Eigen::MatrixXd R_a = ss.selection.middleRows(c, ka);
    const Eigen::MatrixXd Q_a = R_a * ss.state_cov * R_a.transpose();

    auto solved = lyapunov_doubling(T_a, Q_a);
    if (!solved) return approximate_diffuse(k);
    Eigen::MatrixXd P_a = 0.5 * (*solved + solved->transpose());
    if (!is_positive_definite(P_a)) {
        auto jittered = jitter_to_positive_definite(P_a);
        if (!jittered) return approximate_diffuse(k);
        P_a = std::move(*jittered);
    }

    const auto n = static_cast<Eigen::Index>(k);
    KalmanInit init;
    init.kind = 1;
    init.k_diffuse = C;
    init.k_stationary = k_arma;
    init.initial_state = Eigen::VectorXd::Zero(n);
    init.initial_cov = Eigen::MatrixXd::Zero(n, n);
    for (Eigen::Index i = 0; i < c; ++i) init.initial_cov(i, i) = kApproxDiffuseVariance;
    init.initial_cov.block(c, c, ka, ka) = P_a;
    init.initial_state.segment(c, ka) = stationary_mean(ss, T_a, c, ka);
    init.burn = C;
    return init;
}

}  // namespace velkora
