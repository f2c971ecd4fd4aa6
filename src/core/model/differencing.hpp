#pragma once
// Seasonal then regular differencing of a series.

#include <span>
#include <vector>

#include "model/types.hpp"

namespace velkora::css {

// D seasonal differences at period s, then d regular differences; passes that the
// series is too short for are skipped.
std::vector<double> apply_differencing(std::span<const double> series, const SarimaxConfig& config);

}  // namespace velkora::css
