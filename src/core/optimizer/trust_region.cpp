#include "optimizer/trust_region.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velkora::optimizer {

namespace {

constexpr double kGradientStop = 1e-5;
constexpr double kRadiusFloor = 1e-8;
constexpr std::size_t kResetsAllowed = 2;
constexpr double kSmallestPrediction = 1e-30;
constexpr double kShrinkBelow = 0.25;
constexpr double kShrinkFactor = 0.25;
constexpr double kExpandAbove = 0.75;
constexpr double kBoundaryTolerance = 1e-6;
constexpr double kLargestRadius = 100.0;
constexpr double kAcceptAbove = 0.1;
constexpr std::size_t kRejectionRun = 6;
constexpr double kRejectionRunFactor = 0.5;
constexpr double kCurvatureFloor = 1e-10;
constexpr double kFinalGradientTest = 1e-3;

using Vector = Eigen::VectorXd;

Eigen::Map<const Vector> as_vector(std::span<const double> v) {
    return {v.data(), static_cast<Eigen::Index>(v.size())};
}

Eigen::MatrixXd initial_inverse_hessian(std::span<const double> g) {
    Vector diagonal(static_cast<Eigen::Index>(g.size()));
    for (std::size_t i = 0; i < g.size(); ++i) {
        const double magnitude = std::isnan(g[i]) ? 0.001 : std::abs(g[i]);
        diagonal(static_cast<Eigen::Index>(i)) = 0.1 / std::max(magnitude, 0.001);
    }
    return diagonal.asDiagonal();
}

// H <- (I - r s y') H (I - r y s') + r s s', r = 1 / s'y.
void bfgs_update(Eigen::MatrixXd& H, const Vector& s, const Vector& y) {
    const double sy = s.dot(y);
    if (!(sy > kCurvatureFloor)) return;
    const double r = 1.0 / sy;
    const Eigen::Index n = s.size();
    const Eigen::MatrixXd left = Eigen::MatrixXd::Identity(n, n) - r * s * y.transpose();
    H = left * H * left.transpose() + r * s * s.transpose();
}

}  // namespace

TrustRegionStep trust_region_step(const Eigen::MatrixXd& H, std::span<const double> g, std::size_t n,
                                  double radius) {
    const auto gv = as_vector(g.first(n));
    Vector p = -(H * gv);
    const double norm = p.norm();
    if (norm * norm > 0.0 && norm > radius) p *= radius / norm;
    double predicted = -gv.dot(p);
    if (std::isnan(predicted) || predicted < kSmallestPrediction) predicted = kSmallestPrediction;
    return {std::vector<double>(p.begin(), p.end()), p.norm(), predicted};
}

SolverOutcome trust_region_minimize(const PointValue& value, const PointGradient& gradient,
                                    TrustRegionStart start, std::size_t max_iterations) {
    const std::size_t n = start.x.size();
    std::vector<double> x = std::move(start.x);
    double f = start.value;
    std::vector<double> g = std::move(start.gradient);
    Eigen::MatrixXd H = initial_inverse_hessian(g);
    const double initial_radius = 2.0 * (0.1 * std::sqrt(static_cast<double>(n)));
    double radius = initial_radius;
    std::size_t rejections = 0;
    std::size_t resets = 0;
    std::vector<double> trial(n);

    for (std::size_t it = 0; it < max_iterations; ++it) {
        if (n == 0 || as_vector(g).norm() < kGradientStop) return {x, f, it, true};
        if (radius < kRadiusFloor) {
            if (resets >= kResetsAllowed) return {x, f, it, true};
            radius = initial_radius;
            rejections = 0;
            ++resets;
        }
        const TrustRegionStep step = trust_region_step(H, g, n, radius);
        for (std::size_t i = 0; i < n; ++i) trial[i] = x[i] + step.p[i];
        const auto evaluated = value(trial);
        const double f_new = evaluated ? *evaluated : std::numeric_limits<double>::infinity();
        const double rho = (f - f_new) / step.predicted_reduction;

        if (rho < kShrinkBelow) {
            radius *= kShrinkFactor;
        } else if (rho > kExpandAbove && std::abs(step.norm - radius) < kBoundaryTolerance * radius) {
            radius = std::min(2.0 * radius, kLargestRadius);
        }
        if (!(rho > kAcceptAbove && std::isfinite(f_new) && f_new < f)) {
            if (++rejections >= kRejectionRun) radius *= kRejectionRunFactor;
            continue;
        }
        if (auto g_new = gradient(trial); g_new && g_new->size() == n) {
            bfgs_update(H, as_vector(step.p), as_vector(*g_new) - as_vector(g));
            g = std::move(*g_new);
        }
        x = trial;
        f = f_new;
        rejections = 0;
    }
    return {x, f, max_iterations, n == 0 || as_vector(g).norm() < kFinalGradientTest};
}

}  // namespace velkora::optimizer
