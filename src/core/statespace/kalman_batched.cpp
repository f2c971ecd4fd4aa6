#include <cmath>
#include <optional>
#include <fmt/format.h>

#include "statespace/kalman_kernels.hpp"
#include "statespace/pipeline.hpp"
#include "statespace/steady_filter.hpp"
#include "statespace/steady_state.hpp"

namespace velkora {

namespace {
Result<void> check_batch_shapes(std::span<const std::vector<double>> series, std::size_t burn) {
    if (series.empty())
        return fail(SarimaxError::data_error("kalman_filter_batched: observations must contain at least one series"));
    const std::size_t n = series[0].size();
    for (std::size_t i = 1; i < series.size(); ++i)
        if (series[i].size() != n)
            return fail(SarimaxError::data_error(fmt::format(
                "kalman_filter_batched: series {} has length {} but series 0 has length {}", i,
                series[i].size(), n)));
    if (n <= burn)
        return fail(SarimaxError::data_error(fmt::format("Not enough observations: n={} <= burn={}", n, burn)));
    return {};
}
}  // namespace

Result<BatchedKalmanOutput> kalman_filter_batched(std::span<const std::vector<double>> series,
                                                  const StateSpace& ss, const KalmanInit& init) {
    auto shapes = check_batch_shapes(series, init.burn);
    if (!shapes) return fail(shapes.error());
    const std::size_t n = series[0].size();
    const std::size_t m = series.size();
    const auto k = static_cast<Eigen::Index>(ss.k_states);
    const KalmanStrategy strategy(ss.transition, ss.design);
    const Eigen::MatrixXd rqr = ss.selection * ss.state_cov * ss.selection.transpose();
    const std::span<const double> c(ss.state_intercept);
    const std::vector<double>& d = ss.obs_intercept;

    BatchedKalmanOutput out;
    out.innovations.assign(m, {});
    for (auto& v : out.innovations) v.reserve(n);
    out.innovation_variances.reserve(n);

    std::vector<Eigen::VectorXd> states(m, init.initial_state);
    Eigen::MatrixXd P = init.initial_cov;
    Eigen::VectorXd pz(k), a_next(k);
    Eigen::MatrixXd work(k, k);
    SteadyStateDetector detector(k);
    std::optional<SteadyFilter> steady;
    // The steady-state test leaves P Z' and F of the newly predicted P for the next step.
    bool pz_is_current = false;
    double f_current = 0.0;

    std::size_t t = 0;
    for (; t < n && !steady; ++t) {
        const double d_t = t < d.size() ? d[t] : 0.0;
        const double F = pz_is_current ? f_current : strategy.compute_pz_and_f(P, pz);
        pz_is_current = false;
        out.innovation_variances.push_back(F);
        for (std::size_t i = 0; i < m; ++i) {
            Eigen::VectorXd& a = states[i];
            const double v = (series[i][t] - strategy.observe(a)) - d_t;
            out.innovations[i].push_back(v);
            if (F > 0.0) a += pz * (v / F);
            strategy.predict_state(a, c, t, a_next);
            a.swap(a_next);
        }
        if (F > 0.0) KalmanStrategy::downdate(P, pz, F);
        strategy.predict_cov(P, rqr, work);
        if (F > 0.0 && t >= init.burn + kSteadyWarmup) {
            const double f_ss = f_current = strategy.compute_pz_and_f(P, pz);
            pz_is_current = true;
            if (detector.converged_after(pz, P) && std::isfinite(f_ss) && f_ss > 0.0)
                steady.emplace(strategy, ss, init.burn, pz, f_ss);
        }
    }
    // The frozen steps to the end, series by series; the shared variances are recorded once
    // and the likelihood sums are not part of this output.
    if (steady) {
        LikelihoodSums unused;
        for (std::size_t i = 0; i < m; ++i) {
            const SteadyRecords records{i == 0 ? &out.innovation_variances : nullptr, nullptr};
            steady->run(series[i], t, n, states[i], unused, out.innovations[i], records);
        }
    }
    out.nobs = n - init.burn;
    return out;
}

}  // namespace velkora
