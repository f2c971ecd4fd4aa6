#include "statespace/kalman.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <fmt/format.h>
#include <fmt/ranges.h>

#include "statespace/gaussian_loglike.hpp"
#include "statespace/kalman_kernels.hpp"
#include "statespace/steady_filter.hpp"
#include "statespace/steady_state.hpp"

namespace velkora {

namespace {

class SnapshotCursor {
public:
    explicit SnapshotCursor(const SnapshotRequest* request) : request_(request) {}

    void take_due(std::size_t t, const Eigen::VectorXd& a, const Eigen::MatrixXd& P) {
        if (request_ == nullptr) return;
        while (next_ < request_->origins.size() && request_->origins[next_] == t) {
            if (request_->out != nullptr) request_->out->push_back({a, P, t});
            ++next_;
        }
    }
    // The next origin still to take when it lies after t, otherwise n.
    [[nodiscard]] std::size_t next_origin_after(std::size_t t, std::size_t n) const {
        if (request_ == nullptr || next_ == request_->origins.size() || request_->origins[next_] <= t) return n;
        return std::min(request_->origins[next_], n);
    }
    [[nodiscard]] bool all_consumed() const {
        return request_ == nullptr || next_ == request_->origins.size();
    }

private:
    const SnapshotRequest* request_;
    std::size_t next_ = 0;
};

}  // namespace

Result<KalmanFilterOutput> kalman_core(std::span<const double> y, const StateSpace& ss,
                                       const KalmanInit& init, bool concentrate_scale,
                                       bool store_series, const SnapshotRequest* snapshots) {
    const std::size_t n = y.size();
    const std::size_t burn = init.burn;
    if (n <= burn)
        return fail(SarimaxError::data_error(
            fmt::format("Not enough observations: n={} <= burn={}", n, burn)));

    const auto k = static_cast<Eigen::Index>(ss.k_states);
    const KalmanStrategy strategy(ss.transition, ss.design);
    const Eigen::MatrixXd rqr = ss.selection * ss.state_cov * ss.selection.transpose();
    const std::span<const double> c(ss.state_intercept);
    const std::vector<double>& d = ss.obs_intercept;

    KalmanFilterOutput out;
    out.innovations.reserve(n);
    if (store_series) out.innovation_variances.reserve(n);
    out.filtered_state = Eigen::VectorXd::Zero(k);
    out.filtered_cov = Eigen::MatrixXd::Zero(k, k);

    Eigen::VectorXd a = init.initial_state;
    Eigen::MatrixXd P = init.initial_cov;
    Eigen::VectorXd a_next(k);
    Eigen::VectorXd pz(k);
    Eigen::MatrixXd work(k, k);
    SteadyStateDetector detector(k);
    std::optional<SteadyFilter> steady;
    const SteadyRecords records =
        store_series ? SteadyRecords{&out.innovation_variances, &out.filtered_state} : SteadyRecords{};
    // The steady-state test leaves P Z' and F of the newly predicted P for the next step.
    bool pz_is_current = false;
    double f_current = 0.0;
    LikelihoodSums sums;
    SnapshotCursor cursor(snapshots);

    for (std::size_t t = 0; t < n; ++t) {
        cursor.take_due(t, a, P);
        if (steady) {
            // Frozen steps up to the next snapshot origin; the loop's increment lands on it.
            const std::size_t until = cursor.next_origin_after(t, n);
            steady->run(y, t, until, a, sums, out.innovations, records);
            t = until - 1;
            continue;
        }
        const double d_t = t < d.size() ? d[t] : 0.0;
        const double v = (y[t] - strategy.observe(a)) - d_t;
        out.innovations.push_back(v);

        const double F = pz_is_current ? f_current : strategy.compute_pz_and_f(P, pz);
        pz_is_current = false;
        if (store_series) out.innovation_variances.push_back(F);
        if (F <= 0.0) {
            if (t >= burn) {
                sums.log_f += kLnDegenerateVariance;
                sums.v2_over_f += v * v / kDegenerateVariance;
            }
            if (store_series) {
                out.filtered_state = a;
                out.filtered_cov = P;
            }
            strategy.predict_state(a, c, t, a_next);
            a.swap(a_next);
            strategy.predict_cov(P, rqr, work);
            continue;
        }

        const double finv = 1.0 / F;
        a += pz * (v * finv);
        KalmanStrategy::downdate(P, pz, F);
        if (store_series) {
            out.filtered_state = a;
            out.filtered_cov = P;
        }
        strategy.predict_state(a, c, t, a_next);
        a.swap(a_next);
        strategy.predict_cov(P, rqr, work);
        if (t >= burn) {
            sums.log_f += std::log(F);
            sums.v2_over_f += v * v * finv;
        }
        if (t >= burn + kSteadyWarmup) {
            const double f_ss = f_current = strategy.compute_pz_and_f(P, pz);
            pz_is_current = true;
            if (detector.converged_after(pz, P) && std::isfinite(f_ss) && f_ss > 0.0)
                steady.emplace(strategy, ss, burn, pz, f_ss);
        }
    }

    cursor.take_due(n, a, P);
    if (!cursor.all_consumed())
        return fail(SarimaxError::invalid_input(
            fmt::format("snapshot origins must be sorted ascending and <= n={}, got [{}]", n,
                        fmt::join(snapshots->origins, ", "))));

    auto finished = gaussian_loglike(sums, n - burn, ss.state_cov(0, 0), concentrate_scale);
    if (!finished) return fail(finished.error());
    out.loglike = finished->loglike;
    out.scale = finished->scale;
    out.predicted_state = std::move(a);
    out.predicted_cov = std::move(P);
    out.nobs = n - burn;
    return out;
}

Result<KalmanOutput> kalman_loglike(std::span<const double> y, const StateSpace& ss,
                                    const KalmanInit& init, bool concentrate_scale) {
    auto full = kalman_core(y, ss, init, concentrate_scale, false);
    if (!full) return fail(full.error());
    return KalmanOutput{std::move(full->innovations), full->loglike, full->scale, full->nobs};
}

}  // namespace velkora
