#include "optimizer/least_squares.hpp"

#include <algorithm>

namespace velkora {

std::optional<Eigen::VectorXd> svd_least_squares(const Eigen::MatrixXd& a, const Eigen::VectorXd& b,
                                                 double tolerance) {
    const Eigen::JacobiSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeThinU | Eigen::ComputeThinV);
    const Eigen::VectorXd& sigma = svd.singularValues();
    Eigen::VectorXd projected = svd.matrixU().transpose() * b;
    for (Eigen::Index i = 0; i < sigma.size(); ++i) projected(i) = sigma(i) > tolerance ? projected(i) / sigma(i) : 0.0;
    Eigen::VectorXd x = svd.matrixV() * projected;
    if (!x.allFinite()) return std::nullopt;
    return x;
}

namespace start_params {

std::optional<std::vector<double>> ols_pinv(std::span<const std::vector<double>> columns,
                                            std::span<const double> target) {
    const std::size_t k = columns.size();
    if (k == 0 || target.empty()) return std::vector<double>(k, 0.0);
    std::size_t m = target.size();
    for (const auto& column : columns) m = std::min(m, column.size());
    if (m < k) return std::nullopt;

    Eigen::MatrixXd a(m, k);
    for (std::size_t j = 0; j < k; ++j)
        a.col(static_cast<Eigen::Index>(j)) = Eigen::Map<const Eigen::VectorXd>(columns[j].data(), static_cast<Eigen::Index>(m));
    const Eigen::VectorXd b = Eigen::Map<const Eigen::VectorXd>(target.data(), static_cast<Eigen::Index>(m));
    const auto solution = svd_least_squares(a, b);
    if (!solution) return std::nullopt;
    return std::vector<double>(solution->begin(), solution->end());
}

}  // namespace start_params

}  // namespace velkora
