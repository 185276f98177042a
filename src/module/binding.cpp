#include "module/binding.hpp"

#include <string>
#include <vector>

namespace varduxel::python {

namespace {

// The parameter whose name equals `keyword` byte for byte, or -1 (also when
// the keyword has no UTF-8 form).
Py_ssize_t find_parameter(const ParameterDescription& description, PyObject* keyword) {
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(keyword, &size);
    if (text == nullptr) {
        PyErr_Clear();
        return -1;
    }
    std::string_view name(text, static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < description.parameters.size(); ++i)
        if (name == description.parameters[i]) return static_cast<Py_ssize_t>(i);
    return -1;
}

// 'a'; 'a' and 'b'; 'a', 'b', and 'c'.
std::string quoted_list(const std::vector<std::string_view>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i != 0) list += names.size() == 2 ? " and " : (i + 1 == names.size() ? ", and " : ", ");
        list += '\'';
        list += names[i];
        list += '\'';
    }
    return list;
}

void raise_missing(const ParameterDescription& description, std::span<PyObject*> slots) {
    std::vector<std::string_view> missing;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (slots[i] == nullptr) missing.push_back(description.parameters[i]);
    PyErr_Format(PyExc_TypeError, "%s() missing %zu required positional %s: %s", description.function,
                 missing.size(), missing.size() == 1 ? "argument" : "arguments", quoted_list(missing).c_str());
}

}  // namespace

bool bind_arguments(const ParameterDescription& description, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> slots) {
    const auto parameter_count = static_cast<Py_ssize_t>(description.parameters.size());
    if (nargs > parameter_count) {
        PyErr_Format(PyExc_TypeError, "%s() takes %zd positional arguments but %zd were given",
                     description.function, parameter_count, nargs);
        return false;
    }
    for (Py_ssize_t i = 0; i < nargs; ++i) slots[i] = args[i];

    // Keyword values follow the positional ones in `args`.
    const Py_ssize_t keyword_count = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < keyword_count; ++k) {
        PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
        const Py_ssize_t slot = find_parameter(description, keyword);
        if (slot < 0) {
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%S'", description.function,
                         keyword);
            return false;
        }
        if (slots[slot] != nullptr) {
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", description.function,
                         description.parameters[slot]);
            return false;
        }
        slots[slot] = args[nargs + k];
    }

    // Every parameter is required.
    for (PyObject* slot : slots) {
        if (slot == nullptr) {
            raise_missing(description, slots);
            return false;
        }
    }
    return true;
}

}  // namespace varduxel::python
