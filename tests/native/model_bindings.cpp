// Test access to model internals: the tabulated brightness profile, its flux,
// the circle mean that the ring sum integrates and the ring sum on each
// vector path.
#include <utility>
#include <vector>

#include "models/brightness_profiles.hpp"
#include "models/integrated.hpp"
#include "testing_support.hpp"

namespace varduxel::testing {

namespace {

constexpr const char* TABLE = "a table must be a sequence of floats";

// tabulated_profile_flux(bl, bf): the normaliser of a flux map.
PyObject* tabulated_profile_flux(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 2) {
        PyErr_SetString(PyExc_TypeError, "tabulated_profile_flux(bl, bf) takes two tables");
        return nullptr;
    }
    std::vector<double> radii, brightness;
    if (!read_floats(args[0], TABLE, radii) || !read_floats(args[1], TABLE, brightness)) return nullptr;
    return PyFloat_FromDouble(models::profile_flux(models::TabulatedProfile(radii, brightness)));
}

// tabulated_profile(bl, bf, r): the interpolated brightness at radius r.
PyObject* tabulated_profile(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 3) {
        PyErr_SetString(PyExc_TypeError, "tabulated_profile(bl, bf, r) takes two tables and a radius");
        return nullptr;
    }
    std::vector<double> radii, brightness;
    if (!read_floats(args[0], TABLE, radii) || !read_floats(args[1], TABLE, brightness)) return nullptr;
    double r = PyFloat_AsDouble(args[2]);
    if (r == -1.0 && PyErr_Occurred()) return nullptr;
    return PyFloat_FromDouble(models::TabulatedProfile(radii, brightness)(r));
}

// ring_circle_mean(l, x, re, rstar): the circle mean as the ring sum integrates it.
PyObject* ring_circle_mean(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    double values[4];
    if (!read_doubles("ring_circle_mean", args, nargs, values, 4)) return nullptr;
    const models::CircleKernelScale scale(values[2], values[3]);
    return PyFloat_FromDouble(models::ring_circle_mean(values[0], values[1], scale.eps2));
}

PyObject* list_of(const std::vector<double>& values) {
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(values.size()));
    if (list == nullptr) return nullptr;
    for (std::size_t i = 0; i < values.size(); ++i) {
        PyObject* item = PyFloat_FromDouble(values[i]);
        if (item == nullptr) {
            Py_DECREF(list);
            return nullptr;
        }
        PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
    }
    return list;
}

// vector_paths() -> the names of the paths this build and CPU can run.
PyObject* vector_paths(PyObject*, PyObject*) {
    PyObject* names = PyList_New(0);
    if (names == nullptr) return nullptr;
    const std::pair<models::VectorPath, const char*> paths[] = {
        {models::VectorPath::scalar, "scalar"}, {models::VectorPath::avx2, "avx2"},
        {models::VectorPath::avx512, "avx512"}};
    for (const auto& [path, name] : paths) {
        if (!models::is_available(path)) continue;
        PyObject* text = PyUnicode_FromString(name);
        if (text == nullptr || PyList_Append(names, text) < 0) {
            Py_XDECREF(text);
            Py_DECREF(names);
            return nullptr;
        }
        Py_DECREF(text);
    }
    return names;
}

// ring_circle_means(l, xs, re, rstar, path) -> the circle means at the radii
// xs, a batch on the lanes of `path`.
PyObject* ring_circle_means(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 5) {
        PyErr_SetString(PyExc_TypeError, "ring_circle_means(l, xs, re, rstar, path) takes 5 arguments");
        return nullptr;
    }
    double l, scales[2];
    std::vector<double> xs;
    models::VectorPath path;
    if (!read_doubles("ring_circle_means", args, 1, &l, 1) || !read_floats(args[1], "xs must be a sequence", xs) ||
        !read_doubles("ring_circle_means", args + 2, 2, scales, 2) || !read_vector_path(args[4], path)) {
        return nullptr;
    }
    std::vector<double> means(xs.size());
    models::ring_circle_means(path, l, models::CircleKernelScale(scales[0], scales[1]).eps2, xs.data(),
                              means.data(), xs.size());
    return list_of(means);
}

// ring_sums(ls, re, rstar, path[, bl, bf]) -> integrated_heyrovsky_magnification
// (or, with a table, integrated_flux_map_heyrovsky_magnification) computed
// on the lanes of `path`.
PyObject* ring_sums(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 4 && nargs != 6) {
        PyErr_SetString(PyExc_TypeError, "ring_sums(ls, re, rstar, path[, bl, bf]) takes 4 or 6 arguments");
        return nullptr;
    }
    std::vector<double> ls, bl, bf;
    double scales[2];
    models::VectorPath path;
    if (!read_floats(args[0], "ls must be a sequence", ls) || !read_doubles("ring_sums", args + 1, 2, scales, 2) ||
        !read_vector_path(args[3], path)) {
        return nullptr;
    }
    if (nargs == 4) {
        models::VectorResult result = models::_integrated_heyrovsky_magnification(
            std::move(ls), models::DefaultProfile{}, scales[0], scales[1], models::DEFAULT_NORMALISER, path);
        return list_of(result.values());
    }
    if (!read_floats(args[4], TABLE, bl) || !read_floats(args[5], TABLE, bf)) return nullptr;
    const models::TabulatedProfile profile(bl, bf);
    models::VectorResult result = models::_integrated_heyrovsky_magnification(
        std::move(ls), profile, scales[0], scales[1], models::profile_flux(profile), path);
    return list_of(result.values());
}

PyMethodDef model_methods[] = {
    {"ring_circle_mean", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(ring_circle_mean)),
     METH_FASTCALL, "ring_circle_mean(l, x, re, rstar): the circle mean that the ring sum integrates."},
    {"vector_paths", vector_paths, METH_NOARGS, "vector_paths() -> names of the available vector paths"},
    {"ring_circle_means", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(ring_circle_means)),
     METH_FASTCALL, "ring_circle_means(l, xs, re, rstar, path) -> circle means on one vector path"},
    {"ring_sums", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(ring_sums)), METH_FASTCALL,
     "ring_sums(ls, re, rstar, path[, bl, bf]) -> the limb-darkened ring sums on one vector path"},
    {"tabulated_profile_flux", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tabulated_profile_flux)),
     METH_FASTCALL, "Flux over the unit disk of a tabulated profile, as the flux maps normalise."},
    {"tabulated_profile", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tabulated_profile)),
     METH_FASTCALL, "Brightness of a tabulated profile at one radius."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_model_functions(PyObject* module) { return PyModule_AddFunctions(module, model_methods); }

}  // namespace varduxel::testing
