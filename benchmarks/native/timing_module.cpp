// The benchmark's private module `_varduxel_timing` (benchmarks/run.py):
// native timing loops for the cost of the work the module's functions are
// made of, measured without the Python boundary, so that each function can
// be reported as a multiple of its floor. Built from the package's own
// sources and binding machinery, beside the private test module, whose
// instruction-set arguments it shares (tests/native/); never installed.
#include <time.h>

#include <algorithm>
#include <limits>
#include <span>

#include "models/brightness_profiles.hpp"
#include "models/integrated.hpp"
#include "models/limb_darkening_kernel.hpp"
#include "models/ring_integrand.hpp"
#include "models/uniform_disk.hpp"
#include "module/module_creation.hpp"
#include "module/wrapper.hpp"
#include "numeric/tanh_sinh_rule.hpp"
#include "instruction_set_arguments.hpp"

namespace varduxel::timing {

namespace {

using models::FloatVector;
using models::ScalarResult;
using models::VectorResult;
using testing::InstructionSetName;

// Keeps the timed results alive so that no loop is optimised away.
volatile double sink = 0.0;

// CPU time of the calling thread, in seconds: unlike wall time it does not
// count the time other processes hold the core, which on a shared machine is
// most of the noise. time.thread_time() reads the same clock.
double thread_seconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The fastest of `repeats` (at least one) runs of `run`, in seconds per unit
// of `units`.
template <class Run>
double best_time(double repeats, double units, Run&& run) {
    double best = std::numeric_limits<double>::infinity();
    for (double repeat = 0; repeat == 0 || repeat < repeats; ++repeat) {
        const double start = thread_seconds();
        run();
        best = std::min(best, thread_seconds() - start);
    }
    return best / units;
}

// The ring integrand at the points of `pool`, as the ring sum evaluates it:
// on the lanes with the circle means, or after them point by point.
template <class Profile>
void ring_integrands(const models::RingPool& pool, const Profile& profile, const models::InstructionSet& lanes) {
    if constexpr (models::LaneBatches::on_lanes<Profile>) {
        lanes.batches->rings_with<Profile>()(pool, profile);
    } else {
        lanes.batches->circle_means(pool);
        for (std::size_t i = 0; i < pool.count; ++i) {
            pool.out[i] = models::ring_integrand(pool.x[i], pool.out[i], profile(pool.x[i]));
        }
    }
}

// The points at which the ring sum of one separation evaluates its
// integrand, found by running its integrations one batch at a time.
template <class Profile>
FloatVector ring_sum_points(double l, const Profile& profile, const models::CircleKernelScale& scale,
                            const models::InstructionSet& lanes) {
    FloatVector points, ls;
    const models::RingSumPieces pieces = models::ring_sum_pieces(l, scale);
    for (std::size_t k = 0; k < pieces.count; ++k) {
        numeric::TanhSinhIntegration integration(pieces.ends[k], pieces.ends[k + 1], pieces.target);
        while (!integration.done()) {
            const std::span<const double> x = integration.pending_points();
            points.insert(points.end(), x.begin(), x.end());
            ls.assign(x.size(), l);
            ring_integrands({ls.data(), x.data(), integration.pending_values().data(), x.size(), scale.eps2}, profile,
                            lanes);
            integration.advance();
        }
    }
    return points;
}

// The mean number of integrand evaluations per separation that the ring sum
// makes with `profile`, and the time of one evaluation of its integrand at
// exactly those points, each separation's points in one batch on the lanes
// of `path`: their product is the floor of the ring sum.
template <class Profile>
VectorResult ring_sum_floor(const FloatVector& ls, double re, double rstar, double repeats,
                            const models::InstructionSet& lanes, const Profile& profile) {
    const models::CircleKernelScale scale(re, rstar);
    std::vector<FloatVector> points;
    std::size_t evaluations = 0;
    for (double l : ls) {
        points.push_back(ring_sum_points(l, profile, scale, lanes));
        evaluations += points.back().size();
    }
    if (evaluations == 0) return VectorResult::success({0.0, 0.0});
    FloatVector pool_l, values;
    const double seconds = best_time(repeats, static_cast<double>(evaluations), [&] {
        double sum = 0.0;
        for (std::size_t i = 0; i < ls.size(); ++i) {
            const FloatVector& x = points[i];
            pool_l.assign(x.size(), ls[i]);
            values.resize(x.size());
            ring_integrands({pool_l.data(), x.data(), values.data(), x.size(), scale.eps2}, profile, lanes);
            for (double value : values) sum += value;
        }
        sink = sum;
    });
    return VectorResult::success({static_cast<double>(evaluations) / static_cast<double>(ls.size()), seconds});
}

// Seconds per kernel evaluation: the circle kernel at the 385 quadrature
// radii for every separation, in a tight loop.
ScalarResult time_circle_kernel(FloatVector ls, double re, double rstar, double repeats) {
    const auto radii = numeric::TanhSinhRule(0.0, 1.0).all_points();
    return best_time(repeats, static_cast<double>(ls.size() * radii.size()), [&] {
        double sum = 0.0;
        for (double l : ls) {
            for (double r : radii) {
                const ScalarResult kernel = models::heyrovsky_magnification(l, r, re, rstar);
                sum += kernel.ok() ? kernel.value() : 1.0;
            }
        }
        sink = sum;
    });
}

// Seconds per separation of the uniform-disk model operation on the whole vector.
ScalarResult time_uniform_disk(FloatVector ls, double re, double rstar, double repeats) {
    return best_time(repeats, static_cast<double>(ls.size()), [&] {
        VectorResult result = models::witt_mao_magnification(ls, re, rstar);
        sink = result.ok() && !result.values().empty() ? result.values().front() : 0.0;
    });
}

// [evaluations per separation, seconds per evaluation] of
// integrated_heyrovsky_magnification on the lanes of `path`, and of
// integrated_flux_map_heyrovsky_magnification with the table (bl, bf).
VectorResult time_ring_sum_floor(FloatVector ls, double re, double rstar, double repeats, InstructionSetName path) {
    return ring_sum_floor(ls, re, rstar, repeats, *path.set, models::DEFAULT_PROFILE);
}
VectorResult time_flux_map_ring_sum_floor(FloatVector ls, double re, double rstar, double repeats,
                                          InstructionSetName path, FloatVector bl, FloatVector bf) {
    return ring_sum_floor(ls, re, rstar, repeats, *path.set, models::TabulatedProfile(bl, bf));
}

// Seconds per separation of integrated_heyrovsky_magnification's model
// operation on the lanes of `path`, and of the flux map's with (bl, bf).
ScalarResult time_ring_sums(FloatVector ls, double re, double rstar, double repeats, InstructionSetName path) {
    return best_time(repeats, static_cast<double>(ls.size()), [&] {
        VectorResult result = models::_integrated_heyrovsky_magnification(
            ls, models::DEFAULT_PROFILE, re, rstar, models::DEFAULT_PROFILE.normaliser, *path.set);
        sink = result.values().empty() ? 0.0 : result.values().front();
    });
}
ScalarResult time_flux_map_ring_sums(FloatVector ls, double re, double rstar, double repeats,
                                     InstructionSetName path, FloatVector bl, FloatVector bf) {
    return best_time(repeats, static_cast<double>(ls.size()), [&] {
        const models::TabulatedProfile profile(bl, bf);
        VectorResult result = models::_integrated_heyrovsky_magnification(ls, profile, re, rstar,
                                                                          models::profile_flux(profile), *path.set);
        sink = result.values().empty() ? 0.0 : result.values().front();
    });
}

constexpr const char* TIMING[] = {"ls", "re", "rstar", "repeats"};
constexpr const char* ON_PATH[] = {"ls", "re", "rstar", "repeats", "path"};
constexpr const char* WITH_TABLE[] = {"ls", "re", "rstar", "repeats", "path", "bl", "bf"};
constexpr python::ParameterDescription TIME_CIRCLE_KERNEL{"time_circle_kernel", TIMING};
constexpr python::ParameterDescription TIME_UNIFORM_DISK{"time_uniform_disk", TIMING};
constexpr python::ParameterDescription TIME_RING_SUM_FLOOR{"time_ring_sum_floor", ON_PATH};
constexpr python::ParameterDescription TIME_FLUX_MAP_RING_SUM_FLOOR{"time_flux_map_ring_sum_floor", WITH_TABLE};
constexpr python::ParameterDescription TIME_RING_SUMS{"time_ring_sums", ON_PATH};
constexpr python::ParameterDescription TIME_FLUX_MAP_RING_SUMS{"time_flux_map_ring_sums", WITH_TABLE};

constexpr python::ParameterDescription INSTRUCTION_SETS{"instruction_sets", {}};

PyMethodDef functions[] = {
    python::method<INSTRUCTION_SETS, testing::instruction_sets>(),
    python::method<TIME_CIRCLE_KERNEL, time_circle_kernel>(),
    python::method<TIME_UNIFORM_DISK, time_uniform_disk>(),
    python::method<TIME_RING_SUM_FLOOR, time_ring_sum_floor>(),
    python::method<TIME_FLUX_MAP_RING_SUM_FLOOR, time_flux_map_ring_sum_floor>(),
    python::method<TIME_RING_SUMS, time_ring_sums>(),
    python::method<TIME_FLUX_MAP_RING_SUMS, time_flux_map_ring_sums>(),
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT, "_varduxel_timing", "Native timing loops of the varduxel benchmark.",
    -1, nullptr, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace varduxel::timing

PyMODINIT_FUNC PyInit__varduxel_timing() {
    using namespace varduxel;
    try {
        return python::create_module(timing::definition, PYTHON_API_VERSION, timing::functions);
    } catch (...) {
        python::raise_from_current_exception();
        return nullptr;
    }
}
