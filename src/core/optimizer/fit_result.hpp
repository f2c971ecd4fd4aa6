#pragma once
// The outcome of a fit, filled by one final filter run at the estimate.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"

namespace velkora::optimizer {

struct FitResult {
    std::vector<double> params;   // constrained estimate, flat layout
    double loglike = 0.0;
    double scale = 0.0;
    double aic = 0.0;
    double bic = 0.0;
    std::size_t n_obs = 0;
    std::size_t n_params = 0;
    std::size_t n_iter = 0;
    bool converged = false;
    std::string method;
    std::vector<std::string> warnings;
};

// Parameters counted in the information criteria: every coefficient plus the variance,
// which counts also when it is concentrated out.
[[nodiscard]] std::size_t fit_param_count(const SarimaxConfig& config);

// True when the model has nothing to estimate: no coefficients and a concentrated scale.
[[nodiscard]] bool has_no_free_parameter(const SarimaxConfig& config);

// Maps the unconstrained estimate forward, checks for near-cancelling AR and MA roots
// (a warning) and evaluates the likelihood on `y` (already prepared).
Result<FitResult> build_fit_result(std::span<const double> y, const SarimaxConfig& config,
                                   std::span<const double> estimate, std::size_t n_iter, bool converged,
                                   std::string method, std::span<const std::vector<double>> exog = {});

// The result at the given constrained parameters, without optimisation; converged only for a
// model with no free parameter.
Result<FitResult> build_zero_iter_result(std::span<const double> y, const SarimaxConfig& config,
                                         std::span<const double> params, std::string method,
                                         std::span<const std::vector<double>> exog = {});

// Fills the information criteria from loglike, n_obs and n_params.
void set_information_criteria(FitResult& result);

}  // namespace velkora::optimizer
