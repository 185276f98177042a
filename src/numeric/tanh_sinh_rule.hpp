// The tanh-sinh rule of the quadrature mapped onto an interval [a, b]: the one
// place that turns the node table into evaluation points. integrate() and
// anything that tabulates per-point data both take their points from here, so
// they always agree on which point comes where.
//
// Evaluation order: the centre first (position 0), then level by level, and
// within a level node by node in table order, the right point d + c x before
// the left one d - c x. The level k holds the positions
// [level_start(k), level_start(k) + 2 n_k).
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "numeric/de_node_levels.hpp"

namespace varduxel::numeric {

inline constexpr std::size_t LEVEL_COUNT = DE_NODE_LEVELS.size();

// Integrand evaluations of a run through all levels: the centre and two per node.
inline constexpr std::size_t MAX_EVALUATIONS = [] {
    std::size_t count = 1;
    for (const auto level : DE_NODE_LEVELS) count += 2 * level.size();
    return count;
}();

// Points of the largest level.
inline constexpr std::size_t MAX_LEVEL_POINTS = 2 * DE_NODE_LEVELS.back().size();

class TanhSinhRule {
public:
    TanhSinhRule(double a, double b) : centre_((a + b) * 0.5), half_width_((b - a) * 0.5) {}

    double centre() const { return centre_; }
    double half_width() const { return half_width_; }

    static std::span<const DeNode> nodes(std::size_t level) { return DE_NODE_LEVELS[level]; }

    // Position of the first point of `level` in the evaluation order.
    static constexpr std::size_t level_start(std::size_t level) {
        std::size_t start = 1;
        for (std::size_t k = 0; k < level; ++k) start += 2 * DE_NODE_LEVELS[k].size();
        return start;
    }

    // Writes the 2 n_k points of `level` into `out`, right before left for each
    // node; c x is formed once per node and serves both points. Returns the count.
    std::size_t level_points(std::size_t level, double* out) const {
        std::size_t count = 0;
        for (const DeNode& node : nodes(level)) {
            const double offset = half_width_ * node.abscissa;
            out[count++] = centre_ + offset;
            out[count++] = centre_ - offset;
        }
        return count;
    }

    // Every point in evaluation order.
    std::array<double, MAX_EVALUATIONS> all_points() const {
        std::array<double, MAX_EVALUATIONS> points;
        points[0] = centre_;
        for (std::size_t level = 0; level < LEVEL_COUNT; ++level) level_points(level, &points[level_start(level)]);
        return points;
    }

private:
    double centre_;
    double half_width_;
};

}  // namespace varduxel::numeric
