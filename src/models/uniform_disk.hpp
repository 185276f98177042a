// Magnification of a uniformly bright stellar disk by a point-mass lens, in
// complete elliptic integrals, for every separation of a vector.
//
// Method: the closed form of H. J. Witt and S. Mao, 1994, ApJ 430, 505, the
// mean point-lens magnification over the disk in E, K and Pi, one formula for
// a lens inside or outside the disk, with its exact limit on the limb used
// within 1e-5 Einstein radii of it.
// Use: witt_mao_magnification and the Witt-Mao integrated variants.
// Accuracy against a 30-digit integration over the disk: 3e-14 relative at
// least 0.1 stellar radii from the limb, 1.2e-12 between 0.01 and 0.1 from it
// (README.md; tests/test_uniform_disk.py asserts 1e-13 and 5e-12). Across
// the window the limb value is off by up to 2.9e-2 at its edges for
// rho = 0.001 and 4.7e-5 for rho = 1 (README.md, "Near the limb").
#pragma once

#include "models/model_result.hpp"

namespace varduxel::models {

// l: lens-to-disk-centre separations in stellar radii (taken over and released);
// re, rstar: Einstein and stellar radius in one unit. One magnification per
// element of l, or the first kernel error met.
VectorResult witt_mao_magnification(FloatVector l, double re, double rstar);

}  // namespace varduxel::models
