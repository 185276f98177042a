// One double as a "vector" of one lane, with the interface of the vector lane
// types (avx2_lanes.hpp, avx512_lanes.hpp), so that a kernel written once
// against that interface also runs, with the same operations, on one value.
// This is the baseline instruction set that every CPU has, so the type may
// be used anywhere.
//
// The interface, for a lane type V: V::WIDTH lanes of doubles; V(double)
// broadcasts; V::load(p) and v.store(p) move WIDTH doubles; + - * / are the
// IEEE operations lane by lane; sqrt and abs; the comparisons < <= > give a
// V::Mask, with & |, and_not(a, b) (a and not b) and any(); select(mask, a, b)
// takes a where mask holds and b elsewhere.
#pragma once

#include <cmath>
#include <cstddef>

namespace varduxel::numeric::simd::scalar {

struct Lanes {
    static constexpr std::size_t WIDTH = 1;
    struct Mask {
        bool bit;
        friend Mask operator&(Mask a, Mask b) { return {a.bit && b.bit}; }
        friend Mask operator|(Mask a, Mask b) { return {a.bit || b.bit}; }
        friend Mask and_not(Mask a, Mask b) { return {a.bit && !b.bit}; }
        friend bool any(Mask mask) { return mask.bit; }
    };

    double value;

    Lanes(double v) : value(v) {}
    static Lanes load(const double* p) { return *p; }
    void store(double* p) const { *p = value; }

    friend Lanes operator+(Lanes a, Lanes b) { return a.value + b.value; }
    friend Lanes operator-(Lanes a, Lanes b) { return a.value - b.value; }
    friend Lanes operator*(Lanes a, Lanes b) { return a.value * b.value; }
    friend Lanes operator/(Lanes a, Lanes b) { return a.value / b.value; }
    friend Lanes sqrt(Lanes a) { return std::sqrt(a.value); }
    friend Lanes abs(Lanes a) { return std::fabs(a.value); }
    friend Mask operator<(Lanes a, Lanes b) { return {a.value < b.value}; }
    friend Mask operator<=(Lanes a, Lanes b) { return {a.value <= b.value}; }
    friend Mask operator>(Lanes a, Lanes b) { return {a.value > b.value}; }
    friend Lanes select(Mask mask, Lanes a, Lanes b) { return mask.bit ? a : b; }
};

}  // namespace varduxel::numeric::simd::scalar
