// The one place that includes the CPython headers for the module sources, and
// an owning reference that releases its object on every path.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>

namespace varduxel::python {

struct ReleaseReference {
    void operator()(PyObject* object) const noexcept { Py_DECREF(object); }
};

// A strong reference, released when it goes out of scope (or nullptr).
using OwnedRef = std::unique_ptr<PyObject, ReleaseReference>;

}  // namespace varduxel::python
