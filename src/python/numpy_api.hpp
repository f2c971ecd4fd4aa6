#pragma once
// NumPy C API for every translation unit of the module. The API table is imported
// once, by the module initialiser; the other files share it through the unique symbol.

#include <Python.h>

#define PY_ARRAY_UNIQUE_SYMBOL velkora_numpy_api
#ifndef VELKORA_NUMPY_IMPORTER
#define NO_IMPORT_ARRAY
#endif
#include <numpy/arrayobject.h>
