#include "module/errors.hpp"

#include <cstring>
#include <new>

#include "models/precondition.hpp"

namespace varduxel::python {

namespace {

constexpr const char PANIC_EXCEPTION_DOC[] =
    "\n"
    "The exception raised when native code of this extension, called from Python, fails.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException so that\n"
    "it will typically propagate all the way through the stack and cause the\n"
    "Python interpreter to exit.\n";

// Created under the interpreter lock on the first panic, never released.
PyObject* panic_exception_type() {
    static PyObject* type = nullptr;
    if (type == nullptr) {
        type = PyErr_NewExceptionWithDoc("pyo3_runtime.PanicException", PANIC_EXCEPTION_DOC,
                                         PyExc_BaseException, nullptr);
        if (type == nullptr) Py_FatalError("Failed to initialize new exception type.");
    }
    return type;
}

}  // namespace

void raise_panic(PyObject* message) {
    // The panic replaces whatever was pending; the type is created with no
    // exception set.
    PyErr_Clear();
    PyErr_SetObject(panic_exception_type(), message);
}

void raise_panic(const char* message) {
    OwnedRef text(PyUnicode_DecodeUTF8(message, static_cast<Py_ssize_t>(std::strlen(message)), "replace"));
    if (text == nullptr) return;  // MemoryError is pending
    raise_panic(text.get());
}

void raise_kernel_error(const char* message) { PyErr_SetString(PyExc_RuntimeError, message); }

void raise_cannot_convert(PyObject* object, const char* target) {
    OwnedRef type_name(PyType_GetQualName(Py_TYPE(object)));
    if (type_name == nullptr) {
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "'<failed to extract type name>' object cannot be converted to '%s'", target);
        return;
    }
    PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to '%s'", type_name.get(), target);
}

void raise_from_current_exception() noexcept {
    try {
        throw;
    } catch (const models::InternalCheckFailure& failure) {
        raise_panic(failure.what());
    } catch (const models::RefusedArgument& refusal) {
        PyErr_SetString(PyExc_ValueError, refusal.what());
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (...) {
        raise_panic("uncaught panic at ffi boundary");
    }
}

}  // namespace varduxel::python
