// Double constants shared by the kernels, written as the exact doubles used:
// each is the double nearest its value (tests/test_derivative.py and the
// kernels' tests pin the ones they use).
#pragma once

#include <limits>

namespace varduxel::numeric {

inline constexpr double MACHINE_EPSILON = 2.220446049250313e-16;  // 2^-52
inline constexpr double PI = 3.141592653589793;
inline constexpr double HALF_PI = 1.5707963267948966;
inline constexpr double TWO_PI = 6.283185307179586;
// Relative tolerance of the arithmetic-geometric-mean loops: 2.7 epsilon,
// which is 5.995204332975846e-16 in double arithmetic.
inline constexpr double AGM_TOLERANCE = 2.7 * MACHINE_EPSILON;
// The quiet NaN of "no value" results and the positive infinity of range tests.
inline constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();
inline constexpr double POSITIVE_INFINITY = std::numeric_limits<double>::infinity();

}  // namespace varduxel::numeric
