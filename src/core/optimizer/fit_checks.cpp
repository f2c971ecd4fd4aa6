#include "optimizer/fit_checks.hpp"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <limits>

#include "model/params.hpp"
#include "optimizer/start_params.hpp"
#include "statespace/pipeline.hpp"

namespace velkora::optimizer {

Result<std::vector<double>> validate_and_get_start_params(std::span<const double> y, const SarimaxConfig& config,
                                                          std::optional<std::span<const double>> start,
                                                          std::span<const std::vector<double>> exog) {
    const std::size_t n = y.size();
    const std::size_t minimum = std::max(config.param_count(), config.order.k_states() + 1);
    if (minimum >= n)
        return fail(SarimaxError::data_error(
            fmt::format("Not enough observations: n={} <= minimum required {} for model order", n, minimum)));
    if (!start) return start_params::compute_start_params(y, config, exog);
    if (start->size() != config.param_count())
        return fail(SarimaxError::param_length(config.param_count(), start->size()));
    return std::vector<double>(start->begin(), start->end());
}

double eval_kf_loglike_constrained(std::span<const double> y, const SarimaxConfig& config,
                                   std::span<const double> params, std::span<const std::vector<double>> exog) {
    constexpr double kFailed = -std::numeric_limits<double>::infinity();
    const auto parsed = SarimaxParams::from_flat(params, config);
    if (!parsed) return kFailed;
    const auto output = pipeline::kalman_eval_prepared(y, *parsed, config, exog);
    if (!output || !std::isfinite(output->loglike)) return kFailed;
    return output->loglike;
}

}  // namespace velkora::optimizer
