// Radial brightness profiles of the stellar disk, as functions of the radius
// in stellar radii (0 at the centre, 1 at the limb): the linear limb-darkening
// law of the plain integrated functions and the tabulated profile of the flux
// maps. Both are plain callables that the quadrature loops inline.
#pragma once

#include <cmath>
#include <span>

#include "numeric/interp.hpp"

namespace varduxel::models {

// Linear limb darkening with coefficient 0.6: 1 at the centre, 0.4 at the
// limb; on one value or on every lane of a vector lane type (numeric/simd/),
// with the same operations.
template <class Value>
Value linear_limb_darkening(Value x) {
    using std::sqrt;
    const Value t = Value(1.0) - x * x;
    const Value s = sqrt(t);
    return Value(1.0) + (Value(1.0) - s) * Value(-0.6);
}

inline double default_profile(double x) { return linear_limb_darkening(x); }

struct DefaultProfile {
    double operator()(double x) const { return default_profile(x); }
};

// The flux of default_profile as the quadrature computes it over [0, 1] with
// target 1e-16 (not 4 pi / 5, which differs in the last digits).
inline constexpr double DEFAULT_NORMALISER = 2.5132741228717936;

// B(r): a table of radii and brightnesses interpolated linearly, zero outside
// its first and last radius. It borrows the two tables, which must outlive it.
class TabulatedProfile {
public:
    TabulatedProfile(std::span<const double> radii, std::span<const double> brightness)
        : radii_(radii), brightness_(brightness), ascending_(numeric::is_ascending(radii, brightness)) {}

    // Radii in ascending order (the usual table) are searched by bisection,
    // any other table by the linear scan; both give the same value.
    double operator()(double r) const {
        return ascending_ ? numeric::interp_ascending(radii_, brightness_, r, OUTSIDE)
                          : numeric::interp(radii_, brightness_, r, OUTSIDE);
    }

private:
    static inline const numeric::OutsideMode OUTSIDE = numeric::Fixed{0.0};

    std::span<const double> radii_;
    std::span<const double> brightness_;
    bool ascending_;
};

}  // namespace varduxel::models
