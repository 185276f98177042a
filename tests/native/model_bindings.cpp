// Test access to model internals: the tabulated brightness profile, its flux
// and the circle mean that the ring sum integrates.
#include <vector>

#include "models/brightness_profiles.hpp"
#include "models/integrated.hpp"
#include "testing_support.hpp"

namespace varduxel::testing {

namespace {

bool read_table(PyObject* sequence, std::vector<double>& out) {
    PyObject* fast = PySequence_Fast(sequence, "a table must be a sequence of floats");
    if (fast == nullptr) return false;
    Py_ssize_t size = PySequence_Fast_GET_SIZE(fast);
    for (Py_ssize_t i = 0; i < size; ++i) {
        double value = PyFloat_AsDouble(PySequence_Fast_GET_ITEM(fast, i));
        if (value == -1.0 && PyErr_Occurred()) {
            Py_DECREF(fast);
            return false;
        }
        out.push_back(value);
    }
    Py_DECREF(fast);
    return true;
}

// tabulated_profile_flux(bl, bf): the normaliser of a flux map.
PyObject* tabulated_profile_flux(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 2) {
        PyErr_SetString(PyExc_TypeError, "tabulated_profile_flux(bl, bf) takes two tables");
        return nullptr;
    }
    std::vector<double> radii, brightness;
    if (!read_table(args[0], radii) || !read_table(args[1], brightness)) return nullptr;
    return PyFloat_FromDouble(models::profile_flux(models::TabulatedProfile(radii, brightness)));
}

// tabulated_profile(bl, bf, r): the interpolated brightness at radius r.
PyObject* tabulated_profile(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 3) {
        PyErr_SetString(PyExc_TypeError, "tabulated_profile(bl, bf, r) takes two tables and a radius");
        return nullptr;
    }
    std::vector<double> radii, brightness;
    if (!read_table(args[0], radii) || !read_table(args[1], brightness)) return nullptr;
    double r = PyFloat_AsDouble(args[2]);
    if (r == -1.0 && PyErr_Occurred()) return nullptr;
    return PyFloat_FromDouble(models::TabulatedProfile(radii, brightness)(r));
}

// ring_circle_mean(l, x, re, rstar): the circle mean as the ring sum integrates it.
PyObject* ring_circle_mean(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    double values[4];
    if (!read_doubles("ring_circle_mean", args, nargs, values, 4)) return nullptr;
    const models::CircleKernelScale scale(values[2], values[3]);
    return PyFloat_FromDouble(models::ring_circle_mean(values[0], values[1], scale));
}

PyMethodDef model_methods[] = {
    {"ring_circle_mean", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(ring_circle_mean)),
     METH_FASTCALL, "ring_circle_mean(l, x, re, rstar): the circle mean that the ring sum integrates."},
    {"tabulated_profile_flux", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tabulated_profile_flux)),
     METH_FASTCALL, "Flux over the unit disk of a tabulated profile, as the flux maps normalise."},
    {"tabulated_profile", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tabulated_profile)),
     METH_FASTCALL, "Brightness of a tabulated profile at one radius."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_model_functions(PyObject* module) { return PyModule_AddFunctions(module, model_methods); }

}  // namespace varduxel::testing
