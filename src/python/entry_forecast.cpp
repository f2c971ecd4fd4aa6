#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "argument_reader.hpp"
#include "converters.hpp"
#include "entries.hpp"
#include "parameter_call.hpp"
#include "forecast/forecast_pipeline.hpp"
#include "forecast_dict.hpp"
#include "model/params.hpp"
#include "numpy_arrays.hpp"
#include "validation.hpp"
#include "without_gil.hpp"

namespace velkora::python {

namespace {

constexpr std::string_view kDoc =
    "sarimax_forecast(y, order, seasonal, params, steps=10, alpha=0.05, exog=None, "
    "future_exog=None, concentrate_scale=False, trend=None, simple_differencing=False, "
    "enforce_stationarity=True, enforce_invertibility=True)\n--\n\n"
    "Compute h-step ahead forecast for a SARIMAX model.\n\n"
    "Returns a dict with: mean, variance, ci_lower, ci_upper.";
constexpr TextSignature kSignature = parse_text_signature(kDoc);
static_assert(kSignature.function == "sarimax_forecast");

// The regressor values of the forecast periods: finite, one column per regressor of the
// model, each with a row per step; required when the model has regressors.
PyResult<std::optional<ExogColumns>> validate_future_exog(const std::optional<ArrayArg>& future_exog,
                                                         std::size_t n_exog, std::size_t steps) {
    if (!future_exog) {
        if (n_exog > 0 && steps > 0)
            return raise(PyExc_ValueError,
                         "model has exogenous variables: future_exog is required for forecasting");
        return std::nullopt;
    }
    ExogColumns columns = numpy2d_to_cols(*future_exog);
    if (auto finite = validate_finite_cols(columns, "future_exog"); !finite)
        return std::unexpected(finite.error());
    if (columns.size() != n_exog)
        return raise(PyExc_ValueError,
                     fmt::format("future_exog column count ({}) must match exog column count ({})",
                                 columns.size(), n_exog));
    for (std::size_t j = 0; j < columns.size(); ++j)
        if (columns[j].size() < steps)
            return raise(PyExc_ValueError,
                         fmt::format("future_exog column {} has {} rows but {} forecast steps requested", j,
                                     columns[j].size(), steps));
    return columns;
}

Result<ForecastResult> forecast(const ParameterCall& call, std::size_t steps,
                                const std::optional<ExogColumns>& future_exog, double alpha) {
    auto params = call.split_params();
    if (!params) return fail(params.error());
    const FutureExog future = future_exog ? FutureExog(*future_exog) : FutureExog();
    return forecast_pipeline(call.y, call.request.config, *params, steps, call.exog(), future, alpha);
}

PyObject* sarimax_forecast(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    ArgumentReader in(kSignature, args, nargs, kwnames);
    auto y = in.next(to_array_1d);
    auto order = in.next(to_size_tuple<3>);
    auto seasonal = in.next(to_size_tuple<4>);
    auto params = in.next(to_array_1d);
    const std::size_t steps = in.next(to_size);
    const double alpha = in.next(to_double);
    auto exog = in.next(to_optional<to_array_2d>);
    auto future_exog = in.next(to_optional<to_array_2d>);
    const ModelOptions options = read_closing_model_options(in);
    if (in.failed()) return nullptr;

    if (!validate_alpha(alpha) || !validate_steps(steps)) return nullptr;
    auto call = prepare_parameter_call(y, params, order, seasonal, exog, options.flags, options.trend);
    if (!call) return nullptr;
    auto future_columns = validate_future_exog(future_exog, call->request.config.n_exog, steps);
    if (!future_columns) return nullptr;

    auto result = compute_without_gil(module, [&] {
        return forecast(*call, steps, *future_columns, alpha);
    });
    if (!result) return nullptr;
    auto dict = forecast_to_pydict(*result);
    return dict ? dict->release() : nullptr;
}

}  // namespace

PyMethodDef sarimax_forecast_entry = {"sarimax_forecast", as_pycfunction(sarimax_forecast),
                                      METH_FASTCALL | METH_KEYWORDS, kDoc.data()};

}  // namespace velkora::python
