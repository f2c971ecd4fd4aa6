#pragma once
// Minimum-norm least squares through the singular value decomposition.

#include <Eigen/Dense>
#include <optional>
#include <span>
#include <vector>

namespace velkora {

// Singular values at or below this are treated as zero.
inline constexpr double kSingularValueTolerance = 1e-12;

// Minimum-norm solution of min |A x - b| with singular values at or below `tolerance`
// (absolute) dropped; nothing when the decomposition yields no finite solution.
std::optional<Eigen::VectorXd> svd_least_squares(const Eigen::MatrixXd& a, const Eigen::VectorXd& b,
                                                 double tolerance = kSingularValueTolerance);

namespace start_params {

// Least squares of the target on the columns over their first m rows, m the shortest of
// target and columns. Zeros without columns or without a target; nothing when there are
// fewer rows than columns or the solve fails.
std::optional<std::vector<double>> ols_pinv(std::span<const std::vector<double>> columns,
                                            std::span<const double> target);

}  // namespace start_params

}  // namespace velkora
