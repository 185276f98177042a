// The ring sum's integrand on vector lanes: the circle mean of
// circle_mean.hpp at a batch of radii x, alone or, for the linear law, times
// (x 2 pi) and the brightness. The operations are the same in every lane, so
// every path gives the same bits.
#pragma once

#include <cstddef>

#include "models/brightness_profiles.hpp"
#include "models/circle_mean.hpp"
#include "numeric/constants.hpp"

namespace varduxel::models {

// What the ring sum evaluates on lanes: the circle mean alone (the profile
// is then applied point by point), or, for the linear law, the whole ring
// integrand ((x 2 pi) C(x)) B(x).
struct CircleMeans {
    template <class Lanes>
    Lanes operator()(Lanes l, Lanes x, Lanes eps2) const {
        return ring_circle_mean(l, x, eps2);
    }
};

struct LinearLawRings {
    template <class Lanes>
    Lanes operator()(Lanes l, Lanes x, Lanes eps2) const {
        return ((x * Lanes(numeric::TWO_PI)) * ring_circle_mean(l, x, eps2)) * linear_limb_darkening(x);
    }
};

// out[i] = Quantity()(l, x[i], eps2) for i < count, Lanes::WIDTH radii at a
// time; a last partial batch is padded with its last radius. Written with no
// library call, so that a translation unit compiled for one instruction set
// shares no function with the others.
template <class Lanes, class Quantity>
void evaluate_on_lanes(double l, double eps2, const double* x, double* out, std::size_t count) {
    constexpr Quantity quantity{};
    constexpr std::size_t width = Lanes::WIDTH;
    std::size_t i = 0;
    for (; i + width <= count; i += width) quantity(Lanes(l), Lanes::load(x + i), Lanes(eps2)).store(out + i);
    if (i == count) return;
    double padded[width];
    double results[width];
    for (std::size_t j = 0; j < width; ++j) padded[j] = x[i + j < count ? i + j : count - 1];
    quantity(Lanes(l), Lanes::load(padded), Lanes(eps2)).store(results);
    for (std::size_t j = 0; i + j < count; ++j) out[i + j] = results[j];
}

// The batches of one instruction set.
struct LaneBatches {
    using Batch = void (*)(double l, double eps2, const double* x, double* out, std::size_t count);
    Batch circle_means;
    Batch linear_law_rings;
};

template <class Lanes>
inline constexpr LaneBatches LANE_BATCHES{&evaluate_on_lanes<Lanes, CircleMeans>,
                                          &evaluate_on_lanes<Lanes, LinearLawRings>};

// The instruction sets the batch can run on. Each gives the same bits.
enum class VectorPath { scalar, avx2, avx512 };

// Whether this build has the path and this CPU can run it.
bool is_available(VectorPath path);

// The widest available path, chosen once per process.
VectorPath fastest_vector_path();

// The circle means, or the linear law's ring integrand, at the radii x on the
// lanes of `path`, which must be available.
void ring_circle_means(VectorPath path, double l, double eps2, const double* x, double* out, std::size_t count);
void linear_law_rings(VectorPath path, double l, double eps2, const double* x, double* out, std::size_t count);

}  // namespace varduxel::models
