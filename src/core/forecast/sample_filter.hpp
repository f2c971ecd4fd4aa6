#pragma once
// One filter pass over a sample at given parameters, keeping what forecasts need.

#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/params.hpp"
#include "model/types.hpp"
#include "statespace/kalman.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

struct FilteredSample {
    StateSpace ss;
    KalmanFilterOutput output;   // one innovation per filtered period
};

// Builds, initialises and filters the model over y and its regressors (empty for none),
// or over their differences under simple differencing.
Result<FilteredSample> filter_sample(std::span<const double> y, const SarimaxConfig& config,
                                     const SarimaxParams& params, std::span<const std::vector<double>> exog);

}  // namespace velkora
