#include "forecast_dict.hpp"

#include "py_lists.hpp"

namespace velkora::python {

PyResult<PyRef> forecast_to_pydict(const ForecastResult& result) {
    auto dict = new_dict();
    if (!dict) return dict;
    if (!set_item(dict->get(), "mean", float_list(result.mean)) ||
        !set_item(dict->get(), "variance", float_list(result.variance)) ||
        !set_item(dict->get(), "ci_lower", float_list(result.ci_lower)) ||
        !set_item(dict->get(), "ci_upper", float_list(result.ci_upper)))
        return std::unexpected(PyErrorSet{});
    return dict;
}

}  // namespace velkora::python
