// Magnifications integrated over the stellar disk with a radial brightness
// profile (brightness_profiles.hpp). The profile is a template callable, so
// that the quadrature loops inline it.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <utility>

#include "models/brightness_profiles.hpp"
#include "models/limb_darkening_kernel.hpp"
#include "models/model_result.hpp"
#include "models/ring_kernel.hpp"
#include "models/uniform_disk.hpp"
#include "numeric/constants.hpp"
#include "numeric/integrate.hpp"
#include "numeric/sderivative.hpp"
#include "numeric/tanh_sinh_rule.hpp"

namespace varduxel::models {

// The flux of a profile and the uniform-disk weighting integrate over the
// unit disk to this absolute target.
inline constexpr double FLUX_TARGET = 1e-16;
// Each piece of the ring sum integrates to this absolute target: the
// quadrature's error estimate is the square of the last change, so 1e-8
// leaves the result correct to about 1e-14 relative.
inline constexpr double RING_SUM_TARGET = 1e-8;

// Within this many stellar radii of the limb the singularity at x = l lies
// at or just beyond an end of the pieces, and the error estimate can stop
// the quadrature early (1.8e-11 relative at l = 1 + 3e-6 for rho = 0.01):
// there every level of the rule is used, the target being 0 (at most
// 1.8e-13 relative, for 4.7 times the evaluations).
inline constexpr double LIMB_BAND = 0.03;

// Bound on the circle mean's products that leaves cel's quotients and
// doublings room below the overflow threshold (1.8e308).
inline constexpr double MAX_RING_PRODUCT = 1e200;

// The flux of a profile over the unit disk: the integral of (2 pi r) B(r),
// the product formed in that order.
template <class Profile>
double profile_flux(const Profile& profile) {
    auto ring = [&profile](double r) { return (r * numeric::TWO_PI) * profile(r); };
    return numeric::integrate(ring, 0.0, 1.0, FLUX_TARGET).integral;
}

// The ring integrand ((x 2 pi) C(x)) B(x) at a batch of radii x: the circle
// means C on vector lanes, then the rings with the profile B point by point;
// the linear law goes on the lanes with them.
template <class Profile>
void evaluate_rings(const Profile& profile, VectorPath path, double l, double eps2, std::span<const double> x,
                    std::span<double> values) {
    ring_circle_means(path, l, eps2, x.data(), values.data(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) values[i] = ((x[i] * numeric::TWO_PI) * values[i]) * profile(x[i]);
}

inline void evaluate_rings(const DefaultProfile&, VectorPath path, double l, double eps2, std::span<const double> x,
                           std::span<double> values) {
    linear_law_rings(path, l, eps2, x.data(), values.data(), x.size());
}

// The limb-darkened magnification at one separation l (stellar radii), before
// normalisation: the integral over the radius x of 2 pi x times the circle
// mean at x times the profile at x. The circle mean has a logarithmic
// singularity at x = l, so a lens on the disk splits the integral there and
// the singularity sits at an end of each piece, where the tanh-sinh rule
// handles it. NaN for a separation that is NaN, negative or infinite, and for
// an infinite or NaN re / rstar; NaN too beyond the range in which the circle
// mean's arithmetic stays finite (l above about 1e50, or re / rstar above
// about 1e100), where nodes would be lost to overflow and the sum come out
// too small or 0.
template <class Profile>
double ring_sum(double l, const Profile& profile, const CircleKernelScale& scale,
                VectorPath path = fastest_vector_path()) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    if (!(0.0 <= l && l < inf) || !(std::fabs(scale.eps) < inf)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // The largest product the circle mean forms, s^2 q or d^2 (s^2 + 4 eps^2),
    // is at most (l + 1)^2 ((l + 1)^2 + 4 eps^2) on [0, 1]; next to the
    // singularity the general complete integral divides it by sqrt(1 - n),
    // as small as 1e-30 for the nodes there, and doubles it on every pass.
    const double reach2 = (l + 1.0) * (l + 1.0);
    if (!(reach2 * (reach2 + scale.eps2 * 4.0) < MAX_RING_PRODUCT)) return std::numeric_limits<double>::quiet_NaN();
    auto rings = [&](std::size_t, std::span<const double> x, std::span<double> values) {
        evaluate_rings(profile, path, l, scale.eps2, x, values);
    };
    const double target = std::fabs(l - 1.0) < LIMB_BAND ? 0.0 : RING_SUM_TARGET;
    if (0.0 < l && l < 1.0) {
        const double inner = numeric::integrate_batches(rings, 0.0, l, target).integral;
        return inner + numeric::integrate_batches(rings, l, 1.0, target).integral;
    }
    return numeric::integrate_batches(rings, 0.0, 1.0, target).integral;
}

// Limb-darkened magnification as a sum of rings, one ring_sum per separation
// divided by the normaliser (the profile's flux). Never fails.
template <class Profile>
VectorResult _integrated_heyrovsky_magnification(FloatVector l, const Profile& profile, double re, double rstar,
                                                 double normaliser, VectorPath path = fastest_vector_path()) {
    const FloatVector separations = std::move(l);
    const CircleKernelScale scale(re, rstar);
    FloatVector results;
    results.reserve(separations.size());
    for (double separation : separations) results.push_back(ring_sum(separation, profile, scale, path) / normaliser);
    return VectorResult::success(std::move(results));
}

// The factors of the uniform-disk integrand that depend only on the point x
// of the quadrature over [0, 1], not on the separation, tabulated once per
// call in the rule's evaluation order: 2 pi x, the profile at x and the
// central difference's outcome at x for a radial function that is one value
// A for y >= 0 and 0 below.
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
            differences_[i] = {x * 0.5, h + h, x < 0, x + h < 0, x - h < 0};
        }
    }

    // profile(x) d/dx[pi x^2 F(x)] at the point of evaluation position i,
    // with F(y) = A for y >= 0 and the derivative by central difference.
    double integrand(std::size_t i, double magnification) const {
        const Difference& d = differences_[i];
        const double value = d.below ? 0.0 : magnification;
        double derivative = 0.0;
        if (!d.below) {
            const double forward = d.forward_below ? 0.0 : magnification;
            const double backward = d.backward_below ? 0.0 : magnification;
            const double change = forward - backward;
            // Zero over the positive h + h is a zero of the same sign, so
            // only the points with x < h (or a non-finite A) divide.
            derivative = change == 0.0 ? change : change / d.twice_step;
        }
        return two_pi_x_[i] * (value + d.half_x * derivative) * brightness_[i];
    }

private:
    struct Difference {
        double half_x;  // x * 0.5
        double twice_step;  // h + h
        bool below;  // x < 0: F(x) = 0 and no derivative
        bool forward_below;  // x + h < 0
        bool backward_below;  // x - h < 0
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

// The two variants with linear limb darkening of coefficient 0.6.
VectorResult integrated_heyrovsky_magnification(FloatVector l, double re, double rstar);
VectorResult integrated_witt_mao_magnification(FloatVector l, double re, double rstar);

}  // namespace varduxel::models
