#pragma once
// The tangent-linear Kalman pass: the filter run beside the derivatives of its state mean
// and covariance with respect to every parameter.

#include <span>

#include "score/sinks.hpp"
#include "score/system_derivatives.hpp"
#include "statespace/gaussian_loglike.hpp"
#include "statespace/initialization.hpp"
#include "statespace/state_space.hpp"

namespace velkora::score {

// Filters y[0..n) and hands every observation from init.burn on to sink.record, in time
// order. Returns the likelihood sums over those observations. Shapes that do not match
// the system are programming errors and throw std::logic_error.
template <TlkfSink Sink>
LikelihoodSums tlkf_pass(std::span<const double> y, std::size_t n, const StateSpace& ss, const KalmanInit& init,
                         const SystemDerivatives& derivatives, Sink& sink);

extern template LikelihoodSums tlkf_pass<ScoreSums>(std::span<const double>, std::size_t, const StateSpace&,
                                                    const KalmanInit&, const SystemDerivatives&, ScoreSums&);
extern template LikelihoodSums tlkf_pass<ObsRecords>(std::span<const double>, std::size_t, const StateSpace&,
                                                     const KalmanInit&, const SystemDerivatives&, ObsRecords&);

}  // namespace velkora::score
