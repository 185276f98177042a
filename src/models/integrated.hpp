// Magnifications integrated over the stellar disk with a radial brightness
// profile. The profile is a template callable, evaluated once per quadrature
// point and call; the two Python-facing variants use linear limb darkening.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
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

// The factors of the radial integrands that depend only on the quadrature
// point x over [0, 1], not on the separation: 2 pi x and the profile there.
// They are tabulated once per call and looked up by the point's position in
// the quadrature's call order, instead of being formed again for every
// separation; the products they enter are the same.
class RadialNodes {
public:
    template <class Profile>
    static RadialNodes of(const Profile& profile) {
        RadialNodes nodes;
        const auto points = numeric::quadrature_points(0.0, 1.0);
        for (std::size_t i = 0; i < points.size(); ++i) {
            nodes.two_pi_x_[i] = points[i] * numeric::TWO_PI;
            nodes.brightness_[i] = profile(points[i]);
        }
        return nodes;
    }

    double two_pi_x(std::size_t i) const { return two_pi_x_[i]; }
    double brightness(std::size_t i) const { return brightness_[i]; }

    // The flux of the profile over the unit disk: the integral of
    // (2 pi r) B(r), the product formed in that order.
    double flux() const {
        auto ring = [this](std::size_t i, double) { return two_pi_x_[i] * brightness_[i]; };
        return numeric::integrate_indexed(ring, 0.0, 1.0, RADIAL_TARGET).integral;
    }

private:
    RadialNodes() = default;

    std::array<double, numeric::MAX_EVALUATIONS> two_pi_x_;
    std::array<double, numeric::MAX_EVALUATIONS> brightness_;
};

// Limb-darkened magnification as a sum of rings: for each separation, the
// integral over the radius x of 2 pi x times the circle kernel at x times the
// profile at x, divided by the normaliser. A kernel error at a node makes that
// node NaN, which the quadrature counts as zero, so this never fails.
inline VectorResult _integrated_heyrovsky_magnification(FloatVector l, const RadialNodes& nodes, double re,
                                                        double rstar, double normaliser) {
    const FloatVector separations = std::move(l);
    const CircleKernelScale scale(re, rstar);
    FloatVector results;
    results.reserve(separations.size());
    for (double separation : separations) {
        auto ring = [&](std::size_t i, double x) {
            const ScalarResult kernel = circle_kernel(separation, x, scale);
            const double mean = kernel.ok() ? kernel.value() : std::numeric_limits<double>::quiet_NaN();
            return nodes.two_pi_x(i) * mean * nodes.brightness(i);
        };
        results.push_back(numeric::integrate_indexed(ring, 0.0, 1.0, RADIAL_TARGET).integral / normaliser);
    }
    return VectorResult::success(std::move(results));
}

template <class Profile>
VectorResult _integrated_heyrovsky_magnification(FloatVector l, const Profile& profile, double re, double rstar,
                                                 double normaliser) {
    if (l.empty()) return VectorResult::success(FloatVector());
    return _integrated_heyrovsky_magnification(std::move(l), RadialNodes::of(profile), re, rstar, normaliser);
}

// The uniform-disk magnification of the whole star, weighted by the profile:
// the radial function is that one value at every radius, so each result is the
// uniform-disk value scaled by the profile's flux over the normaliser (with a
// small excess from the derivative step at the centre). It does not resolve
// limb darkening.
inline VectorResult _integrated_witt_mao_magnification(FloatVector l, const RadialNodes& nodes, double re,
                                                       double rstar, double normaliser) {
    VectorResult uniform = witt_mao_magnification(std::move(l), re, rstar);
    if (!uniform.ok()) return uniform;
    const FloatVector magnifications = std::move(uniform.values());

    // The central difference at each quadrature point x, with F(y) = A for
    // y >= 0 and 0 below: where x, x + h and x - h fall relative to 0 and the
    // divisor h + h depend on x alone, so they are tabulated once.
    struct Difference {
        double half_x;  // x * 0.5
        double twice_step;  // h + h
        bool below;  // x < 0: F(x) = 0 and no derivative
        bool forward_below;  // x + h < 0
        bool backward_below;  // x - h < 0
    };
    std::array<Difference, numeric::MAX_EVALUATIONS> differences;
    const auto points = numeric::quadrature_points(0.0, 1.0);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double x = points[i];
        const double h = numeric::difference_step(x);
        differences[i] = {x * 0.5, h + h, x < 0, x + h < 0, x - h < 0};
    }

    FloatVector results;
    results.reserve(magnifications.size());
    for (double magnification : magnifications) {
        // profile(x) d/dx[pi x^2 F(x)], with the derivative by central difference.
        auto integrand = [&](std::size_t i, double) {
            const Difference& d = differences[i];
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
            return nodes.two_pi_x(i) * (value + d.half_x * derivative) * nodes.brightness(i);
        };
        results.push_back(numeric::integrate_indexed(integrand, 0.0, 1.0, RADIAL_TARGET).integral / normaliser);
    }
    return VectorResult::success(std::move(results));
}

template <class Profile>
VectorResult _integrated_witt_mao_magnification(FloatVector l, const Profile& profile, double re, double rstar,
                                                double normaliser) {
    if (l.empty()) return VectorResult::success(FloatVector());
    return _integrated_witt_mao_magnification(std::move(l), RadialNodes::of(profile), re, rstar, normaliser);
}

// The two variants with linear limb darkening of coefficient 0.6.
VectorResult integrated_heyrovsky_magnification(FloatVector l, double re, double rstar);
VectorResult integrated_witt_mao_magnification(FloatVector l, double re, double rstar);

}  // namespace varduxel::models
