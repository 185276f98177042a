// Central-difference derivative with a step that grows with the magnitude of
// the point.
//
// Use: the Witt-Mao integrated variants (models/integrated.hpp) tabulate
// difference_step() for their derivative form profile(x) d/dx[pi x^2 F(x)];
// the step at the centre gives their common factor 1 + 6.6e-12
// (tests/test_integrated.py).
// Accuracy on linear functions: the error stays below
// eps (|k| (|x| + h) + |m|) / h, measured worst ratio 0.88
// (tests/test_derivative.py).
#pragma once

#include <cmath>
#include <optional>

#include "numeric/constants.hpp"

namespace varduxel::numeric {

// Cube root of the machine epsilon 2^-52, the base step of the difference:
// it balances the truncation error against rounding in f. Initialised once,
// before any use in a translation unit that includes this header.
inline const double CBRT_EPS = std::cbrt(MACHINE_EPSILON);

// The step h = (|x| + 1) * base of the difference at x.
inline double difference_step(double x, double base = CBRT_EPS) { return (std::fabs(x) + 1.0) * base; }

// (f(x + h) - f(x - h)) / (2h) with h = (|x| + 1) * base, base = step or
// CBRT_EPS. f is called exactly twice, at x + h first, and never fails; NaN
// from either call gives NaN.
template <class F>
double sderivative(F&& f, double x, std::optional<double> step = std::nullopt) {
    const double h = difference_step(x, step ? *step : CBRT_EPS);
    const double forward = f(x + h);
    const double backward = f(x - h);
    return (forward - backward) / (h + h);
}

}  // namespace varduxel::numeric
