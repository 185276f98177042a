// Argument and result types of the private test module `_varduxel_testing`
// beyond the floats and float vectors of the module's own functions. The
// module's wrapper (src/module/wrapper.hpp) finds their conversions by
// argument-dependent lookup.
#pragma once

#include <cmath>
#include <cstring>
#include <utility>

#include "models/instruction_sets.hpp"
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

// An instruction set named by its row in models::instruction_sets();
// ValueError for another name or one this CPU does not support.
struct InstructionSetName {
    const models::InstructionSet* set = nullptr;

    friend bool from_python(PyObject* object, InstructionSetName& name) {
        const char* text = PyUnicode_Check(object) ? PyUnicode_AsUTF8(object) : nullptr;
        if (text == nullptr) {
            if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "an instruction set is named by a string");
            return false;
        }
        for (const models::InstructionSet& set : models::instruction_sets()) {
            if (std::strcmp(set.name, text) == 0 && set.cpu_has()) {
                name.set = &set;
                return true;
            }
        }
        PyErr_Format(PyExc_ValueError, "no instruction set %R on this CPU", object);
        return false;
    }
};

}  // namespace varduxel::testing
