#pragma once
// The exact Gaussian negative log-likelihood over the unconstrained parameter vector,
// with an analytic gradient.

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "model/params.hpp"
#include "model/types.hpp"
#include "optimizer/objective.hpp"
#include "statespace/initialization.hpp"
#include "statespace/state_space.hpp"

namespace velkora::optimizer {

// The last successful value-and-gradient evaluation.
struct CachedEval {
    std::vector<double> params;
    std::vector<double> gradient;
    double value = 0.0;
};

class SarimaxObjective final : public SolverObjective {
public:
    // `y` is the series the likelihood is evaluated on; empty `exog` means no regressors.
    SarimaxObjective(std::vector<double> y, ExogColumns exog, const SarimaxConfig& config);

    // Data and configuration are copied; the caches start empty.
    SarimaxObjective(const SarimaxObjective& other);
    SarimaxObjective& operator=(const SarimaxObjective&) = delete;

    [[nodiscard]] std::unique_ptr<SolverObjective> clone() const override;

    [[nodiscard]] TextResult<double> eval_loglike(std::span<const double> x) const override;
    [[nodiscard]] TextResult<ValueAndGradient> eval_negloglike_with_gradient(
        std::span<const double> x) const override;
    [[nodiscard]] TextResult<std::vector<double>> analytical_gradient_negloglike(
        std::span<const double> x) const override;

    [[nodiscard]] double cost(std::span<const double> x) const override;
    [[nodiscard]] std::vector<double> gradient(std::span<const double> x) const override;

    [[nodiscard]] const SarimaxConfig& config() const { return config_; }
    [[nodiscard]] const std::vector<double>& series() const { return y_; }
    [[nodiscard]] const ExogColumns& exog() const { return exog_; }

private:
    class TemplateLease;
    struct Pipeline;

    // Constrained parameters, the system for them and its initialisation. The system is
    // borrowed from the template cache and goes back when the returned value is dropped.
    [[nodiscard]] TextResult<Pipeline> eval_pipeline(std::span<const double> x) const;
    // Score at the pipeline's parameters, mapped to x's coordinates and negated.
    [[nodiscard]] TextResult<std::vector<double>> unconstrained_negative_gradient(const Pipeline& pipeline,
                                                                                std::span<const double> x) const;
    // A constrained score mapped to x's coordinates and negated.
    [[nodiscard]] TextResult<std::vector<double>> to_unconstrained_negative(std::span<const double> score,
                                                                          std::span<const double> x) const;
    [[nodiscard]] const CachedEval* cached_at(std::span<const double> x) const;
    [[nodiscard]] std::vector<double> finite_difference_gradient(std::span<const double> x) const;

    std::vector<double> y_;
    ExogColumns exog_;
    SarimaxConfig config_;
    // Single-threaded caches, written from const operations.
    mutable std::optional<CachedEval> eval_cache_;
    mutable std::optional<StateSpace> state_space_cache_;
};

}  // namespace velkora::optimizer
