// Complete elliptic integral of the third kind,
// Pi(n, m) = int_0^(pi/2) dt / ((1 - n sin^2 t) sqrt(1 - m sin^2 t)),
// characteristic n first, parameter m = k^2 second; built from Carlson's RF and RJ.
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
