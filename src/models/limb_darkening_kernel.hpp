// Mean point-lens magnification along one circle of the stellar disk: the
// kernel of the limb-darkened models.
#pragma once

#include "models/model_result.hpp"

namespace varduxel::models {

// l: lens-to-centre distance, r: circle radius, both in stellar radii;
// re, rstar: Einstein and stellar radius in one unit.
ScalarResult heyrovsky_magnification(double l, double r, double re, double rstar);

}  // namespace varduxel::models
