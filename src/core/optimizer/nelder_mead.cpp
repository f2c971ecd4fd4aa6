#include "optimizer/nelder_mead.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace velkora::solvers {

namespace {

struct Vertex {
    std::vector<double> x;
    double f;
};

// NaN ranks after every number.
double rank(double f) { return std::isnan(f) ? std::numeric_limits<double>::infinity() : f; }

bool better(double a, double b) { return rank(a) < rank(b); }

double value_spread(const std::vector<Vertex>& simplex) {
    const std::size_t n = simplex.size() - 1;
    if (n == 0) return 0.0;
    double mean = 0.0;
    for (const Vertex& v : simplex) mean += v.f;
    mean /= static_cast<double>(simplex.size());
    double squares = 0.0;
    for (const Vertex& v : simplex) squares += (v.f - mean) * (v.f - mean);
    return std::sqrt(squares / static_cast<double>(n));
}

// base + t * (target - base)
std::vector<double> along(const std::vector<double>& base, const std::vector<double>& target, double t) {
    std::vector<double> out(base.size());
    for (std::size_t i = 0; i < base.size(); ++i) out[i] = base[i] + t * (target[i] - base[i]);
    return out;
}

}  // namespace

std::vector<std::vector<double>> initial_simplex(std::span<const double> x0) {
    std::vector<std::vector<double>> simplex(x0.size() + 1, std::vector<double>(x0.begin(), x0.end()));
    for (std::size_t i = 0; i < x0.size(); ++i) {
        double& xi = simplex[i + 1][i];
        xi = std::abs(xi) <= 1e-8 ? xi + 0.00025 : xi + 0.05 * xi;
    }
    return simplex;
}

SimplexMinimum nelder_mead(const CostFunction& cost, std::vector<std::vector<double>> points,
                           const NelderMeadSettings& s) {
    std::vector<Vertex> simplex;
    simplex.reserve(points.size());
    for (auto& x : points) {
        const double f = cost(x);
        simplex.push_back({std::move(x), f});
    }
    auto order = [&] {
        std::stable_sort(simplex.begin(), simplex.end(), [](const Vertex& a, const Vertex& b) { return better(a.f, b.f); });
    };

    SimplexMinimum result;
    const std::size_t n = simplex.size() - 1;
    for (order();; order()) {
        if (value_spread(simplex) < s.sd_tolerance) {
            result.converged = true;
            break;
        }
        if (result.iterations >= s.max_iterations) break;
        ++result.iterations;

        std::vector<double> centroid(simplex[0].x.size(), 0.0);
        for (std::size_t v = 0; v < n; ++v)
            for (std::size_t i = 0; i < centroid.size(); ++i) centroid[i] += simplex[v].x[i] / static_cast<double>(n);
        Vertex& worst = simplex[n];

        Vertex reflected{along(centroid, worst.x, -s.reflection), 0.0};
        reflected.f = cost(reflected.x);
        if (better(reflected.f, simplex[0].f)) {
            Vertex expanded{along(centroid, reflected.x, s.expansion), 0.0};
            expanded.f = cost(expanded.x);
            worst = better(expanded.f, reflected.f) ? std::move(expanded) : std::move(reflected);
            continue;
        }
        if (better(reflected.f, simplex[n - 1].f)) {
            worst = std::move(reflected);
            continue;
        }
        // Contract towards the better of the reflected and the worst point.
        const bool outside = better(reflected.f, worst.f);
        Vertex contracted{along(centroid, outside ? reflected.x : worst.x, s.contraction), 0.0};
        contracted.f = cost(contracted.x);
        if (outside ? !better(reflected.f, contracted.f) : better(contracted.f, worst.f)) {
            worst = std::move(contracted);
            continue;
        }
        for (std::size_t v = 1; v <= n; ++v) {
            simplex[v].x = along(simplex[0].x, simplex[v].x, s.shrink);
            simplex[v].f = cost(simplex[v].x);
        }
    }

    if (!std::isnan(simplex[0].f)) {
        result.value = simplex[0].f;
        result.best = std::move(simplex[0].x);
    }
    return result;
}

}  // namespace velkora::solvers
