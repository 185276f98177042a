// The table of the module's Python functions.
#pragma once

#include <span>

#include "module/python_api.hpp"

namespace varduxel::python {

// One entry per function in registration order, which is also the order of
// __all__. The entries live as long as the process.
std::span<PyMethodDef> function_table();

}  // namespace varduxel::python
