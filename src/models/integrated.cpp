// The integrated magnifications with the default limb-darkening profile.
#include "models/integrated.hpp"

namespace varduxel::models {

VectorResult integrated_heyrovsky_magnification(FloatVector l, double re, double rstar) {
    return _integrated_heyrovsky_magnification(std::move(l), DEFAULT_PROFILE, re, rstar, DEFAULT_PROFILE.normaliser,
                                               fastest_instruction_set());
}

VectorResult integrated_witt_mao_magnification(FloatVector l, double re, double rstar) {
    return _integrated_witt_mao_magnification(std::move(l), DEFAULT_PROFILE, re, rstar, DEFAULT_PROFILE.normaliser);
}

}  // namespace varduxel::models
