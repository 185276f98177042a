// The circle mean of the point-lens magnification along one circle of the
// stellar disk, in the form that holds right up to its logarithmic
// singularity where the circle passes through the lens: the closed form of
// the circle kernel (after Heyrovsky 2003) with no near-caustic branch. Near
// x = l both n = 4lx / s^2 and m = 16 eps^2 lx / (s^2 q) tend to 1, so their
// complements are formed exactly instead of by subtraction:
// 1 - n = d^2 / s^2 and 1 - m = d^2 (s^2 + 4 eps^2) / (s^2 q), since
// s^2 - 4lx = d^2 and s^2 q - 16 eps^2 lx = d^2 (s^2 + 4 eps^2). The bracket
// d^2 Pi(n, m) + 2 eps^2 K(m) is one general complete elliptic integral.
// Measured against mpmath: 1.0e-15 relative, 1e-15 from the singularity
// included (tests/test_limb_darkening_kernel.py).
//
// Used by the ring sum (ring_kernel.hpp), on vector lanes, and by the circle
// kernel near the lens (limb_darkening_kernel.hpp). It needs nothing but cel.
#pragma once

#include "numeric/cel.hpp"
#include "numeric/constants.hpp"
#include "numeric/simd/scalar_lanes.hpp"

namespace varduxel::models {

// The circle mean on every lane of V for the lens at l and circle radii x,
// with eps2 = (re / rstar)^2. NaN where it does not converge (a radius that
// rounds onto x = l); l >= 0 and x >= 0 are the caller's to ensure.
template <class Lanes>
Lanes ring_circle_mean(Lanes l, Lanes x, Lanes eps2) {
    const Lanes d = x - l;
    const Lanes d2 = d * d;
    const Lanes q = d2 + eps2 * Lanes(4.0);
    const Lanes s = l + x;
    const Lanes s2 = s * s;
    const Lanes nc = d2 / s2;
    const Lanes mc = (d2 * (s2 + eps2 * Lanes(4.0))) / (s2 * q);
    const Lanes a = d2 + (eps2 + eps2);
    const Lanes b = d2 + (eps2 + eps2) * nc;
    const Lanes bracket = numeric::cel(sqrt(mc), nc, a, b);
    return ((Lanes(4.0) / (s * sqrt(q))) * bracket) / Lanes(numeric::TWO_PI);
}

inline double ring_circle_mean(double l, double x, double eps2) {
    using numeric::simd::scalar::Lanes;
    return ring_circle_mean(Lanes(l), Lanes(x), Lanes(eps2)).value;
}

}  // namespace varduxel::models
