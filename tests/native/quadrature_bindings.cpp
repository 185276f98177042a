// Test access to the quadrature, the central difference, the linear
// interpolation and the quadrature's node table.
#include <cstring>
#include <optional>
#include <vector>

#include "numeric/integrate.hpp"
#include "numeric/interp.hpp"
#include "numeric/sderivative.hpp"
#include "testing_support.hpp"

namespace varduxel::testing {
namespace {

bool check_callable(const char* function, PyObject* object) {
    if (PyCallable_Check(object)) return true;
    PyErr_Format(PyExc_TypeError, "%s(): f must be callable", function);
    return false;
}

// integrate(f, a, b, target) -> (integral, error_estimate, evaluations)
PyObject* py_integrate(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 4) {
        PyErr_Format(PyExc_TypeError, "integrate() takes 4 arguments (%zd given)", nargs);
        return nullptr;
    }
    if (!check_callable("integrate", args[0])) return nullptr;
    double bounds[3];
    if (!read_doubles("integrate", args + 1, 3, bounds, 3)) return nullptr;
    PythonRealFunction f(args[0]);
    const numeric::QuadratureOutput output = numeric::integrate(f, bounds[0], bounds[1], bounds[2]);
    if (f.failed()) return nullptr;
    return Py_BuildValue("(ddI)", output.integral, output.error_estimate,
                         static_cast<unsigned int>(output.evaluations));
}

// sderivative(f, x[, step])
PyObject* py_sderivative(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 2 && nargs != 3) {
        PyErr_Format(PyExc_TypeError, "sderivative() takes 2 or 3 arguments (%zd given)", nargs);
        return nullptr;
    }
    if (!check_callable("sderivative", args[0])) return nullptr;
    double values[2];
    if (!read_doubles("sderivative", args + 1, nargs - 1, values, nargs - 1)) return nullptr;
    const std::optional<double> step = nargs == 3 ? std::optional<double>(values[1]) : std::nullopt;
    PythonRealFunction f(args[0]);
    const double derivative = numeric::sderivative(f, values[0], step);
    if (f.failed()) return nullptr;
    return PyFloat_FromDouble(derivative);
}

// interp(x, y, xp, mode[, fixed_value]); mode is "extend", "edge_value" or
// "fixed", and fixed_value (default 0.0) is allowed only with "fixed".
PyObject* py_interp(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 4 && nargs != 5) {
        PyErr_Format(PyExc_TypeError, "interp() takes 4 or 5 arguments (%zd given)", nargs);
        return nullptr;
    }
    std::vector<double> x;
    std::vector<double> y;
    if (!read_floats(args[0], "interp(): x must be a sequence", x)) return nullptr;
    if (!read_floats(args[1], "interp(): y must be a sequence", y)) return nullptr;
    const double xp = PyFloat_AsDouble(args[2]);
    if (xp == -1.0 && PyErr_Occurred()) return nullptr;
    const char* name = PyUnicode_Check(args[3]) ? PyUnicode_AsUTF8(args[3]) : nullptr;
    if (name == nullptr) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "interp(): mode must be a string");
        return nullptr;
    }
    numeric::OutsideMode mode;
    if (std::strcmp(name, "fixed") == 0) {
        double value = 0.0;
        if (nargs == 5) {
            value = PyFloat_AsDouble(args[4]);
            if (value == -1.0 && PyErr_Occurred()) return nullptr;
        }
        mode = numeric::Fixed{value};
    } else if (nargs == 5) {
        PyErr_SetString(PyExc_TypeError, "interp(): fixed_value is allowed only with mode \"fixed\"");
        return nullptr;
    } else if (std::strcmp(name, "extend") == 0) {
        mode = numeric::Extend{};
    } else if (std::strcmp(name, "edge_value") == 0) {
        mode = numeric::EdgeValue{};
    } else {
        PyErr_Format(PyExc_ValueError, "interp(): unknown mode %R", args[3]);
        return nullptr;
    }
    return PyFloat_FromDouble(numeric::interp(x, y, xp, mode));
}

// de_node_levels() -> 7 lists of (weight, abscissa) tuples
PyObject* py_de_node_levels(PyObject*, PyObject*) {
    PyObject* levels = PyList_New(static_cast<Py_ssize_t>(numeric::DE_NODE_LEVELS.size()));
    if (levels == nullptr) return nullptr;
    Py_ssize_t level_index = 0;
    for (const auto level : numeric::DE_NODE_LEVELS) {
        PyObject* nodes = PyList_New(static_cast<Py_ssize_t>(level.size()));
        if (nodes == nullptr) {
            Py_DECREF(levels);
            return nullptr;
        }
        PyList_SET_ITEM(levels, level_index++, nodes);
        Py_ssize_t node_index = 0;
        for (const numeric::DeNode& node : level) {
            PyObject* pair = Py_BuildValue("(dd)", node.weight, node.abscissa);
            if (pair == nullptr) {
                Py_DECREF(levels);
                return nullptr;
            }
            PyList_SET_ITEM(nodes, node_index++, pair);
        }
    }
    return levels;
}

PyObject* py_cbrt_eps(PyObject*, PyObject*) { return PyFloat_FromDouble(numeric::CBRT_EPS); }

PyMethodDef quadrature_methods[] = {
    {"integrate", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_integrate)), METH_FASTCALL,
     "integrate(f, a, b, target) -> (integral, error_estimate, evaluations)"},
    {"sderivative", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_sderivative)), METH_FASTCALL,
     "sderivative(f, x[, step]) -> central-difference derivative of f at x"},
    {"interp", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_interp)), METH_FASTCALL,
     "interp(x, y, xp, mode[, fixed_value]) -> piecewise-linear value at xp"},
    {"de_node_levels", py_de_node_levels, METH_NOARGS,
     "de_node_levels() -> the quadrature's node table, 7 lists of (weight, abscissa)"},
    {"cbrt_eps", py_cbrt_eps, METH_NOARGS, "cbrt_eps() -> the base step of the central difference"},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_quadrature_functions(PyObject* module) { return PyModule_AddFunctions(module, quadrature_methods); }

}  // namespace varduxel::testing
