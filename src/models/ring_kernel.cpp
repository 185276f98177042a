// Choice of the vector path for the ring sum's circle means and rings.
#include "models/ring_kernel.hpp"

#include "numeric/simd/scalar_lanes.hpp"

namespace varduxel::models {

#if VARDUXEL_X86_VECTOR_PATHS
// Defined in ring_kernel_avx2.cpp and ring_kernel_avx512.cpp, which are
// compiled for those instruction sets.
void ring_circle_means_avx2(double l, double eps2, const double* x, double* out, std::size_t count);
void ring_circle_means_avx512(double l, double eps2, const double* x, double* out, std::size_t count);
void linear_law_rings_avx2(double l, double eps2, const double* x, double* out, std::size_t count);
void linear_law_rings_avx512(double l, double eps2, const double* x, double* out, std::size_t count);
#endif

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
    switch (path) {
#if VARDUXEL_X86_VECTOR_PATHS
        case VectorPath::avx512:
            return ring_circle_means_avx512(l, eps2, x, out, count);
        case VectorPath::avx2:
            return ring_circle_means_avx2(l, eps2, x, out, count);
#endif
        default:
            return evaluate_on_lanes<numeric::simd::ScalarLanes>(CircleMeans{}, l, eps2, x, out, count);
    }
}

void linear_law_rings(VectorPath path, double l, double eps2, const double* x, double* out, std::size_t count) {
    switch (path) {
#if VARDUXEL_X86_VECTOR_PATHS
        case VectorPath::avx512:
            return linear_law_rings_avx512(l, eps2, x, out, count);
        case VectorPath::avx2:
            return linear_law_rings_avx2(l, eps2, x, out, count);
#endif
        default:
            return evaluate_on_lanes<numeric::simd::ScalarLanes>(LinearLawRings{}, l, eps2, x, out, count);
    }
}

}  // namespace varduxel::models
