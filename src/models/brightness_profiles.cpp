// The tabulated profile's lookup structures, built once per call.
#include "models/brightness_profiles.hpp"

#include <algorithm>

#include "numeric/constants.hpp"

namespace varduxel::models {

namespace {

// Whether the first n radii are in non-decreasing order and free of NaN.
bool is_ascending(std::span<const double> radii, std::size_t n) {
    for (std::size_t k = 0; k + 1 < n; ++k) {
        if (!(radii[k] <= radii[k + 1])) return false;  // also false for a NaN
    }
    return true;
}

}  // namespace

TabulatedProfile::TabulatedProfile(std::span<const double> radii, std::span<const double> brightness)
    : radii_(radii),
      brightness_(brightness),
      count_(std::min(radii.size(), brightness.size())),
      ascending_(is_ascending(radii, count_)) {
    if (!ascending_ || count_ < 2) return;
    lines_.reserve(count_ - 1);
    for (std::size_t i = 0; i + 1 < count_; ++i) lines_.push_back(numeric::SegmentLine::through(radii_, brightness_, i));
    // One bucket per segment over the table's range, so that an evenly
    // spaced table needs a step or two of correction; a range that is empty
    // or infinite gets one bucket.
    std::size_t buckets = 1;
    const double range = radii_[count_ - 1] - radii_[0];
    if (range > 0.0 && range < numeric::POSITIVE_INFINITY) {
        buckets = count_ - 1;
        bucket_scale_ = static_cast<double>(buckets) / range;
    }
    last_bucket_ = static_cast<double>(buckets - 1);
    bucket_counts_.resize(buckets);
    std::size_t below = 0;
    for (std::size_t j = 0; j < buckets; ++j) {
        while (below < count_ && bucket_of(radii_[below]) < j) ++below;
        bucket_counts_[j] = below;
    }
}

}  // namespace varduxel::models
