// The ring sum's batches on the vector lanes of one instruction set: the
// circle mean of circle_mean.hpp at a pool of points, alone or as the ring
// integrand with a brightness law, Lanes::WIDTH points at a time. Included
// only by the translation unit of each instruction set
// (ring_kernel_<name>.cpp), which instantiates lane_batches() with its lane
// type. Written with no library call and no function that does not depend on
// the lane type, so that the translation unit of an instruction set emits
// only functions that carry its name.
#pragma once

#include <cstddef>
#include <type_traits>

#include "models/circle_mean.hpp"
#include "models/lane_batches.hpp"
#include "models/ring_integrand.hpp"

namespace varduxel::models {

namespace ring_kernel_detail {

// out[i] = output(x[i], C(l[i], x[i])) for every point of the pool; a last
// partial batch is padded with the pool's last point.
template <class Lanes, class Output>
void evaluate_pool(const RingPool& pool, const Output& output) {
    constexpr std::size_t width = Lanes::WIDTH;
    const Lanes eps2(pool.eps2);
    std::size_t i = 0;
    for (; i + width <= pool.count; i += width) {
        const Lanes x = Lanes::load(pool.x + i);
        output(x, ring_circle_mean(Lanes::load(pool.l + i), x, eps2)).store(pool.out + i);
    }
    if (i == pool.count) return;
    double l[width], x[width], out[width];
    for (std::size_t j = 0; j < width; ++j) {
        l[j] = pool.l[i + j < pool.count ? i + j : pool.count - 1];
        x[j] = pool.x[i + j < pool.count ? i + j : pool.count - 1];
    }
    output(Lanes::load(x), ring_circle_mean(Lanes::load(l), Lanes::load(x), eps2)).store(out);
    for (std::size_t j = 0; i + j < pool.count; ++j) pool.out[i + j] = out[j];
}

template <class Lanes>
void circle_means(const RingPool& pool) {
    evaluate_pool<Lanes>(pool, [](Lanes, Lanes mean) { return mean; });
}

template <class Lanes, class Law>
void rings(const RingPool& pool, const Law& law) {
    evaluate_pool<Lanes>(pool, [&law](Lanes x, Lanes mean) {
        return ring_integrand(x, mean, law(x));
    });
}

template <class Lanes, class... Laws>
constexpr LaneBatchesFor<Laws...> batches_for(std::type_identity<LaneBatchesFor<Laws...>>) {
    return {&circle_means<Lanes>, {&rings<Lanes, Laws>...}};
}

}  // namespace ring_kernel_detail

// The batches of the instruction set whose lane type is Lanes.
template <class Lanes>
constexpr LaneBatches lane_batches() {
    return ring_kernel_detail::batches_for<Lanes>(std::type_identity<LaneBatches>{});
}

}  // namespace varduxel::models
