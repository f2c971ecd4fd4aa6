#include <span>
#include <string_view>
#include <vector>

#include "argument_reader.hpp"
#include "converters.hpp"
#include "entries.hpp"
#include "parameter_call.hpp"
#include "forecast/residuals.hpp"
#include "model/params.hpp"
#include "numpy_arrays.hpp"
#include "py_lists.hpp"
#include "validation.hpp"
#include "without_gil.hpp"

namespace velkora::python {

namespace {

constexpr std::string_view kDoc =
    "sarimax_residuals(y, order, seasonal, params, exog=None, concentrate_scale=False, trend=None, "
    "simple_differencing=False, enforce_stationarity=True, enforce_invertibility=True)\n--\n\n"
    "Compute residuals and standardized residuals for a SARIMAX model.\n\n"
    "Returns a dict with: residuals, standardized_residuals, prediction_variances.";
constexpr TextSignature kSignature = parse_text_signature(kDoc);
static_assert(kSignature.function == "sarimax_residuals");

Result<ResidualOutput> residuals(const ParameterCall& call) {
    auto params = call.split_params();
    if (!params) return fail(params.error());
    return residuals_pipeline(call.y, call.request.config, *params, call.exog());
}

PyResult<PyRef> residuals_to_pydict(const ResidualOutput& output) {
    auto dict = new_dict();
    if (!dict) return dict;
    if (!set_item(dict->get(), "residuals", float_list(output.residuals)) ||
        !set_item(dict->get(), "standardized_residuals", float_list(output.standardized_residuals)) ||
        !set_item(dict->get(), "prediction_variances", float_list(output.prediction_variances)))
        return std::unexpected(PyErrorSet{});
    return dict;
}

PyObject* sarimax_residuals(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    ArgumentReader in(kSignature, args, nargs, kwnames);
    auto y = in.next(to_array_1d);
    auto order = in.next(to_size_tuple<3>);
    auto seasonal = in.next(to_size_tuple<4>);
    auto params = in.next(to_array_1d);
    auto exog = in.next(to_optional<to_array_2d>);
    const ModelOptions options = read_closing_model_options(in);
    if (in.failed()) return nullptr;

    auto call = prepare_parameter_call(y, params, order, seasonal, exog, options.flags, options.trend);
    if (!call) return nullptr;

    auto output = compute_without_gil(module, [&] { return residuals(*call); });
    if (!output) return nullptr;
    auto dict = residuals_to_pydict(*output);
    return dict ? dict->release() : nullptr;
}

}  // namespace

PyMethodDef sarimax_residuals_entry = {"sarimax_residuals", as_pycfunction(sarimax_residuals),
                                       METH_FASTCALL | METH_KEYWORDS, kDoc.data()};

}  // namespace velkora::python
