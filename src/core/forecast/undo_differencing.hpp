#pragma once
// Integration of forecasts made on a simply differenced series back to its levels.

#include <cstddef>
#include <span>
#include <vector>

#include "model/types.hpp"

namespace velkora {

// Last values of the seasonally differenced series y at each regular differencing level,
// the most differenced level first: the starting points of the d cumulative sums.
std::vector<double> compute_undo_d_initials(std::span<const double> y, std::size_t d, std::size_t D,
                                            std::size_t s);

// Whether one seasonal difference was taken from (and is undone onto) a series of n values.
bool seasonal_undo_applies(const SarimaxOrder& order, std::size_t n);

// Turns forecasts of the differenced series into forecasts of y: d cumulative sums, then
// one seasonal pass on the last season of y. Variances add up as if the differenced
// forecast errors were independent.
void integrate_forecasts(std::vector<double>& mean, std::vector<double>& variance,
                         std::span<const double> y, const SarimaxOrder& order);

}  // namespace velkora
