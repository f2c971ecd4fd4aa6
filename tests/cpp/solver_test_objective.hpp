#pragma once
// Plain test functions dressed as solver objectives, with switchable failures and counts of
// every evaluation (shared by clones, so runs on a copy are still counted).

#include <cmath>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "optimizer/objective.hpp"

namespace velkora::testing {

struct EvaluationCounts {
    int loglike = 0;
    int value_and_gradient = 0;
    int analytic_gradient = 0;
    int cost = 0;
    int gradient = 0;
};

using PointTest = std::function<bool(std::span<const double>)>;

class FunctionObjective : public optimizer::SolverObjective {
public:
    using Value = std::function<double(std::span<const double>)>;
    using Gradient = std::function<std::vector<double>(std::span<const double>)>;

    FunctionObjective(Value f, Gradient g) : f_(std::move(f)), g_(std::move(g)) {}

    // Points where nothing can be evaluated, and points where only the gradient fails.
    PointTest fails_everywhere_at = [](std::span<const double>) { return false; };
    PointTest gradient_fails_at = [](std::span<const double>) { return false; };
    std::shared_ptr<EvaluationCounts> counts = std::make_shared<EvaluationCounts>();

    std::unique_ptr<SolverObjective> clone() const override { return std::make_unique<FunctionObjective>(*this); }

    TextResult<double> eval_loglike(std::span<const double> x) const override {
        ++counts->loglike;
        if (fails_everywhere_at(x)) return fail_text("test: no value here");
        return -f_(x);
    }
    TextResult<optimizer::ValueAndGradient> eval_negloglike_with_gradient(std::span<const double> x) const override {
        ++counts->value_and_gradient;
        if (fails_everywhere_at(x) || gradient_fails_at(x)) return fail_text("test: no gradient here");
        return optimizer::ValueAndGradient{f_(x), g_(x)};
    }
    TextResult<std::vector<double>> analytical_gradient_negloglike(std::span<const double> x) const override {
        ++counts->analytic_gradient;
        if (fails_everywhere_at(x) || gradient_fails_at(x)) return fail_text("test: no gradient here");
        return g_(x);
    }
    double cost(std::span<const double> x) const override {
        ++counts->cost;
        return fails_everywhere_at(x) ? optimizer::kPenaltyValue : f_(x);
    }
    // Analytic where available, else forward differences on cost with non-finite entries 0.
    std::vector<double> gradient(std::span<const double> x) const override {
        ++counts->gradient;
        if (!fails_everywhere_at(x) && !gradient_fails_at(x)) return g_(x);
        std::vector<double> point(x.begin(), x.end());
        std::vector<double> g(x.size());
        const double f0 = cost(x);
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double h = (std::abs(x[i]) + 1.0) * 1e-7;
            point[i] = x[i] + h;
            g[i] = (cost(point) - f0) / h;
            if (!std::isfinite(g[i])) g[i] = 0.0;
            point[i] = x[i];
        }
        return g;
    }

private:
    Value f_;
    Gradient g_;
};

// sum_i w_i (x_i - c_i)^2
inline FunctionObjective quadratic(std::vector<double> centre, std::vector<double> weights) {
    auto f = [=](std::span<const double> x) {
        double s = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) s += weights[i] * (x[i] - centre[i]) * (x[i] - centre[i]);
        return s;
    };
    auto g = [=](std::span<const double> x) {
        std::vector<double> out(x.size());
        for (std::size_t i = 0; i < x.size(); ++i) out[i] = 2.0 * weights[i] * (x[i] - centre[i]);
        return out;
    };
    return {f, g};
}

// (1 - x0)^2 + 100 (x1 - x0^2)^2, minimum 0 at (1, 1).
inline FunctionObjective rosenbrock() {
    auto f = [](std::span<const double> x) {
        return (1 - x[0]) * (1 - x[0]) + 100 * (x[1] - x[0] * x[0]) * (x[1] - x[0] * x[0]);
    };
    auto g = [](std::span<const double> x) {
        return std::vector<double>{-2 * (1 - x[0]) - 400 * x[0] * (x[1] - x[0] * x[0]),
                                   200 * (x[1] - x[0] * x[0])};
    };
    return {f, g};
}

}  // namespace velkora::testing
