// Magnification of a uniformly bright stellar disk by a point-mass lens, in
// complete elliptic integrals, for every separation of a vector.
//
// Method: the closed form of H. J. Witt and S. Mao, 1994, ApJ 430, 505, the
// mean point-lens magnification over the disk in E, K and Pi, one formula for
// a lens inside or outside the disk. Within 0.03 stellar radii of the limb
// its complements 1 - n and 1 - m are formed exactly and its integrals taken
// as general complete integrals; from 50 stellar radii out a series about the
// point-lens magnification replaces it.
// Use: witt_mao_magnification and the Witt-Mao integrated variants.
// Accuracy against an integration over the disk with 40 or more digits, rho
// from 1e-8 to 1e7: 1.8e-15 relative within 0.03 of the limb, 3.9e-16 from
// l = 50 to 1e15, up to 9.3e-13 elsewhere, next to the band
// (tests/test_uniform_disk.py).
#pragma once

#include "models/model_result.hpp"

namespace varduxel::models {

// l: lens-to-disk-centre separations in stellar radii (taken over and released);
// re, rstar: Einstein and stellar radius in one unit. One magnification per
// element of l, or the first kernel error met.
VectorResult witt_mao_magnification(FloatVector l, double re, double rstar);

}  // namespace varduxel::models
