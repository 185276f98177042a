#include "module/conversion.hpp"

#include <algorithm>
#include <cstddef>

#include "module/errors.hpp"

namespace varduxel::python {

namespace {

// A sequence other than a list or a tuple reports its length through __len__,
// which may raise or claim anything (even sys.maxsize), so it is trusted only
// up to this many elements; the vector grows past it as needed.
constexpr Py_ssize_t MAX_UNTRUSTED_RESERVE = Py_ssize_t{1} << 16;

std::size_t capacity_for(PyObject* sequence) {
    if (PyList_CheckExact(sequence)) return static_cast<std::size_t>(PyList_GET_SIZE(sequence));
    if (PyTuple_CheckExact(sequence)) return static_cast<std::size_t>(PyTuple_GET_SIZE(sequence));
    const Py_ssize_t size = PySequence_Size(sequence);
    if (size < 0) {
        PyErr_Clear();  // the length is only a hint: iteration decides
        return 0;
    }
    return static_cast<std::size_t>(std::min(size, MAX_UNTRUSTED_RESERVE));
}

// A result that the interpreter could not build. Running out of memory stays a
// MemoryError; anything else is printed and becomes a panic.
PyObject* result_not_built() {
    if (!PyErr_ExceptionMatches(PyExc_MemoryError)) {
        PyErr_Print();
        raise_panic("Python API call failed");
    }
    return nullptr;
}

}  // namespace

bool from_python(PyObject* object, double& value) {
    if (PyFloat_CheckExact(object)) {
        value = PyFloat_AS_DOUBLE(object);
        return true;
    }
    value = PyFloat_AsDouble(object);
    return !(value == -1.0 && PyErr_Occurred());
}

bool from_python(PyObject* object, FloatVector& values) {
    if (PyUnicode_Check(object)) {
        PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
        return false;
    }
    if (!PySequence_Check(object)) {
        raise_cannot_convert(object, "Sequence");
        return false;
    }
    values.reserve(capacity_for(object));
    OwnedRef iterator(PyObject_GetIter(object));
    if (iterator == nullptr) return false;
    for (;;) {
        OwnedRef item(PyIter_Next(iterator.get()));
        if (item == nullptr) return !PyErr_Occurred();
        double value = 0.0;
        if (!from_python(item.get(), value)) return false;
        values.push_back(value);
    }
}

void remap_argument_error(const char* name) {
    PyObject* error = PyErr_GetRaisedException();
    if (error == nullptr || !Py_IS_TYPE(error, reinterpret_cast<PyTypeObject*>(PyExc_TypeError))) {
        PyErr_SetRaisedException(error);
        return;
    }
    OwnedRef original(error);
    OwnedRef message(PyUnicode_FromFormat("argument '%s': %S", name, error));
    if (message == nullptr) return;  // str() of the error failed; that failure is pending
    PyObject* cause = PyException_GetCause(error);
    PyErr_SetObject(PyExc_TypeError, message.get());
    PyObject* remapped = PyErr_GetRaisedException();
    PyException_SetCause(remapped, cause);  // takes over `cause`, which may be null
    PyErr_SetRaisedException(remapped);
}

PyObject* to_python(models::VectorResult result) {
    if (!result.ok()) {
        raise_kernel_error(result.message());
        return nullptr;
    }
    const FloatVector& values = result.values();
    OwnedRef list(PyList_New(static_cast<Py_ssize_t>(values.size())));
    if (list == nullptr) return result_not_built();
    for (std::size_t i = 0; i < values.size(); ++i) {
        PyObject* item = PyFloat_FromDouble(values[i]);
        if (item == nullptr) return result_not_built();
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list.release();
}

PyObject* to_python(models::ScalarResult result) {
    if (!result.ok()) {
        raise_kernel_error(result.message());
        return nullptr;
    }
    PyObject* value = PyFloat_FromDouble(result.value());
    return value != nullptr ? value : result_not_built();
}

}  // namespace varduxel::python
