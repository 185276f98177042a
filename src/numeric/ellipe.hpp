// Complete elliptic integral of the second kind, E(m) = int_0^(pi/2) sqrt(1 - m sin^2 t) dt,
// with the parameter m = k^2.
//
// Method: for 0 <= m < 1 the polynomial approximation E = P(x) - x ln(x) Q(x)
// in x = 1 - m, with the Cephes library's coefficients (Cephes Mathematical
// Library, Stephen L. Moshier, ellpe.c; terms in NOTICE). A negative m is
// mapped into (0, 1) by E(m) = sqrt(1 - m) E(m / (m - 1)).
// Use: the uniform disk.
// Accuracy: worst 5.6e-16 relative against mpmath (at m = -1.2e15) for m
// from -2^53 (exclusive) to 1 (tests/test_complete_elliptic.py). Limit: from
// m = -2^53 down, m - 1 rounds to m and E comes back NaN without an error (an
// expected failure in the tests).
#pragma once

#include <array>
#include <cmath>

#include "numeric/constants.hpp"
#include "numeric/horner.hpp"
#include "numeric/kernel_result.hpp"

namespace varduxel::numeric {

namespace ellipe_detail {

// E = P(x) - ln(x) x Q(x) in x = 1 - m, for 0 <= x <= 1. Highest degree first.
inline constexpr std::array<double, 11> P = {
    0.0001535525773010133, 0.0025088849216360204, 0.008687868165658896, 0.010735094905607619,
    0.007773954925167871,  0.007583952894135147,  0.011568843681057412, 0.021831799601555724,
    0.05680519456178606,   0.44314718056099084,   1.0,
};
inline constexpr std::array<double, 10> Q = {
    3.2795489857648585e-05, 0.0010096279267935672, 0.006506094899769275, 0.016886216399331133,
    0.026176974245449364,   0.03348339048882249,   0.04271809265189315,  0.0585936634471101,
    0.09374999971976443,    0.2499999999998883,
};

}  // namespace ellipe_detail

inline KernelResult ellipe(double m) {
    if (m > 1) return KernelResult::failure("ellipe: m must be less than 1.");
    if (m == 1) return 1.0;
    if (m == 0) return HALF_PI;
    // A negative parameter is mapped into (0, 1): E(m) = sqrt(1 - m) E(m / (m - 1)).
    double c = 1;
    while (m < 0) {
        c = c * std::sqrt(1 - m);
        m = m / (m - 1);
    }
    double x = 1 - m;
    return c * (horner(ellipe_detail::P, x) - std::log(x) * x * horner(ellipe_detail::Q, x));
}

}  // namespace varduxel::numeric
