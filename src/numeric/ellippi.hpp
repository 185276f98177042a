// Complete elliptic integral of the third kind,
// Pi(n, m) = int_0^(pi/2) dt / ((1 - n sin^2 t) sqrt(1 - m sin^2 t)),
// characteristic n first, parameter m = k^2 second; built from Carlson's RF and RJ.
//
// Method: Pi(n, m) = RF(0, 1 - m, 1) + (n/3) RJ(0, 1 - m, 1, 1 - n), Legendre's
// integral in Carlson's symmetric form (B. C. Carlson, 1995, Numerical
// Algorithms 10, 13-26). For n < 0 the transformation to the characteristic
// (m - n) / (1 - n) keeps RJ's fourth argument positive; for n = m < 0, where
// that transformation divides by zero, Pi(m, m) = E(m) / (1 - m) with E as
// RF - m RD / 3, which does not cancel. n = 0 is K.
// Use: the uniform disk and the circle kernel.
// Accuracy: worst 5.0e-16 relative against mpmath for n > 0, 1.7e-15 for
// n < 0 and 7.3e-16 for n = m < 0 (tests/test_complete_elliptic.py). Limits
// (expected failures in the tests): for n < 0 very close to m the two
// quotients by m - n cancel, and for |n|, |m| beyond about 1e154 the result
// overflows to infinity.
#pragma once

#include "numeric/constants.hpp"
#include "numeric/ellipk.hpp"
#include "numeric/elliprd.hpp"
#include "numeric/elliprf.hpp"
#include "numeric/elliprj.hpp"
#include "numeric/kernel_result.hpp"

namespace varduxel::numeric {

inline KernelResult ellippi(double n, double m) {
    if (m >= 1) return KernelResult::failure("ellippi: m must be less than 1.");
    if (n > 1) return KernelResult::failure("ellippi: n must be less than 1.");
    if (n == 0) {
        if (m == 0) return HALF_PI;
        return ellipk(m);
    }

    KernelResult f = elliprf(0, 1 - m, 1);
    if (!f.ok()) return f;

    // n = m < 0 would divide by zero below. There Pi(m, m) = E(m) / (1 - m),
    // with E in Carlson's form RF - m RD / 3, which does not cancel.
    if (n < 0 && n == m) {
        KernelResult d = elliprd(0, 1 - m, 1);
        if (!d.ok()) return d;
        return (f.value() - m * d.value() / 3) / (1 - m);
    }

    if (n < 0) {
        // Negative characteristic: the transformation to (m - n) / (1 - n).
        KernelResult j = elliprj(0, 1 - m, 1, (1 - m) / (1 - n));
        if (!j.ok()) return j;
        KernelResult k = ellipk(m);
        if (!k.ok()) return k;
        double big_n = (m - n) / (1 - n);
        double w = (1 - m) * n * (f.value() + big_n * j.value() / 3) / (1 - n);
        return k.value() * m / (m - n) - w / (m - n);
    }

    KernelResult j = elliprj(0, 1 - m, 1, 1 - n);
    if (!j.ok()) return j;
    return f.value() + j.value() * n / 3;
}

}  // namespace varduxel::numeric
