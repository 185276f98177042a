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
#include <optional>
#include <span>
#include <vector>

#include "models/circle_kernel_scale.hpp"
#include "models/instruction_sets.hpp"
#include "models/model_result.hpp"
#include "models/ring_integrand.hpp"
#include "numeric/constants.hpp"
#include "numeric/integrate.hpp"
#include "numeric/tanh_sinh_rule.hpp"

namespace varduxel::models {

// Each piece integrates to this absolute target: the quadrature's error
// estimate is the square of the last change, so 1e-8 leaves the result
// correct to about 1e-14 relative.
inline constexpr double RING_SUM_TARGET = 1e-8;

// Just outside the limb, 1 <= l < 1.02, the singularity at x = l lies just
// beyond the upper end of the single piece [0, 1], and the error estimate can
// stop the quadrature early (1.9e-11 relative for the built-in law, 4.1e-8 for
// a uniform table at rho = 1.3, l = 1 + 1.8e-5): there every level of the rule
// is used, the target being 0. Inside the disk the split puts the singularity
// at an end of both pieces, where every level would change the sum by 9e-14
// relative in the median (at most 1.4e-11, rho = 0.83, l = 1 - 1e-8, over
// 3,642 random points with rho <= 30) for 4 to 5 times the evaluations.
inline constexpr double EVERY_LEVEL_FROM = 1.0;
inline constexpr double EVERY_LEVEL_BELOW = 1.02;

// Bound on the circle mean's products that leaves cel's quotients and
// doublings room below the overflow threshold (1.8e308).
inline constexpr double MAX_RING_PRODUCT = 1e200;

// The pieces of one separation's ring sum, piece k is [ends[k], ends[k + 1]],
// and their target.
// None (a NaN sum) for a separation that is NaN, negative or infinite, for a
// negative, infinite or NaN re / rstar, and beyond the range in which the circle
// mean's arithmetic stays finite (l above about 1e50, or re / rstar above
// about 1e100), where nodes would be lost to overflow and the sum come out
// too small or 0.
struct RingSumPieces {
    std::size_t count = 0;
    std::array<double, 3> ends{};
    double target = RING_SUM_TARGET;
};

inline RingSumPieces ring_sum_pieces(double l, const CircleKernelScale& scale) {
    using numeric::POSITIVE_INFINITY;
    if (!(0.0 <= l && l < POSITIVE_INFINITY) || !(0.0 <= scale.eps && scale.eps < POSITIVE_INFINITY)) return {};
    // The largest product the circle mean forms, s^2 q or d^2 (s^2 + 4 eps^2),
    // is at most (l + 1)^2 ((l + 1)^2 + 4 eps^2) on [0, 1]; next to the
    // singularity the general complete integral divides it by sqrt(1 - n),
    // as small as 1e-30 for the nodes there, and doubles it on every pass.
    const double reach2 = (l + 1.0) * (l + 1.0);
    if (!(reach2 * (reach2 + scale.eps2 * 4.0) < MAX_RING_PRODUCT)) return {};
    const double target = EVERY_LEVEL_FROM <= l && l < EVERY_LEVEL_BELOW ? 0.0 : RING_SUM_TARGET;
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

// Calls f(j) for the indices j of a batch of `count` points that begins at
// position `start` of the rule's evaluation order, in the order the pool
// holds them: the centre (which begins the first batch) and the right points
// d + c x, then the left points d - c x. The rule alternates the two.
template <class F>
void in_pool_order(std::size_t start, std::size_t count, F&& f) {
    const std::size_t first_right = start == 0 ? 1 : 0;
    if (first_right == 1) f(std::size_t{0});
    for (std::size_t j = first_right; j < count; j += 2) f(j);
    for (std::size_t j = first_right + 1; j < count; j += 2) f(j);
}

// The ring sums of one call, PIECES_IN_FLIGHT pieces at a time.
template <class Profile>
class RingSums {
public:
    RingSums(std::span<const double> separations, const Profile& profile, const CircleKernelScale& scale,
             const LaneBatches& batches)
        : separations_(separations),
          profile_(profile),
          scale_(scale),
          batches_(batches),
          pieces_(separations.size()),
          first_piece_(separations.size()),
          second_piece_(separations.size()),
          flight_(PIECES_IN_FLIGHT),
          pool_l_(PIECES_IN_FLIGHT * MAX_BATCH),
          pool_x_(PIECES_IN_FLIGHT * MAX_BATCH),
          pool_out_(PIECES_IN_FLIGHT * MAX_BATCH) {
        if constexpr (!ON_LANES) brightness_.emplace(profile);
    }

    FloatVector operator()() {
        while (std::size_t count = gather()) {
            const RingPool pool{pool_l_.data(), pool_x_.data(), pool_out_.data(), count, scale_.eps2};
            if constexpr (ON_LANES) {
                batches_.rings_with<Profile>()(pool, profile_);
            } else {
                batches_.circle_means(pool);
            }
            scatter();
        }
        FloatVector sums(separations_.size(), numeric::NOT_A_NUMBER);
        for (std::size_t i = 0; i < sums.size(); ++i) {
            if (pieces_[i].count == 1) sums[i] = first_piece_[i];
            if (pieces_[i].count == 2) sums[i] = first_piece_[i] + second_piece_[i];
        }
        return sums;
    }

private:
    static constexpr bool ON_LANES = LaneBatches::on_lanes<Profile>;

    // Starts the next piece, in the order of the separations, if any is left.
    void start_next(Piece& piece) {
        for (; next_separation_ < separations_.size(); ++next_separation_, next_piece_ = 0) {
            RingSumPieces& ends = pieces_[next_separation_];
            if (next_piece_ == 0) ends = ring_sum_pieces(separations_[next_separation_], scale_);
            if (next_piece_ == ends.count) continue;
            piece.integration.emplace(ends.ends[next_piece_], ends.ends[next_piece_ + 1], ends.target);
            piece.separation = next_separation_;
            piece.second = next_piece_ == 1;
            piece.whole_disk = ends.count == 1;
            ++next_piece_;
            return;
        }
    }

    // Pools the pending points of every piece in flight; returns their count.
    std::size_t gather() {
        std::size_t count = 0;
        for (Piece& piece : flight_) {
            if (!piece.integration) start_next(piece);
            if (!piece.integration) continue;
            const double l = separations_[piece.separation];
            const std::span<const double> x = piece.integration->pending_points();
            piece.pool_offset = count;
            in_pool_order(piece.integration->pending_start(), x.size(), [&](std::size_t j) {
                pool_l_[count] = l;
                pool_x_[count++] = x[j];
            });
        }
        return count;
    }

    // Hands every piece its values and lets it go on, or records its integral.
    void scatter() {
        for (Piece& piece : flight_) {
            if (!piece.integration) continue;
            const std::size_t start = piece.integration->pending_start();
            const std::span<double> values = piece.integration->pending_values();
            std::size_t k = piece.pool_offset;
            in_pool_order(start, values.size(), [&](std::size_t j) {
                if constexpr (ON_LANES) {
                    values[j] = pool_out_[k];
                } else {
                    const double x = pool_x_[k];
                    values[j] = ring_integrand(x, pool_out_[k], brightness_->at(piece, start + j, x));
                }
                ++k;
            });
            piece.integration->advance();
            if (!piece.integration->done()) continue;
            (piece.second ? second_piece_ : first_piece_)[piece.separation] = piece.integration->output().integral;
            piece.integration.reset();
        }
    }

    std::span<const double> separations_;
    const Profile& profile_;
    const CircleKernelScale scale_;
    const LaneBatches& batches_;
    std::vector<RingSumPieces> pieces_;
    std::vector<double> first_piece_, second_piece_;  // each separation's piece integrals
    std::size_t next_separation_ = 0;
    std::size_t next_piece_ = 0;
    std::vector<Piece> flight_;
    std::vector<double> pool_l_, pool_x_, pool_out_;
    std::optional<PointBrightness<Profile>> brightness_;
};

}  // namespace ring_sum_detail

// The ring sums of all separations, in their order, on the lanes of
// `instruction_set`, before normalisation.
template <class Profile>
FloatVector ring_sums(std::span<const double> separations, const Profile& profile, const CircleKernelScale& scale,
                      const InstructionSet& instruction_set) {
    return ring_sum_detail::RingSums<Profile>(separations, profile, scale, *instruction_set.batches)();
}

}  // namespace varduxel::models
