// Eight doubles in an AVX-512 register, with the lane interface of
// scalar_lanes.hpp. Include only in a translation unit compiled for
// AVX-512F and only reached on a CPU that has it. Every operation is the IEEE
// operation of the scalar code, lane by lane, so results are the same to the
// bit.
#pragma once

#include <immintrin.h>

#include <cstddef>

namespace varduxel::numeric::simd {

struct Avx512Lanes {
    static constexpr std::size_t WIDTH = 8;

    struct Mask {
        __mmask8 bits;
        friend Mask operator&(Mask a, Mask b) { return {static_cast<__mmask8>(a.bits & b.bits)}; }
        friend Mask operator|(Mask a, Mask b) { return {static_cast<__mmask8>(a.bits | b.bits)}; }
        friend Mask and_not(Mask a, Mask b) { return {static_cast<__mmask8>(a.bits & ~b.bits)}; }
        friend bool any(Mask mask) { return mask.bits != 0; }
    };

    __m512d value;

    Avx512Lanes(__m512d v) : value(v) {}
    Avx512Lanes(double v) : value(_mm512_set1_pd(v)) {}
    static Avx512Lanes load(const double* p) { return _mm512_loadu_pd(p); }
    void store(double* p) const { _mm512_storeu_pd(p, value); }

    friend Avx512Lanes operator+(Avx512Lanes a, Avx512Lanes b) { return _mm512_add_pd(a.value, b.value); }
    friend Avx512Lanes operator-(Avx512Lanes a, Avx512Lanes b) { return _mm512_sub_pd(a.value, b.value); }
    friend Avx512Lanes operator*(Avx512Lanes a, Avx512Lanes b) { return _mm512_mul_pd(a.value, b.value); }
    friend Avx512Lanes operator/(Avx512Lanes a, Avx512Lanes b) { return _mm512_div_pd(a.value, b.value); }
    // The masked form with every lane selected: the plain _mm512_sqrt_pd of
    // GCC 12 reads an undefined register and warns about it.
    friend Avx512Lanes sqrt(Avx512Lanes a) { return _mm512_mask_sqrt_pd(a.value, 0xFF, a.value); }
    friend Avx512Lanes abs(Avx512Lanes a) { return _mm512_abs_pd(a.value); }
    // Ordered, non-signalling comparisons: false where either lane is NaN.
    friend Mask operator<(Avx512Lanes a, Avx512Lanes b) { return {_mm512_cmp_pd_mask(a.value, b.value, _CMP_LT_OQ)}; }
    friend Mask operator<=(Avx512Lanes a, Avx512Lanes b) { return {_mm512_cmp_pd_mask(a.value, b.value, _CMP_LE_OQ)}; }
    friend Mask operator>(Avx512Lanes a, Avx512Lanes b) { return {_mm512_cmp_pd_mask(a.value, b.value, _CMP_GT_OQ)}; }
    friend Avx512Lanes select(Mask mask, Avx512Lanes a, Avx512Lanes b) {
        return _mm512_mask_blend_pd(mask.bits, b.value, a.value);
    }
};

}  // namespace varduxel::numeric::simd
