#pragma once
// A quasi-Newton trust-region minimiser: the step is -H g cut back to the radius, the
// predicted reduction its linear term, and H a BFGS approximation of the inverse Hessian.

#include <Eigen/Dense>
#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "optimizer/solver_outcome.hpp"
#include "optimizer/text_result.hpp"

namespace velkora::optimizer {

struct TrustRegionStep {
    std::vector<double> p;
    double norm = 0.0;
    double predicted_reduction = 0.0;
};

// -H g, shortened to `radius` when longer; the predicted reduction -g'p is at least 1e-30.
TrustRegionStep trust_region_step(const Eigen::MatrixXd& H, std::span<const double> g, std::size_t n,
                                  double radius);

using PointValue = std::function<TextResult<double>(std::span<const double>)>;
using PointGradient = std::function<TextResult<std::vector<double>>(std::span<const double>)>;

// Where the loop starts: the point with its value and gradient already computed.
struct TrustRegionStart {
    std::vector<double> x;
    double value = 0.0;
    std::vector<double> gradient;
};

// At most `max_iterations` steps from `start`; only steps that lower the value are taken,
// so the result is the lowest point seen. A failed evaluation counts as +infinity.
SolverOutcome trust_region_minimize(const PointValue& value, const PointGradient& gradient,
                                    TrustRegionStart start, std::size_t max_iterations);

}  // namespace velkora::optimizer
