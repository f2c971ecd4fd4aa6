#pragma once
// More-Thuente line search: a step satisfying the strong Wolfe conditions
//   phi(stp) <= phi(0) + ftol * stp * phi'(0),   |phi'(stp)| <= gtol * |phi'(0)|.

#include <cstddef>
#include <functional>

namespace velkora::solvers {

struct LineSearchSettings {
    double ftol = 1e-4;
    double gtol = 0.9;
    double xtol = 1e-10;   // relative width of the bracket below which the search stops
    double stpmin = 1e-20;
    double stpmax = 1e20;
    std::size_t max_evaluations = 20;
};

struct ValueSlope {
    double value;
    double slope;
};

enum class LineSearchStatus {
    Converged,          // strong Wolfe conditions met
    Stalled,            // bracket too narrow, rounding errors, or a step bound reached
    EvaluationLimit,    // max_evaluations used up
    InvalidInput,       // settings out of range or not a descent direction
};

struct LineSearchResult {
    LineSearchStatus status;
    double step;    // the last step evaluated
    std::size_t evaluations;
};

// Searches phi along a direction, starting at step `initial_step`; phi0 is phi(0) with its
// slope, which must be negative. Every step the search tries is handed to phi.
LineSearchResult more_thuente(const std::function<ValueSlope(double)>& phi, ValueSlope phi0,
                              double initial_step, const LineSearchSettings& settings);

}  // namespace velkora::solvers
