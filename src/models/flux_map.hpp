// Magnifications of a star whose radial brightness is given as a table:
// radii bl (stellar radii) and brightnesses or ring weights bf.
#pragma once

#include "models/model_result.hpp"

namespace varduxel::models {

// The table, interpolated linearly and zero outside its range, is the profile
// of the ring-sum integration; its flux over the unit disk is the normaliser.
// Throws InternalCheckFailure when bl and bf differ in length, then
// RefusedArgument when bl holds a NaN or is not in ascending order.
VectorResult integrated_flux_map_heyrovsky_magnification(FloatVector l, double re, double rstar, FloatVector bl,
                                                         FloatVector bf);

// The uniform-disk magnification scaled by the flux of the interpolated table
// over its normaliser. Throws as the function above does.
VectorResult integrated_flux_map_witt_mao_magnification(FloatVector l, double re, double rstar, FloatVector bl,
                                                        FloatVector bf);

// The table as thin rings: for each separation, the sum over j of
// bf[j] * heyrovsky_magnification(l, bl[j], re, rstar), unnormalised; the
// rings may come in any order. Throws InternalCheckFailure when bl and bf
// differ in length.
VectorResult discrete_flux_map_heyrovsky_magnification(FloatVector l, double re, double rstar, FloatVector bl,
                                                       FloatVector bf);

}  // namespace varduxel::models
