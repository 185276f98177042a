// Carlson's integral RD(x, y, z) = 3/2 int_0^inf dt / ((t + z) sqrt((t + x)(t + y)(t + z))).
//
// Method: Carlson's duplication algorithm (B. C. Carlson, 1995, "Numerical
// computation of real or complex elliptic integrals", Numerical Algorithms 10,
// 13-26) with the stopping constant (eps/4)^(-1/8), closed by the
// seventh-order series of carlson_series.hpp; a zero first argument by the
// arithmetic-geometric mean with a correction sum.
// Use: RJ's equal-argument cases and Pi(m, m) for m < 0 (ellippi.hpp).
// Accuracy: worst 1.6e-15 relative against mpmath, in the zero-argument mean
// at y/z = 1e17, and 6.8e-16 in the duplication (tests/test_carlson.py). The
// error texts reach Python unchanged and are kept as they are
// (docs/compatibility.md).
#pragma once

#include <cmath>

#include "numeric/carlson_series.hpp"
#include "numeric/constants.hpp"
#include "numeric/kernel_result.hpp"

namespace varduxel::numeric {

inline KernelResult elliprd(double x, double y, double z) {
    if (std::fmin(x, y) < 0 || x + y == 0) {
        return KernelResult::failure("elliprd: x and y must be non-negative, and at most one can be zero.");
    }
    if (z <= 0) return KernelResult::failure("elliprd: z must be positive");

    // Work on the pair that leaves an argument equal to z, if any, in v.
    double u = x == z ? y : x;
    double v = x == z ? x : y;

    if (v == z) {
        if (x == y) return 1 / (u * std::sqrt(u));
        if (u == 0) return (3 * PI) / (4 * v * std::sqrt(v));  // 3 pi is 9.42477796076938
    }

    // A zero first argument: arithmetic-geometric mean with a correction sum.
    if (u == 0) {
        const double p0 = std::sqrt(v);
        const double q0 = std::sqrt(z);
        double p = p0;
        double q = q0;
        double sum = 0;
        double c = 0.25;
        while (std::fabs(p - q) >= AGM_TOLERANCE * std::fabs(p)) {
            double next_p = (p + q) / 2;
            q = std::sqrt(p * q);
            p = next_p;
            c = 2 * c;
            sum = sum + c * ((p - q) * (p - q));
        }
        return 3 * (PI / (p + q)) * ((p0 + 3 * q0) / (4 * z * (q0 + p0)) - sum / ((v - z) * z));
    }

    // General case: duplication, then the closing series.
    constexpr double DUPLICATION_SCALE = 107.63474115247546;  // (epsilon/4)^(-1/8)
    // A 20 % margin on the stopping bound, part of the algorithm whose bits
    // every result depends on. Measured against mpmath on 7,000 arguments
    // (spreads up to 1e14, the signed maximum far below the absolute one
    // included): worst 6.6e-16 relative with the margin or without it; it
    // costs 0.12 duplication steps on average.
    constexpr double STOPPING_MARGIN = 1.2;
    const double u0 = u;
    const double v0 = v;
    const double a0 = (x + y + 3 * z) / 5;
    double q = DUPLICATION_SCALE * std::fmax(std::fmax(a0 - u, a0 - v), a0 - z) * STOPPING_MARGIN;
    double sum = 0;
    double f = 1;
    double a = a0;
    bool converged = false;
    // Each step brings the arguments four times closer: 50 steps leave room
    // for spreads of 1e300 (elliprd(1, 2, 1e300) converges, in any order of
    // its arguments); a NaN, which never does, ends here.
    constexpr int MAX_STEPS = 50;
    for (int step = 0; step < MAX_STEPS; ++step) {
        double su = std::sqrt(u);
        double sv = std::sqrt(v);
        double sz = std::sqrt(z);
        double lambda = sz * su + sv * su + sz * sv;
        sum = sum + f / (sz * (z + lambda));
        a = (a + lambda) / 4;
        u = (u + lambda) / 4;
        v = (v + lambda) / 4;
        z = (z + lambda) / 4;
        f = f / 4;
        q = q / 4;
        if (q < a) {
            converged = true;
            break;
        }
    }
    if (!converged) return KernelResult::failure("elliprd: Failed to converge.");

    double dx = (a0 - u0) * f / a;
    double dy = (a0 - v0) * f / a;
    double dz = -(dx + dy) / 3;
    double e2 = dx * dy - 6 * dz * dz;
    double e3 = 3 * dx * dy * dz - 8 * dz * dz * dz;
    double e4 = 3 * (dx * dy * dz - dz * dz * dz) * dz;
    double e5 = dx * dy * dz * dz * dz;
    return f * std::pow(a, -1.5) * carlson_series(e2, e3, e4, e5) + 3 * sum;
}

}  // namespace varduxel::numeric
