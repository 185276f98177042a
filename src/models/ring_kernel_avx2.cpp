// The ring sum's circle means and linear-law rings on AVX2 lanes. This file alone is compiled for
// AVX2; it is called only after the CPU has been checked for it, and defines
// nothing that another translation unit also defines.
#include "models/ring_kernel.hpp"
#include "numeric/simd/avx2_lanes.hpp"

namespace varduxel::models {

void ring_circle_means_avx2(double l, double eps2, const double* x, double* out, std::size_t count) {
    evaluate_on_lanes<numeric::simd::Avx2Lanes>(CircleMeans{}, l, eps2, x, out, count);
}

void linear_law_rings_avx2(double l, double eps2, const double* x, double* out, std::size_t count) {
    evaluate_on_lanes<numeric::simd::Avx2Lanes>(LinearLawRings{}, l, eps2, x, out, count);
}

}  // namespace varduxel::models
