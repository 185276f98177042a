// Magnification of a uniformly bright disk: the closed form in complete
// elliptic integrals, with its limit on the rim of the disk (H. J. Witt and
// S. Mao, 1994, ApJ 430, 505). A negative or NaN separation makes RJ fail,
// and its text "elliprj: Fail to converge" then ends the whole call (kept as
// it is, docs/compatibility.md); rstar = 0 gives NaN.
#include "models/uniform_disk.hpp"

#include <cmath>
#include <utility>

#include "numeric/constants.hpp"
#include "numeric/ellipe.hpp"
#include "numeric/ellipk.hpp"
#include "numeric/ellippi.hpp"

namespace varduxel::models {

namespace {

// Within this distance of the rim (in Einstein radii) the general form loses
// accuracy, and its limit on the rim is used unchanged instead.
constexpr double NEAR_CAUSTIC_WINDOW = 1e-5;

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

// The magnification on the rim, the limit of the general form at u = rho.
double rim_magnification(const DiskConstants& k) {
    double a = std::asin(k.q) + numeric::HALF_PI;
    return (k.c_lin + k.c_asin * a) / numeric::PI;
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
    double t = c1 * e.value() - c2 * big_k.value() + c3 * p.value();
    // The magnifications of the two images, summed.
    double a_minus = (t - numeric::PI) / numeric::TWO_PI;
    double a_plus = (t + numeric::PI) / numeric::TWO_PI;
    return a_plus + a_minus;
}

}  // namespace

VectorResult witt_mao_magnification(FloatVector l, double re, double rstar) {
    const FloatVector separations = std::move(l);
    const DiskConstants constants(rstar / re);
    FloatVector magnifications;
    magnifications.reserve(separations.size());
    for (double separation : separations) {
        double u = constants.rho * separation;
        double delta = u - constants.rho;
        if (std::fabs(delta) < NEAR_CAUSTIC_WINDOW) {
            magnifications.push_back(rim_magnification(constants));
            continue;
        }
        numeric::KernelResult a = general_magnification(constants, u, delta);
        if (!a.ok()) return VectorResult::failure(a.message());
        magnifications.push_back(a.value());
    }
    return VectorResult::success(std::move(magnifications));
}

}  // namespace varduxel::models
