#pragma once
// Standard normal quantiles for the forecast intervals.

namespace velkora {

// Acklam's rational approximation of the inverse normal distribution function, without
// a refinement step: -inf at p <= 0, +inf at p >= 1, exactly 0 at p = 0.5, NaN for NaN.
double z_score(double p);

// Half-width multiplier of a two-sided (1 - alpha) interval: z_score(1 - alpha / 2).
double interval_z(double alpha);

}  // namespace velkora
