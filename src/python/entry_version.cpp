#include "entries.hpp"

namespace velkora::python {

namespace {

constexpr const char* kVersion = "0.3.0";

PyObject* version(PyObject* /*module*/, PyObject* /*unused*/) {
    return PyUnicode_FromString(kVersion);
}

}  // namespace

PyMethodDef version_entry = {
    "version", version, METH_NOARGS,
    "version()\n--\n\nSmoke-test function: returns the version string."};

}  // namespace velkora::python
