#include "optimizer/finite_difference.hpp"

#include <cmath>
#include <functional>

namespace velkora::runners {

namespace {

TextResult<std::vector<double>> central_difference(
    const std::function<TextResult<double>(std::span<const double>)>& negloglike, std::span<const double> x,
    double relative_step) {
    std::vector<double> point(x.begin(), x.end());
    std::vector<double> gradient(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double h = relative_step * (std::abs(x[i]) + 1.0);
        point[i] = x[i] + h;
        const auto plus = negloglike(point);
        if (!plus) return fail_text(plus.error());
        point[i] = x[i] - h;
        const auto minus = negloglike(point);
        if (!minus) return fail_text(minus.error());
        point[i] = x[i];
        gradient[i] = (*plus - *minus) / (2.0 * h);
    }
    return gradient;
}

}  // namespace

TextResult<std::vector<double>> finite_diff_grad_negll(const optimizer::SolverObjective& objective,
                                                       std::span<const double> x, double relative_step) {
    return central_difference(
        [&](std::span<const double> p) -> TextResult<double> {
            const auto ll = objective.eval_loglike(p);
            if (!ll) return fail_text(ll.error());
            return -*ll;
        },
        x, relative_step);
}

TextResult<std::vector<double>> finite_diff_grad_profile_negll(const optimizer::ProfiledObjective& objective,
                                                               std::span<const double> x, double relative_step) {
    return central_difference([&](std::span<const double> p) { return objective.profiled_negloglike(p); }, x,
                              relative_step);
}

}  // namespace velkora::runners
