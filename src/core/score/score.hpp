#pragma once
// Gradient of the exact Gaussian log-likelihood with respect to the constrained
// parameters, summed or per observation.

#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/params.hpp"
#include "model/types.hpp"
#include "statespace/initialization.hpp"
#include "statespace/state_space.hpp"

namespace velkora::score {

// y holds the n observations the system was built for (already differenced under simple
// differencing) and exog its regressor columns. Under a concentrated scale the result is
// the derivative of the concentrated log-likelihood.
Result<std::vector<double>> score(std::span<const double> y, std::size_t n, const StateSpace& ss,
                                  const KalmanInit& init, const SarimaxConfig& config,
                                  const SarimaxParams& params, bool concentrate_scale,
                                  std::span<const std::vector<double>> exog = {});

struct ScoreAndLoglike {
    std::vector<double> gradient;
    double loglike = 0.0;
};

// The score and, from the same pass, the log-likelihood (honouring concentrate_scale).
// Non-finite likelihood sums or results are errors here.
Result<ScoreAndLoglike> score_with_loglike(std::span<const double> y, std::size_t n, const StateSpace& ss,
                                           const KalmanInit& init, const SarimaxConfig& config,
                                           const SarimaxParams& params, bool concentrate_scale,
                                           std::span<const std::vector<double>> exog = {});

// One row per observation from init.burn on; the rows sum to score.
Result<std::vector<std::vector<double>>> score_obs(std::span<const double> y, std::size_t n,
                                                   const StateSpace& ss, const KalmanInit& init,
                                                   const SarimaxConfig& config, const SarimaxParams& params,
                                                   bool concentrate_scale,
                                                   std::span<const std::vector<double>> exog = {});

// The score of the raw series: prepared, built and initialised as pipeline::kalman_eval does.
Result<std::vector<double>> score_from_params(std::span<const double> y, const SarimaxParams& params,
                                              const SarimaxConfig& config,
                                              std::span<const std::vector<double>> exog = {});

}  // namespace velkora::score
