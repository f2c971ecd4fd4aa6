#pragma once
// Box bounds on the unconstrained parameter vector.

#include "model/types.hpp"
#include "optimizer/lbfgsb_wrapper.hpp"

namespace velkora::runners {

inline constexpr double kCoefficientBound = 0.999;
// Lower bound of the log-variance entry.
inline constexpr double kLogVarianceLowerBound = -50.0;

// One bound per entry of the flat layout: AR and MA blocks that are not transformed stay
// inside (-0.999, 0.999), the log-variance above -50, everything else is free.
lbfgsb_wrapper::BoundList compute_bounds(const SarimaxConfig& config);

}  // namespace velkora::runners
