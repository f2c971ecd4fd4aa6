#include "optimizer/regression_polish.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>

#include "optimizer/brent_minimize.hpp"

namespace velkora::optimizer {

namespace {

constexpr std::size_t kMaxSweeps = 6;
constexpr std::size_t kMaxProbes = 24;
constexpr std::size_t kMaxExpansions = 24;
constexpr std::size_t kBrentIterations = 40;

// Sample standard deviation, or nothing when it is undefined, not finite or zero.
std::optional<double> sample_sd(std::span<const double> values) {
    if (values.size() < 2) return std::nullopt;
    double mean = 0.0;
    for (double v : values) mean += v;
    mean /= static_cast<double>(values.size());
    double squares = 0.0;
    for (double v : values) squares += (v - mean) * (v - mean);
    const double variance = squares / static_cast<double>(values.size() - 1);
    if (!(variance > 0.0) || !std::isfinite(variance)) return std::nullopt;
    return std::sqrt(variance);
}

// How far a unit of regressor j moves the series: the first probe distance grows with it.
double scale_ratio(const SarimaxObjective& objective, std::size_t j) {
    if (j >= objective.exog().size()) return 1.0;
    const double sd_y = std::max(sample_sd(objective.series()).value_or(1.0), 1.0);
    const double sd_x = sample_sd(objective.exog()[j]).transform([](double sd) { return std::max(sd, 1e-12); }).value_or(1.0);
    return std::max(sd_y / sd_x, 1.0);
}

// The negative log-likelihood along one coordinate of x; failures count as +infinity.
class CoordinateLine {
public:
    CoordinateLine(const SarimaxObjective& objective, std::vector<double>& x, std::size_t i)
        : objective_(objective), x_(x), i_(i), origin_(x[i]) {}

    double operator()(double value) const {
        x_[i_] = value;
        const auto loglike = objective_.eval_loglike(x_);
        x_[i_] = origin_;
        return loglike ? -*loglike : std::numeric_limits<double>::infinity();
    }

private:
    const SarimaxObjective& objective_;
    std::vector<double>& x_;
    std::size_t i_;
    double origin_;
};

// Best value along the line from c found by probing, expanding and Brent's method; the
// value f at c when no probe improves on it.
LineMinimum search_coordinate(const CoordinateLine& line, double c, double f, double ratio) {
    double delta = 0.25 * std::max({std::abs(c), ratio, 1.0});
    const double delta_min = (std::abs(c) + 1.0) * 1e-8;
    for (std::size_t probe = 0; probe < kMaxProbes; ++probe) {
        const double f_minus = line(c - delta);
        const double f_plus = line(c + delta);
        if (f_minus < f || f_plus < f) {
            const double d = f_minus < f && f_minus <= f_plus ? -1.0 : 1.0;
            double a = c;
            double b = c + d * delta;
            double f_b = d < 0.0 ? f_minus : f_plus;
            for (std::size_t expansion = 0; expansion < kMaxExpansions; ++expansion) {
                delta *= 2.0;
                const double t = b + d * delta;
                const double f_t = line(t);
                if (f_t >= f_b || !std::isfinite(f_t)) {
                    const LineMinimum brent = brent_minimize(line, std::min(a, t), std::max(a, t), kBrentIterations);
                    return std::isfinite(brent.value) && brent.value < f_b ? brent : LineMinimum{b, f_b};
                }
                a = b;
                b = t;
                f_b = f_t;
            }
            return {b, f_b};
        }
        delta *= 0.5;
        if (delta <= delta_min) break;
    }
    return {c, f};
}

}  // namespace

PolishedPoint polish_regression(const SarimaxObjective& objective, std::vector<double> x, double f) {
    const SarimaxConfig& config = objective.config();
    const std::size_t k = config.n_exog;
    const std::size_t offset = trend_param_count(config.trend);
    const std::size_t sweeps = std::min(std::max<std::size_t>(k + 1, 2), kMaxSweeps);
    for (std::size_t sweep = 0; sweep < sweeps; ++sweep) {
        const double f_sweep = f;
        const double tol = std::max(1e-9 * std::max(std::abs(f_sweep), 1.0), 1e-8);
        bool improved = false;
        for (std::size_t j = 0; j < k && offset + j < x.size(); ++j) {
            const std::size_t i = offset + j;
            const CoordinateLine line(objective, x, i);
            const LineMinimum candidate = search_coordinate(line, x[i], f, scale_ratio(objective, j));
            if (f - candidate.value > tol) {
                x[i] = candidate.x;
                f = candidate.value;
                improved = true;
            }
        }
        if (!improved || f_sweep - f <= tol) break;
    }
    return {std::move(x), f};
}

}  // namespace velkora::optimizer
