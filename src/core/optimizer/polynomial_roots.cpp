#include "optimizer/polynomial_roots.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

namespace velkora::optimizer {

namespace {
constexpr double kSubdiagonalTolerance = 1e-12;
constexpr Eigen::Index kIterationsPerRow = 100;
constexpr Eigen::Index kMinimumRows = 10;
}  // namespace

std::vector<std::complex<double>> polynomial_roots(std::span<const double> c) {
    const auto k = static_cast<Eigen::Index>(c.size());
    if (std::any_of(c.begin(), c.end(), [](double v) { return !std::isfinite(v); })) return {};
    if (k == 0) return {};
    if (k == 1) return {{c[0], 0.0}};

    Eigen::MatrixXd companion = Eigen::MatrixXd::Zero(k, k);
    for (Eigen::Index j = 0; j < k; ++j) companion(0, j) = c[static_cast<std::size_t>(j)];
    for (Eigen::Index i = 1; i < k; ++i) companion(i, i - 1) = 1.0;

    Eigen::RealSchur<Eigen::MatrixXd> schur(k);
    schur.setMaxIterations(std::max(k, kMinimumRows) * kIterationsPerRow);
    schur.compute(companion, false);
    if (schur.info() != Eigen::Success) return {};
    const Eigen::MatrixXd& t = schur.matrixT();

    std::vector<std::complex<double>> roots;
    roots.reserve(c.size());
    for (Eigen::Index j = 0; j < k;) {
        if (j + 1 < k && std::abs(t(j + 1, j)) > kSubdiagonalTolerance) {
            const double re = (t(j, j) + t(j + 1, j + 1)) / 2.0;
            const double half_gap = (t(j, j) - t(j + 1, j + 1)) / 2.0;
            const double im = std::sqrt(std::max(-(t(j + 1, j) * t(j, j + 1) + half_gap * half_gap), 0.0));
            roots.emplace_back(re, im);
            roots.emplace_back(re, -im);
            j += 2;
        } else {
            roots.emplace_back(t(j, j), 0.0);
            j += 1;
        }
    }
    return roots;
}

}  // namespace velkora::optimizer
