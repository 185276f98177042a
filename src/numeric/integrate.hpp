// Double-exponential (tanh-sinh) quadrature over a finite interval with the
// fixed seven-level node table. Each level halves the step; the loop stops
// once the error estimate drops below a tolerance derived from the target
// absolute error, or after the last level. The integrand is a template
// callable so that it inlines; nothing is allocated.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "numeric/de_node_levels.hpp"

namespace varduxel::numeric {

struct QuadratureOutput {
    double integral;
    // Estimated absolute error of `integral`, scaled to [a, b].
    double error_estimate;
    // Number of integrand calls: one of 7, 13, 25, 49, 97, 193, 385.
    std::uint32_t evaluations;
};

// Integrand evaluations of a run through all seven levels: the centre and
// two per node.
inline constexpr std::size_t MAX_EVALUATIONS = 385;

// The points at which integrate() evaluates its integrand over [a, b], in its
// call order and formed by the same operations: the centre first, then level
// by level and node by node, the right point before the left one.
inline std::array<double, MAX_EVALUATIONS> quadrature_points(double a, double b) {
    const double centre = (a + b) * 0.5;
    const double half_width = (b - a) * 0.5;
    std::array<double, MAX_EVALUATIONS> points;
    std::size_t index = 0;
    points[index++] = centre;
    for (const auto level : DE_NODE_LEVELS) {
        for (const DeNode& node : level) {
            const double offset = half_width * node.abscissa;
            points[index++] = centre + offset;
            points[index++] = centre - offset;
        }
    }
    return points;
}

// integrate() for an integrand f(index, y) that also receives the position of
// y in the call order, the index of y in quadrature_points(a, b). Whatever
// depends on the point alone can then be tabulated once and looked up.
template <class F>
QuadratureOutput integrate_indexed(F&& f, double a, double b, double target) {
    const double centre = (a + b) * 0.5;
    const double half_width = (b - a) * 0.5;
    const double tolerance = (target * 0.25) / half_width;

    std::size_t index = 0;
    const auto filtered = [&f, &index](double y) -> double {
        const double value = f(index++, y);
        return std::isfinite(value) ? value : 0.0;
    };

    // The node t = 0 (abscissa 0, weight pi/2 at step 1), doubled because
    // every level starts by halving the running sum.
    double sum = 3.141592653589793 * filtered(centre);
    std::uint32_t evaluations = 1;
    double error = std::numeric_limits<double>::max();
    double previous_delta = std::numeric_limits<double>::max();

    for (const auto level : DE_NODE_LEVELS) {
        double level_sum = 0.0;
        for (const DeNode& node : level) {
            const double offset = half_width * node.abscissa;
            const double right = filtered(centre + offset);
            const double left = filtered(centre - offset);
            level_sum = level_sum + node.weight * (right + left);
        }
        evaluations += static_cast<std::uint32_t>(2 * level.size());

        const double difference = 0.5 * sum - level_sum;
        const double delta = std::fabs(difference);
        sum = 0.5 * sum + level_sum;

        // The first two levels only prime the convergence-rate estimate.
        if (evaluations <= 13) {
            previous_delta = delta;
            continue;
        }
        if (difference == 0.0) {
            error = 0.0;
            break;
        }
        // Near-quadratic convergence (the digits double from one level to the
        // next) lets the square of the change stand for the remaining error.
        const double rate = std::log(delta) / std::log(previous_delta);
        error = (rate > 1.9 && rate < 2.1) ? delta * delta : delta;
        if (error < tolerance) break;
        previous_delta = delta;
    }

    return QuadratureOutput{half_width * sum, half_width * error, evaluations};
}

// Integral of f over [a, b]. f maps a double to a double and cannot fail;
// a non-finite value counts as 0 at its node. f is called at the centre
// first, then level by level and node by node, the right point before the
// left one; never at a or b themselves. The result is exact to the bit only
// with this order of operations.
template <class F>
QuadratureOutput integrate(F&& f, double a, double b, double target) {
    return integrate_indexed([&f](std::size_t, double y) { return f(y); }, a, b, target);
}

}  // namespace varduxel::numeric
