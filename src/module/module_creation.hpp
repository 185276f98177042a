// Creating a module and filling it from a table of functions: the module
// `varduxel` (module.cpp) and the private test module are made this way.
#pragma once

#include <span>

#include "module/python_api.hpp"

namespace varduxel::python {

// Leaves a pending exception as it is, or sets SystemError "attempted to
// fetch exception but none was set".
void raise_pending_or_system_error();

// Adds the functions of `table` in order: each is created bound to the
// module, listed in its __all__ (created when absent) and set as a module
// attribute. The entries must live as long as the module. Returns false with
// an exception set on failure.
bool add_functions(PyObject* module, std::span<PyMethodDef> table);

// Creates the module of `definition` with PyModule_Create2 and adds the
// functions of `table`; a new reference, or nullptr with an exception set.
PyObject* create_module(PyModuleDef& definition, int api_version, std::span<PyMethodDef> table);

}  // namespace varduxel::python
