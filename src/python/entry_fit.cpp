#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "argument_reader.hpp"
#include "converters.hpp"
#include "entries.hpp"
#include "fit_dict.hpp"
#include "numpy_arrays.hpp"
#include "optimizer/fit.hpp"
#include "validation.hpp"
#include "without_gil.hpp"

namespace velkora::python {

namespace {

constexpr std::string_view kDoc =
    "sarimax_fit(y, order, seasonal, start_params=None, exog=None, concentrate_scale=False, "
    "enforce_stationarity=True, enforce_invertibility=True, method=None, maxiter=None, trend=None, "
    "simple_differencing=False)\n--\n\n"
    "Fit a SARIMAX model via MLE (L-BFGS-B default, with Nelder-Mead fallback).\n\n"
    "Returns a dict with: params, loglike, scale, aic, bic, n_obs, n_iter, converged, method.";
constexpr TextSignature kSignature = parse_text_signature(kDoc);
static_assert(kSignature.function == "sarimax_fit");

PyObject* sarimax_fit(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    ArgumentReader in(kSignature, args, nargs, kwnames);
    auto y = in.next(to_array_1d);
    auto order = in.next(to_size_tuple<3>);
    auto seasonal = in.next(to_size_tuple<4>);
    auto start_params = in.next(to_optional<to_array_1d>);
    auto exog = in.next(to_optional<to_array_2d>);
    ModelFlags flags;
    flags.concentrate_scale = in.next(to_bool);
    flags.enforce_stationarity = in.next(to_bool);
    flags.enforce_invertibility = in.next(to_bool);
    auto method = in.next(to_optional<to_str>);
    auto maxiter = in.next(to_optional<to_size>);
    auto trend = in.next(to_optional<to_str>);
    flags.simple_differencing = in.next(to_bool);
    if (in.failed()) return nullptr;

    auto y_values = contiguous_copy(y);
    if (!y_values) return nullptr;
    auto request = prepare_single_request(*y_values, order, seasonal, exog, flags, trend);
    if (!request) return nullptr;
    std::optional<std::vector<double>> start_values;
    if (start_params) {
        auto copied = contiguous_copy(*start_params);
        if (!copied) return nullptr;
        start_values = std::move(*copied);
    }

    auto result = compute_without_gil(module, [&] {
        std::optional<std::span<const double>> start;
        if (start_values) start = *start_values;
        std::span<const std::vector<double>> columns;
        if (request->exog_columns) columns = *request->exog_columns;
        std::optional<std::uint64_t> cap;
        if (maxiter) cap = *maxiter;
        return optimizer::fit(*y_values, request->config, start, method, cap, columns);
    });
    if (!result) return nullptr;
    auto dict = fit_result_to_pydict(*result);
    return dict ? dict->release() : nullptr;
}

}  // namespace

PyMethodDef sarimax_fit_entry = {"sarimax_fit", as_pycfunction(sarimax_fit), METH_FASTCALL | METH_KEYWORDS,
                                 kDoc.data()};

}  // namespace velkora::python
