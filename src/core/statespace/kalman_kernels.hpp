#pragma once
// Dense and sparse products with the system matrices, chosen once per filter run.

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "statespace/compressed_rows.hpp"

namespace velkora {

struct SparseEntry {
    std::size_t row;
    std::size_t col;
    double value;
};

// A diagonal run of equal entries: T(row + m, col + m) = value for m < length.
struct SparseRun {
    std::size_t row;
    std::size_t col;
    std::size_t length;
    double value;
};

// Non-zero entries of T in row-major order (NaN entries included), and the same entries
// grouped into diagonal runs. The shift blocks of the differencing and ARMA states are
// long runs of ones, so products over runs work on contiguous segments.
struct SparseT {
    std::vector<SparseEntry> entries;
    std::vector<SparseRun> runs;
    std::size_t k = 0;
    static SparseT from_dense(const Eigen::MatrixXd& T, std::size_t k);
};

struct SparseZEntry {
    std::size_t index;
    double value;
};

// Non-zero entries of Z in increasing index order.
struct SparseZ {
    std::vector<SparseZEntry> entries;
    std::size_t k = 0;
    static SparseZ from_dense(const Eigen::VectorXd& Z, std::size_t k);
};

// Row t of the time-major state intercept c (k values), or null when c has none for t:
// without a trend c is empty.
inline const double* state_intercept_at(std::span<const double> c, std::size_t t, std::size_t k) {
    if (c.empty() || c.size() % k != 0 || t >= c.size() / k) return nullptr;
    return c.data() + t * k;
}

// Sparse when T has fewer than floor(k*k/2) non-zeros.
class KalmanStrategy {
public:
    KalmanStrategy(const Eigen::MatrixXd& T, const Eigen::VectorXd& Z);

    [[nodiscard]] bool is_sparse() const { return sparse_; }
    [[nodiscard]] const SparseT& sparse_t() const { return sparse_t_; }
    [[nodiscard]] const SparseZ& sparse_z() const { return sparse_z_; }

    // Z a, summed over the non-zeros of Z from -0.0.
    [[nodiscard]] double observe(const double* a) const;
    [[nodiscard]] double observe(const Eigen::VectorXd& a) const { return observe(a.data()); }
    // out[i] = finish(i, (T x)_i), the row sums in column order, in one pass over T.
    template <class Finish>
    void transition_rows(const double* x, double* out, Finish finish) const {
        rows_.multiply(x, out, finish);
    }
    // out = T a (+ c_t when the intercept applies).
    void predict_state(const Eigen::VectorXd& a, std::span<const double> c, std::size_t t,
                       Eigen::VectorXd& out) const;
    // out = T x (no intercept); x and out hold k values each.
    void transition_times(const double* x, double* out) const;
    void transition_times(const Eigen::VectorXd& x, Eigen::VectorXd& out) const {
        transition_times(x.data(), out.data());
    }
    // PZ = P Z', returns F = Z PZ.
    double compute_pz_and_f(const Eigen::MatrixXd& P, Eigen::VectorXd& pz) const;
    // P = T P T' + RQR for symmetric P and RQR, using `work` as scratch of the same size.
    // The result is exactly symmetric: its lower triangle is computed and mirrored.
    void predict_cov(Eigen::MatrixXd& P, const Eigen::MatrixXd& rqr, Eigen::MatrixXd& work) const;
    // P -= pz pz' / f, exactly symmetric.
    static void downdate(Eigen::MatrixXd& P, const Eigen::VectorXd& pz, double f);

private:
    const Eigen::MatrixXd& T_;
    const Eigen::VectorXd& Z_;
    SparseT sparse_t_;
    CompressedRows rows_;
    SparseZ sparse_z_;
    bool sparse_;
};

}  // namespace velkora
