#include "optimizer/local_runners.hpp"

#include <cmath>
#include <fmt/format.h>

#include "optimizer/nelder_mead.hpp"
#include "optimizer/quasi_newton.hpp"

namespace velkora::runners {

namespace {

using optimizer::SolverObjective;
using optimizer::SolverOutcome;
using optimizer::SolverResult;

constexpr std::size_t kLbfgsHistory = 10;

solvers::QuasiNewtonSettings quasi_newton_settings(std::size_t max_iterations) {
    solvers::QuasiNewtonSettings settings;
    settings.grad_tolerance = 1e-5;
    settings.cost_tolerance = 1e-9;
    settings.max_iterations = max_iterations;
    settings.line_search.ftol = 1e-4;
    settings.line_search.gtol = 0.9;
    return settings;
}

SolverResult report_quasi_newton(TextResult<solvers::QuasiNewtonMinimum> run, std::string_view name) {
    if (!run) return fail_text(fmt::format("{} failed: {}", name, run.error()));
    if (!run->best) return fail_text(fmt::format("{}: no best parameter found", name));
    return SolverOutcome{std::move(*run->best), run->value, run->iterations, run->converged};
}

// Diagonal inverse Hessian scaled by the start gradient; 0.1 where it is unavailable.
std::vector<double> initial_inverse_hessian(const SolverObjective& objective, std::span<const double> x0) {
    const auto g0 = objective.analytical_gradient_negloglike(x0);
    std::vector<double> diagonal(x0.size());
    for (std::size_t i = 0; i < diagonal.size(); ++i) {
        const double gi = g0 && g0->size() == x0.size() && std::isfinite((*g0)[i]) ? (*g0)[i] : 1.0;
        diagonal[i] = 0.1 / std::max(std::abs(gi), 0.001);
    }
    return diagonal;
}

}  // namespace

SolverResult run_nelder_mead(const SolverObjective& objective, std::span<const double> x0,
                             std::size_t max_iterations) {
    const auto own = objective.clone();
    solvers::NelderMeadSettings settings;
    settings.max_iterations = max_iterations;
    auto cost = [&](std::span<const double> x) { return own->cost(x); };
    auto run = solvers::nelder_mead(cost, solvers::initial_simplex(x0), settings);
    if (!run.best) return fail_text("Nelder-Mead: no best parameter found");
    return SolverOutcome{std::move(*run.best), run.value, run.iterations, run.converged};
}

SolverResult run_bfgs(const SolverObjective& objective, std::span<const double> x0, std::size_t max_iterations) {
    const auto own = objective.clone();
    auto cost = [&](std::span<const double> x) { return own->cost(x); };
    auto gradient = [&](std::span<const double> x) { return own->gradient(x); };
    return report_quasi_newton(
        solvers::bfgs(cost, gradient, x0, initial_inverse_hessian(*own, x0), quasi_newton_settings(max_iterations)),
        "BFGS");
}

SolverResult run_lbfgs(const SolverObjective& objective, std::span<const double> x0, std::size_t max_iterations) {
    const auto own = objective.clone();
    auto cost = [&](std::span<const double> x) { return own->cost(x); };
    auto gradient = [&](std::span<const double> x) { return own->gradient(x); };
    return report_quasi_newton(
        solvers::lbfgs(cost, gradient, x0, kLbfgsHistory, quasi_newton_settings(max_iterations)), "L-BFGS");
}

}  // namespace velkora::runners
