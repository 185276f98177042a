// The module's Python functions. A row is a parameter description and the model
// operation it calls, whose parameters (double or FloatVector) match the
// description one for one; adding a function is a description here and one
// line in the table.
#include "module/wrappers.hpp"

#include "models/flux_map.hpp"
#include "models/integrated.hpp"
#include "models/limb_darkening_kernel.hpp"
#include "models/uniform_disk.hpp"
#include "module/wrapper.hpp"

namespace varduxel::python {

namespace {

constexpr const char* L_RE_RSTAR[] = {"l", "re", "rstar"};
constexpr const char* L_R_RE_RSTAR[] = {"l", "r", "re", "rstar"};
constexpr const char* L_RE_RSTAR_BL_BF[] = {"l", "re", "rstar", "bl", "bf"};

constexpr ParameterDescription WITT_MAO_MAGNIFICATION{"witt_mao_magnification", L_RE_RSTAR};
constexpr ParameterDescription INTEGRATED_WITT_MAO_MAGNIFICATION{"integrated_witt_mao_magnification", L_RE_RSTAR};
constexpr ParameterDescription INTEGRATED_FLUX_MAP_WITT_MAO_MAGNIFICATION{
    "integrated_flux_map_witt_mao_magnification", L_RE_RSTAR_BL_BF};
constexpr ParameterDescription HEYROVSKY_MAGNIFICATION{"heyrovsky_magnification", L_R_RE_RSTAR};
constexpr ParameterDescription INTEGRATED_HEYROVSKY_MAGNIFICATION{"integrated_heyrovsky_magnification", L_RE_RSTAR};
constexpr ParameterDescription INTEGRATED_FLUX_MAP_HEYROVSKY_MAGNIFICATION{
    "integrated_flux_map_heyrovsky_magnification", L_RE_RSTAR_BL_BF};
constexpr ParameterDescription DISCRETE_FLUX_MAP_HEYROVSKY_MAGNIFICATION{
    "discrete_flux_map_heyrovsky_magnification", L_RE_RSTAR_BL_BF};

// Table order is registration order and the order of __all__.
PyMethodDef functions[] = {
    method<WITT_MAO_MAGNIFICATION, models::witt_mao_magnification>(),
    method<INTEGRATED_WITT_MAO_MAGNIFICATION, models::integrated_witt_mao_magnification>(),
    method<INTEGRATED_FLUX_MAP_WITT_MAO_MAGNIFICATION, models::integrated_flux_map_witt_mao_magnification>(),
    method<HEYROVSKY_MAGNIFICATION, models::heyrovsky_magnification>(),
    method<INTEGRATED_HEYROVSKY_MAGNIFICATION, models::integrated_heyrovsky_magnification>(),
    method<INTEGRATED_FLUX_MAP_HEYROVSKY_MAGNIFICATION, models::integrated_flux_map_heyrovsky_magnification>(),
    method<DISCRETE_FLUX_MAP_HEYROVSKY_MAGNIFICATION, models::discrete_flux_map_heyrovsky_magnification>(),
};

}  // namespace

std::span<PyMethodDef> function_table() { return functions; }

}  // namespace varduxel::python
