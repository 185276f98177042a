// The entry wrapper shared by every module function. A function is a parameter
// description plus one model operation whose parameters (double or
// FloatVector) follow the description one for one; the wrapper binds the
// arguments, converts them in declaration order, calls the model and converts
// its result. No C++ exception leaves it. Conversions are found by argument-
// dependent lookup as well, so a module built on this machinery (the private
// test module) can convert types of its own.
#pragma once

#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "module/binding.hpp"
#include "module/conversion.hpp"
#include "module/errors.hpp"
#include "module/python_api.hpp"

namespace varduxel::python {

template <typename Model>
struct ModelSignature;

template <typename Result, typename... Parameters>
struct ModelSignature<Result (*)(Parameters...)> {
    using Arguments = std::tuple<std::remove_cvref_t<Parameters>...>;
    static constexpr std::size_t arity = sizeof...(Parameters);
};

template <typename Result, typename... Parameters>
struct ModelSignature<Result (*)(Parameters...) noexcept> : ModelSignature<Result (*)(Parameters...)> {};

template <typename Value>
bool convert_argument(const char* name, PyObject* object, Value& value) {
    if (from_python(object, value)) return true;
    remap_argument_error(name);
    return false;
}

// The fold over && converts left to right and stops at the first failure.
template <const ParameterDescription& description, typename Arguments, std::size_t... index>
bool convert_arguments(PyObject* const* slots, Arguments& values, std::index_sequence<index...>) {
    return (convert_argument(description.parameters[index], slots[index], std::get<index>(values)) && ...);
}

// The fast-call-with-keywords entry point of one module function. The module
// object passed as `self` is not used. The interpreter lock stays held.
template <const ParameterDescription& description, auto model>
PyObject* wrapper(PyObject* /*self*/, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    using Signature = ModelSignature<decltype(model)>;
    static_assert(Signature::arity == description.parameters.size(),
                  "the model takes one argument per described parameter");
    try {
        std::array<PyObject*, Signature::arity> slots{};  // a function may have no parameter
        if (!bind_arguments(description, args, nargs, kwnames, slots)) return nullptr;
        // Owns the converted vectors until the model takes them over; on a
        // failed conversion they are released here.
        typename Signature::Arguments values;
        if (!convert_arguments<description>(slots.data(), values, std::make_index_sequence<Signature::arity>())) {
            return nullptr;
        }
        return to_python(std::apply(model, std::move(values)));
    } catch (...) {
        raise_from_current_exception();
        return nullptr;
    }
}

// The method-table entry of a module function; its docstring is only the text
// signature generated from the description, so the two always agree.
template <const ParameterDescription& description, auto model>
PyMethodDef method() {
    PyObject* (*entry)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*) = wrapper<description, model>;
    return {description.function, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry)),
            METH_FASTCALL | METH_KEYWORDS, text_signature<description>.data()};
}

}  // namespace varduxel::python
