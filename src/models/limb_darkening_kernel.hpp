// Mean point-lens magnification along one circle of the stellar disk, in
// complete elliptic integrals, with a series where the circle passes close to
// the lens: the kernel of the limb-darkened models. Defined inline so that
// the quadrature loops that evaluate it hundreds of times per separation
// inline it and hoist what depends only on re and rstar.
#pragma once

#include <cmath>

#include "models/model_result.hpp"
#include "numeric/cel.hpp"
#include "numeric/constants.hpp"
#include "numeric/ellipk.hpp"
#include "numeric/ellippi.hpp"

namespace varduxel::models {

// The Einstein radius in stellar radii, eps = re / rstar, and its square:
// the same for every circle of one call.
struct CircleKernelScale {
    CircleKernelScale(double re, double rstar) : eps(re / rstar), eps2(eps * eps) {}

    double eps;
    double eps2;
};

namespace circle_kernel_detail {

// Within this distance (in stellar radii) of the circle the elliptic form
// loses accuracy near its logarithmic singularity.
inline constexpr double NEAR_CAUSTIC_WINDOW = 1e-5;

// Expansion for a lens just inside the circle (0 <= delta < window).
inline double near_caustic_series(double l, double delta, double eps, double eps2) {
    double l2 = l * l;
    double sigma = l2 + eps2;
    double log_term = std::log(eps * 8 * l / (std::fabs(delta) * std::sqrt(sigma)));
    double t1 = std::atan(l / eps) * 4;
    double t2 = (1 - delta / (l + l)) * ((eps + eps) / l);
    double t3 = eps * (l2 + l2 + eps2) / (l2 * sigma);
    return t1 + t2 * log_term + delta * t3;
}

inline numeric::KernelResult elliptic_form(double l, double r, double delta, double eps, double eps2) {
    double delta2 = delta * delta;
    double q = delta2 + eps2 * 4;
    double s = l + r;
    double k = eps * 4 / s * std::sqrt(l * r / q);
    double m = k * k;
    numeric::KernelResult big_k = numeric::ellipk(m);
    if (!big_k.ok()) return big_k;
    double n = l * 4 * r / (s * s);
    numeric::KernelResult p = numeric::ellippi(n, m);
    if (!p.ok()) return p;
    return 4 / (s * std::sqrt(q)) * (delta2 * p.value() + (eps2 + eps2) * big_k.value());
}

}  // namespace circle_kernel_detail

// The kernel on the circle of radius r (stellar radii) whose centre lies l
// stellar radii from the lens.
inline ScalarResult circle_kernel(double l, double r, const CircleKernelScale& scale) {
    using namespace circle_kernel_detail;
    double delta = r - l;
    double h;
    if (std::fabs(delta) < NEAR_CAUSTIC_WINDOW) {
        // Just outside the circle the mean is set to zero over the whole window.
        if (delta < 0) return 0.0;
        h = near_caustic_series(l, delta, scale.eps, scale.eps2);
    } else {
        numeric::KernelResult elliptic = elliptic_form(l, r, delta, scale.eps, scale.eps2);
        if (!elliptic.ok()) return elliptic;
        h = elliptic.value();
    }
    return h / numeric::TWO_PI;
}

// l: lens-to-centre distance, r: circle radius, both in stellar radii;
// re, rstar: Einstein and stellar radius in one unit.
inline ScalarResult heyrovsky_magnification(double l, double r, double re, double rstar) {
    return circle_kernel(l, r, CircleKernelScale(re, rstar));
}

// The same circle mean in the form the ring sum integrates over the radius x,
// right up to the logarithmic singularity at x = l, with no near-caustic
// branch. Near x = l both n = 4lx / s^2 and m = 16 eps^2 lx / (s^2 q) tend to
// 1, so their complements are formed exactly instead of by subtraction:
// 1 - n = d^2 / s^2 and 1 - m = d^2 (s^2 + 4 eps^2) / (s^2 q), since
// s^2 - 4lx = d^2 and s^2 q - 16 eps^2 lx = d^2 (s^2 + 4 eps^2). The bracket
// d^2 Pi(n, m) + 2 eps^2 K(m) is one general complete elliptic integral.
// NaN where it does not converge (a point that rounds onto x = l); it cannot
// fail otherwise. l >= 0 and x >= 0 are the caller's to ensure.
inline double ring_circle_mean(double l, double x, const CircleKernelScale& scale) {
    const double d = x - l;
    const double d2 = d * d;
    const double eps2 = scale.eps2;
    const double q = d2 + eps2 * 4.0;
    const double s = l + x;
    const double s2 = s * s;
    const double nc = d2 / s2;
    const double mc = (d2 * (s2 + eps2 * 4.0)) / (s2 * q);
    const double a = d2 + (eps2 + eps2);
    const double b = d2 + (eps2 + eps2) * nc;
    const double bracket = numeric::cel(std::sqrt(mc), nc, a, b);
    return ((4.0 / (s * std::sqrt(q))) * bracket) / numeric::TWO_PI;
}

}  // namespace varduxel::models
