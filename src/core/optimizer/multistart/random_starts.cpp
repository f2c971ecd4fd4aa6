#include "optimizer/multistart/random_starts.hpp"

#include <algorithm>
#include <cmath>

#include "optimizer/cancellation.hpp"

namespace velkora::multistart {

namespace {

// max(a, b) where a NaN operand is ignored.
double max_ignoring_nan(double a, double b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    return std::max(a, b);
}

}  // namespace

std::uint64_t Lcg::advance() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return state_;
}

double Lcg::next_half_open() { return static_cast<double>(advance() >> 33) * 0x1p-31; }

double Lcg::next_closed() { return static_cast<double>(advance() >> 32) / 4294967295.0; }

std::vector<std::vector<double>> lcg_perturbed_starts(std::span<const double> x0, std::size_t count,
                                                      std::size_t budget_left) {
    std::vector<std::vector<double>> starts;
    if (budget_left == 0) return starts;
    Lcg stream(kPerturbedSeed);
    starts.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        std::vector<double> start(x0.begin(), x0.end());
        for (double& x : start) {
            const double spread = std::abs(x) > 0.1 ? 0.5 * std::abs(x) : 0.1;
            x += spread * (stream.next_half_open() - 0.5);
        }
        starts.push_back(std::move(start));
    }
    return starts;
}

std::vector<std::vector<double>> perturbed_starts_off_ridge(std::span<const double> x0, const SarimaxConfig& config,
                                                            std::size_t count, std::size_t budget_left) {
    std::vector<std::vector<double>> kept;
    for (auto& start : lcg_perturbed_starts(x0, count, budget_left))
        if (optimizer::passes_cancellation_filter(start, config)) kept.push_back(std::move(start));
    return kept;
}

CandidateScales sensitivity_scales(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                   std::span<const double> centre) {
    const std::size_t m = x0.size();
    auto analytic = objective.analytical_gradient_negloglike(x0);
    const std::vector<double> g =
        analytic && analytic->size() == m ? std::move(*analytic) : std::vector<double>(m, 1.0);

    double g_max = 0.0;
    for (double gj : g) g_max = max_ignoring_nan(g_max, std::abs(gj));
    g_max = std::max(g_max, 1e-12);

    CandidateScales out;
    out.weights.reserve(m);
    out.scales.reserve(m);
    for (std::size_t j = 0; j < m; ++j) {
        out.weights.push_back(max_ignoring_nan(std::abs(g[j]) / g_max, 0.1));
        const double magnitude = max_ignoring_nan(std::abs(x0[j]), std::abs(centre[j]));
        out.scales.push_back(max_ignoring_nan(0.6 * magnitude, 0.5));
    }
    return out;
}

std::vector<double> weighted_candidate(Lcg& stream, std::span<const double> centre,
                                       const CandidateScales& scales, double amplitude) {
    std::vector<double> candidate(centre.begin(), centre.end());
    for (std::size_t j = 0; j < candidate.size(); ++j)
        candidate[j] += amplitude * scales.scales[j] * scales.weights[j] * (2.0 * stream.next_closed() - 1.0);
    return candidate;
}

std::vector<double> near_start_candidate(Lcg& stream, std::span<const double> x0, const CandidateScales& scales) {
    std::vector<double> candidate(x0.begin(), x0.end());
    for (std::size_t j = 0; j < candidate.size(); ++j)
        candidate[j] += 0.1 * scales.scales[j] * (2.0 * stream.next_closed() - 1.0);
    return candidate;
}

}  // namespace velkora::multistart
