// Magnifications integrated over the stellar disk with a radial brightness
// profile (brightness_profiles.hpp). The profile is a template callable, so
// that the quadrature loops inline it.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <utility>

#include "models/brightness_profiles.hpp"
#include "models/instruction_sets.hpp"
#include "models/circle_kernel_scale.hpp"
#include "models/model_result.hpp"
#include "models/ring_sum.hpp"
#include "models/uniform_disk.hpp"
#include "numeric/constants.hpp"
#include "numeric/integrate.hpp"
#include "numeric/sderivative.hpp"
#include "numeric/tanh_sinh_rule.hpp"

namespace varduxel::models {

// The flux of a profile and the uniform-disk weighting integrate over the
// unit disk to this absolute target.
inline constexpr double FLUX_TARGET = 1e-16;

// The flux of a profile over the unit disk: the integral of (2 pi r) B(r),
// the product formed in that order.
template <class Profile>
double profile_flux(const Profile& profile) {
    auto ring = [&profile](double r) { return (r * numeric::TWO_PI) * profile(r); };
    return numeric::integrate(ring, 0.0, 1.0, FLUX_TARGET).integral;
}

// Limb-darkened magnification as a sum of rings (ring_sum.hpp), one per
// separation divided by the normaliser (the profile's flux), on the lanes of
// `instruction_set`. Never fails.
template <class Profile>
VectorResult _integrated_heyrovsky_magnification(FloatVector l, const Profile& profile, double re, double rstar,
                                                 double normaliser, const InstructionSet& instruction_set) {
    const FloatVector separations = std::move(l);
    FloatVector results = ring_sums(separations, profile, CircleKernelScale(re, rstar), instruction_set);
    for (double& result : results) result = result / normaliser;
    return VectorResult::success(std::move(results));
}

// The factors of the uniform-disk integrand that depend only on the point x
// of the quadrature over [0, 1], not on the separation, tabulated once per
// call in the rule's evaluation order: 2 pi x, the profile at x and the
// central difference's outcome at x for a radial function that is one value
// A for y >= 0 and 0 below. Every point x of the rule is positive, and so is
// x + h; only x - h falls below 0, for x < h.
class UniformDiskPoints {
public:
    template <class Profile>
    explicit UniformDiskPoints(const Profile& profile) {
        const auto points = numeric::TanhSinhRule(0.0, 1.0).all_points();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double x = points[i];
            const double h = numeric::difference_step(x);
            two_pi_x_[i] = x * numeric::TWO_PI;
            brightness_[i] = profile(x);
            differences_[i] = {x * 0.5, h + h, x - h < 0};
        }
    }

    // profile(x) d/dx[pi x^2 F(x)] at the point of evaluation position i,
    // with F(y) = A for y >= 0 and the derivative by central difference.
    double integrand(std::size_t i, double magnification) const {
        const Difference& d = differences_[i];
        const double backward = d.backward_below ? 0.0 : magnification;
        const double change = magnification - backward;
        // Zero over the positive h + h is a zero of the same sign, so only
        // the points with x < h (or a non-finite A) divide.
        const double derivative = change == 0.0 ? change : change / d.twice_step;
        return two_pi_x_[i] * (magnification + d.half_x * derivative) * brightness_[i];
    }

private:
    struct Difference {
        double half_x;  // x * 0.5
        double twice_step;  // h + h
        bool backward_below;  // x - h < 0: F(x - h) = 0
    };

    std::array<double, numeric::MAX_EVALUATIONS> two_pi_x_;
    std::array<double, numeric::MAX_EVALUATIONS> brightness_;
    std::array<Difference, numeric::MAX_EVALUATIONS> differences_;
};

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
    if (magnifications.empty()) return VectorResult::success(FloatVector());

    const UniformDiskPoints points(profile);
    FloatVector results;
    results.reserve(magnifications.size());
    for (double magnification : magnifications) {
        // A star with no magnification (NaN) stays so; the quadrature would
        // count every NaN node as 0.
        if (std::isnan(magnification)) {
            results.push_back(magnification);
            continue;
        }
        auto integrand = [&](std::size_t first, std::span<const double>, std::span<double> values) {
            for (std::size_t i = 0; i < values.size(); ++i) values[i] = points.integrand(first + i, magnification);
        };
        results.push_back(numeric::integrate_batches(integrand, 0.0, 1.0, FLUX_TARGET).integral / normaliser);
    }
    return VectorResult::success(std::move(results));
}

// The two variants with DEFAULT_PROFILE, linear limb darkening of
// coefficient 0.6; the ring sums run on the widest instruction set the CPU
// has.
VectorResult integrated_heyrovsky_magnification(FloatVector l, double re, double rstar);
VectorResult integrated_witt_mao_magnification(FloatVector l, double re, double rstar);

}  // namespace varduxel::models
