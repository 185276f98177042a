// One double as a "vector" of one lane, with the interface of the vector lane
// types (avx2_lanes.hpp, avx512_lanes.hpp), so that a kernel written once
// against that interface also runs, with the same operations, on one value.
//
// The interface, for a lane type V: V::WIDTH lanes of doubles; V(double)
// broadcasts; V::load(p) and v.store(p) move WIDTH doubles; + - * / are the
// IEEE operations lane by lane; sqrt and abs; the comparisons < <= > give a
// V::Mask, with & |, and_not(a, b) (a and not b) and any(); select(mask, a, b)
// takes a where mask holds and b elsewhere.
#pragma once

#include <cmath>
#include <cstddef>

namespace varduxel::numeric::simd {

struct ScalarLanes {
    static constexpr std::size_t WIDTH = 1;
    struct Mask {
        bool bit;
        friend Mask operator&(Mask a, Mask b) { return {a.bit && b.bit}; }
        friend Mask operator|(Mask a, Mask b) { return {a.bit || b.bit}; }
        friend Mask and_not(Mask a, Mask b) { return {a.bit && !b.bit}; }
        friend bool any(Mask mask) { return mask.bit; }
    };

    double value;

    ScalarLanes(double v) : value(v) {}
    static ScalarLanes load(const double* p) { return *p; }
    void store(double* p) const { *p = value; }

    friend ScalarLanes operator+(ScalarLanes a, ScalarLanes b) { return a.value + b.value; }
    friend ScalarLanes operator-(ScalarLanes a, ScalarLanes b) { return a.value - b.value; }
    friend ScalarLanes operator*(ScalarLanes a, ScalarLanes b) { return a.value * b.value; }
    friend ScalarLanes operator/(ScalarLanes a, ScalarLanes b) { return a.value / b.value; }
    friend ScalarLanes sqrt(ScalarLanes a) { return std::sqrt(a.value); }
    friend ScalarLanes abs(ScalarLanes a) { return std::fabs(a.value); }
    friend Mask operator<(ScalarLanes a, ScalarLanes b) { return {a.value < b.value}; }
    friend Mask operator<=(ScalarLanes a, ScalarLanes b) { return {a.value <= b.value}; }
    friend Mask operator>(ScalarLanes a, ScalarLanes b) { return {a.value > b.value}; }
    friend ScalarLanes select(Mask mask, ScalarLanes a, ScalarLanes b) { return mask.bit ? a : b; }
};

}  // namespace varduxel::numeric::simd
