// Mean point-lens magnification along one circle of the stellar disk, in
// complete elliptic integrals (D. Heyrovsky, 2003, ApJ 594, 464):
// Python's heyrovsky_magnification and the discrete flux map. Near the lens
// it is the circle mean with exact complements (circle_mean.hpp), which the
// integrated functions use everywhere. Defined inline so that loops over
// circles inline it.
#pragma once

#include <cmath>

#include "models/circle_kernel_scale.hpp"
#include "models/circle_mean.hpp"
#include "models/model_result.hpp"
#include "numeric/constants.hpp"
#include "numeric/ellipk.hpp"
#include "numeric/ellippi.hpp"

namespace varduxel::models {

namespace circle_kernel_detail {

// Within this distance (in stellar radii) of the circle the elliptic form
// loses accuracy near its logarithmic singularity: a lens just inside takes
// the series, one just outside the value 0. Only the circles that the form
// with exact complements does not cover (near_the_lens) come this far.
inline constexpr double CIRCLE_SERIES_WINDOW = 1e-5;
// Nearer to the lens than this fraction of l + r, 1 - n and 1 - m are lost to
// cancellation in the elliptic form (3.4e-10 relative at |r - l| = 1e-3 l).
inline constexpr double NEAR_LENS_FRACTION = 0.015;

// Whether the circle passes near enough to the lens for the form with exact
// complements, and is one that form is defined for: both lengths
// non-negative, the lens off the circle, a finite positive scale. Elsewhere
// (the circle through the lens, negative or NaN arguments, degenerate
// scales) the elliptic form and its window keep their own outcomes.
inline bool near_the_lens(double l, double r, double delta, double eps2) {
    const bool defined = l >= 0.0 && r >= 0.0 && r != l && 0.0 < eps2 && eps2 < numeric::POSITIVE_INFINITY;
    const double distance = std::fabs(delta);
    return defined && (distance < NEAR_LENS_FRACTION * (r + l) || distance < CIRCLE_SERIES_WINDOW);
}

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
// stellar radii from the lens: near the lens the circle mean with exact
// complements (circle_mean.hpp), elsewhere the elliptic form, with its series
// and its zero window where the first does not apply. A finite negative
// re / rstar is a star of negative size, which has no magnification (NaN); an
// infinite one keeps the outcome of the elliptic form.
inline ScalarResult circle_kernel(double l, double r, const CircleKernelScale& scale) {
    using namespace circle_kernel_detail;
    if (-numeric::POSITIVE_INFINITY < scale.eps && scale.eps < 0.0) {
        return numeric::NOT_A_NUMBER;
    }
    double delta = r - l;
    if (near_the_lens(l, r, delta, scale.eps2)) return ring_circle_mean(l, r, scale.eps2);
    double h;
    if (std::fabs(delta) < CIRCLE_SERIES_WINDOW) {
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
