#include <span>
#include <string_view>
#include <vector>

#include "argument_reader.hpp"
#include "converters.hpp"
#include "entries.hpp"
#include "parameter_call.hpp"
#include "model/params.hpp"
#include "numpy_arrays.hpp"
#include "statespace/pipeline.hpp"
#include "validation.hpp"
#include "without_gil.hpp"

namespace velkora::python {

namespace {

constexpr std::string_view kDoc =
    "sarimax_loglike(y, order, seasonal, params, exog=None, concentrate_scale=False, "
    "enforce_stationarity=True, enforce_invertibility=True, trend=None, "
    "simple_differencing=False)\n--\n\n"
    "Compute the SARIMAX concentrated (or full) log-likelihood.";
constexpr TextSignature kSignature = parse_text_signature(kDoc);
static_assert(kSignature.function == "sarimax_loglike");

Result<double> loglike(const ParameterCall& call) {
    auto params = call.split_params();
    if (!params) return fail(params.error());
    auto output = pipeline::kalman_eval(call.y, *params, call.request.config, call.exog());
    if (!output) return fail(output.error());
    return output->loglike;
}

PyObject* sarimax_loglike(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
    ArgumentReader in(kSignature, args, nargs, kwnames);
    auto y = in.next(to_array_1d);
    auto order = in.next(to_size_tuple<3>);
    auto seasonal = in.next(to_size_tuple<4>);
    auto params = in.next(to_array_1d);
    auto exog = in.next(to_optional<to_array_2d>);
    ModelFlags flags;
    flags.concentrate_scale = in.next(to_bool);
    flags.enforce_stationarity = in.next(to_bool);
    flags.enforce_invertibility = in.next(to_bool);
    auto trend = in.next(to_optional<to_str>);
    flags.simple_differencing = in.next(to_bool);
    if (in.failed()) return nullptr;

    auto call = prepare_parameter_call(y, params, order, seasonal, exog, flags, trend);
    if (!call) return nullptr;

    auto value = compute_without_gil(module, [&] { return loglike(*call); });
    if (!value) return nullptr;
    return PyFloat_FromDouble(*value);
}

}  // namespace

PyMethodDef sarimax_loglike_entry = {"sarimax_loglike", as_pycfunction(sarimax_loglike),
                                     METH_FASTCALL | METH_KEYWORDS, kDoc.data()};

}  // namespace velkora::python
