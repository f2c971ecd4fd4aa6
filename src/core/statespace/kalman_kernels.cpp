#include "statespace/kalman_kernels.hpp"

#include <algorithm>

#include "statespace/covariance_kernels.hpp"

namespace velkora {

namespace {
double at(const Eigen::MatrixXd& T, std::size_t i, std::size_t j) {
    return T(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j));
}

// Starts a run at each entry whose upper-left neighbour does not continue it.
std::vector<SparseRun> diagonal_runs(const Eigen::MatrixXd& T, const std::vector<SparseEntry>& entries,
                                     std::size_t k) {
    std::vector<SparseRun> runs;
    for (const auto& e : entries) {
        if (e.row > 0 && e.col > 0 && at(T, e.row - 1, e.col - 1) == e.value) continue;
        std::size_t length = 1;
        while (e.row + length < k && e.col + length < k && at(T, e.row + length, e.col + length) == e.value)
            ++length;
        runs.push_back({e.row, e.col, length, e.value});
    }
    return runs;
}

// out[0..n) += value * in[0..n)
inline void axpy(double* out, const double* in, std::size_t n, double value) {
    for (std::size_t i = 0; i < n; ++i) out[i] += value * in[i];
}
}  // namespace

SparseT SparseT::from_dense(const Eigen::MatrixXd& T, std::size_t k) {
    SparseT sparse;
    sparse.k = k;
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = 0; j < k; ++j) {
            const double value = at(T, i, j);
            if (value != 0.0) sparse.entries.push_back({i, j, value});
        }
    sparse.runs = diagonal_runs(T, sparse.entries, k);
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
      rows_(CompressedRows::of(sparse_t_.entries, sparse_t_.k)),
      sparse_z_(SparseZ::from_dense(Z, static_cast<std::size_t>(Z.size()))) {
    const std::size_t k = static_cast<std::size_t>(T.rows());
    sparse_ = sparse_t_.entries.size() < (k * k) / 2;
}

double KalmanStrategy::observe(const double* a) const {
    double za = -0.0;
    for (const auto& e : sparse_z_.entries) za += e.value * a[e.index];
    return za;
}

// The non-zeros by rows serve dense matrices too: a vector product costs O(nnz) either way,
// and the small matrices of short ARMA models gain most from skipping a general product.
void KalmanStrategy::transition_times(const double* x, double* out) const {
    transition_rows(x, out, [](std::size_t, double sum) { return sum; });
}

void KalmanStrategy::predict_state(const Eigen::VectorXd& a, std::span<const double> c, std::size_t t,
                                   Eigen::VectorXd& out) const {
    const double* ct = state_intercept_at(c, t, static_cast<std::size_t>(a.size()));
    transition_rows(a.data(), out.data(), [ct](std::size_t i, double sum) { return ct != nullptr ? sum + ct[i] : sum; });
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
    const auto k = static_cast<std::size_t>(P.rows());
    if (!sparse_) {
        work.noalias() = T_ * P;
        P.noalias() = work * T_.transpose();
        P += rqr;
    } else {
        kernels::right_multiply_transposed(P.data(), work.data(), k, sparse_t_.entries);
        kernels::left_multiply_lower(work.data(), rqr.data(), P.data(), k, sparse_t_.runs);
    }
    kernels::mirror_lower(P.data(), k);
}

void KalmanStrategy::downdate(Eigen::MatrixXd& P, const Eigen::VectorXd& pz, double f) {
    kernels::symmetric_downdate(P.data(), pz.data(), static_cast<std::size_t>(P.rows()), f);
}

}  // namespace velkora
