#include "score/initial_tangents.hpp"

#include <optional>

namespace velkora::score {

namespace {

// Rows and columns [begin, begin + size) of the state: the stationary block.
struct Block {
    Eigen::Index begin = 0;
    Eigen::Index size = 0;

    [[nodiscard]] bool contains(std::size_t index) const {
        const auto i = static_cast<Eigen::Index>(index);
        return i >= begin && i < begin + size;
    }
};

bool stationary_block(const KalmanInit& init, Block& block) {
    if (init.kind != 1 || init.k_stationary == 0) return false;
    block = {static_cast<Eigen::Index>(init.k_diffuse), static_cast<Eigen::Index>(init.k_stationary)};
    return true;
}

}  // namespace

void add_initial_state_derivatives(const StateSpace& ss, const KalmanInit& init,
                                   const SystemDerivatives& derivatives, std::vector<Eigen::VectorXd>& da) {
    Block b;
    if (!stationary_block(init, b)) return;
    const Eigen::MatrixXd I_minus_T =
        Eigen::MatrixXd::Identity(b.size, b.size) - ss.transition.block(b.begin, b.begin, b.size, b.size);
    const Eigen::VectorXd a0 = init.initial_state.segment(b.begin, b.size);
    std::optional<Eigen::PartialPivLU<Eigen::MatrixXd>> lu;
    Eigen::VectorXd rhs(b.size);
    for (std::size_t i = 0; i < derivatives.n_params; ++i) {
        rhs.setZero();
        const std::vector<double>& dc = derivatives.d_state_intercept[i];
        if (!dc.empty()) rhs += Eigen::Map<const Eigen::VectorXd>(dc.data() + b.begin, b.size);
        for (const SparseEntry& e : derivatives.d_transition[i])
            if (b.contains(e.row) && b.contains(e.col))
                rhs(static_cast<Eigen::Index>(e.row) - b.begin) += e.value * a0(static_cast<Eigen::Index>(e.col) - b.begin);
        if (rhs.isZero(0.0)) continue;
        if (!lu) lu.emplace(I_minus_T);
        da[i].segment(b.begin, b.size) += lu->solve(rhs);
    }
}

void add_initial_cov_derivatives(const StateSpace& ss, const KalmanInit& init,
                                 const SystemDerivatives& derivatives, std::vector<Eigen::MatrixXd>& dP) {
    Block b;
    if (!stationary_block(init, b)) return;
    const Eigen::MatrixXd T_b = ss.transition.block(b.begin, b.begin, b.size, b.size);
    const Eigen::MatrixXd P_b = init.initial_cov.block(b.begin, b.begin, b.size, b.size);
    Eigen::MatrixXd B(b.size, b.size);
    Eigen::MatrixXd X(b.size, b.size);
    for (std::size_t i = 0; i < derivatives.n_params; ++i) {
        // Row r - b of dT_b P_b T_b' is value * (T_b P_b[c - b, :]')'.
        bool enters = false;
        X.setZero();
        for (const SparseEntry& e : derivatives.d_transition[i]) {
            if (!b.contains(e.row) || !b.contains(e.col)) continue;
            const auto r = static_cast<Eigen::Index>(e.row) - b.begin;
            const auto c = static_cast<Eigen::Index>(e.col) - b.begin;
            X.row(r) += e.value * (T_b * P_b.row(c).transpose()).transpose();
            enters = true;
        }
        if (enters) {
            B = X + X.transpose();
        } else {
            B.setZero();
        }
        if (derivatives.drqr[i]) {
            B += derivatives.drqr[i]->dense().block(b.begin, b.begin, b.size, b.size);
            enters = true;
        }
        if (!enters) continue;
        if (auto solved = solve_lyapunov_general(T_b, B)) dP[i].block(b.begin, b.begin, b.size, b.size) = *solved;
    }
}

}  // namespace velkora::score
