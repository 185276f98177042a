#include "testing_support.hpp"

namespace varduxel::testing {

int add_model_functions(PyObject*) { return 0; }

}  // namespace varduxel::testing
