// The integrand of the ring sum at the circle of radius x: its circumference
// times its circle mean C(x) times the brightness B(x), multiplied in that
// order, ((x 2 pi) C(x)) B(x). One definition for one value (the ring sum's
// point-by-point profiles) and for the vector lanes (ring_kernel.hpp), whose
// operations IEEE 754 rounds alike, so that both give the same bits.
#pragma once

#include "numeric/constants.hpp"

namespace varduxel::models {

template <class Value>
Value ring_integrand(Value x, Value circle_mean, Value brightness) {
    return ((x * Value(numeric::TWO_PI)) * circle_mean) * brightness;
}

}  // namespace varduxel::models
