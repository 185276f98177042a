// Entry point of the private test module `_varduxel_testing`.
#include "testing_support.hpp"

namespace {

PyModuleDef testing_module_definition = {
    PyModuleDef_HEAD_INIT,
    "_varduxel_testing",
    "Test-only access to the numerical kernels and model internals of varduxel.",
    -1,
    nullptr, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__varduxel_testing() {
    PyObject* module = PyModule_Create(&testing_module_definition);
    if (module == nullptr) return nullptr;
    using namespace varduxel::testing;
    if (add_elliptic_functions(module) < 0 || add_quadrature_functions(module) < 0 ||
        add_model_functions(module) < 0 || add_timing_functions(module) < 0) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}
