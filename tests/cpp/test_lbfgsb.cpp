// The L-BFGS-B wrapper, its task codes, the budgeted runner and the parameter bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include "optimizer/lbfgsb_wrapper.hpp"
#include "optimizer/parameter_bounds.hpp"
#include "optimizer/run_lbfgsb.hpp"
#include "solver_test_objective.hpp"

using namespace velkora;
using namespace velkora::lbfgsb_wrapper;
using velkora::testing::quadratic;
using velkora::testing::rosenbrock;

namespace {

struct TaskCase {
    std::string text;
    int code;
};

class TaskCodes : public ::testing::TestWithParam<TaskCase> {};

TEST_P(TaskCodes, MapsLibraryTextToCode) {
    std::string padded = GetParam().text;
    padded.resize(60, ' ');
    EXPECT_EQ(task_code(padded), GetParam().code) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    LbfgsbTasks, TaskCodes,
    ::testing::Values(TaskCase{"START", task::kStart}, TaskCase{"NEW_X", task::kNewX},
                      TaskCase{"FG", task::kEvaluate}, TaskCase{"FG_START", task::kEvaluateStart},
                      TaskCase{"FG_LNSRCH", task::kEvaluateLineSearch},
                      TaskCase{"CONVERGENCE: NORM_OF_PROJECTED_GRADIENT_<=_PGTOL", task::kConvergedPgtol},
                      TaskCase{"CONVERGENCE: REL_REDUCTION_OF_F_<=_FACTR*EPSMCH", task::kConvergedFactr},
                      TaskCase{"ABNORMAL_TERMINATION_IN_LNSRCH", task::kAbnormal},
                      TaskCase{"ERROR: N .LE. 0", task::kErrorN}, TaskCase{"ERROR: INVALID NBD", task::kErrorNbd},
                      TaskCase{"ERROR: NO FEASIBLE SOLUTION", task::kErrorInfeasible},
                      TaskCase{"ERROR: FTOL .LT. ZERO", task::kError},
                      TaskCase{"WARNING: ROUNDING ERRORS PREVENT PROGRESS", task::kWarningRounding},
                      TaskCase{"STOP: TOTAL NO. of f AND g EVALUATIONS EXCEEDS LIMIT", task::kStop},
                      TaskCase{"SOMETHING ELSE", task::kUnrecognised}, TaskCase{"", task::kUnrecognised}));

TEST(TaskCodes, ClassifiesDriverActions) {
    for (int code : {task::kEvaluate, task::kEvaluateStart, task::kEvaluateLineSearch})
        EXPECT_TRUE(task::is_evaluation(code));
    for (int code : {task::kConverged, task::kConvergedPgtol, task::kConvergedFactr})
        EXPECT_TRUE(task::is_convergence(code));
    for (int code : {task::kAbnormal, task::kError, task::kErrorInfeasible, task::kUnrecognised})
        EXPECT_TRUE(task::is_error(code));
    for (int code : {task::kStop, task::kWarning, task::kWarningRounding, task::kNewX}) {
        EXPECT_FALSE(task::is_error(code));
        EXPECT_FALSE(task::is_convergence(code));
        EXPECT_FALSE(task::is_evaluation(code));
    }
}

auto quadratic_callback(std::vector<double> centre) {
    return [centre](std::span<const double> x, double& f, std::span<double> g) {
        f = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            f += (x[i] - centre[i]) * (x[i] - centre[i]);
            g[i] = 2.0 * (x[i] - centre[i]);
        }
    };
}

TEST(LbfgsbProblem, BoundTypesPerCoordinate) {
    const std::vector<double> x0(5, 0.0);
    auto problem = LbfgsbProblem<decltype(quadratic_callback({}))>::build(x0, quadratic_callback({}));
    const BoundList bounds{{-1.0, 2.0}, {-3.0, std::nullopt}, {std::nullopt, 4.0}, {}};
    ASSERT_TRUE(problem.set_bounds(bounds));
    EXPECT_EQ(problem.nbd, (std::vector<FortranInt>{2, 1, 3, 0, 0}));
    EXPECT_EQ(problem.l[0], -1.0);
    EXPECT_EQ(problem.u[0], 2.0);
    EXPECT_EQ(problem.l[1], -3.0);
    EXPECT_EQ(problem.u[2], 4.0);

    const BoundList too_many(6);
    const auto refused = problem.set_bounds(too_many);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "6 bounds given for 5 parameters");
}

TEST(LbfgsbState, StopsOnActiveBoundsWithConvergenceCode) {
    const std::vector<double> x0{0.0, 0.0, 0.0};
    auto problem = LbfgsbProblem<decltype(quadratic_callback({}))>::build(x0, quadratic_callback({3.0, -2.0, 0.5}));
    ASSERT_TRUE(problem.set_bounds(BoundList{{-1.0, 1.0}, {-1.0, std::nullopt}, {}}));
    LbfgsbState state(std::move(problem), LbfgsbSettings{});
    const auto code = state.minimize();
    ASSERT_TRUE(code) << code.error();
    EXPECT_TRUE(task::is_convergence(*code));
    EXPECT_EQ(state.problem().x[0], 1.0);
    EXPECT_EQ(state.problem().x[1], -1.0);
    EXPECT_NEAR(state.problem().x[2], 0.5, 1e-6);
    EXPECT_NEAR(state.problem().f, 4.0 + 1.0, 1e-10);
}

TEST(LbfgsbState, LibraryErrorsBecomeMessagesWithTheirCode) {
    const auto callback = quadratic_callback({0.0});
    // No coordinates at all, and a box with lower above upper.
    LbfgsbState empty(LbfgsbProblem<decltype(callback)>::build({}, callback), LbfgsbSettings{});
    const auto no_coordinates = empty.minimize();
    ASSERT_FALSE(no_coordinates);
    EXPECT_EQ(no_coordinates.error(), "L-BFGS-B terminated with error (task code 201)");

    const std::vector<double> x0{0.0};
    auto problem = LbfgsbProblem<decltype(callback)>::build(x0, callback);
    ASSERT_TRUE(problem.set_bounds(BoundList{{1.0, -1.0}}));
    LbfgsbState infeasible(std::move(problem), LbfgsbSettings{});
    const auto no_feasible_point = infeasible.minimize();
    ASSERT_FALSE(no_feasible_point);
    EXPECT_EQ(no_feasible_point.error(), "L-BFGS-B terminated with error (task code 205)");
}

TEST(RunLbfgsb, ConvergesOnRosenbrockCountingEveryEvaluation) {
    const auto objective = rosenbrock();
    const std::vector<double> x0{-1.2, 1.0};
    const auto outcome = runners::run_lbfgsb(objective, x0, BoundList(2), 500);
    ASSERT_TRUE(outcome) << outcome.error();
    EXPECT_TRUE(outcome->converged);
    EXPECT_NEAR(outcome->params[0], 1.0, 1e-3);
    EXPECT_NEAR(outcome->params[1], 1.0, 2e-3);
    EXPECT_LT(outcome->value, 1e-6);
    EXPECT_EQ(outcome->n_iter, static_cast<std::size_t>(objective.counts->value_and_gradient));
    EXPECT_GT(outcome->n_iter, 10u);
    EXPECT_LT(outcome->n_iter, 500u);
}

TEST(RunLbfgsb, SpentBudgetEndsTheRunWithoutConvergence) {
    const auto objective = rosenbrock();
    const std::vector<double> x0{-1.2, 1.0};
    for (std::size_t budget : {1u, 5u}) {
        *objective.counts = {};
        const auto outcome = runners::run_lbfgsb(objective, x0, BoundList(2), budget);
        ASSERT_TRUE(outcome) << outcome.error();
        EXPECT_FALSE(outcome->converged) << "budget " << budget;
        EXPECT_EQ(outcome->n_iter, budget);
        EXPECT_EQ(objective.counts->value_and_gradient, static_cast<int>(budget));
        EXPECT_GT(objective.counts->loglike, 0) << "requests past the budget still get a value";
    }
}

TEST(RunLbfgsb, FallsBackToForwardDifferencesWhenTheGradientFails) {
    auto objective = quadratic({1.0, -2.0}, {1.0, 3.0});
    objective.gradient_fails_at = [](std::span<const double>) { return true; };
    const std::vector<double> x0{0.0, 0.0};
    const auto outcome = runners::run_lbfgsb(objective, x0, BoundList(2), 500);
    ASSERT_TRUE(outcome) << outcome.error();
    EXPECT_TRUE(outcome->converged);
    EXPECT_NEAR(outcome->params[0], 1.0, 1e-4);
    EXPECT_NEAR(outcome->params[1], -2.0, 1e-4);
    EXPECT_EQ(objective.counts->analytic_gradient, 0);
    EXPECT_GT(objective.counts->loglike, static_cast<int>(2 * outcome->n_iter) - 1);
}

TEST(RunLbfgsb, StepsBackFromPointsThatCannotBeEvaluated) {
    // Minimum at x = 3, but nothing can be evaluated beyond 2: the penalty there must not
    // end the run in an error nor be reported as the result.
    auto objective = quadratic({3.0}, {1.0});
    objective.fails_everywhere_at = [](std::span<const double> x) { return x[0] > 2.0; };
    const std::vector<double> x0{0.0};
    const auto outcome = runners::run_lbfgsb(objective, x0, BoundList(1), 200);
    ASSERT_TRUE(outcome) << outcome.error();
    EXPECT_LE(outcome->params[0], 2.0);
    EXPECT_LT(outcome->value, 9.0);
    EXPECT_EQ(outcome->value, (outcome->params[0] - 3.0) * (outcome->params[0] - 3.0));
}

TEST(RunLbfgsb, RespectsBoundsAndReportsMisfittingLists) {
    const auto objective = quadratic({3.0, 3.0}, {1.0, 1.0});
    const std::vector<double> x0{0.0, 0.0};
    const auto outcome = runners::run_lbfgsb(objective, x0, BoundList{{-0.999, 0.999}, {}}, 500);
    ASSERT_TRUE(outcome) << outcome.error();
    EXPECT_EQ(outcome->params[0], 0.999);
    EXPECT_NEAR(outcome->params[1], 3.0, 1e-6);

    const auto refused = runners::run_lbfgsb(objective, x0, BoundList(3), 500);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "L-BFGS-B failed: 3 bounds given for 2 parameters");
}

TEST(RunLbfgsb, ConcurrentRunsMatchSerialRuns) {
    const auto objective = rosenbrock();
    const std::vector<std::vector<double>> starts{{-1.2, 1.0}, {2.0, -1.0}, {0.5, 0.5}, {-2.0, -2.0}};
    std::vector<optimizer::SolverOutcome> serial;
    for (const auto& x0 : starts) serial.push_back(*runners::run_lbfgsb(objective, x0, BoundList(2), 500));

    std::vector<optimizer::SolverOutcome> parallel(starts.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < starts.size(); ++i)
        threads.emplace_back([&, i] {
            auto own = objective.clone();
            parallel[i] = *runners::run_lbfgsb(*own, starts[i], BoundList(2), 500);
        });
    for (auto& t : threads) t.join();
    for (std::size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(parallel[i].params, serial[i].params);
        EXPECT_EQ(parallel[i].n_iter, serial[i].n_iter);
    }
}

struct BoundsCase {
    SarimaxConfig config;
    std::vector<FortranInt> nbd;
};

class ComputeBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(ComputeBounds, OneBoundPerParameter) {
    const SarimaxConfig& config = GetParam().config;
    const BoundList bounds = runners::compute_bounds(config);
    ASSERT_EQ(bounds.size(), config.param_count());
    const std::vector<double> x0(bounds.size(), 0.0);
    auto problem = LbfgsbProblem<decltype(quadratic_callback({}))>::build(x0, quadratic_callback({}));
    ASSERT_TRUE(problem.set_bounds(bounds));
    EXPECT_EQ(problem.nbd, GetParam().nbd);
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        if (problem.nbd[i] == 2) {
            EXPECT_EQ(problem.l[i], -0.999);
            EXPECT_EQ(problem.u[i], 0.999);
        }
        if (problem.nbd[i] == 1) {
            EXPECT_EQ(problem.l[i], -50.0);
        }
    }
}

SarimaxConfig bounds_config(SarimaxOrder order, bool stationarity, bool invertibility, bool concentrate,
                            Trend trend = Trend::TrendNone, std::size_t n_exog = 0) {
    SarimaxConfig c;
    c.order = order;
    c.enforce_stationarity = stationarity;
    c.enforce_invertibility = invertibility;
    c.concentrate_scale = concentrate;
    c.trend = trend;
    c.n_exog = n_exog;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ComputeBounds,
    ::testing::Values(
        BoundsCase{bounds_config({2, 0, 0, 0, 0, 0, 0}, true, true, false), {0, 0, 1}},
        BoundsCase{bounds_config({2, 0, 0, 0, 0, 0, 0}, false, true, false), {2, 2, 1}},
        BoundsCase{bounds_config({2, 0, 0, 0, 0, 0, 0}, false, true, true), {2, 2}},
        BoundsCase{bounds_config({1, 1, 1, 1, 1, 1, 12}, true, false, false, Trend::TrendConstantLinear, 1),
                   {0, 0, 0, 0, 2, 0, 2, 1}},
        BoundsCase{bounds_config({1, 0, 1, 1, 0, 1, 4}, false, true, false), {2, 0, 2, 0, 1}},
        BoundsCase{bounds_config({0, 0, 0, 0, 0, 0, 0}, true, true, true), {}}));

}  // namespace
