#pragma once
// Coordinate-wise refinement of the regression coefficients of a fitted point.

#include <vector>

#include "optimizer/sarimax_objective.hpp"

namespace velkora::optimizer {

struct PolishedPoint {
    std::vector<double> x;
    double value = 0.0;
};

// Sweeps over the regression coefficients of x (value f = negative log-likelihood at x):
// each is probed at shrinking distances on both sides, and where a side improves, the
// minimum along that coordinate is bracketed and found by Brent's method. A coefficient
// changes only when that lowers the value by more than the sweep's tolerance.
PolishedPoint polish_regression(const SarimaxObjective& objective, std::vector<double> x, double f);

}  // namespace velkora::optimizer
