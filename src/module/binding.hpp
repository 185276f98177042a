// Binding of a call's positional and keyword arguments to the parameters of a
// module function, with the interpreter's usual TypeError messages.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "module/python_api.hpp"

namespace varduxel::python {

// Every parameter may be given by position or by keyword and none has a
// default, so a function is described by its name and its parameter names.
struct ParameterDescription {
    const char* function;
    std::span<const char* const> parameters;
};

// Fills slots[i] with a borrowed reference to the argument of parameter i.
// Returns false with TypeError set when the arguments do not fit: too many
// positional arguments, a keyword given twice or unknown, or a missing one.
// `slots` holds one null entry per parameter on entry.
bool bind_arguments(const ParameterDescription& description, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> slots);

// The docstring that gives a function its text signature and no other text:
// "{function}({parameter}, ...)\n--\n\n", built at compile time.
template <const ParameterDescription& description>
inline constexpr auto text_signature = [] {
    constexpr auto measure = [] {
        std::size_t length = std::string_view(description.function).size() + std::string_view("()\n--\n\n").size();
        for (std::size_t i = 0; i < description.parameters.size(); ++i)
            length += std::string_view(description.parameters[i]).size() + (i == 0 ? 0 : 2);
        return length;
    };
    std::array<char, measure() + 1> text{};  // zero-filled, so NUL-terminated
    std::size_t end = 0;
    auto append = [&](std::string_view part) {
        for (char c : part) text[end++] = c;
    };
    append(description.function);
    append("(");
    for (std::size_t i = 0; i < description.parameters.size(); ++i) {
        if (i != 0) append(", ");
        append(description.parameters[i]);
    }
    append(")\n--\n\n");
    return text;
}();

}  // namespace varduxel::python
