// Choice of the vector path for the ring sum's circle means and rings.
#include "models/ring_kernel.hpp"

#include "numeric/simd/scalar_lanes.hpp"

namespace varduxel::models {

#if VARDUXEL_X86_VECTOR_PATHS
// Defined in ring_kernel_avx2.cpp and ring_kernel_avx512.cpp, which are
// compiled for those instruction sets.
extern const LaneBatches AVX2_BATCHES;
extern const LaneBatches AVX512_BATCHES;
#endif

namespace {

const LaneBatches& batches_of(VectorPath path) {
    switch (path) {
#if VARDUXEL_X86_VECTOR_PATHS
        case VectorPath::avx512:
            return AVX512_BATCHES;
        case VectorPath::avx2:
            return AVX2_BATCHES;
#endif
        default:
            return LANE_BATCHES<numeric::simd::ScalarLanes>;
    }
}

}  // namespace

bool is_available(VectorPath path) {
    switch (path) {
        case VectorPath::scalar:
            return true;
#if VARDUXEL_X86_VECTOR_PATHS
        // The compiler's run-time check of the CPU also asks the operating
        // system whether it saves the wider registers.
        case VectorPath::avx2:
            return __builtin_cpu_supports("avx2");
        case VectorPath::avx512:
            return __builtin_cpu_supports("avx512f");
#endif
        default:
            return false;
    }
}

VectorPath fastest_vector_path() {
    static const VectorPath fastest = is_available(VectorPath::avx512) ? VectorPath::avx512
                                      : is_available(VectorPath::avx2) ? VectorPath::avx2
                                                                       : VectorPath::scalar;
    return fastest;
}

void ring_circle_means(VectorPath path, double l, double eps2, const double* x, double* out, std::size_t count) {
    batches_of(path).circle_means(l, eps2, x, out, count);
}

void linear_law_rings(VectorPath path, double l, double eps2, const double* x, double* out, std::size_t count) {
    batches_of(path).linear_law_rings(l, eps2, x, out, count);
}

}  // namespace varduxel::models
