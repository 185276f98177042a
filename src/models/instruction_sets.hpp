// The instruction sets the ring sum's lanes can run on, in one table. Each
// row names an instruction set, says how to ask the CPU for it and points to
// the batches its translation unit compiled for it (ring_kernel_<name>.cpp,
// whose code lives in the namespace <name>). The module runs on the first
// row the CPU supports; the tests run every row. Adding an instruction set
// is a lane header (numeric/simd/), a translation unit, a row here and a line
// in CMakeLists.txt.
#pragma once

#include <span>

#include "models/lane_batches.hpp"

namespace varduxel::models {

struct InstructionSet {
    const char* name;
    bool (*cpu_has)();  // whether this CPU and its operating system support it
    const LaneBatches* batches;
};

// Widest first; the last row, scalar, runs everywhere.
std::span<const InstructionSet> instruction_sets();

// The first row that this CPU supports, chosen once per process.
const InstructionSet& fastest_instruction_set();

}  // namespace varduxel::models
