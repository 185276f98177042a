// The ring sum's batches on AVX-512F lanes. This file alone is compiled for
// AVX-512F, and its batches are called only after the CPU has been checked for
// it (instruction_sets.cpp). Everything it compiles carries the name avx512:
// the lane type lies in numeric::simd::avx512, and the table of batches, the
// one thing it shares, in models::avx512.
#include "models/ring_kernel.hpp"
#include "numeric/simd/avx512_lanes.hpp"

namespace varduxel::models::avx512 {

extern constinit const LaneBatches LANE_BATCHES = lane_batches<numeric::simd::avx512::Lanes>();

}  // namespace varduxel::models::avx512
