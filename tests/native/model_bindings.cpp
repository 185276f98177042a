// Test access to model internals: the tabulated brightness profile and its flux.
#include <vector>

#include "models/tabulated_profile.hpp"
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
    return PyFloat_FromDouble(models::TabulatedProfile(radii, brightness).flux());
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

PyMethodDef model_methods[] = {
    {"tabulated_profile_flux", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tabulated_profile_flux)),
     METH_FASTCALL, "Flux over the unit disk of a tabulated profile, as the flux maps normalise."},
    {"tabulated_profile", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tabulated_profile)),
     METH_FASTCALL, "Brightness of a tabulated profile at one radius."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_model_functions(PyObject* module) { return PyModule_AddFunctions(module, model_methods); }

}  // namespace varduxel::testing
