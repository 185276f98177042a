// The ring sum's circle means on AVX2 lanes. This file alone is compiled for
// AVX2; it is called only after the CPU has been checked for it, and defines
// nothing that another translation unit also defines.
#include "models/ring_kernel.hpp"
#include "numeric/simd/avx2_lanes.hpp"

namespace varduxel::models {

void ring_circle_means_avx2(double l, double eps2, const double* x, double* out, std::size_t count) {
    ring_circle_means_on<numeric::simd::Avx2Lanes>(l, eps2, x, out, count);
}

}  // namespace varduxel::models
