// Double-exponential (tanh-sinh) quadrature over a finite interval with the
// fixed seven-level node table (H. Takahasi and M. Mori, 1974, Publ. RIMS 9,
// 721). Each level halves the step; the loop stops once the error estimate
// drops below a tolerance derived from the target absolute error, or after
// the last level. The rule clusters its nodes doubly exponentially towards
// the ends, so it integrates end-point singularities (the ring sum's
// logarithm at the lens) as well as smooth integrands; a kink inside the
// interval slows it to the last level. The table stops at t = 3, which costs
// 3.3e-14 of the integral of a constant over [0, 1]. The integrand is a
// template callable so that it inlines; nothing is allocated.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

#include "numeric/tanh_sinh_rule.hpp"

namespace varduxel::numeric {

struct QuadratureOutput {
    double integral;
    // Estimated absolute error of `integral`, scaled to [a, b].
    double error_estimate;
    // Number of integrand calls: one of 7, 13, 25, 49, 97, 193, 385.
    std::uint32_t evaluations;
};

namespace integrate_detail {

// No stop test comes before the end of level 2, so the centre and levels 0
// to 2 are always evaluated and form the first batch.
inline constexpr std::size_t FIRST_BATCH_LEVELS = 3;
inline constexpr std::size_t FIRST_BATCH_END = TanhSinhRule::level_start(FIRST_BATCH_LEVELS);

inline double finite_or_zero(double value) { return std::isfinite(value) ? value : 0.0; }

}  // namespace integrate_detail

// Integral over [a, b] of an integrand that is evaluated a batch of points at
// a time: f(first, points, values) writes the integrand at each of `points`
// into `values`, where `first` is the position of points[0] in the rule's
// evaluation order (TanhSinhRule), so that per-point data tabulated from
// TanhSinhRule::all_points() can be looked up. A batch is the centre and
// levels 0 to 2, then one level at a time; the sums are formed node by node
// afterwards, so the result does not depend on how f evaluates its batch.
// A non-finite value counts as 0 at its point.
template <class BatchIntegrand>
QuadratureOutput integrate_batches(BatchIntegrand&& f, double a, double b, double target) {
    using integrate_detail::finite_or_zero;
    const TanhSinhRule rule(a, b);
    const double tolerance = (target * 0.25) / rule.half_width();

    std::array<double, MAX_EVALUATIONS> points;
    std::array<double, MAX_EVALUATIONS> values;
    points[0] = rule.centre();
    for (std::size_t level = 0; level < integrate_detail::FIRST_BATCH_LEVELS; ++level) {
        rule.level_points(level, &points[TanhSinhRule::level_start(level)]);
    }
    f(std::size_t{0}, std::span<const double>(points.data(), integrate_detail::FIRST_BATCH_END),
      std::span<double>(values.data(), integrate_detail::FIRST_BATCH_END));

    // The node t = 0 (abscissa 0, weight pi/2 at step 1), doubled because
    // every level starts by halving the running sum.
    double sum = 3.141592653589793 * finite_or_zero(values[0]);
    std::uint32_t evaluations = 1;
    double error = std::numeric_limits<double>::max();
    double previous_delta = std::numeric_limits<double>::max();

    for (std::size_t level = 0; level < LEVEL_COUNT; ++level) {
        const std::size_t start = TanhSinhRule::level_start(level);
        const std::span<const DeNode> nodes = TanhSinhRule::nodes(level);
        if (start >= integrate_detail::FIRST_BATCH_END) {
            const std::size_t count = rule.level_points(level, &points[start]);
            f(start, std::span<const double>(&points[start], count), std::span<double>(&values[start], count));
        }

        double level_sum = 0.0;
        for (std::size_t j = 0; j < nodes.size(); ++j) {
            const double right = finite_or_zero(values[start + 2 * j]);
            const double left = finite_or_zero(values[start + 2 * j + 1]);
            level_sum = level_sum + nodes[j].weight * (right + left);
        }
        evaluations += static_cast<std::uint32_t>(2 * nodes.size());

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

    return QuadratureOutput{rule.half_width() * sum, rule.half_width() * error, evaluations};
}

// Integral of f over [a, b]. f maps a double to a double and cannot fail;
// a non-finite value counts as 0 at its point. f is called at the centre
// first, then level by level and node by node, the right point before the
// left one; never at a or b themselves. The result is exact to the bit only
// with this order of operations.
template <class F>
QuadratureOutput integrate(F&& f, double a, double b, double target) {
    auto one_at_a_time = [&f](std::size_t, std::span<const double> points, std::span<double> values) {
        for (std::size_t i = 0; i < points.size(); ++i) values[i] = f(points[i]);
    };
    return integrate_batches(one_at_a_time, a, b, target);
}

}  // namespace varduxel::numeric
