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

Result<KalmanOutput> kalman_eval(std::span<const double> y, const SarimaxParams& params,
                                 const SarimaxConfig& config, std::span<const std::vector<double>> exog) {
    std::span<const double> series = y;
    std::span<const std::vector<double>> columns = exog;
    PreparedEndog prepared;
    if (config.simple_differencing) {
        auto p = prepare_endog(y, config, exog);
        if (!p) return fail(p.error());
        prepared = std::move(*p);
        series = prepared.series;
        columns = prepared.exog ? std::span<const std::vector<double>>(*prepared.exog)
                                : std::span<const std::vector<double>>();
    }
    auto ss = StateSpace::create(config, params, series.size(), columns);
    if (!ss) return fail(ss.error());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config);
    return kalman_loglike(series, *ss, init, config.concentrate_scale);
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
