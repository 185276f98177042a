// The circle mean in the form the limb-darkened ring sum integrates over the
// radius x: the closed form of the circle kernel (limb_darkening_kernel.hpp,
// after Heyrovsky 2003) right up to its logarithmic singularity at x = l,
// with no near-caustic branch. Near x = l both n = 4lx / s^2 and
// m = 16 eps^2 lx / (s^2 q) tend to 1, so their complements are formed
// exactly instead of by subtraction:
// 1 - n = d^2 / s^2 and 1 - m = d^2 (s^2 + 4 eps^2) / (s^2 q), since
// s^2 - 4lx = d^2 and s^2 q - 16 eps^2 lx = d^2 (s^2 + 4 eps^2). The bracket
// d^2 Pi(n, m) + 2 eps^2 K(m) is one general complete elliptic integral.
// Measured against mpmath: 1.0e-15 relative, 1e-15 from the singularity
// included.
//
// The ring sum evaluates it a batch of radii at a time, on as many vector
// lanes as the CPU offers: the operations are the same in every lane, so
// every path gives the same bits.
#pragma once

#include <cstddef>

#include "models/brightness_profiles.hpp"
#include "numeric/cel.hpp"
#include "numeric/constants.hpp"

namespace varduxel::models {

// The circle mean on every lane of V for the lens at l and circle radii x,
// with eps2 = (re / rstar)^2. NaN where it does not converge (a radius that
// rounds onto x = l); l >= 0 and x >= 0 are the caller's to ensure.
template <class Lanes>
Lanes ring_circle_mean(Lanes l, Lanes x, Lanes eps2) {
    const Lanes d = x - l;
    const Lanes d2 = d * d;
    const Lanes q = d2 + eps2 * Lanes(4.0);
    const Lanes s = l + x;
    const Lanes s2 = s * s;
    const Lanes nc = d2 / s2;
    const Lanes mc = (d2 * (s2 + eps2 * Lanes(4.0))) / (s2 * q);
    const Lanes a = d2 + (eps2 + eps2);
    const Lanes b = d2 + (eps2 + eps2) * nc;
    const Lanes bracket = numeric::cel(sqrt(mc), nc, a, b);
    return ((Lanes(4.0) / (s * sqrt(q))) * bracket) / Lanes(numeric::TWO_PI);
}

inline double ring_circle_mean(double l, double x, double eps2) {
    using numeric::simd::ScalarLanes;
    return ring_circle_mean(ScalarLanes(l), ScalarLanes(x), ScalarLanes(eps2)).value;
}

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
