// The module's Python functions. A row is a parameter description and the model
// operation it calls, whose parameters (double or FloatVector) match the
// description one for one; adding a function is a description here and one
// line in the table.
#include "module/wrappers.hpp"

#include "models/uniform_disk.hpp"
#include "module/wrapper.hpp"

namespace varduxel::python {

namespace {

constexpr const char* L_RE_RSTAR[] = {"l", "re", "rstar"};

constexpr ParameterDescription WITT_MAO_MAGNIFICATION{"witt_mao_magnification", L_RE_RSTAR};

PyMethodDef functions[] = {
    method<WITT_MAO_MAGNIFICATION, models::witt_mao_magnification>(),
};

}  // namespace

std::span<PyMethodDef> function_table() { return functions; }

}  // namespace varduxel::python
