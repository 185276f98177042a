// The module `varduxel`: its definition and its single-phase initialisation,
// which creates the module once per process and refuses a second interpreter.
#include <atomic>
#include <cstdint>

#include "module/errors.hpp"
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

constexpr int MODULE_API_VERSION = 1013;

// The interpreter that first imported the module; set once, from -1.
std::atomic<std::int64_t> owner_interpreter{-1};
// The module object, filled once on success and kept for the life of the process.
std::atomic<PyObject*> module_cell{nullptr};

void raise_pending_or_system_error() {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
}

// The module's __all__ list, created empty when absent.
OwnedRef all_list(PyObject* module) {
    OwnedRef all(PyObject_GetAttrString(module, "__all__"));
    if (all == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return nullptr;
        PyErr_Clear();
        all.reset(PyList_New(0));
        if (all == nullptr || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return nullptr;
        return all;
    }
    if (!PyList_Check(all.get())) {
        raise_cannot_convert(all.get(), "PyList");
        return nullptr;
    }
    return all;
}

// A panic naming the Python error that made the append fail.
void raise_append_panic() {
    OwnedRef error(PyErr_GetRaisedException());
    OwnedRef message(PyUnicode_FromFormat("could not append __name__ to __all__: %s: %S",
                                          Py_TYPE(error.get())->tp_name, error.get()));
    if (message == nullptr) {
        raise_panic("could not append __name__ to __all__");
        return;
    }
    raise_panic(message.get());
}

// Creates the function of one table entry, bound to the module, lists its name
// in __all__ and sets it as a module attribute.
bool add_function(PyObject* module, PyObject* module_name, PyMethodDef* entry) {
    OwnedRef function(PyCMethod_New(entry, module, module_name, nullptr));
    if (function == nullptr) return false;
    OwnedRef name(PyObject_GetAttrString(function.get(), "__name__"));
    if (name == nullptr) return false;
    if (!PyUnicode_Check(name.get())) {
        raise_cannot_convert(name.get(), "PyString");
        return false;
    }
    OwnedRef all = all_list(module);
    if (all == nullptr) return false;
    if (PyList_Append(all.get(), name.get()) < 0) {
        raise_append_panic();
        return false;
    }
    return PyObject_SetAttr(module, name.get(), function.get()) == 0;
}

PyObject* create_module() {
    OwnedRef module(PyModule_Create2(&module_definition, MODULE_API_VERSION));
    if (module == nullptr) {
        raise_pending_or_system_error();
        return nullptr;
    }
    OwnedRef module_name(PyModule_GetNameObject(module.get()));
    if (module_name == nullptr) return nullptr;
    for (PyMethodDef& entry : function_table()) {
        if (!add_function(module.get(), module_name.get(), &entry)) return nullptr;
    }
    return module.release();
}

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

    PyObject* module = create_module();
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
