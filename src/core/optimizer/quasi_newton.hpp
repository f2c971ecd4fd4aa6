#pragma once
// BFGS and limited-memory BFGS with a More-Thuente line search.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "optimizer/more_thuente.hpp"
#include "optimizer/text_result.hpp"

namespace velkora::solvers {

using ValueFunction = std::function<double(std::span<const double>)>;
using GradientFunction = std::function<std::vector<double>(std::span<const double>)>;

struct QuasiNewtonSettings {
    double grad_tolerance = 1e-5;   // converged when the gradient norm falls below this
    double cost_tolerance = 1e-9;   // ... or when an iteration changes the value by less
    std::size_t max_iterations = 0;
    LineSearchSettings line_search{};
};

struct QuasiNewtonMinimum {
    std::optional<std::vector<double>> best;   // absent when no value was a number
    double value = 0.0;
    std::size_t iterations = 0;
    bool converged = false;
};

// BFGS with the inverse Hessian started (and restarted, when it stops giving descent) at the
// given diagonal. Refuses negative tolerances and a diagonal of the wrong length.
TextResult<QuasiNewtonMinimum> bfgs(const ValueFunction& cost, const GradientFunction& gradient,
                                    std::span<const double> x0, std::span<const double> initial_inverse_hessian,
                                    const QuasiNewtonSettings& settings);

// L-BFGS keeping the last `history` curvature pairs. Refuses negative tolerances and an
// empty history.
TextResult<QuasiNewtonMinimum> lbfgs(const ValueFunction& cost, const GradientFunction& gradient,
                                     std::span<const double> x0, std::size_t history,
                                     const QuasiNewtonSettings& settings);

}  // namespace velkora::solvers
