// Magnification of a uniformly bright disk: the closed form in complete
// elliptic integrals, with its limit on the rim of the disk (H. J. Witt and
// S. Mao, 1994, ApJ 430, 505), completed by a series far from the disk and by
// a form with exact complements near its limb, where the closed form loses
// digits. A negative or NaN separation makes RJ fail, and its text
// "elliprj: Fail to converge" then ends the whole call (kept as it is,
// docs/compatibility.md); rho = rstar / re <= 0 gives NaN.
#include "models/uniform_disk.hpp"

#include <cmath>
#include <utility>

#include "numeric/cel.hpp"
#include "numeric/constants.hpp"
#include "numeric/ellipe.hpp"
#include "numeric/ellipk.hpp"
#include "numeric/ellippi.hpp"

namespace varduxel::models {

namespace {

// Within this distance of the rim (in Einstein radii) the general form loses
// accuracy, and its limit on the rim is used unchanged instead. Only a star
// of no finite positive size still takes it: every other star has the limb
// band below.
constexpr double RIM_LIMIT_WINDOW = 1e-5;

// From 50 stellar radii out the terms of the general form, which grow as l^2
// and cancel down to O(1), lose 5e-17 l^2 relative; the series about the
// point lens takes over, its first dropped term at most 0.015 / l^8 (4e-16
// at l = 50).
constexpr double FAR_FIELD_START = 50.0;
// Beyond this separation in Einstein radii the magnification rounds to 1.
constexpr double UNIT_MAGNIFICATION_BEYOND = 1e8;
// Within this many stellar radii of the limb, 1 - n and 1 - m are lost to
// cancellation in the general form (7e-8 relative at |l - 1| = 1e-4); the
// limb band forms them exactly.
constexpr double LIMB_BAND_HALF_WIDTH = 0.03;

// Quantities that depend only on rho = rstar / re, computed once per call.
struct DiskConstants {
    explicit DiskConstants(double rho)
        : rho(rho),
          rho2(rho * rho),
          q((rho2 - 1) / (rho2 + 1)),
          c_asin((rho2 + 1) / rho2),
          c_lin(2 / rho),
          c_n(4 * rho),
          c_e(rho2 + rho2),
          c_p(rho2 + 1) {}

    double rho, rho2, q, c_asin, c_lin, c_n, c_e, c_p;
};

// The two image magnifications from the bracket T of the closed form, summed.
double sum_of_images(double t) {
    double a_minus = (t - numeric::PI) / numeric::TWO_PI;
    double a_plus = (t + numeric::PI) / numeric::TWO_PI;
    return a_plus + a_minus;
}

// The magnification on the rim, the limit of the general form at u = rho.
double rim_magnification(const DiskConstants& k) {
    double a = std::asin(k.q) + numeric::HALF_PI;
    return (k.c_lin + k.c_asin * a) / numeric::PI;
}

// The same limit with asin(q) + pi/2 written as the equal 2 atan(rho), which
// does not cancel for a small star (8e-6 relative at rho = 1e-6 otherwise).
double rim_magnification_by_atan(const DiskConstants& k) {
    return (k.c_lin + k.c_asin * (2.0 * std::atan(k.rho))) / numeric::PI;
}

// The general form, for a lens inside or outside the disk alike; u is the
// separation in Einstein radii and delta = u - rho.
numeric::KernelResult general_magnification(const DiskConstants& k, double u, double delta) {
    double s = k.rho + u;
    double n = k.c_n * u / (s * s);
    double w = std::sqrt(delta * delta + 4);
    double modulus = std::sqrt(n * 4) / w;
    double m = modulus * modulus;

    numeric::KernelResult e = numeric::ellipe(m);
    if (!e.ok()) return e;
    numeric::KernelResult big_k = numeric::ellipk(m);
    if (!big_k.ok()) return big_k;
    numeric::KernelResult p = numeric::ellippi(n, m);
    if (!p.ok()) return p;

    double c1 = s * w / k.c_e;
    double c2 = delta * (4 + (u * u - k.rho2) * 0.5) / (k.rho2 * w);
    double c3 = k.c_p * (delta * delta + delta * delta) / (k.rho2 * s * w);
    return sum_of_images(c1 * e.value() - c2 * big_k.value() + c3 * p.value());
}

// The general form near the limb, where n and m approach 1: their
// complements 1 - n = d^2 / s^2 and 1 - m = d^2 (s^2 + 4) / (s^2 w^2) are
// formed exactly, and c1 E(m) - c2 K(m) and Pi(n, m) are each one general
// complete integral of the complement kc = sqrt(1 - m). On the limb itself
// (d^2 = 0) it is the rim value.
double limb_band_magnification(const DiskConstants& k, double u, double delta) {
    double d2 = delta * delta;
    if (d2 == 0.0) return rim_magnification_by_atan(k);
    double s = k.rho + u;
    double s2 = s * s;
    double w2 = d2 + 4.0;
    double w = std::sqrt(w2);
    double n_complement = d2 / s2;
    double m_complement = (d2 * (s2 + 4.0)) / (s2 * w2);
    double kc = std::sqrt(m_complement);
    double c1 = (s * w) / k.c_e;
    double c2 = (delta * (4.0 + (u * u - k.rho2) * 0.5)) / (k.rho2 * w);
    double c3 = (k.c_p * (d2 + d2)) / ((k.rho2 * s) * w);
    double t = numeric::cel(kc, 1.0, c1 - c2, c1 * m_complement - c2) + c3 * numeric::cel(kc, n_complement, 1.0, 1.0);
    return sum_of_images(t);
}

// Far from the disk: the mean of the point-lens magnification A(u) over the
// disk as its series in (rho / u)^2 = 1 / l^2,
//   A(u) (1 + g1 / l^2 + g2 / l^4 + g3 / l^6),
// g_k = rho^(2k) Lap^k A / (4^k k! (k+1)! A) (u / rho)^(2k), rational in
// t = u^2 with their largest values at t = 0 (1/8, 3/64, 25/1024); the
// point-lens value is written without the cancellation of (t + 2)/(u s) - 1.
double far_field_magnification(double l, double u) {
    if (u > UNIT_MAGNIFICATION_BEYOND) return 1.0;
    double t = u * u;
    double s = std::sqrt(t + 4.0);
    double us = u * s;
    double point_lens = 1.0 + 4.0 / (us * ((t + 2.0) + us));
    double p = t + 4.0;
    double p2 = p * p;
    double p4 = p2 * p2;
    double h = t + 2.0;
    double g1 = (4.0 * (t + 1.0)) / (p2 * h);
    double g2 = (2.0 * (((3.0 * t + 6.0) * t + 14.0) * t + 12.0)) / (p4 * h);
    double g3 = (4.0 * (((((2.0 * t + 2.0) * t + 22.0) * t + 57.0) * t + 82.0) * t + 50.0)) / ((p4 * p2) * h);
    double x2 = 1.0 / (l * l);
    return point_lens * (1.0 + x2 * (g1 + x2 * (g2 + x2 * g3)));
}

// One separation of a star of finite positive size: the far-field series,
// the limb band, or the general form, the first that applies.
numeric::KernelResult finite_star_magnification(const DiskConstants& k, double l) {
    double u = k.rho * l;
    double delta = u - k.rho;
    if (FAR_FIELD_START <= l && l < numeric::POSITIVE_INFINITY) return far_field_magnification(l, u);
    if (std::fabs(l - 1.0) < LIMB_BAND_HALF_WIDTH) return limb_band_magnification(k, u, delta);
    return general_magnification(k, u, delta);
}

// One separation of a star of infinite or NaN size: the general form, with
// the rim value across the window.
numeric::KernelResult degenerate_star_magnification(const DiskConstants& k, double l) {
    double u = k.rho * l;
    double delta = u - k.rho;
    if (std::fabs(delta) < RIM_LIMIT_WINDOW) return rim_magnification(k);
    return general_magnification(k, u, delta);
}

}  // namespace

VectorResult witt_mao_magnification(FloatVector l, double re, double rstar) {
    const FloatVector separations = std::move(l);
    const DiskConstants constants(rstar / re);
    // A star of no positive size (rstar and re of opposite signs, or rstar
    // zero) has no magnification.
    if (constants.rho <= 0.0) return VectorResult::success(FloatVector(separations.size(), numeric::NOT_A_NUMBER));
    const bool finite_star = constants.rho < numeric::POSITIVE_INFINITY;
    FloatVector magnifications;
    magnifications.reserve(separations.size());
    for (double separation : separations) {
        numeric::KernelResult a = finite_star ? finite_star_magnification(constants, separation)
                                              : degenerate_star_magnification(constants, separation);
        if (!a.ok()) return VectorResult::failure(a.message());
        magnifications.push_back(a.value());
    }
    return VectorResult::success(std::move(magnifications));
}

}  // namespace varduxel::models
