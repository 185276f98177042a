// The ring sum's circle means and linear-law rings on AVX-512F lanes. This file
// alone is compiled for AVX-512F; its batches are called only after the CPU has
// been checked for it, and it defines nothing that another translation unit
// also defines.
#include "models/ring_kernel.hpp"
#include "numeric/simd/avx512_lanes.hpp"

namespace varduxel::models {

extern const LaneBatches AVX512_BATCHES = LANE_BATCHES<numeric::simd::Avx512Lanes>;

}  // namespace varduxel::models
