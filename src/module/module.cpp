// The module `varduxel`: its definition and its single-phase initialisation,
// which creates the module once per process and refuses a second interpreter.
#include <atomic>
#include <cstdint>

#include "module/errors.hpp"
#include "module/module_creation.hpp"
#include "module/python_api.hpp"
#include "module/wrappers.hpp"

namespace varduxel::python {

namespace {

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "varduxel",
    "Python module with a native implementation of finite-source magnifications by a point-mass lens.",
    0,        // no per-module state
    nullptr,  // the functions are added after creation
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// The C API version the module passes to PyModule_Create2, which compares it
// with the running interpreter's PYTHON_API_VERSION and warns on a mismatch.
// The module is written for 1013 (the headers of CPython 3.12 and 3.13 say
// the same) and passes that literal, not the macro of whichever headers it
// is built with, which would match by construction.
constexpr int MODULE_API_VERSION = 1013;

// The interpreter that first imported the module; set once, from -1.
std::atomic<std::int64_t> owner_interpreter{-1};
// The module object, filled once on success and kept for the life of the process.
std::atomic<PyObject*> module_cell{nullptr};

PyObject* initialise() {
    const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (interpreter == -1) {
        raise_pending_or_system_error();
        return nullptr;
    }
    std::int64_t owner = -1;
    if (!owner_interpreter.compare_exchange_strong(owner, interpreter) && owner != interpreter) {
        PyErr_SetString(PyExc_ImportError,
                        "varduxel does not support subinterpreters yet: it can be imported only by the "
                        "interpreter that first imported it in this process");
        return nullptr;
    }

    // A repeated import, e.g. after removal from sys.modules, gets the same module.
    if (PyObject* cached = module_cell.load()) return Py_NewRef(cached);

    PyObject* module = create_module(module_definition, MODULE_API_VERSION, function_table());
    if (module == nullptr) return nullptr;
    PyObject* cached = nullptr;
    if (!module_cell.compare_exchange_strong(cached, module)) {
        // Filled meanwhile by a nested import: that module stays the only one.
        Py_DECREF(module);
        return Py_NewRef(cached);
    }
    return Py_NewRef(module);  // the cell keeps the reference it was given
}

}  // namespace

}  // namespace varduxel::python

PyMODINIT_FUNC PyInit_varduxel() {
    try {
        return varduxel::python::initialise();
    } catch (...) {
        varduxel::python::raise_from_current_exception();
        return nullptr;
    }
}
