// Piecewise-linear interpolation in a table of points, with a choice of what
// to return outside the tabulated range.
//
// Use: the tabulated brightness profile of the flux maps
// (models/brightness_profiles.hpp), with Fixed{0} outside the table; the
// profile looks up ascending tables by a faster exact search that selects
// the same segment and forms the same SegmentLine.
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

// The line through the table's points i and i + 1: slope (y[i + 1] - y[i]) /
// (x[i + 1] - x[i]) and intercept y[i] - x[i] * slope, each product rounded
// before the sum. It depends on those two points alone, so it may be
// computed once per table as well as at each lookup, with the same bits.
struct SegmentLine {
    double slope;
    double intercept;

    static SegmentLine through(std::span<const double> x, std::span<const double> y, std::size_t i) {
        const double slope = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
        return {slope, y[i] - x[i] * slope};
    }
    double at(double xp) const { return intercept + slope * xp; }
};

// The segment of a table of n >= 2 points whose line gives the value at an
// abscissa with `below` leading abscissas under it: the segment that ends at
// the first abscissa not below, clamped to the first and the last segment.
inline std::size_t segment_for(std::size_t below, std::size_t n) {
    return std::min(below == 0 ? std::size_t{0} : below - 1, n - 2);
}

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
    const double value = SegmentLine::through(x, y, segment_for(below, n)).at(xp);

    const auto outside = [&](double edge) -> double {
        if (std::holds_alternative<EdgeValue>(mode)) return edge;
        if (const Fixed* fixed = std::get_if<Fixed>(&mode)) return fixed->value;
        return value;
    };
    if (xp < x[0]) return outside(y[0]);
    if (xp > x[n - 1]) return outside(y[n - 1]);
    return value;
}

}  // namespace varduxel::numeric
