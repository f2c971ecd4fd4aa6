// Nelder-Mead, BFGS and L-BFGS runners, the More-Thuente line search and the
// finite-difference gradients.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "optimizer/finite_difference.hpp"
#include "optimizer/local_runners.hpp"
#include "optimizer/more_thuente.hpp"
#include "optimizer/nelder_mead.hpp"
#include "optimizer/quasi_newton.hpp"
#include "solver_test_objective.hpp"

using namespace velkora;
using velkora::testing::FunctionObjective;
using velkora::testing::quadratic;
using velkora::testing::rosenbrock;

namespace {

using Runner = optimizer::SolverResult (*)(const optimizer::SolverObjective&, std::span<const double>, std::size_t);

struct RunnerCase {
    std::string name;
    Runner run;
    std::size_t cap;
    double tolerance;   // on the distance to the minimiser
};

std::ostream& operator<<(std::ostream& os, const RunnerCase& c) { return os << c.name; }

class LocalRunners : public ::testing::TestWithParam<RunnerCase> {};

TEST_P(LocalRunners, ConvergeOnRosenbrockAndAQuadratic) {
    const RunnerCase& c = GetParam();
    const auto banana = rosenbrock();
    const std::vector<double> x0{-1.2, 1.0};
    const auto r = c.run(banana, x0, c.cap);
    ASSERT_TRUE(r) << r.error();
    EXPECT_TRUE(r->converged);
    EXPECT_LT(r->n_iter, c.cap);
    EXPECT_NEAR(r->params[0], 1.0, c.tolerance);
    EXPECT_NEAR(r->params[1], 1.0, 2 * c.tolerance);
    EXPECT_EQ(r->value, banana.cost(r->params));

    const auto bowl = quadratic({1.0, -2.0, 0.5}, {1.0, 10.0, 100.0});
    const std::vector<double> y0{0.0, 0.0, 0.0};
    const auto q = c.run(bowl, y0, c.cap);
    ASSERT_TRUE(q) << q.error();
    EXPECT_TRUE(q->converged);
    EXPECT_NEAR(q->params[0], 1.0, c.tolerance);
    EXPECT_NEAR(q->params[1], -2.0, c.tolerance);
    EXPECT_NEAR(q->params[2], 0.5, c.tolerance);
}

TEST_P(LocalRunners, StopAtTheIterationCapWithoutConvergence) {
    const auto banana = rosenbrock();
    const std::vector<double> x0{-1.2, 1.0};
    const auto r = GetParam().run(banana, x0, 3);
    ASSERT_TRUE(r) << r.error();
    EXPECT_FALSE(r->converged);
    EXPECT_EQ(r->n_iter, 3u);
    EXPECT_LT(r->value, banana.cost(x0));
}

TEST_P(LocalRunners, MoveAwayFromPointsThatCannotBeEvaluated) {
    // Minimum at (2, 0); nothing can be evaluated at x0 > 2.1, where cost is the penalty.
    auto bowl = quadratic({2.0, 0.0}, {1.0, 10.0});
    auto penalised = std::make_shared<int>(0);
    bowl.fails_everywhere_at = [penalised](std::span<const double> x) {
        *penalised += x[0] > 2.1;
        return x[0] > 2.1;
    };
    const std::vector<double> x0{-50.0, 1.0};
    const auto r = GetParam().run(bowl, x0, GetParam().cap);
    ASSERT_TRUE(r) << r.error();
    EXPECT_GT(*penalised, 0) << "the path should cross into the penalty";
    EXPECT_TRUE(r->converged);
    EXPECT_NEAR(r->params[0], 2.0, GetParam().tolerance);
    EXPECT_NEAR(r->params[1], 0.0, GetParam().tolerance);
}

TEST_P(LocalRunners, ReportNoBestPointWhenEveryValueIsNaN) {
    const FunctionObjective nothing([](std::span<const double>) { return std::nan(""); },
                                    [](std::span<const double> x) { return std::vector<double>(x.size(), 1.0); });
    const std::vector<double> x0{0.5};
    const auto r = GetParam().run(nothing, x0, 10);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), GetParam().name + ": no best parameter found");
}

INSTANTIATE_TEST_SUITE_P(Solvers, LocalRunners,
                         ::testing::Values(RunnerCase{"Nelder-Mead", runners::run_nelder_mead, 2000, 3e-3},
                                           RunnerCase{"BFGS", runners::run_bfgs, 500, 1e-4},
                                           RunnerCase{"L-BFGS", runners::run_lbfgs, 500, 1e-4}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

TEST(NelderMead, InitialSimplexPerturbsOneCoordinatePerVertex) {
    const std::vector<double> x0{0.0, 1e-9, 2.0, -4.0};
    const auto simplex = solvers::initial_simplex(x0);
    ASSERT_EQ(simplex.size(), 5u);
    EXPECT_EQ(simplex[0], x0);
    const std::vector<double> moved{0.00025, 1e-9 + 0.00025, 2.1, -4.2};
    for (std::size_t i = 0; i < x0.size(); ++i) {
        std::vector<double> expected = x0;
        expected[i] = moved[i];
        EXPECT_EQ(simplex[i + 1], expected) << "vertex " << i + 1;
    }
}

TEST(NelderMead, ZeroCapReturnsTheBestStartingVertex) {
    // Lowest value at the second vertex (x0 moved up in coordinate 0).
    const auto sloped = quadratic({10.0, 0.0}, {1.0, 1.0});
    const std::vector<double> x0{2.0, 0.0};
    const auto r = runners::run_nelder_mead(sloped, x0, 0);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->params, (std::vector<double>{2.1, 0.0}));
    EXPECT_EQ(r->n_iter, 0u);
    EXPECT_FALSE(r->converged);

    // Equal values everywhere: x0 itself, and the spread test already holds.
    const FunctionObjective flat([](std::span<const double>) { return 3.0; },
                                 [](std::span<const double> x) { return std::vector<double>(x.size(), 0.0); });
    const auto f = runners::run_nelder_mead(flat, x0, 0);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->params, x0);
    EXPECT_EQ(f->value, 3.0);
    EXPECT_TRUE(f->converged);
}

TEST(NelderMead, SpreadTestIsTheSampleStandardDeviation) {
    // Two vertices 0.00025 apart on a line of slope c: values differ by d = 0.00025 c and
    // their sample standard deviation (divided by n = 1) is d / sqrt(2).
    for (const auto& [slope, converged] : {std::pair{0.0064, false}, std::pair{0.0050, true}}) {
        const FunctionObjective line([c = slope](std::span<const double> x) { return c * x[0]; },
                                     [c = slope](std::span<const double>) { return std::vector<double>{c}; });
        const std::vector<double> x0{0.0};
        const auto r = runners::run_nelder_mead(line, x0, 0);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->converged, converged) << "slope " << slope;
    }
}

TEST(NelderMead, UsesOnlyCost) {
    const auto bowl = quadratic({1.0, 1.0}, {1.0, 1.0});
    const std::vector<double> x0{0.0, 0.0};
    ASSERT_TRUE(runners::run_nelder_mead(bowl, x0, 100));
    EXPECT_GT(bowl.counts->cost, 0);
    EXPECT_EQ(bowl.counts->gradient + bowl.counts->loglike + bowl.counts->value_and_gradient, 0);
}

TEST(Bfgs, RunsWhenTheStartGradientFails) {
    auto bowl = quadratic({1.0, -1.0}, {1.0, 4.0});
    const std::vector<double> x0{0.0, 0.0};
    bowl.gradient_fails_at = [&](std::span<const double> x) { return x[0] == x0[0] && x[1] == x0[1]; };
    const auto r = runners::run_bfgs(bowl, x0, 200);
    ASSERT_TRUE(r) << r.error();
    EXPECT_TRUE(r->converged);
    EXPECT_NEAR(r->params[0], 1.0, 1e-5);
    EXPECT_NEAR(r->params[1], -1.0, 1e-5);
    EXPECT_EQ(bowl.counts->analytic_gradient, 1);
}

TEST(Bfgs, InitialInverseHessianFollowsTheStartGradient) {
    // First trial step: -0.1 / max(|g0_i|, 0.001) * g0_i per coordinate, so (-0.1, -1e-4).
    std::vector<std::vector<double>> points;
    const FunctionObjective plane(
        [](std::span<const double> x) { return 50 * x[0] + x[0] * x[0] + 1e-6 * x[1] + x[1] * x[1]; },
        [&points](std::span<const double> x) {
            points.emplace_back(x.begin(), x.end());
            return std::vector<double>{50 + 2 * x[0], 1e-6 + 2 * x[1]};
        });
    const std::vector<double> x0{0.0, 0.0};
    ASSERT_TRUE(runners::run_bfgs(plane, x0, 1));
    // points[0]: the start gradient for the inverse Hessian; points[1]: the solver's at x0.
    ASSERT_GE(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[2][0], -0.1);
    EXPECT_DOUBLE_EQ(points[2][1], -1e-4);
}

TEST(QuasiNewton, RefusesInvalidSettings) {
    const auto bowl = quadratic({0.0}, {1.0});
    auto cost = [&](std::span<const double> x) { return bowl.cost(x); };
    auto gradient = [&](std::span<const double> x) { return bowl.gradient(x); };
    const std::vector<double> x0{1.0};
    solvers::QuasiNewtonSettings settings;
    settings.cost_tolerance = -1.0;
    const auto refused = solvers::lbfgs(cost, gradient, x0, 10, settings);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "cost tolerance must be non-negative, got -1");
    settings = {};
    settings.grad_tolerance = std::nan("");
    EXPECT_FALSE(solvers::bfgs(cost, gradient, x0, std::vector<double>{1.0}, settings));
    EXPECT_FALSE(solvers::lbfgs(cost, gradient, x0, 0, solvers::QuasiNewtonSettings{}));
    EXPECT_FALSE(solvers::bfgs(cost, gradient, x0, std::vector<double>{1.0, 1.0}, solvers::QuasiNewtonSettings{}));
}

TEST(QuasiNewton, EmptyProblemConvergesAtOnce) {
    const FunctionObjective constant([](std::span<const double>) { return 7.0; },
                                     [](std::span<const double>) { return std::vector<double>{}; });
    for (Runner run : {runners::run_bfgs, runners::run_lbfgs, runners::run_nelder_mead}) {
        const auto r = run(constant, {}, 50);
        ASSERT_TRUE(r) << r.error();
        EXPECT_TRUE(r->converged);
        EXPECT_EQ(r->n_iter, 0u);
        EXPECT_EQ(r->value, 7.0);
    }
}

// One-dimensional test functions of More and Thuente (1994), with their tolerances.
struct LineCase {
    std::string name;
    std::function<solvers::ValueSlope(double)> phi;
    double ftol;
    double gtol;
};

class MoreThuente : public ::testing::TestWithParam<LineCase> {};

TEST_P(MoreThuente, FindsStrongWolfeStepsFromNearAndFar) {
    const LineCase& c = GetParam();
    solvers::LineSearchSettings settings;
    settings.ftol = c.ftol;
    settings.gtol = c.gtol;
    settings.max_evaluations = 30;
    const solvers::ValueSlope at0 = c.phi(0.0);
    for (double start : {1e-3, 1e-1, 1e1, 1e3}) {
        const auto r = solvers::more_thuente(c.phi, at0, start, settings);
        ASSERT_EQ(r.status, solvers::LineSearchStatus::Converged) << c.name << " from " << start;
        const solvers::ValueSlope at = c.phi(r.step);
        EXPECT_LE(at.value, at0.value + c.ftol * r.step * at0.slope);
        EXPECT_LE(std::abs(at.slope), c.gtol * std::abs(at0.slope));
        EXPECT_LE(r.evaluations, 15u) << c.name << " from " << start;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Functions, MoreThuente,
    ::testing::Values(
        LineCase{"rational",
                 [](double a) {
                     return solvers::ValueSlope{-a / (a * a + 2.0), (a * a - 2.0) / ((a * a + 2.0) * (a * a + 2.0))};
                 },
                 1e-3, 1e-1},
        LineCase{"quintic",
                 [](double a) {
                     return solvers::ValueSlope{std::pow(a + 0.004, 5) - 2.0 * std::pow(a + 0.004, 4),
                                                5 * std::pow(a + 0.004, 4) - 8 * std::pow(a + 0.004, 3)};
                 },
                 0.1, 0.1},
        LineCase{"penalty beyond 1",
                 [](double a) {
                     if (a > 1.0) return solvers::ValueSlope{optimizer::kPenaltyValue, 0.0};
                     return solvers::ValueSlope{(a - 0.8) * (a - 0.8), 2 * (a - 0.8)};
                 },
                 1e-4, 0.9}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::erase(name, ' ');
        return name;
    });

TEST(MoreThuente, RefusesAnAscentDirection) {
    const auto r = solvers::more_thuente([](double a) { return solvers::ValueSlope{a, 1.0}; }, {0.0, 1.0}, 1.0, {});
    EXPECT_EQ(r.status, solvers::LineSearchStatus::InvalidInput);
    EXPECT_EQ(r.evaluations, 0u);
}

// sum x_i^3, remembering every point it is evaluated at.
FunctionObjective cubes(std::shared_ptr<std::vector<std::vector<double>>> points =
                            std::make_shared<std::vector<std::vector<double>>>()) {
    return {[points](std::span<const double> x) {
                points->emplace_back(x.begin(), x.end());
                double s = 0.0;
                for (double v : x) s += v * v * v;
                return s;
            },
            [](std::span<const double> x) { return std::vector<double>(x.size(), 0.0); }};
}

TEST(FiniteDifference, CentralStepsScaleWithTheCoordinate) {
    auto points = std::make_shared<std::vector<std::vector<double>>>();
    const auto objective = cubes(points);
    const std::vector<double> x{0.0, -3.0, 10.0};
    const auto g = runners::finite_diff_grad_negll(objective, x, 1e-5);
    ASSERT_TRUE(g) << g.error();
    const std::vector<double> h{1e-5, 4e-5, 11e-5};
    ASSERT_EQ(points->size(), 6u);
    for (std::size_t i = 0; i < x.size(); ++i) {
        std::vector<double> plus = x, minus = x;
        plus[i] = x[i] + h[i];
        minus[i] = x[i] - h[i];
        EXPECT_EQ((*points)[2 * i], plus) << "coordinate " << i;
        EXPECT_EQ((*points)[2 * i + 1], minus) << "coordinate " << i;
        EXPECT_NEAR((*g)[i], 3 * x[i] * x[i], 1e-6 * std::max(1.0, 3 * x[i] * x[i])) << i;
    }
}

TEST(FiniteDifference, StopsAtTheFirstFailingEvaluation) {
    auto objective = cubes();
    objective.fails_everywhere_at = [](std::span<const double> x) { return x[1] < -3.0; };
    const std::vector<double> x{0.0, -3.0};
    const auto g = runners::finite_diff_grad_negll(objective, x, 1e-5);
    ASSERT_FALSE(g);
    EXPECT_EQ(g.error(), "test: no value here");
    EXPECT_EQ(objective.counts->loglike, 4);

    const auto empty = runners::finite_diff_grad_negll(objective, {}, 1e-5);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

class ProfiledCubes : public optimizer::ProfiledObjective {
public:
    TextResult<double> profiled_negloglike(std::span<const double> x) const override {
        if (x[0] > 5.0) return fail_text("profiled: out of range");
        return x[0] * x[0] * x[0] - 2.0 * x[1];
    }
};

TEST(FiniteDifference, ProfiledObjective) {
    const ProfiledCubes objective;
    const std::vector<double> x{2.0, 1.0};
    const auto g = runners::finite_diff_grad_profile_negll(objective, x, 1e-5);
    ASSERT_TRUE(g) << g.error();
    EXPECT_NEAR((*g)[0], 12.0 + 9e-10, 1e-7);
    EXPECT_NEAR((*g)[1], -2.0, 1e-9);

    const std::vector<double> edge{5.0, 1.0};
    const auto failed = runners::finite_diff_grad_profile_negll(objective, edge, 1e-5);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "profiled: out of range");
}

}  // namespace
