// Eight doubles in an AVX-512 register, with the lane interface of
// scalar_lanes.hpp. Include only in the one translation unit compiled for
// AVX-512F, whose code is only reached on a CPU that has it. Every operation
// is the IEEE operation of the scalar code, lane by lane, so results are the
// same to the bit. The type lies in an unnamed namespace inside `avx512`, for
// the reason given in avx2_lanes.hpp.
#pragma once

#include <immintrin.h>

#include <cstddef>

namespace varduxel::numeric::simd::avx512 {
namespace {

struct Lanes {
    static constexpr std::size_t WIDTH = 8;

    struct Mask {
        __mmask8 bits;
        friend Mask operator&(Mask a, Mask b) { return {static_cast<__mmask8>(a.bits & b.bits)}; }
        friend Mask operator|(Mask a, Mask b) { return {static_cast<__mmask8>(a.bits | b.bits)}; }
        friend Mask and_not(Mask a, Mask b) { return {static_cast<__mmask8>(a.bits & ~b.bits)}; }
        friend bool any(Mask mask) { return mask.bits != 0; }
    };

    __m512d value;

    Lanes(__m512d v) : value(v) {}
    Lanes(double v) : value(_mm512_set1_pd(v)) {}
    static Lanes load(const double* p) { return _mm512_loadu_pd(p); }
    void store(double* p) const { _mm512_storeu_pd(p, value); }

    friend Lanes operator+(Lanes a, Lanes b) { return _mm512_add_pd(a.value, b.value); }
    friend Lanes operator-(Lanes a, Lanes b) { return _mm512_sub_pd(a.value, b.value); }
    friend Lanes operator*(Lanes a, Lanes b) { return _mm512_mul_pd(a.value, b.value); }
    friend Lanes operator/(Lanes a, Lanes b) { return _mm512_div_pd(a.value, b.value); }
    // The masked form with every lane selected: the plain _mm512_sqrt_pd of
    // GCC 12 reads an undefined register and warns about it.
    friend Lanes sqrt(Lanes a) { return _mm512_mask_sqrt_pd(a.value, 0xFF, a.value); }
    friend Lanes abs(Lanes a) { return _mm512_abs_pd(a.value); }
    // Ordered, non-signalling comparisons: false where either lane is NaN.
    friend Mask operator<(Lanes a, Lanes b) { return {_mm512_cmp_pd_mask(a.value, b.value, _CMP_LT_OQ)}; }
    friend Mask operator<=(Lanes a, Lanes b) { return {_mm512_cmp_pd_mask(a.value, b.value, _CMP_LE_OQ)}; }
    friend Mask operator>(Lanes a, Lanes b) { return {_mm512_cmp_pd_mask(a.value, b.value, _CMP_GT_OQ)}; }
    friend Lanes select(Mask mask, Lanes a, Lanes b) {
        return _mm512_mask_blend_pd(mask.bits, b.value, a.value);
    }
};

}  // namespace
}  // namespace varduxel::numeric::simd::avx512
