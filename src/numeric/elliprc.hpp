// Carlson's degenerate integral RC(x, y) = 1/2 int_0^inf dt / ((t + y) sqrt(t + x)),
// the Cauchy principal value when y < 0.
//
// Method: RC's elementary closed forms instead of duplication: arctangent for
// y > x, logarithm for y < x (as log1p while y/x > 1/2); the principal value
// through RC(x, y) = sqrt(x / (x - y)) RC(x - y, -y). Definitions and the
// principal-value relation follow B. C. Carlson, 1995, "Numerical computation
// of real or complex elliptic integrals", Numerical Algorithms 10, 13-26.
// Use: the equal-argument cases of RF and RJ, and every duplication step of RJ.
// Accuracy: worst 3.8e-16 relative against mpmath on 2000 arguments
// (tests/test_carlson.py). The error texts reach Python unchanged and are
// kept as they are (docs/compatibility.md).
#pragma once

#include <cmath>

#include "numeric/constants.hpp"
#include "numeric/kernel_result.hpp"

namespace varduxel::numeric {

inline KernelResult elliprc(double x, double y) {
    if (x < 0) return KernelResult::failure("elliprc: x must be non-negative.");
    if (y == 0) return KernelResult::failure("elliprc: y must be non-zero.");

    // The principal value for y < 0 is a multiple of RC at shifted arguments.
    double w = 1.0;
    if (y < 0) {
        w = std::sqrt(x / (x - y));
        x = x - y;
        y = -y;
    }

    if (x == 0) return w * HALF_PI / std::sqrt(y);
    if (x == y) return w / std::sqrt(x);
    if (y > x) return w * std::atan(std::sqrt((y - x) / x)) / std::sqrt(y - x);
    // y < x: the log1p form keeps accuracy while y/x is near 1.
    if (y / x > 0.5) {
        double t = std::sqrt((x - y) / x);
        return w * (std::log1p(t) - std::log1p(-t)) / (2 * std::sqrt(x - y));
    }
    return w * std::log((std::sqrt(x) + std::sqrt(x - y)) / std::sqrt(y)) / std::sqrt(x - y);
}

}  // namespace varduxel::numeric
