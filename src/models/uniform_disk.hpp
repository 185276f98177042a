// Magnification of a uniformly bright stellar disk by a point-mass lens, in
// complete elliptic integrals, for every separation of a vector.
#pragma once

#include "models/model_result.hpp"

namespace varduxel::models {

// l: lens-to-disk-centre separations in stellar radii (taken over and released);
// re, rstar: Einstein and stellar radius in one unit. One magnification per
// element of l, or the first kernel error met.
VectorResult witt_mao_magnification(FloatVector l, double re, double rstar);

}  // namespace varduxel::models
