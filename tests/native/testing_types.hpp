// Argument and result types of the private test module `_varduxel_testing`
// beyond the floats and float vectors of the module's own functions. The
// module's wrapper (src/module/wrapper.hpp) finds their conversions by
// argument-dependent lookup.
#pragma once

#include <cmath>
#include <utility>

#include "models/model_result.hpp"
#include "module/conversion.hpp"
#include "module/python_api.hpp"

namespace varduxel::testing {

// A Python callable as a real function for the quadrature and the
// derivative. The first Python exception is kept pending and the function
// answers NaN from then on; CallbackResult then raises it.
class RealFunction {
public:
    double operator()(double x) const {
        if (PyErr_Occurred()) return std::nan("");
        python::OwnedRef result(PyObject_CallFunction(callable_, "d", x));
        const double value = result ? PyFloat_AsDouble(result.get()) : -1.0;
        return value == -1.0 && PyErr_Occurred() ? std::nan("") : value;
    }

    friend bool from_python(PyObject* object, RealFunction& function) {
        if (!PyCallable_Check(object)) {
            PyErr_SetString(PyExc_TypeError, "must be callable");
            return false;
        }
        function.callable_ = object;  // borrowed for the call
        return true;
    }

private:
    PyObject* callable_ = nullptr;
};

// The result of a computation that calls back into Python (a float vector
// or one float), or the exception a callback raised.
template <class Result>
struct CallbackResult {
    Result result;
};

template <class Result>
PyObject* to_python(CallbackResult<Result> outcome) {
    if (PyErr_Occurred()) return nullptr;
    return python::to_python(std::move(outcome.result));
}

}  // namespace varduxel::testing
