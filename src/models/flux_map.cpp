// Flux-map magnifications: a tabulated brightness profile, either interpolated
// and integrated or summed as rings.
#include "models/flux_map.hpp"

#include <utility>

#include "models/brightness_profiles.hpp"
#include "models/integrated.hpp"
#include "models/limb_darkening_kernel.hpp"
#include "models/precondition.hpp"

namespace varduxel::models {

VectorResult integrated_flux_map_heyrovsky_magnification(FloatVector l, double re, double rstar, FloatVector bl,
                                                         FloatVector bf) {
    assert_equal_lengths(bl.size(), bf.size());
    check_ascending_radii(bl);
    const TabulatedProfile profile(bl, bf);
    return _integrated_heyrovsky_magnification(std::move(l), profile, re, rstar, profile_flux(profile),
                                               fastest_instruction_set());
}

VectorResult integrated_flux_map_witt_mao_magnification(FloatVector l, double re, double rstar, FloatVector bl,
                                                        FloatVector bf) {
    assert_equal_lengths(bl.size(), bf.size());
    check_ascending_radii(bl);
    const TabulatedProfile profile(bl, bf);
    return _integrated_witt_mao_magnification(std::move(l), profile, re, rstar, profile_flux(profile));
}

VectorResult discrete_flux_map_heyrovsky_magnification(FloatVector l, double re, double rstar, FloatVector bl,
                                                       FloatVector bf) {
    assert_equal_lengths(bl.size(), bf.size());
    const FloatVector separations = std::move(l);
    const CircleKernelScale scale(re, rstar);
    if (bl.empty()) return VectorResult::success(FloatVector(separations.size(), 0.0));
    FloatVector results;
    results.reserve(separations.size());
    for (double separation : separations) {
        double sum = 0.0;
        for (std::size_t j = 0; j < bl.size(); ++j) {
            ScalarResult kernel = circle_kernel(separation, bl[j], scale);
            if (!kernel.ok()) return VectorResult::failure(kernel.message());
            sum = sum + kernel.value() * bf[j];
        }
        results.push_back(sum);
    }
    return VectorResult::success(std::move(results));
}

}  // namespace varduxel::models
