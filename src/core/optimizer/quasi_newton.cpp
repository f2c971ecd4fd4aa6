#include "optimizer/quasi_newton.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <deque>
#include <fmt/format.h>

namespace velkora::solvers {

namespace {

using Eigen::MatrixXd;
using Eigen::VectorXd;

VectorXd to_eigen(std::span<const double> v) { return Eigen::Map<const VectorXd>(v.data(), static_cast<Eigen::Index>(v.size())); }

std::span<const double> view(const VectorXd& v) { return {v.data(), static_cast<std::size_t>(v.size())}; }

// How the search direction is formed from the gradient and the curvature pairs.
class DirectionModel {
public:
    virtual ~DirectionModel() = default;
    // -H g for the current inverse Hessian approximation H.
    [[nodiscard]] virtual VectorXd direction(const VectorXd& g) const = 0;
    // First trial step of the line search.
    [[nodiscard]] virtual double initial_step(const VectorXd& g) const = 0;
    // Takes the step s and gradient change y of an accepted iteration (when s'y > 0).
    virtual void update(const VectorXd& s, const VectorXd& y) = 0;
    virtual void reset() = 0;
};

class DenseInverseHessian final : public DirectionModel {
public:
    explicit DenseInverseHessian(std::span<const double> diagonal) : diagonal_(to_eigen(diagonal)) { reset(); }
    VectorXd direction(const VectorXd& g) const override { return -(h_ * g); }
    double initial_step(const VectorXd&) const override { return 1.0; }
    void update(const VectorXd& s, const VectorXd& y) override {
        const double rho = 1.0 / s.dot(y);
        const VectorXd hy = h_ * y;
        h_ -= rho * (s * hy.transpose() + hy * s.transpose());
        h_ += (rho * rho * y.dot(hy) + rho) * (s * s.transpose());
    }
    void reset() override { h_ = diagonal_.asDiagonal(); }

private:
    VectorXd diagonal_;
    MatrixXd h_;
};

class LimitedMemoryInverseHessian final : public DirectionModel {
public:
    explicit LimitedMemoryInverseHessian(std::size_t history) : history_(history) {}
    VectorXd direction(const VectorXd& g) const override {
        VectorXd q = g;
        std::vector<double> alpha(pairs_.size());
        for (std::size_t i = pairs_.size(); i-- > 0;) {
            alpha[i] = pairs_[i].rho * pairs_[i].s.dot(q);
            q -= alpha[i] * pairs_[i].y;
        }
        if (!pairs_.empty()) {
            const Pair& newest = pairs_.back();
            q *= newest.s.dot(newest.y) / newest.y.squaredNorm();
        }
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            const double beta = pairs_[i].rho * pairs_[i].y.dot(q);
            q += pairs_[i].s * (alpha[i] - beta);
        }
        return -q;
    }
    // Without curvature information the first step is kept at unit length.
    double initial_step(const VectorXd& g) const override {
        return pairs_.empty() ? std::min(1.0, 1.0 / g.norm()) : 1.0;
    }
    void update(const VectorXd& s, const VectorXd& y) override {
        if (pairs_.size() == history_) pairs_.pop_front();
        pairs_.push_back({s, y, 1.0 / s.dot(y)});
    }
    void reset() override { pairs_.clear(); }

private:
    struct Pair {
        VectorXd s;
        VectorXd y;
        double rho;
    };
    std::size_t history_;
    std::deque<Pair> pairs_;
};

struct Trial {
    VectorXd x;
    VectorXd g;
    double f = 0.0;
};

std::optional<std::string> tolerance_refusal(const QuasiNewtonSettings& s) {
    if (!(s.grad_tolerance >= 0.0))
        return fmt::format("gradient tolerance must be non-negative, got {}", s.grad_tolerance);
    if (!(s.cost_tolerance >= 0.0))
        return fmt::format("cost tolerance must be non-negative, got {}", s.cost_tolerance);
    return std::nullopt;
}

QuasiNewtonMinimum minimize(const ValueFunction& cost, const GradientFunction& gradient, std::span<const double> x0,
                            DirectionModel& model, const QuasiNewtonSettings& settings) {
    auto evaluate = [&](VectorXd x) {
        Trial t{std::move(x), {}, 0.0};
        t.g = to_eigen(gradient(view(t.x)));
        t.f = cost(view(t.x));
        return t;
    };
    Trial current = evaluate(to_eigen(x0));

    QuasiNewtonMinimum result;
    auto record = [&](const Trial& t) {
        if (std::isnan(t.f) || (result.best && !(t.f < result.value))) return;
        result.best = std::vector<double>(t.x.begin(), t.x.end());
        result.value = t.f;
    };
    record(current);

    double previous_f = current.f;
    bool model_is_initial = true;
    for (;;) {
        const double step_change = std::abs(previous_f - current.f);
        if (current.g.norm() < settings.grad_tolerance ||
            (result.iterations > 0 && step_change < settings.cost_tolerance)) {
            result.converged = true;
            break;
        }
        if (result.iterations >= settings.max_iterations) break;

        VectorXd p = model.direction(current.g);
        double slope = current.g.dot(p);
        if (!(slope < 0.0) && !model_is_initial) {
            model.reset();
            model_is_initial = true;
            p = model.direction(current.g);
            slope = current.g.dot(p);
        }
        if (!(slope < 0.0)) break;

        std::optional<Trial> last;
        std::optional<Trial> lowest;
        auto phi = [&](double step) {
            Trial t = evaluate(current.x + step * p);
            const ValueSlope at{t.f, t.g.dot(p)};
            if (!std::isnan(t.f) && (!lowest || t.f < lowest->f)) lowest = t;
            last = std::move(t);
            return at;
        };
        const LineSearchSettings& ls = settings.line_search;
        const double step0 = std::min(std::max(model.initial_step(current.g), ls.stpmin), ls.stpmax);
        const LineSearchResult search = more_thuente(phi, {current.f, slope}, step0, ls);

        // Without a Wolfe point, settle for the lowest value seen if it improves; when
        // nothing improves, retry once from the initial model before giving up.
        std::optional<Trial> accepted;
        if (search.status == LineSearchStatus::Converged)
            accepted = std::move(last);
        else if (lowest && lowest->f < current.f)
            accepted = std::move(lowest);
        if (!accepted) {
            if (model_is_initial) break;
            model.reset();
            model_is_initial = true;
            continue;
        }

        const VectorXd s = accepted->x - current.x;
        const VectorXd y = accepted->g - current.g;
        if (const double sy = s.dot(y); sy > 0.0 && std::isfinite(sy) && std::isfinite(y.squaredNorm())) {
            model.update(s, y);
            model_is_initial = false;
        }
        previous_f = current.f;
        current = std::move(*accepted);
        record(current);
        ++result.iterations;
    }
    return result;
}

}  // namespace

TextResult<QuasiNewtonMinimum> bfgs(const ValueFunction& cost, const GradientFunction& gradient,
                                    std::span<const double> x0, std::span<const double> initial_inverse_hessian,
                                    const QuasiNewtonSettings& settings) {
    if (auto refusal = tolerance_refusal(settings)) return fail_text(*refusal);
    if (initial_inverse_hessian.size() != x0.size())
        return fail_text(fmt::format("initial inverse Hessian has {} entries for {} parameters",
                                     initial_inverse_hessian.size(), x0.size()));
    DenseInverseHessian model(initial_inverse_hessian);
    return minimize(cost, gradient, x0, model, settings);
}

TextResult<QuasiNewtonMinimum> lbfgs(const ValueFunction& cost, const GradientFunction& gradient,
                                     std::span<const double> x0, std::size_t history,
                                     const QuasiNewtonSettings& settings) {
    if (auto refusal = tolerance_refusal(settings)) return fail_text(*refusal);
    if (history == 0) return fail_text("history size must be positive");
    LimitedMemoryInverseHessian model(history);
    return minimize(cost, gradient, x0, model, settings);
}

}  // namespace velkora::solvers
