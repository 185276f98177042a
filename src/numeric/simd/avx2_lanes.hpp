// Four doubles in an AVX register, with the lane interface of
// scalar_lanes.hpp. Include only in a translation unit compiled for AVX2 and
// only reached on a CPU that has it. Every operation is the IEEE operation of
// the scalar code, lane by lane, so results are the same to the bit.
#pragma once

#include <immintrin.h>

#include <cstddef>

namespace varduxel::numeric::simd {

struct Avx2Lanes {
    static constexpr std::size_t WIDTH = 4;

    struct Mask {
        __m256d bits;
        friend Mask operator&(Mask a, Mask b) { return {_mm256_and_pd(a.bits, b.bits)}; }
        friend Mask operator|(Mask a, Mask b) { return {_mm256_or_pd(a.bits, b.bits)}; }
        friend Mask and_not(Mask a, Mask b) { return {_mm256_andnot_pd(b.bits, a.bits)}; }
        friend bool any(Mask mask) { return _mm256_movemask_pd(mask.bits) != 0; }
    };

    __m256d value;

    Avx2Lanes(__m256d v) : value(v) {}
    Avx2Lanes(double v) : value(_mm256_set1_pd(v)) {}
    static Avx2Lanes load(const double* p) { return _mm256_loadu_pd(p); }
    void store(double* p) const { _mm256_storeu_pd(p, value); }

    friend Avx2Lanes operator+(Avx2Lanes a, Avx2Lanes b) { return _mm256_add_pd(a.value, b.value); }
    friend Avx2Lanes operator-(Avx2Lanes a, Avx2Lanes b) { return _mm256_sub_pd(a.value, b.value); }
    friend Avx2Lanes operator*(Avx2Lanes a, Avx2Lanes b) { return _mm256_mul_pd(a.value, b.value); }
    friend Avx2Lanes operator/(Avx2Lanes a, Avx2Lanes b) { return _mm256_div_pd(a.value, b.value); }
    friend Avx2Lanes sqrt(Avx2Lanes a) { return _mm256_sqrt_pd(a.value); }
    // Clears the sign bit, as fabs does.
    friend Avx2Lanes abs(Avx2Lanes a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a.value); }
    // Ordered, non-signalling comparisons: false where either lane is NaN.
    friend Mask operator<(Avx2Lanes a, Avx2Lanes b) { return {_mm256_cmp_pd(a.value, b.value, _CMP_LT_OQ)}; }
    friend Mask operator<=(Avx2Lanes a, Avx2Lanes b) { return {_mm256_cmp_pd(a.value, b.value, _CMP_LE_OQ)}; }
    friend Mask operator>(Avx2Lanes a, Avx2Lanes b) { return {_mm256_cmp_pd(a.value, b.value, _CMP_GT_OQ)}; }
    friend Avx2Lanes select(Mask mask, Avx2Lanes a, Avx2Lanes b) {
        return _mm256_blendv_pd(b.value, a.value, mask.bits);
    }
};

}  // namespace varduxel::numeric::simd
