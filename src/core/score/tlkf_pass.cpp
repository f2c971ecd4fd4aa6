#include "score/tlkf_pass.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "score/cov_tangents.hpp"
#include "score/initial_tangents.hpp"
#include "score/steady_tangent_steps.hpp"
#include "statespace/kalman.hpp"
#include "statespace/kalman_kernels.hpp"
#include "statespace/steady_state.hpp"

namespace velkora::score {

namespace {

constexpr double kDegenerateInverseVariance = 1.0 / kDegenerateVariance;

enum class StepKind { Normal, Degenerate };

struct Observation {
    double v = 0.0;
    double finv = 0.0;      // the inverse variance the likelihood uses
    double f = 0.0;         // the innovation variance
    StepKind kind = StepKind::Normal;
};

void require(bool condition, const char* what) {
    if (!condition) throw std::logic_error(what);
}

void check_shapes(std::span<const double> y, std::size_t n, const StateSpace& ss, const KalmanInit& init,
                  const SystemDerivatives& sd) {
    const auto k = static_cast<Eigen::Index>(ss.k_states);
    require(y.size() >= n, "tlkf_pass: series shorter than n");
    require(ss.transition.rows() == k && ss.transition.cols() == k && ss.design.size() == k &&
                ss.selection.rows() == k && ss.state_cov.size() >= 1,
            "tlkf_pass: system matrices do not match k_states");
    require(init.initial_state.size() == k && init.initial_cov.rows() == k && init.initial_cov.cols() == k &&
                init.k_diffuse + init.k_stationary <= ss.k_states,
            "tlkf_pass: initialisation does not match k_states");
    const std::size_t m = sd.n_params;
    require(sd.d_transition.size() == m && sd.drqr.size() == m && sd.d_obs_intercept.size() == m &&
                sd.d_state_intercept.size() == m,
            "tlkf_pass: derivative lists do not match n_params");
    for (std::size_t i = 0; i < m; ++i) {
        for (const SparseEntry& e : sd.d_transition[i])
            require(e.row < ss.k_states && e.col < ss.k_states, "tlkf_pass: transition derivative out of range");
        require(!sd.drqr[i] || (sd.drqr[i]->a.size() == k && sd.drqr[i]->b.size() == k),
                "tlkf_pass: d(RQR) does not match k_states");
        require(sd.d_state_intercept[i].empty() || sd.d_state_intercept[i].size() >= n * ss.k_states,
                "tlkf_pass: state intercept derivative shorter than n*k");
    }
}

// dP_i at the start, k x k for the parameters that move the covariance, empty for others.
std::vector<Eigen::MatrixXd> initial_cov_tangents(const StateSpace& ss, const KalmanInit& init,
                                                  const SystemDerivatives& derivatives) {
    const auto k = static_cast<Eigen::Index>(ss.k_states);
    std::vector<Eigen::MatrixXd> dP(derivatives.n_params);
    for (std::size_t i = 0; i < derivatives.n_params; ++i)
        if (derivatives.moves_covariance(i)) dP[i] = Eigen::MatrixXd::Zero(k, k);
    add_initial_cov_derivatives(ss, init, derivatives, dP);
    return dP;
}

// The filter state and, per parameter i, its tangents da_i, dP_i and dPZ_i = dP_i Z'.
// Parameters that only enter the intercepts never move the covariance: their dP_i and
// dPZ_i stay zero and are not carried.
class TangentFilter {
public:
    TangentFilter(std::span<const double> y, const StateSpace& ss, const KalmanInit& init,
                  const SystemDerivatives& derivatives)
        : y_(y),
          ss_(ss),
          sd_(derivatives),
          strategy_(ss.transition, ss.design),
          rqr_(ss.selection * ss.state_cov * ss.selection.transpose()),
          k_(static_cast<Eigen::Index>(ss.k_states)),
          m_(derivatives.n_params),
          burn_(init.burn),
          a_(init.initial_state),
          a_next_(k_),
          P_(init.initial_cov),
          work_(k_, k_),
          pz_(k_),
          warmup_pz_(k_),
          detector_(k_),
          dP_(strategy_, derivatives, initial_cov_tangents(ss, init, derivatives), k_),
          moves_(m_),
          da_(m_, Eigen::VectorXd::Zero(k_)),
          dpz_(m_, Eigen::VectorXd::Zero(k_)),
          dv_(m_, 0.0),
          df_(m_, 0.0) {
        for (std::size_t i = 0; i < m_; ++i) moves_[i] = derivatives.moves_covariance(i);
        add_initial_state_derivatives(ss, init, derivatives, da_);
    }

    [[nodiscard]] bool steady() const { return steady_; }
    [[nodiscard]] std::span<const double> dv() const { return dv_; }
    [[nodiscard]] std::span<const double> df() const { return df_; }

    // Innovation and inverse variance at t, with their derivatives in dv() and df().
    Observation observe(std::size_t t) {
        const std::vector<double>& d = ss_.obs_intercept;
        const double v = (y_[t] - strategy_.observe(a_)) - (t < d.size() ? d[t] : 0.0);
        for (std::size_t i = 0; i < m_; ++i) {
            const std::vector<double>& dd = sd_.d_obs_intercept[i];
            dv_[i] = -(t < dd.size() ? dd[t] : 0.0) - strategy_.observe(da_[i]);
        }

        const double F = strategy_.compute_pz_and_f(P_, pz_);
        if (F <= 0.0) {
            std::fill(df_.begin(), df_.end(), 0.0);
            return {v, kDegenerateInverseVariance, F, StepKind::Degenerate};
        }
        dP_.observe(dpz_, df_);
        return {v, 1.0 / F, F, StepKind::Normal};
    }

    // Every remaining step once the covariance is frozen.
    template <TlkfSink Sink>
    void run_steady(std::size_t from, std::size_t n, Sink& sink, LikelihoodSums& sums) {
        const FrozenCovariance frozen{pz_, steady_f_, dpz_, df_, moves_};
        SteadyTangentSteps(strategy_, ss_, sd_, frozen).run(y_, from, n, burn_, a_, da_, sink, sums);
    }

    void advance(std::size_t t, const Observation& obs) {
        switch (obs.kind) {
            case StepKind::Normal: normal_step(t, obs); break;
            case StepKind::Degenerate: degenerate_step(t); break;
        }
    }

private:
    void normal_step(std::size_t t, const Observation& obs) {
        const double finv = obs.finv;
        update_mean_tangents(obs.v, finv);
        a_ += pz_ * (obs.v * finv);
        KalmanStrategy::downdate(P_, pz_, obs.f);
        predict_mean_tangents(t);
        dP_.predict_updated(P_, pz_, finv, df_, dpz_);
        predict_mean(t);
        strategy_.predict_cov(P_, rqr_, work_);
        test_steady(t);
    }

    // No measurement update: the observation carries no information.
    void degenerate_step(std::size_t t) {
        predict_mean_tangents(t);
        dP_.predict_unfiltered(P_);
        predict_mean(t);
        strategy_.predict_cov(P_, rqr_, work_);
    }

    // da_i += d(v finv)_i PZ + (v finv) dPZ_i
    void update_mean_tangents(double v, double finv) {
        const double gain = v * finv;
        for (std::size_t i = 0; i < m_; ++i) {
            const double c = finv * dv_[i] - finv * finv * (v * df_[i]);
            da_[i] += c * pz_;
            if (moves_[i]) da_[i] += gain * dpz_[i];
        }
    }

    // da_i <- T da_i + dT_i a + dc_i(t), with a the state being predicted.
    void predict_mean_tangents(std::size_t t) {
        for (std::size_t i = 0; i < m_; ++i) {
            strategy_.transition_times(da_[i], a_next_);
            for (const SparseEntry& e : sd_.d_transition[i])
                a_next_(static_cast<Eigen::Index>(e.row)) += e.value * a_(static_cast<Eigen::Index>(e.col));
            const std::vector<double>& dc = sd_.d_state_intercept[i];
            if (!dc.empty())
                a_next_ += Eigen::Map<const Eigen::VectorXd>(dc.data() + t * static_cast<std::size_t>(k_), k_);
            da_[i].swap(a_next_);
        }
    }

    void predict_mean(std::size_t t) {
        strategy_.predict_state(a_, ss_.state_intercept, t, a_next_);
        a_.swap(a_next_);
    }

    // The last P Z' of the warm-up steps is the reference of the first test, so the pass
    // may turn steady one step before the filter does.
    void test_steady(std::size_t t) {
        if (t < burn_) return;
        if (t < burn_ + kSteadyWarmup) {
            strategy_.compute_pz_and_f(P_, warmup_pz_);
            has_warmup_pz_ = true;
            return;
        }
        const double f_ss = strategy_.compute_pz_and_f(P_, pz_);
        if (has_warmup_pz_) {
            detector_.converged_after(warmup_pz_, P_);
            has_warmup_pz_ = false;
        }
        if (!detector_.converged_after(pz_, P_) || !std::isfinite(f_ss) || f_ss <= 0.0) return;
        steady_ = true;
        steady_f_ = f_ss;
        // The frozen variance derivatives belong to the frozen covariance.
        dP_.observe(dpz_, df_);
    }

    std::span<const double> y_;
    const StateSpace& ss_;
    const SystemDerivatives& sd_;
    const KalmanStrategy strategy_;
    const Eigen::MatrixXd rqr_;
    const Eigen::Index k_;
    const std::size_t m_;
    const std::size_t burn_;

    Eigen::VectorXd a_;
    Eigen::VectorXd a_next_;
    Eigen::MatrixXd P_;
    Eigen::MatrixXd work_;
    Eigen::VectorXd pz_;
    Eigen::VectorXd warmup_pz_;
    bool has_warmup_pz_ = false;
    SteadyStateDetector detector_;
    bool steady_ = false;
    double steady_f_ = 0.0;
    CovTangents dP_;

    std::vector<char> moves_;
    std::vector<Eigen::VectorXd> da_;
    std::vector<Eigen::VectorXd> dpz_;
    std::vector<double> dv_;
    std::vector<double> df_;
};

double log_variance(const Observation& obs) {
    return obs.kind == StepKind::Degenerate ? kLnDegenerateVariance : std::log(obs.f);
}

}  // namespace

template <TlkfSink Sink>
LikelihoodSums tlkf_pass(std::span<const double> y, std::size_t n, const StateSpace& ss, const KalmanInit& init,
                         const SystemDerivatives& derivatives, Sink& sink) {
    check_shapes(y, n, ss, init, derivatives);
    TangentFilter filter(y, ss, init, derivatives);
    LikelihoodSums sums;
    for (std::size_t t = 0; t < n; ++t) {
        const Observation obs = filter.observe(t);
        if (t >= init.burn) {
            sink.record(filter.dv(), filter.df(), obs.v, obs.finv);
            sums.v2_over_f += obs.v * obs.v * obs.finv;
            sums.log_f += log_variance(obs);
        }
        filter.advance(t, obs);
        if (filter.steady()) {
            filter.run_steady(t + 1, n, sink, sums);
            break;
        }
    }
    return sums;
}

template LikelihoodSums tlkf_pass<ScoreSums>(std::span<const double>, std::size_t, const StateSpace&,
                                             const KalmanInit&, const SystemDerivatives&, ScoreSums&);
template LikelihoodSums tlkf_pass<ObsRecords>(std::span<const double>, std::size_t, const StateSpace&,
                                              const KalmanInit&, const SystemDerivatives&, ObsRecords&);

}  // namespace velkora::score
