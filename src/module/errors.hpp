// How failures leave the module: each function below sets a Python exception,
// and the caller then returns NULL to the interpreter.
#pragma once

#include "module/python_api.hpp"

namespace varduxel::python {

// Raises pyo3_runtime.PanicException with `message` as its one argument. The
// type is created on first use and kept for the life of the process.
void raise_panic(const char* message);
void raise_panic(PyObject* message);

// Raises RuntimeError carrying a kernel error's text unchanged.
void raise_kernel_error(const char* message);

// TypeError "'{type}' object cannot be converted to '{target}'", naming the
// qualified type name of `object`.
void raise_cannot_convert(PyObject* object, const char* target);

// For use inside a catch (...) handler only: turns the C++ exception in flight
// into a Python exception, so that none ever reaches the interpreter.
void raise_from_current_exception() noexcept;

}  // namespace varduxel::python
