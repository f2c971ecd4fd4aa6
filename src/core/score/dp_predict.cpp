#include "score/dp_predict.hpp"

namespace velkora::score {

DpPredictScratch::DpPredictScratch(Eigen::Index k)
    : work(k, k), zero(Eigen::MatrixXd::Zero(k, k)), x(k), tx(k) {}

void compute_dp_predict(std::span<const SparseEntry> d_transition, const std::optional<Eigen::MatrixXd>& drqr,
                        const KalmanStrategy& strategy, const Eigen::MatrixXd& P, Eigen::MatrixXd& dP,
                        DpPredictScratch& scratch) {
    strategy.predict_cov(dP, drqr ? *drqr : scratch.zero, scratch.work);
    // Row r of dT P T' is value * (T P[c, :]')'; column r of T P dT' is value * T P[:, c].
    for (const SparseEntry& e : d_transition) {
        const auto r = static_cast<Eigen::Index>(e.row);
        const auto c = static_cast<Eigen::Index>(e.col);
        scratch.x = P.row(c).transpose();
        strategy.transition_times(scratch.x, scratch.tx);
        dP.row(r) += e.value * scratch.tx.transpose();
        scratch.x = P.col(c);
        strategy.transition_times(scratch.x, scratch.tx);
        dP.col(r) += e.value * scratch.tx;
    }
}

}  // namespace velkora::score
