// The private test module `_varduxel_testing`: the numerical kernels and
// model internals, bound with the module's own machinery (a parameter
// description and a function per row, src/module/wrapper.hpp). It is built
// from the same sources as the package but never installed with it.
#include <span>
#include <utility>

#include "models/brightness_profiles.hpp"
#include "models/circle_mean.hpp"
#include "models/integrated.hpp"
#include "models/precondition.hpp"
#include "module/module_creation.hpp"
#include "module/wrapper.hpp"
#include "numeric/cel.hpp"
#include "numeric/ellipe.hpp"
#include "numeric/ellipk.hpp"
#include "numeric/ellippi.hpp"
#include "numeric/elliprc.hpp"
#include "numeric/elliprd.hpp"
#include "numeric/elliprf.hpp"
#include "numeric/elliprj.hpp"
#include "numeric/integrate.hpp"
#include "numeric/interp.hpp"
#include "numeric/sderivative.hpp"
#include "instruction_set_arguments.hpp"
#include "testing_types.hpp"

namespace varduxel::testing {

namespace {

using models::FloatVector;
using models::ScalarResult;
using models::VectorResult;

// The quadrature's node table: seven lists of (weight, abscissa).
struct NodeLevels {};

// Appends a new reference to `list`; false with an exception set on failure.
bool append(PyObject* list, python::OwnedRef item) { return item != nullptr && PyList_Append(list, item.get()) == 0; }

PyObject* to_python(NodeLevels) {
    python::OwnedRef levels(PyList_New(0));
    if (levels == nullptr) return nullptr;
    for (const auto level : numeric::DE_NODE_LEVELS) {
        python::OwnedRef nodes(PyList_New(0));
        if (nodes == nullptr) return nullptr;
        for (const numeric::DeNode& node : level) {
            if (!append(nodes.get(), python::OwnedRef(Py_BuildValue("(dd)", node.weight, node.abscissa)))) return nullptr;
        }
        if (!append(levels.get(), std::move(nodes))) return nullptr;
    }
    return levels.release();
}

ScalarResult cel(double kc, double p, double a, double b) { return numeric::cel(kc, p, a, b); }

CallbackResult<VectorResult> integrate(RealFunction f, double a, double b, double target) {
    const numeric::QuadratureOutput output = numeric::integrate(f, a, b, target);
    return {VectorResult::success({output.integral, output.error_estimate, double(output.evaluations)})};
}

CallbackResult<ScalarResult> sderivative(RealFunction f, double x) { return {numeric::sderivative(f, x)}; }
CallbackResult<ScalarResult> sderivative_with_step(RealFunction f, double x, double step) {
    return {numeric::sderivative(f, x, step)};
}

ScalarResult cbrt_eps() { return numeric::CBRT_EPS; }
NodeLevels de_node_levels() { return {}; }

ScalarResult interp_extend(FloatVector x, FloatVector y, double xp) {
    return numeric::interp(x, y, xp, numeric::Extend{});
}
ScalarResult interp_edge_value(FloatVector x, FloatVector y, double xp) {
    return numeric::interp(x, y, xp, numeric::EdgeValue{});
}
ScalarResult interp_fixed(FloatVector x, FloatVector y, double xp, double value) {
    return numeric::interp(x, y, xp, numeric::Fixed{value});
}

ScalarResult tabulated_profile(FloatVector bl, FloatVector bf, double r) { return models::TabulatedProfile(bl, bf)(r); }
ScalarResult tabulated_profile_flux(FloatVector bl, FloatVector bf) {
    return models::profile_flux(models::TabulatedProfile(bl, bf));
}

ScalarResult ring_circle_mean(double l, double x, double re, double rstar) {
    return models::ring_circle_mean(l, x, models::CircleKernelScale(re, rstar).eps2);
}

// The circle means at the points (ls[i], xs[i]), pooled into one batch on
// the lanes of `path`.
VectorResult ring_circle_means(FloatVector ls, FloatVector xs, double re, double rstar, InstructionSetName path) {
    models::assert_equal_lengths(ls.size(), xs.size());
    FloatVector means(xs.size());
    path.set->batches->circle_means(
        {ls.data(), xs.data(), means.data(), xs.size(), models::CircleKernelScale(re, rstar).eps2});
    return VectorResult::success(std::move(means));
}

// integrated_heyrovsky_magnification, and with a table
// integrated_flux_map_heyrovsky_magnification, on the lanes of `path`.
VectorResult ring_sums(FloatVector ls, double re, double rstar, InstructionSetName path) {
    return models::_integrated_heyrovsky_magnification(std::move(ls), models::DEFAULT_PROFILE, re, rstar,
                                                       models::DEFAULT_PROFILE.normaliser, *path.set);
}
VectorResult flux_map_ring_sums(FloatVector ls, double re, double rstar, InstructionSetName path, FloatVector bl,
                                FloatVector bf) {
    const models::TabulatedProfile profile(bl, bf);
    return models::_integrated_heyrovsky_magnification(std::move(ls), profile, re, rstar,
                                                       models::profile_flux(profile), *path.set);
}

#define DESCRIBE(function, ...)                                        \
    constexpr const char* function##_parameters[] = {__VA_ARGS__};     \
    constexpr python::ParameterDescription function##_description{#function, function##_parameters}
#define NO_PARAMETERS(function) \
    constexpr python::ParameterDescription function##_description{#function, {}}
#define ROW(function) python::method<function##_description, function>()

DESCRIBE(elliprc, "x", "y");
DESCRIBE(elliprf, "x", "y", "z");
DESCRIBE(elliprd, "x", "y", "z");
DESCRIBE(elliprj, "x", "y", "z", "p");
DESCRIBE(elliprj_core, "x", "y", "z", "p");
DESCRIBE(ellipk, "m");
DESCRIBE(ellipe, "m");
DESCRIBE(ellippi, "n", "m");
DESCRIBE(cel, "kc", "p", "a", "b");
DESCRIBE(integrate, "f", "a", "b", "target");
DESCRIBE(sderivative, "f", "x");
DESCRIBE(sderivative_with_step, "f", "x", "step");
NO_PARAMETERS(cbrt_eps);
NO_PARAMETERS(de_node_levels);
DESCRIBE(interp_extend, "x", "y", "xp");
DESCRIBE(interp_edge_value, "x", "y", "xp");
DESCRIBE(interp_fixed, "x", "y", "xp", "value");
DESCRIBE(tabulated_profile, "bl", "bf", "r");
DESCRIBE(tabulated_profile_flux, "bl", "bf");
DESCRIBE(ring_circle_mean, "l", "x", "re", "rstar");
NO_PARAMETERS(instruction_sets);
DESCRIBE(ring_circle_means, "ls", "xs", "re", "rstar", "path");
DESCRIBE(ring_sums, "ls", "re", "rstar", "path");
DESCRIBE(flux_map_ring_sums, "ls", "re", "rstar", "path", "bl", "bf");

constexpr auto elliprc = &numeric::elliprc;
constexpr auto elliprf = &numeric::elliprf;
constexpr auto elliprd = &numeric::elliprd;
constexpr auto elliprj = &numeric::elliprj;
constexpr auto elliprj_core = &numeric::_elliprj;
constexpr auto ellipk = &numeric::ellipk;
constexpr auto ellipe = &numeric::ellipe;
constexpr auto ellippi = &numeric::ellippi;

PyMethodDef functions[] = {
    ROW(elliprc), ROW(elliprf), ROW(elliprd), ROW(elliprj), ROW(elliprj_core), ROW(ellipk), ROW(ellipe),
    ROW(ellippi), ROW(cel), ROW(integrate), ROW(sderivative), ROW(sderivative_with_step), ROW(cbrt_eps),
    ROW(de_node_levels), ROW(interp_extend), ROW(interp_edge_value), ROW(interp_fixed), ROW(tabulated_profile),
    ROW(tabulated_profile_flux), ROW(ring_circle_mean), ROW(instruction_sets), ROW(ring_circle_means),
    ROW(ring_sums), ROW(flux_map_ring_sums),
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT, "_varduxel_testing", "Test-only access to the kernels and model internals of varduxel.",
    -1, nullptr, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace varduxel::testing

PyMODINIT_FUNC PyInit__varduxel_testing() {
    using namespace varduxel;
    try {
        return python::create_module(testing::definition, PYTHON_API_VERSION, testing::functions);
    } catch (...) {
        python::raise_from_current_exception();
        return nullptr;
    }
}
