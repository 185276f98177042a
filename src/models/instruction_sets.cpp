// The table of instruction sets. The CPU checks are compiled here, for the
// baseline, so that asking does not itself need the instruction set.
#include "models/instruction_sets.hpp"

namespace varduxel::models {

// Each defined in ring_kernel_<name>.cpp, compiled for that instruction set.
namespace scalar {
extern const LaneBatches LANE_BATCHES;
}
#if VARDUXEL_X86_VECTOR_PATHS
namespace avx2 {
extern const LaneBatches LANE_BATCHES;
}
namespace avx512 {
extern const LaneBatches LANE_BATCHES;
}
#endif

namespace {

// The compiler's CPU check also asks the operating system whether it saves
// the wider registers.
const InstructionSet INSTRUCTION_SETS[] = {
#if VARDUXEL_X86_VECTOR_PATHS
    {"avx512", [] { return __builtin_cpu_supports("avx512f") != 0; }, &avx512::LANE_BATCHES},
    {"avx2", [] { return __builtin_cpu_supports("avx2") != 0; }, &avx2::LANE_BATCHES},
#endif
    {"scalar", [] { return true; }, &scalar::LANE_BATCHES},
};

}  // namespace

std::span<const InstructionSet> instruction_sets() { return INSTRUCTION_SETS; }

const InstructionSet& fastest_instruction_set() {
    static const InstructionSet* const fastest = [] {
        const InstructionSet* set = INSTRUCTION_SETS;
        while (!set->cpu_has()) ++set;  // the last row always answers yes
        return set;
    }();
    return *fastest;
}

}  // namespace varduxel::models
