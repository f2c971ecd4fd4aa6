#include <span>
#include <string_view>
#include <vector>

#include "argument_reader.hpp"
#include "converters.hpp"
#include "entries.hpp"
#include "parameter_call.hpp"
#include "forecast/rolling_forecast.hpp"
#include "model/params.hpp"
#include "numpy_arrays.hpp"
#include "py_lists.hpp"
#include "validation.hpp"
#include "without_gil.hpp"

namespace velkora::python {

namespace {

constexpr std::string_view kDoc =
    "sarimax_rolling_forecast(y, order, seasonal, params, start, step=1, horizon=1, alpha=0.05, "
    "exog=None, concentrate_scale=False, trend=None, simple_differencing=False, "
    "enforce_stationarity=True, enforce_invertibility=True)\n--\n\n"
    "Single-pass rolling-origin h-step forecasts with fixed parameters.\n\n"
    "One Kalman filter pass over the full series; forecasts are propagated\n"
    "from the predicted-state snapshot at each origin `start, start+step, ...`.\n"
    "O(T + N*horizon) total. Returns a dict with: origins, mean, variance,\n"
    "ci_lower, ci_upper (row-per-origin nested lists).";
constexpr TextSignature kSignature = parse_text_signature(kDoc);
static_assert(kSignature.function == "sarimax_rolling_forecast");

struct Origins {
    std::size_t start = 0;
    std::size_t step = 0;
    std::size_t horizon = 0;
};

Result<RollingForecastOutput> rolling_forecast(const ParameterCall& call, const Origins& origins, double alpha) {
    auto params = call.split_params();
    if (!params) return fail(params.error());
    return rolling_forecast_pipeline(call.y, call.request.config, *params, origins.start, origins.step,
                                     origins.horizon, call.exog(), alpha);
}

PyResult<PyRef> rolling_to_pydict(const RollingForecastOutput& output) {
    auto dict = new_dict();
    if (!dict) return dict;
    if (!set_item(dict->get(), "origins", int_list(output.origins)) ||
        !set_item(dict->get(), "mean", nested_float_list(output.mean)) ||
        !set_item(dict->get(), "variance", nested_float_list(output.variance)) ||
        !set_item(dict->get(), "ci_lower", nested_float_list(output.ci_lower)) ||
        !set_item(dict->get(), "ci_upper", nested_float_list(output.ci_upper)))
        return std::unexpected(PyErrorSet{});
    return dict;
}

PyObject* sarimax_rolling_forecast(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    ArgumentReader in(kSignature, args, nargs, kwnames);
    auto y = in.next(to_array_1d);
    auto order = in.next(to_size_tuple<3>);
    auto seasonal = in.next(to_size_tuple<4>);
    auto params = in.next(to_array_1d);
    Origins origins;
    origins.start = in.next(to_size);
    origins.step = in.next(to_size);
    origins.horizon = in.next(to_size);
    const double alpha = in.next(to_double);
    auto exog = in.next(to_optional<to_array_2d>);
    const ModelOptions options = read_closing_model_options(in);
    if (in.failed()) return nullptr;

    if (!validate_alpha(alpha)) return nullptr;
    // A zero horizon is refused by the computation, with the other origin checks.
    if (origins.horizon != 0 && !validate_steps(origins.horizon)) return nullptr;
    auto call = prepare_parameter_call(y, params, order, seasonal, exog, options.flags, options.trend);
    if (!call) return nullptr;

    auto output = compute_without_gil(module, [&] { return rolling_forecast(*call, origins, alpha); });
    if (!output) return nullptr;
    auto dict = rolling_to_pydict(*output);
    return dict ? dict->release() : nullptr;
}

}  // namespace

PyMethodDef sarimax_rolling_forecast_entry = {"sarimax_rolling_forecast", as_pycfunction(sarimax_rolling_forecast),
                                              METH_FASTCALL | METH_KEYWORDS, kDoc.data()};

}  // namespace velkora::python
