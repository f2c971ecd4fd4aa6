#include "fit_dict.hpp"

#include <string>

#include "py_lists.hpp"

namespace velkora::python {

namespace {

PyResult<PyRef> checked(PyObject* object) {
    if (object == nullptr) return std::unexpected(PyErrorSet{});
    return PyRef::steal(object);
}

PyResult<PyRef> to_pystr(const std::string& text) {
    return checked(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

PyResult<PyRef> string_list(std::span<const std::string> texts) {
    auto list = checked(PyList_New(0));
    if (!list) return list;
    for (const std::string& text : texts) {
        auto item = to_pystr(text);
        if (!item || PyList_Append(list->get(), item->get()) < 0) return std::unexpected(PyErrorSet{});
    }
    return list;
}

// warnings.warn(text), importing the module afresh for every warning.
PyResult<void> emit_warning(const std::string& text) {
    auto warnings = checked(PyImport_ImportModule("warnings"));
    if (!warnings) return std::unexpected(warnings.error());
    auto warn = checked(PyObject_GetAttrString(warnings->get(), "warn"));
    if (!warn) return std::unexpected(warn.error());
    auto message = to_pystr(text);
    if (!message) return std::unexpected(message.error());
    auto outcome = checked(PyObject_CallOneArg(warn->get(), message->get()));
    if (!outcome) return std::unexpected(outcome.error());
    return {};
}

}  // namespace

PyResult<PyRef> fit_result_to_pydict(const optimizer::FitResult& result) {
    auto dict = new_dict();
    if (!dict) return dict;
    PyObject* d = dict->get();
    const bool filled =
        set_item(d, "params", float_list(result.params)) &&
        set_item(d, "loglike", checked(PyFloat_FromDouble(result.loglike))) &&
        set_item(d, "scale", checked(PyFloat_FromDouble(result.scale))) &&
        set_item(d, "aic", checked(PyFloat_FromDouble(result.aic))) &&
        set_item(d, "bic", checked(PyFloat_FromDouble(result.bic))) &&
        set_item(d, "n_obs", checked(PyLong_FromSize_t(result.n_obs))) &&
        set_item(d, "n_params", checked(PyLong_FromSize_t(result.n_params))) &&
        set_item(d, "n_iter", checked(PyLong_FromSize_t(result.n_iter))) &&
        set_item(d, "converged", checked(PyBool_FromLong(result.converged ? 1 : 0))) &&
        set_item(d, "method", to_pystr(result.method)) &&
        set_item(d, "warnings", string_list(result.warnings));
    if (!filled) return std::unexpected(PyErrorSet{});
    for (const std::string& warning : result.warnings)
        if (auto emitted = emit_warning(warning); !emitted) return std::unexpected(emitted.error());
    return dict;
}

}  // namespace velkora::python
