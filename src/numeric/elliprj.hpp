// Carlson's integral RJ(x, y, z, p) = 3/2 int_0^inf dt / ((t + p) sqrt((t + x)(t + y)(t + z))),
// the Cauchy principal value when p < 0.
//
// Method: Carlson's duplication algorithm (B. C. Carlson, 1995, "Numerical
// computation of real or complex elliptic integrals", Numerical Algorithms 10,
// 13-26), which adds one RC(1, 1 + e) per step, at most 100 steps with the
// stopping constant (eps/5)^(-1/8), closed by the seventh-order series of
// carlson_series.hpp. Equal arguments reduce to RC or RD; p < 0 to RJ at a
// positive p, RF and RC by Carlson's principal-value relation.
// Use: Pi (ellippi.hpp), and so the uniform disk and the circle kernel.
// Accuracy: worst 5.8e-16 relative against mpmath for p > 0 and 2.4e-15 for
// the principal value (tests/test_carlson.py). Limit: beyond about 1e102 or
// below about 1e-103 the step's d*d overflows or underflows and RJ comes back
// NaN or inaccurate without an error (an expected failure in the tests).
// "elliprj: Fail to converge" is the text Python callers see for a negative or
// NaN separation; it and the other texts are kept as they are
// (docs/compatibility.md).
#pragma once

#include <cmath>
#include <utility>

#include "numeric/carlson_series.hpp"
#include "numeric/elliprc.hpp"
#include "numeric/elliprd.hpp"
#include "numeric/elliprf.hpp"
#include "numeric/kernel_result.hpp"

namespace varduxel::numeric {

// The duplication core of elliprj, for p > 0 (or NaN p, which never converges).
inline KernelResult _elliprj(double x, double y, double z, double p) {
    constexpr double DUPLICATION_SCALE = 110.67925377307274;  // (epsilon/5)^(-1/8)
    const double a0 = (x + y + z + 2 * p) / 5;
    const double dev_x = a0 - x;
    const double dev_y = a0 - y;
    const double dev_z = a0 - z;
    double delta = (p - z) * ((p - x) * (p - y));
    const double q =
        DUPLICATION_SCALE *
        std::fmax(std::fmax(std::fmax(std::fabs(dev_x), std::fabs(dev_y)), std::fabs(dev_z)), std::fabs(a0 - p));
    double f = 1;
    double sum = 0;
    double a = a0;
    bool converged = false;
    // Each step brings the arguments four times closer; 100 steps reach the
    // stopping test for spreads up to about 5e58 (elliprj(1, 2, 3, 4.6e58),
    // tests/test_carlson.py), and a NaN, which never does, ends here.
    constexpr int MAX_STEPS = 100;
    for (int step = 0; step < MAX_STEPS; ++step) {
        double rx = std::sqrt(x);
        double ry = std::sqrt(y);
        double rz = std::sqrt(z);
        double rp = std::sqrt(p);
        double d = (rz + rp) * (ry + rp) * (rx + rp);
        double e = delta / (d * d);

        // g = RC(1, 1 + e), in the form that is accurate for each range of e.
        // e is the product of (sqrt p - sqrt a) / (sqrt p + sqrt a) over
        // a = x, y, z, each factor in (-1, 1] for p > 0, so e > -1 up to
        // rounding wherever d * d neither overflows nor underflows (see Limit
        // above): the general algorithm's form for e <= -1.5 is not needed.
        double g;
        if (e < -0.5) {
            // 1 + e evaluated without cancellation.
            double w = 2 * rp * (p + rx * (ry + rz) + ry * rz) / d;
            KernelResult rc = elliprc(1, w);
            if (!rc.ok()) return rc;
            g = rc.value();
        } else if (e == 0) {
            g = 1;
        } else if (e > 0) {
            g = std::atan(std::sqrt(e)) / std::sqrt(e);
        } else if (e > -0.5 && e < 0) {
            double t = std::sqrt(-e);
            g = (std::log1p(t) - std::log1p(-t)) / (2 * t);
        } else if (e == -0.5) {
            double t = std::sqrt(-e);
            g = std::log((1 + t) / std::sqrt(1 + e)) / t;
        } else {
            g = e;  // NaN: the stopping test below can then never hold.
        }

        sum = sum + f / d * g;
        double lambda = rx * rz + rx * ry + ry * rz;
        a = (a + lambda) / 4;
        f = f / 4;
        if (q * f < a) {
            converged = true;
            break;
        }
        x = (x + lambda) / 4;
        y = (y + lambda) / 4;
        z = (z + lambda) / 4;
        p = (p + lambda) / 4;
        delta = delta / 64;
    }
    if (!converged) return KernelResult::failure("elliprj: Fail to converge");

    double dx = dev_x * f / a;
    double dy = dev_y * f / a;
    double dz = dev_z * f / a;
    double dp = -(dx + dy + dz) / 2;
    double e2 = dx * dy + dx * dz + dy * dz - 3 * dp * dp;
    double e3 = dx * dy * dz + 2 * e2 * dp + 4 * dp * dp * dp;
    double e4 = (2 * dx * dy * dz + e2 * dp + 3 * dp * dp * dp) * dp;
    double e5 = dx * dy * dz * dp * dp;
    return f * std::pow(a, -1.5) * carlson_series(e2, e3, e4, e5) + 6 * sum;
}

// Above this ratio of p to the repeated argument, RJ of an equal pair is a
// difference of two RC values (see below).
inline constexpr double EQUAL_PAIR_RATIO = 1.2;

inline KernelResult elliprj(double x, double y, double z, double p) {
    if (std::fmin(std::fmin(x, y), z) < 0 || std::fmin(std::fmin(y + z, x + y), x + z) == 0) {
        return KernelResult::failure(
            "elliprj: x, y, and z must be non-negative, and at most one can be zero.");
    }
    if (p == 0) return KernelResult::failure("elliprj: p must be non-zero");

    // Three equal arguments: RJ reduces to RC.
    if (x == y && y == z) {
        if (p == x) return 1 / (x * std::sqrt(x));
        KernelResult rc = elliprc(x, p);
        if (!rc.ok()) return rc;
        return 3 / (x - p) * (rc.value() - 1 / std::sqrt(x));
    }

    // An equal pair that includes y: RD, a difference of two RC, or the triple (u, v, v).
    if (x == y || y == z) {
        double u = x == y ? z : x;
        double v = y;
        if (v == p) return elliprd(u, v, v);
        // The difference of two RC values cancels as p approaches v: against
        // mpmath its worst relative error is 4.8e-13 at the ratio 1.01,
        // 1.6e-14 at 1.2 and 1.9e-15 at 5 (the duplication core: 7e-16 at
        // any ratio). Nearer than 1.2 the core is used; the threshold is part
        // of the algorithm whose bits every result depends on.
        if (std::fmax(p, v) / std::fmin(p, v) > EQUAL_PAIR_RATIO) {
            KernelResult rc_v = elliprc(u, v);
            if (!rc_v.ok()) return rc_v;
            KernelResult rc_p = elliprc(u, p);
            if (!rc_p.ok()) return rc_p;
            return 3 / (p - v) * (rc_v.value() - rc_p.value());
        }
        x = u;
        y = v;
        z = v;
    }

    if (z == p) return elliprd(x, y, z);
    if (!(p < 0)) return _elliprj(x, y, z, p);

    // Cauchy principal value: RJ at a positive q, RF and RC, with x <= y <= z.
    if (y < x) std::swap(x, y);
    if (z < y) std::swap(y, z);
    if (y < x) std::swap(x, y);
    const double q = (z * (x + y - p) - x * y) / (z - p);
    KernelResult rj = elliprj(x, y, z, q);
    if (!rj.ok()) return rj;
    KernelResult rf = elliprf(x, y, z);
    if (!rf.ok()) return rf;
    KernelResult rc = elliprc(x * y - p * q, -p * q);
    if (!rc.ok()) return rc;
    return ((q - z) * rj.value() - 3 * rf.value() + 3 * std::sqrt(x * y * z / (x * y - p * q)) * rc.value()) /
           (z - p);
}

}  // namespace varduxel::numeric
