#pragma once
// Brent's one-dimensional minimiser: golden-section search with parabolic interpolation.

#include <cstddef>
#include <functional>

namespace velkora::optimizer {

struct LineMinimum {
    double x = 0.0;
    double value = 0.0;
};

// Minimum of f over [lo, hi] within `max_iterations` evaluations after the first, starting
// at the golden-section point lo + 0.381966 (hi - lo). The tolerance at the best abscissa u
// is 1e-5 |u| + sqrt(machine epsilon).
LineMinimum brent_minimize(const std::function<double(double)>& f, double lo, double hi,
                           std::size_t max_iterations);

}  // namespace velkora::optimizer
