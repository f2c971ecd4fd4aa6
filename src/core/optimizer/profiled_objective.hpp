#pragma once
// The exact negative log-likelihood with the regression coefficients profiled out: at every
// point they are the generalised least-squares estimate over the filtered series.

#include <span>
#include <vector>

#include "model/params.hpp"
#include "model/types.hpp"
#include "optimizer/objective.hpp"
#include "statespace/state_space.hpp"

namespace velkora::optimizer {

struct ProfiledEval {
    SarimaxParams params;             // constrained, regression block = the GLS estimate
    std::vector<double> full_params;  // unconstrained full layout with that estimate inserted
    double negloglike = 0.0;
};

// A profiled point is the full unconstrained layout without the regression block. The
// trend keeps its place among the searched parameters: the series is filtered with the
// trend of the point, the regressors without it, so the profiled value at x equals the
// full negative log-likelihood at the point's `full_params`.
class ProfiledSarimaxObjective final : public ProfiledObjective {
public:
    ProfiledSarimaxObjective(std::vector<double> y, ExogColumns exog, const SarimaxConfig& config);

    [[nodiscard]] TextResult<ProfiledEval> eval_profiled(std::span<const double> x) const;
    // Gradient of the negative profiled log-likelihood: at the GLS estimate the partial
    // derivatives of the full likelihood serve.
    [[nodiscard]] TextResult<std::vector<double>> analytical_gradient_negloglike(std::span<const double> x) const;
    // The same gradient from an evaluation already made at the point.
    [[nodiscard]] TextResult<std::vector<double>> gradient_at(const ProfiledEval& eval) const;

    [[nodiscard]] TextResult<double> profiled_negloglike(std::span<const double> x) const override;

private:
    struct Gls;
    [[nodiscard]] TextResult<Gls> profile_regression(const SarimaxParams& params) const;
    [[nodiscard]] TextResult<double> unprofiled_loglike(const SarimaxParams& params) const;

    std::vector<double> y_;
    ExogColumns exog_;
    SarimaxConfig config_;
};

}  // namespace velkora::optimizer
