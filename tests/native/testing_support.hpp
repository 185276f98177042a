// Shared helpers of the private test module `_varduxel_testing`, which exposes
// the numerical kernels and model internals to pytest. It is built from the
// same sources as the package but never installed with it.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "models/ring_kernel.hpp"
#include "numeric/kernel_result.hpp"

namespace varduxel::testing {

// Each unit of the test module adds its functions to the module; returns -1
// with an exception set on failure.
int add_elliptic_functions(PyObject* module);
int add_quadrature_functions(PyObject* module);
int add_model_functions(PyObject* module);
int add_timing_functions(PyObject* module);

// Reads exactly `count` float arguments (anything PyFloat_AsDouble takes).
inline bool read_doubles(const char* function, PyObject* const* args, Py_ssize_t nargs, double* out,
                         Py_ssize_t count) {
    if (nargs != count) {
        PyErr_Format(PyExc_TypeError, "%s() takes %zd arguments (%zd given)", function, count, nargs);
        return false;
    }
    for (Py_ssize_t i = 0; i < count; ++i) {
        out[i] = PyFloat_AsDouble(args[i]);
        if (out[i] == -1.0 && PyErr_Occurred()) return false;
    }
    return true;
}

// Reads a sequence of floats (anything PyFloat_AsDouble takes) into `out`;
// `what` names the argument in the TypeError for a non-sequence.
inline bool read_floats(PyObject* object, const char* what, std::vector<double>& out) {
    PyObject* sequence = PySequence_Fast(object, what);
    if (sequence == nullptr) return false;
    const Py_ssize_t size = PySequence_Fast_GET_SIZE(sequence);
    PyObject** items = PySequence_Fast_ITEMS(sequence);
    out.reserve(static_cast<std::size_t>(size));
    for (Py_ssize_t i = 0; i < size; ++i) {
        const double value = PyFloat_AsDouble(items[i]);
        if (value == -1.0 && PyErr_Occurred()) {
            Py_DECREF(sequence);
            return false;
        }
        out.push_back(value);
    }
    Py_DECREF(sequence);
    return true;
}

// The vector path named "scalar", "avx2" or "avx512"; ValueError for another
// name or a path that this build or CPU does not have.
inline bool read_vector_path(PyObject* name, models::VectorPath& path) {
    const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8(name) : nullptr;
    if (text == nullptr) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "a vector path is named by a string");
        return false;
    }
    if (std::strcmp(text, "scalar") == 0) {
        path = models::VectorPath::scalar;
    } else if (std::strcmp(text, "avx2") == 0) {
        path = models::VectorPath::avx2;
    } else if (std::strcmp(text, "avx512") == 0) {
        path = models::VectorPath::avx512;
    } else {
        PyErr_Format(PyExc_ValueError, "unknown vector path %R", name);
        return false;
    }
    if (!models::is_available(path)) {
        PyErr_Format(PyExc_ValueError, "vector path %R is not available here", name);
        return false;
    }
    return true;
}

// A kernel result becomes a float, or RuntimeError carrying the kernel's text.
inline PyObject* kernel_result_to_python(numeric::KernelResult result) {
    if (!result.ok()) {
        PyErr_SetString(PyExc_RuntimeError, result.message());
        return nullptr;
    }
    return PyFloat_FromDouble(result.value());
}

// Wraps a Python callable as a real function for the quadrature and the
// derivative. The first Python exception is kept and the call answers NaN from
// then on; the binding re-raises it once the kernel has returned.
class PythonRealFunction {
public:
    explicit PythonRealFunction(PyObject* callable) : callable_(callable) {}

    double operator()(double x) {
        if (failed_) return std::nan("");
        PyObject* result = PyObject_CallFunction(callable_, "d", x);
        double value = result ? PyFloat_AsDouble(result) : -1.0;
        Py_XDECREF(result);
        if (value == -1.0 && PyErr_Occurred()) {
            failed_ = true;
            return std::nan("");
        }
        return value;
    }

    bool failed() const { return failed_; }

private:
    PyObject* callable_;
    bool failed_ = false;
};

}  // namespace varduxel::testing
