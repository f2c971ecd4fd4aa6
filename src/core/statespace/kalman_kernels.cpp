#include "statespace/kalman_kernels.hpp"

namespace velkora {

SparseT SparseT::from_dense(const Eigen::MatrixXd& T, std::size_t k) {
    SparseT sparse;
    sparse.k = k;
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = 0; j < k; ++j) {
            const double value = T(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j));
            if (value != 0.0) sparse.entries.push_back({i, j, value});
        }
    return sparse;
}

SparseZ SparseZ::from_dense(const Eigen::VectorXd& Z, std::size_t k) {
    SparseZ sparse;
    sparse.k = k;
    for (std::size_t i = 0; i < k; ++i) {
        const double value = Z(static_cast<Eigen::Index>(i));
        if (value != 0.0) sparse.entries.push_back({i, value});
    }
    return sparse;
}

KalmanStrategy::KalmanStrategy(const Eigen::MatrixXd& T, const Eigen::VectorXd& Z)
    : T_(T),
      Z_(Z),
      sparse_t_(SparseT::from_dense(T, static_cast<std::size_t>(T.rows()))),
      sparse_z_(SparseZ::from_dense(Z, static_cast<std::size_t>(Z.size()))) {
    const std::size_t k = static_cast<std::size_t>(T.rows());
    sparse_ = sparse_t_.entries.size() < (k * k) / 2;
}

double KalmanStrategy::observe(const Eigen::VectorXd& a) const {
    double za = -0.0;
    for (const auto& e : sparse_z_.entries) za += e.value * a(static_cast<Eigen::Index>(e.index));
    return za;
}

void KalmanStrategy::transition_times(const Eigen::VectorXd& x, Eigen::VectorXd& out) const {
    if (sparse_) {
        out.setZero();
        for (const auto& e : sparse_t_.entries)
            out(static_cast<Eigen::Index>(e.row)) += e.value * x(static_cast<Eigen::Index>(e.col));
    } else {
        out.noalias() = T_ * x;
    }
}

void KalmanStrategy::predict_state(const Eigen::VectorXd& a, std::span<const double> c, std::size_t t,
                                   Eigen::VectorXd& out) const {
    transition_times(a, out);
    const auto k = static_cast<std::size_t>(a.size());
    if (c.size() == 0 || c.size() % k != 0 || t >= c.size() / k) return;
    const double* ct = c.data() + t * k;
    for (std::size_t i = 0; i < k; ++i) out(static_cast<Eigen::Index>(i)) += ct[i];
}

double KalmanStrategy::compute_pz_and_f(const Eigen::MatrixXd& P, Eigen::VectorXd& pz) const {
    if (!sparse_) {
        pz.noalias() = P * Z_;
        return Z_.dot(pz);
    }
    pz.setZero();
    for (const auto& e : sparse_z_.entries) pz += e.value * P.col(static_cast<Eigen::Index>(e.index));
    double f = 0.0;
    for (const auto& e : sparse_z_.entries) f += e.value * pz(static_cast<Eigen::Index>(e.index));
    return f;
}

void KalmanStrategy::predict_cov(Eigen::MatrixXd& P, const Eigen::MatrixXd& rqr, Eigen::MatrixXd& work) const {
    if (!sparse_) {
        work.noalias() = T_ * P;
        P.noalias() = work * T_.transpose();
        P += rqr;
        return;
    }
    // work = P T': column `row` of the result gathers the columns of P that row reads.
    work.setZero();
    for (const auto& e : sparse_t_.entries)
        work.col(static_cast<Eigen::Index>(e.row)) += e.value * P.col(static_cast<Eigen::Index>(e.col));
    // P = T work + RQR, column by column so each pass stays in one contiguous column.
    P = rqr;
    const Eigen::Index k = P.rows();
    for (Eigen::Index c = 0; c < k; ++c) {
        double* out = P.col(c).data();
        const double* in = work.col(c).data();
        for (const auto& e : sparse_t_.entries) out[e.row] += e.value * in[e.col];
    }
}

}  // namespace velkora
