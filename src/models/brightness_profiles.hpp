// Radial brightness profiles of the stellar disk. A profile is a callable of
// the radius in stellar radii (0 at the centre, 1 at the limb) that returns
// the relative surface brightness there; the integrated magnifications take
// any profile as a template parameter, so that their loops inline it.
// A law whose evaluation is written for vector lanes as well (a template
// call operator on the lane types of numeric/simd/) and that is listed in
// LaneBatches (lane_batches.hpp) is evaluated on the lanes together with the
// circle means; any other profile is evaluated point by point.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "numeric/interp.hpp"

namespace varduxel::models {

// Linear limb darkening I(x) = 1 - c (1 - sqrt(1 - x^2)), on one value or on
// every lane of a lane type with the same operations, and its normaliser:
// its flux over the unit disk, by which the integrated magnifications divide.
struct LinearLimbDarkening {
    double coefficient;
    double normaliser;

    template <class Value>
    Value operator()(Value x) const {
        using std::sqrt;
        const Value t = Value(1.0) - x * x;
        const Value s = sqrt(t);
        return Value(1.0) + (Value(1.0) - s) * Value(-coefficient);
    }
};

// The law of the plain integrated functions: coefficient 0.6, 1 at the
// centre and 0.4 at the limb. Its normaliser is its flux as the quadrature
// computes it over [0, 1] with target 1e-16, which differs from the exact
// pi (1 - 0.6 / 3) = 4 pi / 5 in the last digits (tests/test_quadrature.py).
inline constexpr LinearLimbDarkening DEFAULT_PROFILE{0.6, 2.5132741228717936};

// B(r): a table of radii and brightnesses interpolated linearly, zero outside
// its first and last radius, with the value of numeric::interp(radii,
// brightness, r, Fixed{0}) to the bit. It borrows the two tables, which must
// outlive it.
//
// The lookup is the cost of the flux maps' ring sums. A table with ascending
// radii (the usual one) is searched from a guess that an index of evenly
// spaced buckets over its range gives at once, corrected to the exact number
// of radii below r; that count selects the segment the linear scan selects,
// and the lines of all segments are formed once. Any other table is looked
// up by the linear scan itself.
class TabulatedProfile {
public:
    TabulatedProfile(std::span<const double> radii, std::span<const double> brightness);

    double operator()(double r) const {
        if (!ascending_) return numeric::interp(radii_, brightness_, r, numeric::Fixed{0.0});
        if (count_ == 0) return 0.0;
        if (count_ == 1) return brightness_[0];
        // Outside the table the value is 0 (a NaN r is neither and goes on).
        if (r < radii_[0] || r > radii_[count_ - 1]) return 0.0;
        return lines_[numeric::segment_for(count_below(r), count_)].at(r);
    }

private:
    // The number of leading radii below r, for a table in ascending order.
    std::size_t count_below(double r) const {
        // At or below the first radius, or for a NaN r, the count is 0.
        std::size_t below = r > radii_[0] ? bucket_counts_[bucket_of(r)] : 0;
        // "radii[k] < r" holds for a leading run of k and no later one.
        while (below < count_ && radii_[below] < r) ++below;
        while (below > 0 && !(radii_[below - 1] < r)) --below;
        return below;
    }

    // The bucket of a radius from the first to the last one; it grows with
    // the radius.
    std::size_t bucket_of(double r) const {
        const double bucket = (r - radii_[0]) * bucket_scale_;  // NaN for an infinite span
        return bucket < last_bucket_ ? static_cast<std::size_t>(bucket) : bucket_counts_.size() - 1;
    }

    std::span<const double> radii_;
    std::span<const double> brightness_;
    std::size_t count_;  // the rows used, min(len radii, len brightness)
    bool ascending_;
    std::vector<numeric::SegmentLine> lines_;
    // For each bucket, the number of radii in the buckets before it: the
    // count for every r in the bucket, or less (never more).
    std::vector<std::size_t> bucket_counts_;
    double bucket_scale_ = 0.0;  // buckets per unit of radius
    double last_bucket_ = 0.0;  // the index of the last bucket, as a double
};

}  // namespace varduxel::models
