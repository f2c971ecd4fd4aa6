#pragma once
// The conditional-sum-of-squares likelihood: a cheap stand-in for the exact likelihood,
// compared only with other CSS values.

#include <span>
#include <vector>

#include "model/params.hpp"
#include "model/types.hpp"
#include "statespace/state_space.hpp"

namespace velkora::css {

// CSS log-likelihood of the differenced series at constrained parameters; -inf when the
// series is too short after differencing or the residuals are degenerate. Regressors
// enter only when there is one coefficient per column.
double css_loglike_with_exog(std::span<const double> y, const SarimaxConfig& config,
                             const SarimaxParams& params, std::span<const std::vector<double>> exog = {});

}  // namespace velkora::css

namespace velkora::optimizer {

class CssObjective {
public:
    // Empty `exog` means no regressors. The series and regressors are differenced once here.
    CssObjective(std::span<const double> y, std::span<const std::vector<double>> exog, const SarimaxConfig& config);

    // Negative CSS log-likelihood at an unconstrained point; the penalty value whenever
    // it cannot be evaluated.
    [[nodiscard]] double cost(std::span<const double> x) const;

private:
    std::vector<double> differenced_;
    ExogColumns differenced_exog_;
    SarimaxConfig config_;
};

}  // namespace velkora::optimizer
