// Carlson's integral RF(x, y, z) = 1/2 int_0^inf dt / sqrt((t + x)(t + y)(t + z)).
//
// Method: Carlson's duplication algorithm (B. C. Carlson, 1995, "Numerical
// computation of real or complex elliptic integrals", Numerical Algorithms 10,
// 13-26), at most 11 steps with the stopping constant (3 eps)^(-1/8), closed by
// the series in E2 and E3 to seventh order; the complete case (one zero
// argument) by the arithmetic-geometric mean, equal arguments by RC or pi/2.
// Use: K, E and Pi (ellippi.hpp).
// Accuracy: worst 4.9e-16 relative against mpmath on 2000 random triples;
// 1.1e-16 at the last argument that converges in 11 steps
// (tests/test_carlson.py). The error texts reach Python unchanged and are
// kept as they are (docs/compatibility.md).
#pragma once

#include <cmath>

#include "numeric/constants.hpp"
#include "numeric/elliprc.hpp"
#include "numeric/kernel_result.hpp"

namespace varduxel::numeric {

inline KernelResult elliprf(double x, double y, double z) {
    // fmin ignores a NaN operand, so NaN arguments pass the domain checks.
    if (std::fmin(std::fmin(x, y), z) < 0 || std::fmin(std::fmin(y + z, x + y), x + z) == 0) {
        return KernelResult::failure(
            "elliprf: x, y, and z must be non-negative, and at most one can be zero.");
    }

    // Two equal arguments reduce to RC; a zero beside them to a closed form.
    if (x == y) {
        if (x == z) return 1 / std::sqrt(x);
        if (z == 0) return PI / (2 * std::sqrt(x));
        return elliprc(z, x);
    }
    if (x == z) {
        if (y == 0) return PI / (2 * std::sqrt(x));
        return elliprc(y, x);
    }
    if (y == z) {
        if (x == 0) return PI / (2 * std::sqrt(y));
        return elliprc(x, y);
    }

    // All distinct with one zero: the complete integral, by the arithmetic-geometric mean.
    if (x == 0 || y == 0 || z == 0) {
        double a = x == 0 ? z : x;
        double b = x == 0 ? y : (y == 0 ? z : y);
        double p = std::sqrt(a);
        double q = std::sqrt(b);
        while (std::fabs(p - q) >= AGM_TOLERANCE * std::fabs(p)) {
            double next_p = (p + q) / 2;
            q = std::sqrt(p * q);
            p = next_p;
        }
        return PI / (p + q);
    }

    // General case: Carlson's duplication until the arguments agree, then a series.
    constexpr double DUPLICATION_SCALE = 78.8959690786408;  // (3 epsilon)^(-1/8)
    const double x0 = x;
    const double y0 = y;
    const double a0 = (x + y + z) / 3;
    const double q = DUPLICATION_SCALE *
                     std::fmax(std::fmax(std::fmax(std::fabs(a0), std::fabs(a0 - x)), std::fabs(a0 - y)),
                               std::fabs(a0 - z));
    double a = a0;
    double four_n = 1.0;
    bool converged = false;
    // Each step brings the arguments four times closer; eleven reach the
    // stopping test for spreads up to about 1e244 (elliprf(1, 2, 7e244),
    // tests/test_carlson.py), and wider ones fail with "Failed to converge.".
    constexpr int MAX_STEPS = 11;
    for (int n = 1; n <= MAX_STEPS; ++n) {
        double sx = std::sqrt(x);
        double sy = std::sqrt(y);
        double sz = std::sqrt(z);
        double lambda = sx * sz + sy * sx + sy * sz;
        a = (a + lambda) / 4;
        x = (x + lambda) / 4;
        y = (y + lambda) / 4;
        z = (z + lambda) / 4;
        four_n = four_n * 4;
        if (q / four_n < std::fabs(a)) {
            converged = true;
            break;
        }
    }
    if (!converged) return KernelResult::failure("elliprf: Failed to converge.");

    double dx = (a0 - x0) / (four_n * a);
    double dy = (a0 - y0) / (four_n * a);
    double dz = -dx - dy;
    double e2 = dx * dy - dz * dz;
    double e3 = dx * dy * dz;
    return (1 + e3 * (1.0 / 14 + 3 * e3 / 104) +
            e2 * (-1.0 / 10 + e2 / 24 - 3 * e3 / 44 - 5 * e2 * e2 / 208 + e2 * e3 / 16)) /
           std::sqrt(a);
}

}  // namespace varduxel::numeric
