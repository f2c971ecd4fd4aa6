#include "statespace/pipeline.hpp"

#include <fmt/format.h>

#include "model/differencing.hpp"

namespace velkora {

namespace pipeline {

Result<PreparedEndog> prepare_endog(std::span<const double> y, const SarimaxConfig& config,
                                    std::span<const std::vector<double>> exog) {
    PreparedEndog prepared;
    if (!config.simple_differencing) {
        prepared.series.assign(y.begin(), y.end());
        return prepared;
    }
    prepared.series = css::apply_differencing(y, config);
    if (exog.empty()) return prepared;
    ExogColumns columns;
    columns.reserve(exog.size());
    for (std::size_t j = 0; j < exog.size(); ++j) {
        auto column = css::apply_differencing(exog[j], config);
        if (column.size() != prepared.series.size())
            return fail(SarimaxError::invalid_input(fmt::format(
                "exog column {} has {} rows after simple_differencing, but y has {} observations", j,
                column.size(), prepared.series.size())));
        columns.push_back(std::move(column));
    }
    prepared.exog = std::move(columns);
    return prepared;
}

std::span<const std::vector<double>> regressors_in_effect(const PreparedEndog& prepared,
                                                          const SarimaxConfig& config,
                                                          std::span<const std::vector<double>> exog) {
    if (!config.simple_differencing) return exog;
    if (prepared.exog) return *prepared.exog;
    return {};
}

Result<PreparedModel> prepare_model(std::span<const double> y, const SarimaxParams& params,
                                    const SarimaxConfig& config, std::span<const std::vector<double>> exog) {
    auto endog = prepare_endog(y, config, exog);
    if (!endog) return fail(endog.error());
    auto ss = StateSpace::create(config, params, endog->series.size(), regressors_in_effect(*endog, config, exog));
    if (!ss) return fail(ss.error());
    KalmanInit init = KalmanInit::from_config_default(*ss, config);
    return PreparedModel{std::move(*endog), std::move(*ss), std::move(init)};
}

Result<KalmanOutput> kalman_eval_prepared(std::span<const double> prepared, const SarimaxParams& params,
                                          const SarimaxConfig& config, std::span<const std::vector<double>> exog) {
    auto ss = StateSpace::create(config, params, prepared.size(), exog);
    if (!ss) return fail(ss.error());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config);
    return kalman_loglike(prepared, *ss, init, config.concentrate_scale);
}

Result<KalmanOutput> kalman_eval(std::span<const double> y, const SarimaxParams& params,
                                 const SarimaxConfig& config, std::span<const std::vector<double>> exog) {
    auto model = prepare_model(y, params, config, exog);
    if (!model) return fail(model.error());
    return kalman_loglike(model->endog.series, model->ss, model->init, config.concentrate_scale);
}

}  // namespace pipeline

Result<FilterWithSnapshots> kalman_filter_with_snapshots(std::span<const double> y, const StateSpace& ss,
                                                         const KalmanInit& init, bool concentrate_scale,
                                                         std::span<const std::size_t> origins) {
    FilterWithSnapshots result;
    result.snapshots.reserve(origins.size());
    const SnapshotRequest request{origins, &result.snapshots};
    auto output = kalman_core(y, ss, init, concentrate_scale, true, &request);
    if (!output) return fail(output.error());
    result.output = std::move(*output);
    return result;
}

}  // namespace velkora
