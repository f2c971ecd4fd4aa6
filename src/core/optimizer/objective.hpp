#pragma once
// The negative log-likelihood as the local solvers see it.

#include <memory>
#include <span>
#include <vector>

#include "optimizer/text_result.hpp"

namespace velkora::optimizer {

// Value an objective reports for any point it cannot evaluate: half the largest double,
// very large but still finite for line searches and simplex steps.
inline constexpr double kPenaltyValue = 8.988465674311579e307;

struct ValueAndGradient {
    double value = 0.0;
    std::vector<double> gradient;
};

// An objective over the unconstrained parameter vector. The operations are const but an
// implementation may keep single-threaded caches; one instance serves one thread at a time.
class SolverObjective {
public:
    virtual ~SolverObjective() = default;

    // A copy of the data and configuration with empty caches.
    [[nodiscard]] virtual std::unique_ptr<SolverObjective> clone() const = 0;

    // Log-likelihood (finite) or a message.
    [[nodiscard]] virtual TextResult<double> eval_loglike(std::span<const double> x) const = 0;
    // Negative log-likelihood with its gradient, or a message.
    [[nodiscard]] virtual TextResult<ValueAndGradient> eval_negloglike_with_gradient(
        std::span<const double> x) const = 0;
    // Gradient of the negative log-likelihood alone, or a message.
    [[nodiscard]] virtual TextResult<std::vector<double>> analytical_gradient_negloglike(
        std::span<const double> x) const = 0;

    // Negative log-likelihood; failures give kPenaltyValue.
    [[nodiscard]] virtual double cost(std::span<const double> x) const = 0;
    // Gradient of cost; never fails. Solvers ask for the gradient before the value at a
    // new point, so an implementation that caches both pays one evaluation for the pair.
    [[nodiscard]] virtual std::vector<double> gradient(std::span<const double> x) const = 0;
};

// The negative log-likelihood with the regression coefficients profiled out, as a function
// of the remaining parameters.
class ProfiledObjective {
public:
    virtual ~ProfiledObjective() = default;
    [[nodiscard]] virtual TextResult<double> profiled_negloglike(std::span<const double> x) const = 0;
};

}  // namespace velkora::optimizer
