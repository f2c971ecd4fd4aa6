#include "parameter_call.hpp"

#include "converters.hpp"

namespace velkora::python {

ModelOptions read_closing_model_options(ArgumentReader& in) {
    ModelOptions options;
    options.flags.concentrate_scale = in.next(to_bool);
    options.trend = in.next(to_optional<to_str>);
    options.flags.simple_differencing = in.next(to_bool);
    options.flags.enforce_stationarity = in.next(to_bool);
    options.flags.enforce_invertibility = in.next(to_bool);
    return options;
}

PyResult<ParameterCall> prepare_parameter_call(const ArrayArg& y, const ArrayArg& params,
                                               const OrderTuple& order, const SeasonalTuple& seasonal,
                                               const std::optional<ArrayArg>& exog, const ModelFlags& flags,
                                               const std::optional<std::string>& trend) {
    auto y_values = contiguous_copy(y);
    if (!y_values) return std::unexpected(y_values.error());
    auto param_values = contiguous_copy(params);
    if (!param_values) return std::unexpected(param_values.error());
    auto request = prepare_single_request(*y_values, order, seasonal, exog, flags, trend);
    if (!request) return std::unexpected(request.error());
    return ParameterCall{std::move(*y_values), std::move(*param_values), std::move(*request)};
}

}  // namespace velkora::python
