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

#include "numeric/constants.hpp"
#include "numeric/tanh_sinh_rule.hpp"

namespace varduxel::numeric {

struct QuadratureOutput {
    double integral;
    // Estimated absolute error of `integral`, scaled to [a, b].
    double error_estimate;
    // Number of integrand calls: 25, 49, 97, 193 or 385 (the first stop test
    // follows level 2).
    std::uint32_t evaluations;
};

// One integration over [a, b] that asks for its integrand a batch of points
// at a time and waits for the values in between, so that the batches of many
// integrations can be evaluated together. The first batch is the centre and
// levels 0 to 2 (no stop test comes earlier), then one level at a time:
//
//   TanhSinhIntegration q(a, b, target);
//   while (!q.done()) { <write f at q.pending_points() into q.pending_values()>; q.advance(); }
//
// pending_start() is the position of the first pending point in the rule's
// evaluation order (TanhSinhRule), so that per-point data tabulated from
// TanhSinhRule::all_points() can be looked up. The sums are formed node by
// node in advance(), so the result does not depend on how or together with
// what the batch is evaluated. A non-finite value counts as 0 at its point.
class TanhSinhIntegration {
public:
    TanhSinhIntegration(double a, double b, double target)
        : rule_(a, b),
          // The error estimate is compared before the sum is scaled by the
          // half-width, hence the division; a quarter of the target leaves
          // room for the error that a change between levels does not show.
          tolerance_((target * 0.25) / rule_.half_width()) {
        points_[0] = rule_.centre();
        for (std::size_t level = 0; level < FIRST_BATCH_LEVELS; ++level) {
            rule_.level_points(level, &points_[TanhSinhRule::level_start(level)]);
        }
        pending_end_ = TanhSinhRule::level_start(FIRST_BATCH_LEVELS);
    }

    bool done() const { return done_; }
    std::size_t pending_start() const { return pending_start_; }
    std::span<const double> pending_points() const {
        return {&points_[pending_start_], pending_end_ - pending_start_};
    }
    std::span<double> pending_values() { return {&values_[pending_start_], pending_end_ - pending_start_}; }

    // Takes in the values of the pending batch: sums every level they
    // complete, then stops or makes the next level pending.
    void advance() {
        if (evaluations_ == 0) {
            // The node t = 0 (abscissa 0, weight pi/2 at step 1), doubled
            // because every level starts by halving the running sum.
            sum_ = PI * finite_or_zero(values_[0]);
            evaluations_ = 1;
        }
        for (; level_ < LEVEL_COUNT && level_end(level_) <= pending_end_; ++level_) {
            if (sum_level(level_)) {
                done_ = true;
                return;
            }
        }
        if (level_ == LEVEL_COUNT) {
            done_ = true;
            return;
        }
        pending_start_ = TanhSinhRule::level_start(level_);
        pending_end_ = pending_start_ + rule_.level_points(level_, &points_[pending_start_]);
    }

    QuadratureOutput output() const {
        return QuadratureOutput{rule_.half_width() * sum_, rule_.half_width() * error_, evaluations_};
    }

private:
    static constexpr std::size_t FIRST_BATCH_LEVELS = 3;
    // The evaluation count after levels 0 and 1 (1 + 6 + 6): up to here the
    // changes only prime the convergence-rate estimate, which compares two.
    static constexpr std::uint32_t PRIMING_EVALUATIONS = 13;
    // The rate at which the digits grow from one level to the next: about 2
    // (they double) once the rule converges as it does for an analytic
    // integrand. Only within 5 % of 2 is the square of the change trusted as
    // the remaining error; otherwise the change itself is the estimate.
    static constexpr double QUADRATIC_RATE_LOW = 1.9;
    static constexpr double QUADRATIC_RATE_HIGH = 2.1;

    static double finite_or_zero(double value) { return std::isfinite(value) ? value : 0.0; }
    static std::size_t level_end(std::size_t level) {
        return TanhSinhRule::level_start(level) + 2 * TanhSinhRule::nodes(level).size();
    }

    // Adds one level to the running sum; true when the loop stops there.
    bool sum_level(std::size_t level) {
        const std::size_t start = TanhSinhRule::level_start(level);
        const std::span<const DeNode> nodes = TanhSinhRule::nodes(level);
        double level_sum = 0.0;
        for (std::size_t j = 0; j < nodes.size(); ++j) {
            const double right = finite_or_zero(values_[start + 2 * j]);
            const double left = finite_or_zero(values_[start + 2 * j + 1]);
            level_sum = level_sum + nodes[j].weight * (right + left);
        }
        evaluations_ += static_cast<std::uint32_t>(2 * nodes.size());

        const double difference = 0.5 * sum_ - level_sum;
        const double delta = std::fabs(difference);
        sum_ = 0.5 * sum_ + level_sum;

        if (evaluations_ <= PRIMING_EVALUATIONS) {
            previous_delta_ = delta;
            return false;
        }
        if (difference == 0.0) {
            error_ = 0.0;
            return true;
        }
        const double rate = std::log(delta) / std::log(previous_delta_);
        error_ = (rate > QUADRATIC_RATE_LOW && rate < QUADRATIC_RATE_HIGH) ? delta * delta : delta;
        if (error_ < tolerance_) return true;
        previous_delta_ = delta;
        return false;
    }

    TanhSinhRule rule_;
    double tolerance_;
    std::array<double, MAX_EVALUATIONS> points_;
    std::array<double, MAX_EVALUATIONS> values_;
    std::size_t pending_start_ = 0;
    std::size_t pending_end_ = 0;
    std::size_t level_ = 0;  // the next level to sum
    double sum_ = 0.0;
    double error_ = std::numeric_limits<double>::max();
    double previous_delta_ = std::numeric_limits<double>::max();
    std::uint32_t evaluations_ = 0;
    bool done_ = false;
};

// Integral over [a, b] of an integrand that is evaluated a batch of points at
// a time: f(first, points, values) writes the integrand at each of `points`
// into `values`, where `first` is the position of points[0] in the rule's
// evaluation order.
template <class BatchIntegrand>
QuadratureOutput integrate_batches(BatchIntegrand&& f, double a, double b, double target) {
    TanhSinhIntegration integration(a, b, target);
    while (!integration.done()) {
        f(integration.pending_start(), integration.pending_points(), integration.pending_values());
        integration.advance();
    }
    return integration.output();
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
