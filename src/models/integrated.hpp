// Magnifications integrated over the stellar disk with a radial brightness
// profile. The profile is a template callable so that it inlines into the
// quadrature; the two Python-facing variants use linear limb darkening.
#pragma once

#include <cmath>
#include <limits>
#include <utility>

#include "models/limb_darkening_kernel.hpp"
#include "models/model_result.hpp"
#include "models/uniform_disk.hpp"
#include "numeric/constants.hpp"
#include "numeric/integrate.hpp"
#include "numeric/sderivative.hpp"

namespace varduxel::models {

// Every radial integral runs over the unit disk to this absolute target.
inline constexpr double RADIAL_TARGET = 1e-16;

// Linear limb darkening with coefficient 0.6: 1 at the centre, 0.4 at the limb.
inline double default_profile(double x) {
    double t = 1 - x * x;
    double s = std::sqrt(t);
    return 1 + (1 - s) * (-0.6);
}

// The flux of default_profile as the quadrature computes it (not 4 pi / 5).
inline constexpr double DEFAULT_NORMALISER = 2.5132741228717936;

// Limb-darkened magnification as a sum of rings: for each separation, the
// integral over the radius x of 2 pi x times the circle kernel at x times the
// profile at x, divided by the normaliser. A kernel error at a node makes that
// node NaN, which the quadrature counts as zero, so this never fails.
template <class Profile>
VectorResult _integrated_heyrovsky_magnification(FloatVector l, const Profile& profile, double re, double rstar,
                                                 double normaliser) {
    const FloatVector separations = std::move(l);
    FloatVector results;
    results.reserve(separations.size());
    for (double separation : separations) {
        auto ring = [&](double x) {
            ScalarResult kernel = heyrovsky_magnification(separation, x, re, rstar);
            double mean = kernel.ok() ? kernel.value() : std::numeric_limits<double>::quiet_NaN();
            return x * numeric::TWO_PI * mean * profile(x);
        };
        results.push_back(numeric::integrate(ring, 0.0, 1.0, RADIAL_TARGET).integral / normaliser);
    }
    return VectorResult::success(std::move(results));
}

// The uniform-disk magnification of the whole star, weighted by the profile:
// the radial function is that one value at every radius, so each result is the
// uniform-disk value scaled by the profile's flux over the normaliser (with a
// small excess from the derivative step at the centre). It does not resolve
// limb darkening.
template <class Profile>
VectorResult _integrated_witt_mao_magnification(FloatVector l, const Profile& profile, double re, double rstar,
                                                double normaliser) {
    VectorResult uniform = witt_mao_magnification(std::move(l), re, rstar);
    if (!uniform.ok()) return uniform;
    const FloatVector magnifications = std::move(uniform.values());
    FloatVector results;
    results.reserve(magnifications.size());
    for (double magnification : magnifications) {
        auto radial = [magnification](double y) { return y < 0 ? 0.0 : magnification; };
        // profile(x) d/dx[pi x^2 F(x)], with the derivative by central difference.
        auto integrand = [&](double x) {
            double derivative = x < 0 ? 0.0 : numeric::sderivative(radial, x);
            return x * numeric::TWO_PI * (radial(x) + x * 0.5 * derivative) * profile(x);
        };
        results.push_back(numeric::integrate(integrand, 0.0, 1.0, RADIAL_TARGET).integral / normaliser);
    }
    return VectorResult::success(std::move(results));
}

// The two variants with linear limb darkening of coefficient 0.6.
VectorResult integrated_heyrovsky_magnification(FloatVector l, double re, double rstar);
VectorResult integrated_witt_mao_magnification(FloatVector l, double re, double rstar);

}  // namespace varduxel::models
