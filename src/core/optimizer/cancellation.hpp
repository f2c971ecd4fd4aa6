#pragma once
// Tests for AR and MA roots close enough to cancel each other.

#include <span>

#include "model/params.hpp"
#include "model/types.hpp"

namespace velkora::optimizer {

// True when the inverted roots of the non-seasonal AR and MA polynomials are all farther
// apart than the threshold (always true without AR or without MA terms).
bool validate_no_near_cancellation(double threshold, const SarimaxParams& params, std::size_t p, std::size_t q);

// At an unconstrained point: the AR and MA roots lie within 0.05 of each other. False when
// the point cannot be mapped to parameters.
bool on_cancellation_ridge(std::span<const double> x, const SarimaxConfig& config);

// At an unconstrained point: no AR and MA roots within 0.01 of each other. False when the
// point cannot be mapped to parameters.
bool passes_cancellation_filter(std::span<const double> x, const SarimaxConfig& config);

}  // namespace velkora::optimizer
