// A brightness profile given as a table of radii and brightnesses.
#pragma once

#include <span>

#include "models/integrated.hpp"
#include "numeric/constants.hpp"
#include "numeric/integrate.hpp"
#include "numeric/interp.hpp"

namespace varduxel::models {

// B(r): the table interpolated linearly, zero outside its first and last
// radius. It borrows the two tables, which must outlive it.
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

    // The flux of the profile over the unit disk: the integral of 2 pi r B(r).
    double flux() const { return RadialNodes::of(*this).flux(); }

private:
    static inline const numeric::OutsideMode OUTSIDE = numeric::Fixed{0.0};

    std::span<const double> radii_;
    std::span<const double> brightness_;
    bool ascending_;
};

}  // namespace varduxel::models
