// The ring sum's circle means and linear-law rings on AVX2 lanes. This file
// alone is compiled for AVX2; its batches are called only after the CPU has
// been checked for it, and it defines nothing that another translation unit
// also defines.
#include "models/ring_kernel.hpp"
#include "numeric/simd/avx2_lanes.hpp"

namespace varduxel::models {

extern const LaneBatches AVX2_BATCHES = LANE_BATCHES<numeric::simd::Avx2Lanes>;

}  // namespace varduxel::models
