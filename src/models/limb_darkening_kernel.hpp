// Mean point-lens magnification along one circle of the stellar disk, in
// complete elliptic integrals (D. Heyrovsky, 2003, ApJ 594, 464), with a
// series where the circle passes within 1e-5 stellar radii of the lens:
// Python's heyrovsky_magnification and the discrete flux map. Measured
// against a 25-digit average around the circle: 4.5e-13 relative at least
// 1e-3 stellar radii from the lens, 7.9e-7 at the series' edge. The
// integrated functions use its window-free form, ring_kernel.hpp. Defined
// inline so that loops over circles inline it.
#pragma once

#include <cmath>

#include "models/model_result.hpp"
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

}  // namespace varduxel::models
