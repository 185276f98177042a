#include "module/conversion.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>

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

// Whether `object` is exactly the class `type_name` of the loaded module
// `module_name`. Reads sys.modules and the module's dictionary directly, so
// that no Python code runs; a module that is not loaded matches nothing.
bool is_exactly(PyObject* object, const char* module_name, const char* type_name) {
    PyObject* module = PyDict_GetItemString(PyImport_GetModuleDict(), module_name);
    if (module == nullptr || !PyModule_CheckExact(module)) return false;
    PyObject* type = PyDict_GetItemString(PyModule_GetDict(module), type_name);
    return type == reinterpret_cast<PyObject*>(Py_TYPE(object));
}

// Containers whose iteration yields, one float per element, exactly the
// doubles in their buffer: array.array, numpy.ndarray and memoryview, each of
// exactly its type, since a subclass may override __iter__. (numpy's float64
// scalars are floats, so their conversion gives the stored value.) Which of
// them hold one-dimensional native doubles is up to their buffer.
bool iterates_as_buffer(PyObject* object) {
    if (Py_IS_TYPE(object, &PyMemoryView_Type)) return true;
    const char* name = Py_TYPE(object)->tp_name;
    if (std::strcmp(name, "numpy.ndarray") == 0) return is_exactly(object, "numpy", "ndarray");
    if (std::strcmp(name, "array.array") == 0) return is_exactly(object, "array", "array");
    return false;
}

// Releases an acquired buffer on every path.
class BufferView {
public:
    explicit BufferView(PyObject* object)
        : acquired_(PyObject_GetBuffer(object, &view_, PyBUF_STRIDES | PyBUF_FORMAT) == 0) {
        if (!acquired_) PyErr_Clear();
    }
    ~BufferView() {
        if (acquired_) PyBuffer_Release(&view_);
    }
    BufferView(const BufferView&) = delete;
    BufferView& operator=(const BufferView&) = delete;

    // A one-dimensional buffer of native doubles, contiguous or strided.
    bool holds_doubles() const {
        return acquired_ && view_.ndim == 1 && view_.itemsize == sizeof(double) && view_.format != nullptr &&
               std::strcmp(view_.format, "d") == 0 && view_.suboffsets == nullptr;
    }
    const Py_buffer& view() const { return view_; }

private:
    Py_buffer view_;
    bool acquired_;
};

// Copies the buffer of `object` into `values` when it is a one-dimensional
// buffer of native doubles; false, with nothing changed, when it is not (the
// caller then iterates, which raises whatever iteration raises).
bool read_double_buffer(PyObject* object, FloatVector& values) {
    const BufferView buffer(object);
    if (!buffer.holds_doubles()) return false;
    const Py_buffer& view = buffer.view();
    const auto count = static_cast<std::size_t>(view.shape[0]);
    const Py_ssize_t stride = view.strides != nullptr ? view.strides[0] : Py_ssize_t{sizeof(double)};
    values.resize(count);
    const char* bytes = static_cast<const char*>(view.buf);
    if (stride == Py_ssize_t{sizeof(double)}) {
        if (count != 0) std::memcpy(values.data(), bytes, count * sizeof(double));
    } else {
        // Strided (a slice with a step, possibly negative); elements need not be aligned.
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(&values[i], bytes + static_cast<Py_ssize_t>(i) * stride, sizeof(double));
        }
    }
    return true;
}

// Lists and tuples read by index, which for a list re-reads its length at
// every step exactly as its iterator does: an element's __float__ that grows
// or shrinks the list sees the same continuation as under iteration. Each
// element is held while it is converted.
bool read_list_or_tuple(PyObject* sequence, FloatVector& values) {
    const bool is_list = PyList_CheckExact(sequence);
    for (Py_ssize_t i = 0; i < (is_list ? PyList_GET_SIZE(sequence) : PyTuple_GET_SIZE(sequence)); ++i) {
        PyObject* item = is_list ? PyList_GET_ITEM(sequence, i) : PyTuple_GET_ITEM(sequence, i);
        if (PyFloat_CheckExact(item)) {
            values.push_back(PyFloat_AS_DOUBLE(item));
            continue;
        }
        OwnedRef held(Py_NewRef(item));
        double value = 0.0;
        if (!from_python(held.get(), value)) return false;
        values.push_back(value);
    }
    return true;
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
    if (iterates_as_buffer(object) && read_double_buffer(object, values)) return true;
    values.reserve(capacity_for(object));
    if (PyList_CheckExact(object) || PyTuple_CheckExact(object)) return read_list_or_tuple(object, values);
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
