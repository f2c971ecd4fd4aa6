#include "statespace/steady_filter.hpp"

#include <algorithm>
#include <cmath>

namespace velkora {

SteadyFilter::SteadyFilter(const KalmanStrategy& strategy, const Eigen::VectorXd& gain, double f)
    : transition_(CompressedRows::of(strategy.sparse_t())), gain_(gain.begin(), gain.end()), finv_(1.0 / f), log_f_(std::log(f)) {
    for (const SparseZEntry& e : strategy.sparse_z().entries) {
        z_index_.push_back(e.index);
        z_values_.push_back(e.value);
    }
}

void SteadyFilter::run(std::span<const double> y, std::size_t from, std::span<const double> c,
                       std::span<const double> d, std::size_t burn, LikelihoodSums& sums,
                       std::vector<double>& innovations, Eigen::VectorXd& a) const {
    const std::size_t k = gain_.size();
    const std::size_t n_z = z_values_.size();
    const bool has_intercept = !c.empty() && c.size() % k == 0;
    const std::size_t intercept_steps = has_intercept ? c.size() / k : 0;
    std::vector<double> state(a.begin(), a.end());
    std::vector<double> next(k);
    // Running sums in locals (the same additions in the same order).
    double log_f_sum = sums.log_f;
    double v2_sum = sums.v2_over_f;
    for (std::size_t t = from; t < y.size(); ++t) {
        double za = -0.0;
        for (std::size_t j = 0; j < n_z; ++j) za += z_values_[j] * state[z_index_[j]];
        const double d_t = t < d.size() ? d[t] : 0.0;
        const double v = (y[t] - za) - d_t;
        innovations.push_back(v);
        // The reciprocal keeps the division off the chain from one state to the next.
        const double scaled = v * finv_;
        const double* ct = t < intercept_steps ? c.data() + t * k : nullptr;
        transition_.multiply(state.data(), next.data(), [&](std::size_t i, double sum) {
            if (ct != nullptr) sum += ct[i];
            return sum + gain_[i] * scaled;
        });
        if (t >= burn) {
            log_f_sum += log_f_;
            v2_sum += v * v * finv_;
        }
        state.swap(next);
    }
    sums.log_f = log_f_sum;
    sums.v2_over_f = v2_sum;
    std::copy(state.begin(), state.end(), a.begin());
}

}  // namespace velkora
