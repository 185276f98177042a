// Piecewise-linear interpolation in a table of points, with a choice of what
// to return outside the tabulated range.
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

    // Linear scan from the front: the segment ends at the first abscissa that
    // is not below xp, clamped to the first and the last segment.
    std::size_t below = 0;
    while (below < n && x[below] < xp) ++below;
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

}  // namespace varduxel::numeric
