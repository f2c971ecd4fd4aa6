#pragma once
// Reads an entry's bound arguments one after the other, in signature order, each
// through its converter. The first failure (binding or conversion) leaves its exception
// set; later reads are skipped and return empty values, and failed() tells the entry
// to return NULL.
//
//     ArgumentReader in(kSignature, args, nargs, kwnames);
//     auto y = in.next(to_array_1d);
//     auto order = in.next(to_size_tuple<3>);
//     if (in.failed()) return nullptr;

#include <Python.h>

#include <cassert>
#include <type_traits>

#include "argument_binding.hpp"

namespace velkora::python {

class ArgumentReader {
public:
    ArgumentReader(const TextSignature& signature, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames)
        : signature_(signature) {
        auto bound = bind_arguments(signature, args, nargs, kwnames);
        if (bound)
            bound_ = std::move(*bound);
        else
            failed_ = true;
    }

    template <class Convert>
    auto next(Convert convert) {
        using Value = typename std::invoke_result_t<Convert, PyObject*,
                                                    std::string_view>::value_type;
        assert(cursor_ < signature_.count && "more reads than parameters");
        const std::size_t index = cursor_++;
        if (failed_) return Value{};
        auto converted = convert(bound_[index].get(), signature_.slots[index].name);
        if (!converted) {
            failed_ = true;
            return Value{};
        }
        return std::move(*converted);
    }

    [[nodiscard]] bool failed() const { return failed_; }

private:
    const TextSignature& signature_;
    BoundArguments bound_;
    std::size_t cursor_ = 0;
    bool failed_ = false;
};

}  // namespace velkora::python
