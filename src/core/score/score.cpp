#include "score/score.hpp"

#include <fmt/format.h>

#include "score/sinks.hpp"
#include "score/system_derivatives.hpp"
#include "score/tlkf_pass.hpp"
#include "statespace/pipeline.hpp"

namespace velkora::score {

namespace {

Result<void> check_length(std::size_t n, std::size_t burn) {
    if (n <= burn)
        return fail(SarimaxError::data_error(fmt::format("Not enough observations: n={} <= burn={}", n, burn)));
    return {};
}

// The concentrated scale is the mean of v^2 finv over the counted observations.
Result<double> scale_of(double sum_v2_finv, std::size_t counted, bool concentrate_scale, const char* operation) {
    if (!concentrate_scale) return 1.0;
    const double scale = sum_v2_finv / static_cast<double>(counted);
    if (scale <= 0.0)
        return fail(SarimaxError::data_error(fmt::format("concentrated sigma^2 <= 0 in {} computation", operation)));
    return scale;
}

std::vector<double> gradient_of(const ScoreSums& sums, double scale) {
    std::vector<double> gradient(sums.sum_df.size());
    for (std::size_t i = 0; i < gradient.size(); ++i)
        gradient[i] = 0.5 * sums.sum_v2_df[i] / scale - sums.sum_v_dv[i] / scale - 0.5 * sums.sum_df[i];
    return gradient;
}

}  // namespace

Result<std::vector<double>> score(std::span<const double> y, std::size_t n, const StateSpace& ss,
                                  const KalmanInit& init, const SarimaxConfig& config,
                                  const SarimaxParams& params, bool concentrate_scale,
                                  std::span<const std::vector<double>> exog) {
    if (auto ok = check_length(n, init.burn); !ok) return fail(ok.error());
    const SystemDerivatives derivatives = precompute_derivatives(config, params, ss, n, exog);
    if (derivatives.n_params == 0) return std::vector<double>{};

    ScoreSums sums(derivatives.n_params);
    const LikelihoodSums pass = tlkf_pass(y, n, ss, init, derivatives, sums);
    auto scale = scale_of(pass.v2_over_f, n - init.burn, concentrate_scale, "score");
    if (!scale) return fail(scale.error());
    return gradient_of(sums, *scale);
}

Result<ScoreAndLoglike> score_with_loglike(std::span<const double> y, std::size_t n, const StateSpace& ss,
                                           const KalmanInit& init, const SarimaxConfig& config,
                                           const SarimaxParams& params, bool concentrate_scale,
                                           std::span<const std::vector<double>> exog) {
    if (auto ok = check_length(n, init.burn); !ok) return fail(ok.error());
    const std::size_t counted = n - init.burn;
    const SystemDerivatives derivatives = precompute_derivatives(config, params, ss, n, exog);

    ScoreSums sums(derivatives.n_params);
    const LikelihoodSums pass = tlkf_pass(y, n, ss, init, derivatives, sums);
    auto likelihood = gaussian_loglike(pass, counted, ss.state_cov(0, 0), concentrate_scale);
    if (!likelihood) return fail(likelihood.error());
    auto scale = scale_of(pass.v2_over_f, counted, concentrate_scale, "score");
    if (!scale) return fail(scale.error());
    return ScoreAndLoglike{gradient_of(sums, *scale), likelihood->loglike};
}

Result<std::vector<std::vector<double>>> score_obs(std::span<const double> y, std::size_t n,
                                                   const StateSpace& ss, const KalmanInit& init,
                                                   const SarimaxConfig& config, const SarimaxParams& params,
                                                   bool concentrate_scale,
                                                   std::span<const std::vector<double>> exog) {
    if (auto ok = check_length(n, init.burn); !ok) return fail(ok.error());
    const std::size_t counted = n - init.burn;
    const SystemDerivatives derivatives = precompute_derivatives(config, params, ss, n, exog);
    const std::size_t m = derivatives.n_params;
    if (m == 0) return std::vector<std::vector<double>>(counted);

    ObsRecords records;
    records.reserve(counted);
    const LikelihoodSums pass = tlkf_pass(y, n, ss, init, derivatives, records);
    auto scale = scale_of(pass.v2_over_f, counted, concentrate_scale, "score_obs");
    if (!scale) return fail(scale.error());

    std::vector<std::vector<double>> rows(records.innovations.size(), std::vector<double>(m));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const double v = records.innovations[r];
        const double finv = records.inv_variances[r];
        const std::vector<double>& dv = records.d_innovations[r];
        const std::vector<double>& df = records.d_variances[r];
        for (std::size_t i = 0; i < m; ++i)
            rows[r][i] = 0.5 * (df[i] * (finv * (v * v * finv)) / *scale - df[i] * finv) -
                         dv[i] * (finv * v) / *scale;
    }
    return rows;
}

Result<std::vector<double>> score_from_params(std::span<const double> y, const SarimaxParams& params,
                                              const SarimaxConfig& config,
                                              std::span<const std::vector<double>> exog) {
    auto model = pipeline::prepare_model(y, params, config, exog);
    if (!model) return fail(model.error());
    const std::vector<double>& series = model->endog.series;
    return score(series, series.size(), model->ss, model->init, config, params, config.concentrate_scale,
                 pipeline::regressors_in_effect(model->endog, config, exog));
}

}  // namespace velkora::score
