// Piecewise-linear interpolation in a table of points, with a choice of what
// to return outside the tabulated range.
//
// Use: the tabulated brightness profile of the flux maps
// (models/brightness_profiles.hpp), with Fixed{0} outside the table.
// Accuracy: inside a sorted table it agrees with numpy.interp to rounding,
// measured worst 9.1e-15 of max|y| (tests/test_interp.py); outside, EdgeValue
// gives numpy's edge values exactly.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <variant>

namespace varduxel::numeric {

// Outside the table: continue the line of the nearest end segment.
struct Extend {};
// Outside the table: the ordinate of the nearest end point.
struct EdgeValue {};
// Outside the table: a given value.
struct Fixed {
    double value;
};

using OutsideMode = std::variant<Extend, EdgeValue, Fixed>;

namespace interp_detail {

// The value at xp on segment i (from x[i] to x[i + 1]) of a table of n >= 2
// points, below = the number of leading abscissas under xp, with the outside
// rule applied.
inline double on_segment(std::span<const double> x, std::span<const double> y, std::size_t n, std::size_t below,
                         double xp, const OutsideMode& mode) {
    // The segment ends at the first abscissa that is not below xp, clamped to
    // the first and the last segment.
    const std::size_t i = std::min(below == 0 ? std::size_t{0} : below - 1, n - 2);

    const double slope = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
    const double intercept = y[i] - x[i] * slope;
    const double value = intercept + slope * xp;

    const auto outside = [&](double edge) -> double {
        if (std::holds_alternative<EdgeValue>(mode)) return edge;
        if (const Fixed* fixed = std::get_if<Fixed>(&mode)) return fixed->value;
        return value;
    };
    if (xp < x[0]) return outside(y[0]);
    if (xp > x[n - 1]) return outside(y[n - 1]);
    return value;
}

}  // namespace interp_detail

// Value at xp of the line through the table (x, y); only the first
// min(len x, len y) points are used. No table gives 0, a single point its
// ordinate for every xp. "Outside" means below the first or above the last
// abscissa as they stand; the table is not checked for order. Values inside
// come from the segment's line, so at a tabulated abscissa they may differ
// from the ordinate in the last bits. Degenerate tables propagate NaN or
// infinity; a NaN xp gives NaN whatever the mode.
inline double interp(std::span<const double> x, std::span<const double> y, double xp, const OutsideMode& mode) {
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) return 0.0;
    if (n == 1) return y[0];
    // Linear scan from the front, stopping at the first abscissa not below xp.
    std::size_t below = 0;
    while (below < n && x[below] < xp) ++below;
    return interp_detail::on_segment(x, y, n, below, xp, mode);
}

// Whether the abscissas that interp() uses, the first min(len x, len y), are
// in non-decreasing order and free of NaN.
inline bool is_ascending(std::span<const double> x, std::span<const double> y) {
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t k = 0; k + 1 < n; ++k) {
        if (!(x[k] <= x[k + 1])) return false;  // also false for a NaN
    }
    return true;
}

// interp() for a table for which is_ascending() holds, with the same result
// to the bit: "x[k] < xp" then holds for a leading run of entries and for no
// later one, so the linear scan's count is where bisection puts xp (0 for a
// NaN xp, as under the scan).
inline double interp_ascending(std::span<const double> x, std::span<const double> y, double xp,
                               const OutsideMode& mode) {
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) return 0.0;
    if (n == 1) return y[0];
    const auto first = x.begin();
    const auto last = first + static_cast<std::ptrdiff_t>(n);
    const auto below = static_cast<std::size_t>(std::lower_bound(first, last, xp) - first);
    return interp_detail::on_segment(x, y, n, below, xp, mode);
}

}  // namespace varduxel::numeric
