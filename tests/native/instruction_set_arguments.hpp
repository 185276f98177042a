// The table of instruction sets (src/models/instruction_sets.hpp) as seen
// from Python by the private modules: the test module, which runs the ring
// sums on every row, and the benchmark's timing module, which times them.
#pragma once

#include <cstring>
#include <string_view>

#include "models/instruction_sets.hpp"
#include "module/python_api.hpp"

namespace varduxel::testing {

// An instruction set named by its row in models::instruction_sets();
// ValueError for another name or one this CPU does not support.
struct InstructionSetName {
    const models::InstructionSet* set = nullptr;

    friend bool from_python(PyObject* object, InstructionSetName& name) {
        const char* text = PyUnicode_Check(object) ? PyUnicode_AsUTF8(object) : nullptr;
        if (text == nullptr) {
            if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "an instruction set is named by a string");
            return false;
        }
        for (const models::InstructionSet& set : models::instruction_sets()) {
            if (std::strcmp(set.name, text) == 0 && set.cpu_has()) {
                name.set = &set;
                return true;
            }
        }
        PyErr_Format(PyExc_ValueError, "no instruction set %R on this CPU", object);
        return false;
    }
};

// The flag by which /proc/cpuinfo lists the instruction set of the row
// `name`, so that the tests can check the table's CPU checks against it; ""
// for the baseline that every CPU has.
inline const char* cpu_flag(std::string_view name) {
    if (name == "avx512") return "avx512f";
    if (name == "avx2") return "avx2";
    return "";
}

// The rows of the table, widest first: a list of (name, /proc/cpuinfo flag,
// whether this CPU has it).
struct InstructionSetRows {};

inline PyObject* to_python(InstructionSetRows) {
    python::OwnedRef rows(PyList_New(0));
    if (rows == nullptr) return nullptr;
    for (const models::InstructionSet& set : models::instruction_sets()) {
        python::OwnedRef row(Py_BuildValue("(ssO)", set.name, cpu_flag(set.name), set.cpu_has() ? Py_True : Py_False));
        if (row == nullptr || PyList_Append(rows.get(), row.get()) != 0) return nullptr;
    }
    return rows.release();
}

inline InstructionSetRows instruction_sets() { return {}; }

}  // namespace varduxel::testing
