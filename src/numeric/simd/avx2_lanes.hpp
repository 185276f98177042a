// Four doubles in an AVX register, with the lane interface of
// scalar_lanes.hpp. Include only in the one translation unit compiled for
// AVX2, whose code is only reached on a CPU that has it. Every operation is
// the IEEE operation of the scalar code, lane by lane, so results are the
// same to the bit. The type lies in an unnamed namespace inside `avx2`: every
// function instantiated with it has internal linkage and carries "avx2" in
// its name, so none can stand in for a function of another translation unit.
#pragma once

#include <immintrin.h>

#include <cstddef>

namespace varduxel::numeric::simd::avx2 {
namespace {

struct Lanes {
    static constexpr std::size_t WIDTH = 4;

    struct Mask {
        __m256d bits;
        friend Mask operator&(Mask a, Mask b) { return {_mm256_and_pd(a.bits, b.bits)}; }
        friend Mask operator|(Mask a, Mask b) { return {_mm256_or_pd(a.bits, b.bits)}; }
        friend Mask and_not(Mask a, Mask b) { return {_mm256_andnot_pd(b.bits, a.bits)}; }
        friend bool any(Mask mask) { return _mm256_movemask_pd(mask.bits) != 0; }
    };

    __m256d value;

    Lanes(__m256d v) : value(v) {}
    Lanes(double v) : value(_mm256_set1_pd(v)) {}
    static Lanes load(const double* p) { return _mm256_loadu_pd(p); }
    void store(double* p) const { _mm256_storeu_pd(p, value); }

    friend Lanes operator+(Lanes a, Lanes b) { return _mm256_add_pd(a.value, b.value); }
    friend Lanes operator-(Lanes a, Lanes b) { return _mm256_sub_pd(a.value, b.value); }
    friend Lanes operator*(Lanes a, Lanes b) { return _mm256_mul_pd(a.value, b.value); }
    friend Lanes operator/(Lanes a, Lanes b) { return _mm256_div_pd(a.value, b.value); }
    friend Lanes sqrt(Lanes a) { return _mm256_sqrt_pd(a.value); }
    // Clears the sign bit, as fabs does.
    friend Lanes abs(Lanes a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a.value); }
    // Ordered, non-signalling comparisons: false where either lane is NaN.
    friend Mask operator<(Lanes a, Lanes b) { return {_mm256_cmp_pd(a.value, b.value, _CMP_LT_OQ)}; }
    friend Mask operator<=(Lanes a, Lanes b) { return {_mm256_cmp_pd(a.value, b.value, _CMP_LE_OQ)}; }
    friend Mask operator>(Lanes a, Lanes b) { return {_mm256_cmp_pd(a.value, b.value, _CMP_GT_OQ)}; }
    friend Lanes select(Mask mask, Lanes a, Lanes b) {
        return _mm256_blendv_pd(b.value, a.value, mask.bits);
    }
};

}  // namespace
}  // namespace varduxel::numeric::simd::avx2
