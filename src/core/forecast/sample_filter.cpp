#include "forecast/sample_filter.hpp"

#include "statespace/pipeline.hpp"

namespace velkora {

Result<FilteredSample> filter_sample(std::span<const double> y, const SarimaxConfig& config,
                                     const SarimaxParams& params, std::span<const std::vector<double>> exog) {
    auto model = pipeline::prepare_model(y, params, config, exog);
    if (!model) return fail(model.error());
    auto output = kalman_core(model->endog.series, model->ss, model->init, config.concentrate_scale, true);
    if (!output) return fail(output.error());
    return FilteredSample{std::move(model->ss), std::move(*output)};
}

}  // namespace velkora
