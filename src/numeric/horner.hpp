// Polynomial evaluation by Horner's scheme, highest degree first, starting
// from an accumulator of zero: acc <- acc * x + c for each coefficient c.
// Evaluates the polynomial approximations of K and E (ellipk.hpp,
// ellipe.hpp); this fixed order of operations is part of their bit-for-bit
// results.
#pragma once

#include <array>
#include <cstddef>

namespace varduxel::numeric {

template <std::size_t N>
constexpr double horner(const std::array<double, N>& coefficients_highest_first, double x) {
    double acc = 0;
    for (double c : coefficients_highest_first) acc = acc * x + c;
    return acc;
}

}  // namespace varduxel::numeric
