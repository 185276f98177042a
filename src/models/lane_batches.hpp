// What an instruction set's translation unit provides to the ring sum: the
// ring integrand at a pool of points, evaluated on its vector lanes
// (ring_kernel.hpp). A pool may mix the points of several separations and
// pieces; every point sees the same operations wherever it stands, so every
// instruction set and every pooling gives the same bits.
#pragma once

#include <cstddef>
#include <tuple>
#include <type_traits>

#include "models/brightness_profiles.hpp"

namespace varduxel::models {

// Point i of a pool is the circle of radius x[i] (stellar radii) about the
// disk centre, with the lens l[i] stellar radii from it; eps2 = (re / rstar)^2
// is the same for all. A batch writes its value for point i to out[i].
struct RingPool {
    const double* l;
    const double* x;
    double* out;
    std::size_t count;
    double eps2;
};

// The batches of one instruction set: the circle mean C(x) alone, and for
// each law in Laws the whole ring integrand (ring_integrand.hpp).
template <class... Laws>
struct LaneBatchesFor {
    template <class Law>
    using Rings = void (*)(const RingPool& pool, const Law& law);

    void (*circle_means)(const RingPool& pool);
    std::tuple<Rings<Laws>...> rings;

    template <class Profile>
    static constexpr bool on_lanes = (std::is_same_v<Profile, Laws> || ...);

    template <class Law>
    Rings<Law> rings_with() const {
        return std::get<Rings<Law>>(rings);
    }
};

// The brightness laws that run on the lanes with the circle means: a law
// listed here has every instruction set compile its ring batch. Any other
// profile is applied point by point to the circle means.
using LaneBatches = LaneBatchesFor<LinearLimbDarkening>;

}  // namespace varduxel::models
