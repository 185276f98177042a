// The ring sum's batches on AVX2 lanes. This file alone is compiled for
// AVX2, and its batches are called only after the CPU has been checked for
// it (instruction_sets.cpp). Everything it compiles carries the name avx2:
// the lane type lies in numeric::simd::avx2, and the table of batches, the
// one thing it shares, in models::avx2.
#include "models/ring_kernel.hpp"
#include "numeric/simd/avx2_lanes.hpp"

namespace varduxel::models::avx2 {

extern constinit const LaneBatches LANE_BATCHES = lane_batches<numeric::simd::avx2::Lanes>();

}  // namespace varduxel::models::avx2
