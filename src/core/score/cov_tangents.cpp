#include "score/cov_tangents.hpp"

#include <algorithm>
#include <utility>

#include "statespace/covariance_kernels.hpp"

namespace velkora::score {

CovTangents::CovTangents(const KalmanStrategy& strategy, const SystemDerivatives& derivatives,
                         std::vector<Eigen::MatrixXd> initial, Eigen::Index k)
    : strategy_(strategy), sd_(derivatives), predicted_(k, k), t_pz_(k), u_(k), t_u_(k), gathered_(k) {
    for (std::size_t i = 0; i < derivatives.n_params; ++i) {
        if (!derivatives.moves_covariance(i)) continue;
        parameters_.push_back(i);
        tangents_.push_back(std::move(initial[i]));
        std::vector<SparseTerm>& terms = sparse_terms_.emplace_back();
        for (const SparseEntry& e : derivatives.d_transition[i]) {
            const std::size_t g_index = g_index_of(e.col);
            auto term = std::find_if(terms.begin(), terms.end(),
                                     [&](const SparseTerm& t) { return t.g_index == g_index; });
            if (term == terms.end()) term = terms.insert(term, SparseTerm{{}, g_index});
            term->a.push_back({static_cast<Eigen::Index>(e.row), e.value});
        }
        if (const auto& drqr = derivatives.drqr[i]) {
            SparseTerm& term = terms.emplace_back(SparseTerm{{}, kRqrTerm});
            for (Eigen::Index r = 0; r < k; ++r)
                if (drqr->a(r) != 0.0) term.a.push_back({r, drqr->a(r)});
        }
    }
    g_.assign(g_columns_.size(), Eigen::VectorXd(k));
}

std::size_t CovTangents::g_index_of(std::size_t column) {
    const auto known = std::find(g_columns_.begin(), g_columns_.end(), column);
    if (known != g_columns_.end()) return static_cast<std::size_t>(known - g_columns_.begin());
    g_columns_.push_back(column);
    return g_columns_.size() - 1;
}

void CovTangents::observe(std::vector<Eigen::VectorXd>& dpz, std::span<double> df) const {
    for (std::size_t slot = 0; slot < parameters_.size(); ++slot) {
        const std::size_t i = parameters_[slot];
        df[i] = strategy_.compute_pz_and_f(tangents_[slot], dpz[i]);
    }
}

void CovTangents::predict_updated(const Eigen::MatrixXd& P, const Eigen::VectorXd& pz, double finv,
                                  std::span<const double> df, const std::vector<Eigen::VectorXd>& dpz) {
    compute_g(P);
    strategy_.transition_times(pz, t_pz_);
    for (std::size_t slot = 0; slot < parameters_.size(); ++slot) {
        const std::size_t i = parameters_[slot];
        u_ = (0.5 * finv * finv * df[i]) * pz - finv * dpz[i];
        strategy_.transition_times(u_, t_u_);
        predict(slot, t_u_.data(), t_pz_.data());
    }
}

void CovTangents::predict_unfiltered(const Eigen::MatrixXd& P) {
    compute_g(P);
    for (std::size_t slot = 0; slot < parameters_.size(); ++slot) predict(slot, nullptr, nullptr);
}

void CovTangents::compute_g(const Eigen::MatrixXd& P) {
    for (std::size_t j = 0; j < g_columns_.size(); ++j)
        strategy_.transition_times(P.col(static_cast<Eigen::Index>(g_columns_[j])).data(), g_[j].data());
}

void CovTangents::predict(std::size_t slot, const double* a, const double* b) {
    Eigen::MatrixXd& dP = tangents_[slot];
    const SparseT& T = strategy_.sparse_t();
    kernels::predict_plus_rank_two(dP.data(), predicted_.data(), static_cast<std::size_t>(dP.rows()), T.entries,
                                   T.runs, a, b, gathered_.data());
    for (const SparseTerm& term : sparse_terms_[slot]) {
        const Eigen::VectorXd& b_term = term.g_index == kRqrTerm ? sd_.drqr[parameters_[slot]]->b : g_[term.g_index];
        for (const auto& [index, value] : term.a) {
            predicted_.row(index) += value * b_term.transpose();
            predicted_.col(index) += value * b_term;
        }
    }
    dP.swap(predicted_);
}

}  // namespace velkora::score
