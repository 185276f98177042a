// The ring sum's batches on scalar lanes, one point at a time: the baseline
// that every CPU runs, and the reference that every other instruction set
// matches to the bit.
#include "models/ring_kernel.hpp"
#include "numeric/simd/scalar_lanes.hpp"

namespace varduxel::models::scalar {

extern constinit const LaneBatches LANE_BATCHES = lane_batches<numeric::simd::scalar::Lanes>();

}  // namespace varduxel::models::scalar
