#pragma once
// The state-covariance tangents dP_i of the parameters that move the covariance.
//
// A tangent filtered as dP + u PZ' + PZ u' (u from the measurement update, none on a step
// without one) is predicted as
//   T dP T' + (T u)(T PZ)' + (T PZ)(T u)' + sum_c (dT_c g_c' + g_c dT_c') + d(R Q R'),
// with dT_c column c of dT and g_c = T P[:, c] for the covariance P being predicted. The
// update term is added in the sweep that forms T dP T', so the filtered tangent is never
// stored; the others are sparse, d(R Q R') = a b' + b a' with a few non-zeros in a, and
// are added by rows and columns.

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "score/system_derivatives.hpp"
#include "statespace/kalman_kernels.hpp"

namespace velkora::score {

class CovTangents {
public:
    // initial[i] is dP_i at the start, k x k for every parameter that moves the covariance.
    CovTangents(const KalmanStrategy& strategy, const SystemDerivatives& derivatives,
                std::vector<Eigen::MatrixXd> initial, Eigen::Index k);

    // dPZ_i = dP_i Z' and df_i = Z dP_i Z' of every parameter that moves the covariance; the
    // entries of the others are left as they are.
    void observe(std::vector<Eigen::VectorXd>& dpz, std::span<double> df) const;

    // Predicts every dP_i filtered as dP_i + u_i PZ' + PZ u_i', u_i = (finv^2 df_i / 2) PZ -
    // finv dPZ_i, with df and dpz as observe left them. P is already filtered.
    void predict_updated(const Eigen::MatrixXd& P, const Eigen::VectorXd& pz, double finv,
                         std::span<const double> df, const std::vector<Eigen::VectorXd>& dpz);

    // Predicts every dP_i on a step without measurement update.
    void predict_unfiltered(const Eigen::MatrixXd& P);

private:
    struct SparseValue {
        Eigen::Index index;
        double value;
    };
    // a b' + b a' with a sparse a: a column c of dT_i with b = g_c = g_[g_index], or
    // d(R Q R')_i with its own b.
    struct SparseTerm {
        std::vector<SparseValue> a;
        std::size_t g_index;
    };
    static constexpr std::size_t kRqrTerm = static_cast<std::size_t>(-1);   // g_index of d(R Q R')_i

    // Index into g_ of column c of T P, which is computed from then on.
    std::size_t g_index_of(std::size_t column);
    // g_ for the covariance P being predicted.
    void compute_g(const Eigen::MatrixXd& P);
    // dP_i <- T dP_i T' + a b' + b a' (without that term when a is null) + the sparse terms,
    // for the parameter i in `slot`.
    void predict(std::size_t slot, const double* a, const double* b);

    const KalmanStrategy& strategy_;
    const SystemDerivatives& sd_;
    std::vector<std::size_t> parameters_;                 // the parameter of each slot
    std::vector<Eigen::MatrixXd> tangents_;               // per slot
    std::vector<std::vector<SparseTerm>> sparse_terms_;   // per slot
    std::vector<std::size_t> g_columns_;                  // the columns c any dT_i has
    std::vector<Eigen::VectorXd> g_;                      // T P[:, c] for each of them
    Eigen::MatrixXd predicted_;
    Eigen::VectorXd t_pz_;
    Eigen::VectorXd u_;
    Eigen::VectorXd t_u_;
    Eigen::VectorXd gathered_;
};

}  // namespace velkora::score
