#include "score/steady_tangent_steps.hpp"

#include <cmath>

namespace velkora::score {

SteadyTangentSteps::SteadyTangentSteps(const KalmanStrategy& strategy, const StateSpace& ss,
                                       const SystemDerivatives& derivatives, const FrozenCovariance& frozen)
    : strategy_(strategy), ss_(ss), sd_(derivatives), frozen_(frozen) {}

template <TlkfSink Sink>
void SteadyTangentSteps::run(std::span<const double> y, std::size_t from, std::size_t n, std::size_t burn,
                             Eigen::VectorXd& a_out, std::vector<Eigen::VectorXd>& da_out, Sink& sink,
                             LikelihoodSums& sums) const {
    const std::size_t k = static_cast<std::size_t>(a_out.size());
    const std::size_t m = da_out.size();
    const double f = frozen_.f;
    const double finv = 1.0 / f;
    const double log_f = std::log(f);
    const double* pz = frozen_.pz.data();
    const std::vector<double>& d = ss_.obs_intercept;

    // The state and the tangents side by side, tangent i at da[i * k].
    std::vector<double> a(a_out.begin(), a_out.end());
    std::vector<double> next(k);
    std::vector<double> da(m * k);
    std::vector<double> da_next(m * k);
    for (std::size_t i = 0; i < m; ++i) std::copy(da_out[i].begin(), da_out[i].end(), da.begin() + i * k);
    std::vector<double> dv(m);

    for (std::size_t t = from; t < n; ++t) {
        const double v = (y[t] - strategy_.observe(a.data())) - (t < d.size() ? d[t] : 0.0);
        for (std::size_t i = 0; i < m; ++i) {
            const std::vector<double>& dd = sd_.d_obs_intercept[i];
            dv[i] = -(t < dd.size() ? dd[t] : 0.0) - strategy_.observe(da.data() + i * k);
        }
        if (t >= burn) {
            sink.record(dv, frozen_.df, v, finv);
            sums.v2_over_f += v * v * finv;
            sums.log_f += log_f;
        }

        // Measurement update of the tangents and the mean.
        const double gain = v * finv;
        for (std::size_t i = 0; i < m; ++i) {
            double* dai = da.data() + i * k;
            const double coefficient = finv * dv[i] - finv * finv * (v * frozen_.df[i]);
            for (std::size_t j = 0; j < k; ++j) dai[j] += coefficient * pz[j];
            if (frozen_.moves[i]) {
                const double* dpz = frozen_.dpz[i].data();
                for (std::size_t j = 0; j < k; ++j) dai[j] += gain * dpz[j];
            }
        }
        for (std::size_t j = 0; j < k; ++j) a[j] += pz[j] * gain;

        // Prediction: da_i <- T da_i + dT_i a + dc_i(t), then a <- T a + c(t).
        for (std::size_t i = 0; i < m; ++i) {
            double* out = da_next.data() + i * k;
            strategy_.transition_times(da.data() + i * k, out);
            for (const SparseEntry& e : sd_.d_transition[i]) out[e.row] += e.value * a[e.col];
            const std::vector<double>& dc = sd_.d_state_intercept[i];
            if (!dc.empty())
                for (std::size_t j = 0; j < k; ++j) out[j] += dc[t * k + j];
        }
        da.swap(da_next);
        const double* ct = state_intercept_at(ss_.state_intercept, t, k);
        strategy_.transition_rows(a.data(), next.data(), [&](std::size_t i, double sum) {
            return ct != nullptr ? sum + ct[i] : sum;
        });
        a.swap(next);
    }
    std::copy(a.begin(), a.end(), a_out.begin());
    for (std::size_t i = 0; i < m; ++i) std::copy(da.begin() + i * k, da.begin() + (i + 1) * k, da_out[i].begin());
}

template void SteadyTangentSteps::run<ScoreSums>(std::span<const double>, std::size_t, std::size_t, std::size_t,
                                                 Eigen::VectorXd&, std::vector<Eigen::VectorXd>&, ScoreSums&,
                                                 LikelihoodSums&) const;
template void SteadyTangentSteps::run<ObsRecords>(std::span<const double>, std::size_t, std::size_t, std::size_t,
                                                  Eigen::VectorXd&, std::vector<Eigen::VectorXd>&, ObsRecords&,
                                                  LikelihoodSums&) const;

}  // namespace velkora::score
