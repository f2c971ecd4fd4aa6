#pragma once
// Derivative-free simplex minimisation.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace velkora::solvers {

using CostFunction = std::function<double(std::span<const double>)>;

struct NelderMeadSettings {
    double reflection = 1.0;
    double expansion = 2.0;
    double contraction = 0.5;
    double shrink = 0.5;
    // Converged when the sample standard deviation of the vertex values falls below this.
    double sd_tolerance = 1e-6;
    std::size_t max_iterations = 0;
};

struct SimplexMinimum {
    std::optional<std::vector<double>> best;   // absent when every value was NaN
    double value = 0.0;
    std::size_t iterations = 0;
    bool converged = false;
};

// n + 1 starting vertices: x0, then x0 with coordinate i moved by 5% (by 0.00025 when it
// is at most 1e-8 in magnitude).
std::vector<std::vector<double>> initial_simplex(std::span<const double> x0);

// Minimises cost from the given simplex. The convergence test runs before the iteration
// cap, so a simplex that already meets it counts as converged even with no iterations left.
SimplexMinimum nelder_mead(const CostFunction& cost, std::vector<std::vector<double>> simplex,
                           const NelderMeadSettings& settings);

}  // namespace velkora::solvers
