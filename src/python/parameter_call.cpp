#include "parameter_call.hpp"

namespace velkora::python {

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
