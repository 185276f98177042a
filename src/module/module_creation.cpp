#include "module/module_creation.hpp"

#include "module/errors.hpp"

namespace varduxel::python {

namespace {

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

}  // namespace

void raise_pending_or_system_error() {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
}

bool add_functions(PyObject* module, std::span<PyMethodDef> table) {
    OwnedRef module_name(PyModule_GetNameObject(module));
    if (module_name == nullptr) return false;
    for (PyMethodDef& entry : table) {
        if (!add_function(module, module_name.get(), &entry)) return false;
    }
    return true;
}

PyObject* create_module(PyModuleDef& definition, int api_version, std::span<PyMethodDef> table) {
    OwnedRef module(PyModule_Create2(&definition, api_version));
    if (module == nullptr) {
        raise_pending_or_system_error();
        return nullptr;
    }
    if (!add_functions(module.get(), table)) return nullptr;
    return module.release();
}

}  // namespace varduxel::python
