// The limb-darkened magnification as a sum of rings: for a separation l
// (stellar radii), the integral over the radius x of 2 pi x times the circle
// mean C(x) at x times the profile B(x), before normalisation. The circle
// mean has a logarithmic singularity at x = l, so a lens on the disk splits
// the integral there and the singularity sits at an end of each piece, where
// the tanh-sinh rule handles it.
//
// The ring sums of a call are computed together: the integrations of several
// pieces, of one separation or of several, are in progress at once, and the
// points each asks for next are pooled into one batch on the vector lanes
// (ring_kernel.hpp), so that only the pool's last vector of lanes can be
// partly empty. In the pool a piece's points run along the interval: first
// the centre and the right points d + c x of the batch's nodes, then the left
// points d - c x, instead of the rule's alternation of right and left. So
// neighbouring lanes hold circles at similar distances from the lens, whose
// circle means take similar numbers of passes, and lanes wait less for one
// another. Every integration still sees its own values and adds them in its
// own order, so each result is that of its integration alone.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "models/instruction_sets.hpp"
#include "models/limb_darkening_kernel.hpp"
#include "models/model_result.hpp"
#include "numeric/constants.hpp"
#include "numeric/integrate.hpp"
#include "numeric/tanh_sinh_rule.hpp"

namespace varduxel::models {

// Each piece integrates to this absolute target: the quadrature's error
// estimate is the square of the last change, so 1e-8 leaves the result
// correct to about 1e-14 relative.
inline constexpr double RING_SUM_TARGET = 1e-8;

// Within this many stellar radii of the limb the singularity at x = l lies
// at or just beyond an end of the pieces, and the error estimate can stop
// the quadrature early (1.8e-11 relative at l = 1 + 3e-6 for rho = 0.01):
// there every level of the rule is used, the target being 0 (at most
// 1.8e-13 relative, for 4.7 times the evaluations).
inline constexpr double LIMB_BAND = 0.03;

// Bound on the circle mean's products that leaves cel's quotients and
// doublings room below the overflow threshold (1.8e308).
inline constexpr double MAX_RING_PRODUCT = 1e200;

// The pieces of one separation's ring sum, piece k is [ends[k], ends[k + 1]],
// and their target.
// None (a NaN sum) for a separation that is NaN, negative or infinite, for an
// infinite or NaN re / rstar, and beyond the range in which the circle
// mean's arithmetic stays finite (l above about 1e50, or re / rstar above
// about 1e100), where nodes would be lost to overflow and the sum come out
// too small or 0.
struct RingSumPieces {
    std::size_t count = 0;
    std::array<double, 3> ends{};
    double target = RING_SUM_TARGET;
};

inline RingSumPieces ring_sum_pieces(double l, const CircleKernelScale& scale) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    if (!(0.0 <= l && l < inf) || !(std::fabs(scale.eps) < inf)) return {};
    // The largest product the circle mean forms, s^2 q or d^2 (s^2 + 4 eps^2),
    // is at most (l + 1)^2 ((l + 1)^2 + 4 eps^2) on [0, 1]; next to the
    // singularity the general complete integral divides it by sqrt(1 - n),
    // as small as 1e-30 for the nodes there, and doubles it on every pass.
    const double reach2 = (l + 1.0) * (l + 1.0);
    if (!(reach2 * (reach2 + scale.eps2 * 4.0) < MAX_RING_PRODUCT)) return {};
    const double target = std::fabs(l - 1.0) < LIMB_BAND ? 0.0 : RING_SUM_TARGET;
    if (0.0 < l && l < 1.0) return {2, {0.0, l, 1.0}, target};
    return {1, {0.0, 1.0}, target};
}

namespace ring_sum_detail {

// Pieces whose integrations are in progress at once: their batches of 24 to
// 192 points leave a partly empty vector of lanes once per pool, not once
// per batch. On light curves through the disk 4 was as fast as 8, with
// half the memory.
inline constexpr std::size_t PIECES_IN_FLIGHT = 4;
// The largest batch an integration asks for: the centre and levels 0 to 2
// (25 points), or the last level.
inline constexpr std::size_t MAX_BATCH = std::max(numeric::TanhSinhRule::level_start(3), numeric::MAX_LEVEL_POINTS);

struct Piece {
    std::optional<numeric::TanhSinhIntegration> integration;  // none while the slot is free
    std::size_t separation = 0;
    bool second = false;  // the second of two pieces
    bool whole_disk = false;  // [0, 1]: the points of every such piece are the same
    std::size_t pool_offset = 0;
};

// A profile evaluated point by point, at the points of every [0, 1] piece
// once per call and elsewhere at each point.
template <class Profile>
class PointBrightness {
public:
    explicit PointBrightness(const Profile& profile) : profile_(profile) {
        const auto points = numeric::TanhSinhRule(0.0, 1.0).all_points();
        for (std::size_t i = 0; i < points.size(); ++i) whole_disk_[i] = profile(points[i]);
    }
    // At the point of evaluation position `position` of the piece.
    double at(const Piece& piece, std::size_t position, double x) const {
        return piece.whole_disk ? whole_disk_[position] : profile_(x);
    }

private:
    const Profile& profile_;
    std::array<double, numeric::MAX_EVALUATIONS> whole_disk_;
};

}  // namespace ring_sum_detail

// The ring sums of all separations, in their order, on the lanes of
// `instruction_set`, before normalisation.
template <class Profile>
FloatVector ring_sums(std::span<const double> separations, const Profile& profile, const CircleKernelScale& scale,
                      const InstructionSet& instruction_set) {
    using namespace ring_sum_detail;
    const LaneBatches& batches = *instruction_set.batches;
    constexpr bool on_lanes = LaneBatches::on_lanes<Profile>;
    const std::size_t n = separations.size();
    FloatVector sums(n, std::numeric_limits<double>::quiet_NaN());
    if (n == 0) return sums;
    std::vector<double> first_piece(n), second_piece(n);
    std::vector<RingSumPieces> pieces(n);

    std::vector<Piece> flight(PIECES_IN_FLIGHT);
    constexpr std::size_t capacity = PIECES_IN_FLIGHT * MAX_BATCH;
    std::vector<double> pool_l(capacity), pool_x(capacity), pool_out(capacity);
    std::vector<std::size_t> pool_index(capacity);  // each pool point's index in its piece's batch
    std::optional<PointBrightness<Profile>> brightness;
    if constexpr (!on_lanes) brightness.emplace(profile);

    // The pieces start in the order of the separations.
    std::size_t next_separation = 0;
    std::size_t next_piece = 0;
    const auto start_next = [&](Piece& piece) {
        while (next_separation < n) {
            if (next_piece == 0) pieces[next_separation] = ring_sum_pieces(separations[next_separation], scale);
            const RingSumPieces& ends = pieces[next_separation];
            if (next_piece < ends.count) {
                piece.integration.emplace(ends.ends[next_piece], ends.ends[next_piece + 1], ends.target);
                piece.separation = next_separation;
                piece.second = next_piece == 1;
                piece.whole_disk = ends.count == 1;
                ++next_piece;
                return;
            }
            ++next_separation;
            next_piece = 0;
        }
    };

    for (;;) {
        std::size_t count = 0;
        for (Piece& piece : flight) {
            if (!piece.integration) start_next(piece);
            if (!piece.integration) continue;
            const std::span<const double> points = piece.integration->pending_points();
            const auto pool = [&](std::size_t j) {
                pool_l[count] = separations[piece.separation];
                pool_x[count] = points[j];
                pool_index[count++] = j;
            };
            piece.pool_offset = count;
            // The first batch begins with the centre; every batch then
            // alternates right and left points.
            const std::size_t first_right = piece.integration->pending_start() == 0 ? 1 : 0;
            if (first_right == 1) pool(0);
            for (std::size_t j = first_right; j < points.size(); j += 2) pool(j);
            for (std::size_t j = first_right + 1; j < points.size(); j += 2) pool(j);
        }
        if (count == 0) break;

        const RingPool pool{pool_l.data(), pool_x.data(), pool_out.data(), count, scale.eps2};
        if constexpr (on_lanes) {
            batches.rings_with<Profile>()(pool, profile);
        } else {
            batches.circle_means(pool);
        }

        for (Piece& piece : flight) {
            if (!piece.integration) continue;
            const std::span<double> values = piece.integration->pending_values();
            const std::size_t start = piece.integration->pending_start();
            for (std::size_t k = piece.pool_offset; k < piece.pool_offset + values.size(); ++k) {
                const std::size_t j = pool_index[k];
                if constexpr (on_lanes) {
                    values[j] = pool_out[k];
                } else {
                    const double x = pool_x[k];
                    values[j] = ((x * numeric::TWO_PI) * pool_out[k]) * brightness->at(piece, start + j, x);
                }
            }
            piece.integration->advance();
            if (!piece.integration->done()) continue;
            (piece.second ? second_piece : first_piece)[piece.separation] = piece.integration->output().integral;
            piece.integration.reset();
        }
    }

    for (std::size_t i = 0; i < n; ++i) {
        if (pieces[i].count == 1) sums[i] = first_piece[i];
        if (pieces[i].count == 2) sums[i] = first_piece[i] + second_piece[i];
    }
    return sums;
}

}  // namespace varduxel::models
