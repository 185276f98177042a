// Conversions between Python objects and the values the models work with:
// floats and float vectors in, float lists and floats out.
#pragma once

#include "models/model_result.hpp"
#include "module/python_api.hpp"

namespace varduxel::python {

using models::FloatVector;

// Argument conversions; each returns false with a Python exception set.
// A float is anything PyFloat_AsDouble accepts (floats, __float__, __index__).
bool from_python(PyObject* object, double& value);
// A float vector is any sequence other than str, read by iteration, each
// element converted as a float. Throws std::bad_alloc when memory runs out.
bool from_python(PyObject* object, FloatVector& values);

// Rewrites the pending conversion error of parameter `name`: an exception of
// exactly type TypeError becomes TypeError "argument '{name}': {text}" with the
// same cause; any other exception is left as it is.
void remap_argument_error(const char* name);

// Model results: a new list of floats (or a float), RuntimeError for a kernel
// error, or nullptr with an exception set when the result cannot be built.
PyObject* to_python(models::VectorResult result);
PyObject* to_python(models::ScalarResult result);

}  // namespace varduxel::python
