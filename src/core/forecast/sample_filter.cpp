#include "forecast/sample_filter.hpp"

#include "statespace/initialization.hpp"
#include "statespace/pipeline.hpp"

namespace velkora {

Result<FilteredSample> filter_sample(std::span<const double> y, const SarimaxConfig& config,
                                     const SarimaxParams& params, std::span<const std::vector<double>> exog) {
    auto prepared = pipeline::prepare_endog(y, config, exog);
    if (!prepared) return fail(prepared.error());
    // Without simple differencing the regressors are used as given.
    const std::span<const std::vector<double>> columns =
        !config.simple_differencing ? exog
        : prepared->exog            ? std::span<const std::vector<double>>(*prepared->exog)
                                    : std::span<const std::vector<double>>();
    auto ss = StateSpace::create(config, params, prepared->series.size(), columns);
    if (!ss) return fail(ss.error());
    const KalmanInit init = KalmanInit::from_config_default(*ss, config);
    auto output = kalman_core(prepared->series, *ss, init, config.concentrate_scale, true);
    if (!output) return fail(output.error());
    return FilteredSample{std::move(*ss), std::move(*output)};
}

}  // namespace velkora
