#include "statespace/steady_filter.hpp"

#include <algorithm>
#include <cmath>

namespace velkora {

SteadyFilter::SteadyFilter(const KalmanStrategy& strategy, const StateSpace& ss, std::size_t burn,
                           const Eigen::VectorXd& pz, double f)
    : strategy_(strategy), ss_(ss), burn_(burn), pz_(pz), gain_(pz.size()), f_(f), finv_(1.0 / f), log_f_(std::log(f)) {
    strategy.transition_times(pz_, gain_);
}

void SteadyFilter::run(std::span<const double> y, std::size_t from, std::size_t to, Eigen::VectorXd& a,
                       LikelihoodSums& sums, std::vector<double>& innovations, const SteadyRecords& records) const {
    if (from >= to) return;
    const std::size_t k = static_cast<std::size_t>(a.size());
    const std::vector<double>& d = ss_.obs_intercept;
    const double* gain = gain_.data();
    // Written in place: no reallocation inside the loop, so the loop's reads stay in registers.
    const std::size_t first = innovations.size();
    innovations.resize(first + (to - from));
    double* v_out = innovations.data() + first - from;
    if (records.variances != nullptr) records.variances->resize(records.variances->size() + (to - from), f_);
    Eigen::VectorXd next(k);
    // Running sums in locals (the same additions in the same order).
    double log_f_sum = sums.log_f;
    double v2_sum = sums.v2_over_f;
    for (std::size_t t = from; t < to; ++t) {
        const double d_t = t < d.size() ? d[t] : 0.0;
        const double v = (y[t] - strategy_.observe(a.data())) - d_t;
        v_out[t] = v;
        // The reciprocal keeps the division off the chain from one state to the next.
        const double scaled = v * finv_;
        if (records.last_filtered != nullptr && t + 1 == to) *records.last_filtered = a + pz_ * scaled;
        const double* ct = state_intercept_at(ss_.state_intercept, t, k);
        strategy_.transition_rows(a.data(), next.data(), [&](std::size_t i, double sum) {
            if (ct != nullptr) sum += ct[i];
            return sum + gain[i] * scaled;
        });
        if (t >= burn_) {
            log_f_sum += log_f_;
            v2_sum += v * v * finv_;
        }
        a.swap(next);
    }
    sums.log_f = log_f_sum;
    sums.v2_over_f = v2_sum;
}

}  // namespace velkora
