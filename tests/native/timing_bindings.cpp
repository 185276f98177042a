// Native timing loops for the benchmark: the cost of the work the module's
// functions are made of, measured without the Python boundary, so that each
// function can be reported as a multiple of its floor.
#include <time.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "models/brightness_profiles.hpp"
#include "models/integrated.hpp"
#include "models/limb_darkening_kernel.hpp"
#include "models/uniform_disk.hpp"
#include "numeric/tanh_sinh_rule.hpp"
#include "testing_support.hpp"

namespace varduxel::testing {
namespace {

// Keeps the timed results alive so that no loop is optimised away.
volatile double sink = 0.0;

// (separations, re, rstar, repeats) with at least one repeat.
bool read_timing_arguments(const char* function, PyObject* const* args, Py_ssize_t nargs, std::vector<double>& ls,
                           double& re, double& rstar, long& repeats) {
    if (nargs != 4) {
        PyErr_Format(PyExc_TypeError, "%s(ls, re, rstar, repeats) takes 4 arguments (%zd given)", function, nargs);
        return false;
    }
    if (!read_floats(args[0], "separations must be a sequence of floats", ls)) return false;
    double scales[2];
    if (!read_doubles(function, args + 1, 2, scales, 2)) return false;
    re = scales[0];
    rstar = scales[1];
    repeats = PyLong_AsLong(args[3]);
    if (repeats == -1 && PyErr_Occurred()) return false;
    if (repeats < 1) {
        PyErr_Format(PyExc_ValueError, "%s(): repeats must be at least 1", function);
        return false;
    }
    return true;
}

// The radii at which a quadrature over [0, 1] evaluates its integrand.
std::vector<double> quadrature_radii() {
    const auto points = numeric::TanhSinhRule(0.0, 1.0).all_points();
    return std::vector<double>(points.begin(), points.end());
}

// A profile that records every radius it is asked for: the ring sum calls its
// profile once per integrand evaluation, so this lists the radii at which the
// integrand was evaluated.
template <class Profile>
struct RecordingProfile {
    const Profile& profile;
    std::vector<double>* radii;
    double operator()(double x) const {
        radii->push_back(x);
        return profile(x);
    }
};

// CPU time of the calling thread, in seconds: unlike wall time it does not
// count the time other processes hold the core, which on a shared machine is
// most of the noise. time.thread_time() reads the same clock.
double thread_seconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The fastest of `repeats` runs of `run`, in seconds per unit of `units`.
template <class Run>
double best_time(long repeats, double units, Run&& run) {
    double best = std::numeric_limits<double>::infinity();
    for (long repeat = 0; repeat < repeats; ++repeat) {
        const double start = thread_seconds();
        run();
        best = std::min(best, thread_seconds() - start);
    }
    return best / units;
}

// time_circle_kernel(ls, re, rstar, repeats) -> seconds per kernel evaluation:
// the circle kernel at the 385 quadrature radii for every separation, the
// work one ring-sum integration mandates, in a tight loop.
PyObject* time_circle_kernel(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    std::vector<double> ls;
    double re, rstar;
    long repeats;
    if (!read_timing_arguments("time_circle_kernel", args, nargs, ls, re, rstar, repeats)) return nullptr;
    const std::vector<double> radii = quadrature_radii();
    const double seconds = best_time(repeats, static_cast<double>(ls.size() * radii.size()), [&] {
        double sum = 0.0;
        for (double l : ls) {
            for (double r : radii) {
                const models::ScalarResult kernel = models::heyrovsky_magnification(l, r, re, rstar);
                sum += kernel.ok() ? kernel.value() : 1.0;
            }
        }
        sink = sum;
    });
    return PyFloat_FromDouble(seconds);
}

// time_uniform_disk(ls, re, rstar, repeats) -> seconds per separation of the
// uniform-disk model operation on the whole vector.
PyObject* time_uniform_disk(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    std::vector<double> ls;
    double re, rstar;
    long repeats;
    if (!read_timing_arguments("time_uniform_disk", args, nargs, ls, re, rstar, repeats)) return nullptr;
    const double seconds = best_time(repeats, static_cast<double>(ls.size()), [&] {
        models::VectorResult result = models::witt_mao_magnification(ls, re, rstar);
        sink = result.ok() && !result.values().empty() ? result.values().front() : 0.0;
    });
    return PyFloat_FromDouble(seconds);
}

// The mean number of integrand evaluations per separation that the ring sum
// makes with `profile`, and the time of one evaluation of its integrand at
// exactly those radii, each separation's radii in one batch on the lanes of
// `path`.
template <class Profile>
PyObject* ring_sum_floor(const std::vector<double>& ls, double re, double rstar, long repeats,
                         models::VectorPath path, const Profile& profile) {
    const models::CircleKernelScale scale(re, rstar);
    std::vector<std::vector<double>> radii(ls.size());
    std::size_t evaluations = 0;
    for (std::size_t i = 0; i < ls.size(); ++i) {
        models::ring_sum(ls[i], RecordingProfile<Profile>{profile, &radii[i]}, scale, path);
        evaluations += radii[i].size();
    }
    if (evaluations == 0) return Py_BuildValue("(dd)", 0.0, 0.0);
    std::vector<double> values;
    const double seconds = best_time(repeats, static_cast<double>(evaluations), [&] {
        double sum = 0.0;
        for (std::size_t i = 0; i < ls.size(); ++i) {
            const std::vector<double>& x = radii[i];
            values.resize(x.size());
            models::evaluate_rings(profile, path, ls[i], scale.eps2, x, values);
            for (double value : values) sum += value;
        }
        sink = sum;
    });
    return Py_BuildValue("(dd)", static_cast<double>(evaluations) / static_cast<double>(ls.size()), seconds);
}

// (ls, re, rstar, repeats, path) and `optional` more arguments, which the
// caller reads from args[5] on.
struct PathTimingArguments {
    std::vector<double> ls;
    double re, rstar;
    long repeats;
    models::VectorPath path;

    bool read(const char* function, PyObject* const* args, Py_ssize_t nargs, Py_ssize_t optional) {
        if (nargs != 5 && nargs != 5 + optional) {
            PyErr_Format(PyExc_TypeError, "%s() takes 5 or %zd arguments (%zd given)", function, 5 + optional, nargs);
            return false;
        }
        return read_timing_arguments(function, args, 4, ls, re, rstar, repeats) && read_vector_path(args[4], path);
    }
};

// time_ring_sum_floor(ls, re, rstar, repeats, path[, bl, bf]) -> (evaluations,
// seconds): the floor of integrated_heyrovsky_magnification (or, with a
// table, of integrated_flux_map_heyrovsky_magnification) on the vector path
// named `path` is their product.
PyObject* time_ring_sum_floor(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    PathTimingArguments a;
    if (!a.read("time_ring_sum_floor", args, nargs, 2)) return nullptr;
    if (nargs == 5) return ring_sum_floor(a.ls, a.re, a.rstar, a.repeats, a.path, models::DefaultProfile{});
    std::vector<double> bl, bf;
    if (!read_floats(args[5], "bl must be a sequence", bl) || !read_floats(args[6], "bf must be a sequence", bf)) {
        return nullptr;
    }
    return ring_sum_floor(a.ls, a.re, a.rstar, a.repeats, a.path, models::TabulatedProfile(bl, bf));
}

// time_ring_sums(ls, re, rstar, repeats, path) -> seconds per separation of
// integrated_heyrovsky_magnification's model operation on the lanes of `path`.
PyObject* time_ring_sums(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    PathTimingArguments a;
    if (!a.read("time_ring_sums", args, nargs, 0)) return nullptr;
    const double seconds = best_time(a.repeats, static_cast<double>(a.ls.size()), [&] {
        models::VectorResult result = models::_integrated_heyrovsky_magnification(
            a.ls, models::DefaultProfile{}, a.re, a.rstar, models::DEFAULT_NORMALISER, a.path);
        sink = result.values().empty() ? 0.0 : result.values().front();
    });
    return PyFloat_FromDouble(seconds);
}

PyMethodDef timing_methods[] = {
    {"time_ring_sum_floor", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(time_ring_sum_floor)),
     METH_FASTCALL,
     "time_ring_sum_floor(ls, re, rstar, repeats, path[, bl, bf]) -> (evaluations per separation, seconds each)"},
    {"time_ring_sums", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(time_ring_sums)), METH_FASTCALL,
     "time_ring_sums(ls, re, rstar, repeats, path) -> seconds per separation on one vector path"},
    {"time_circle_kernel", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(time_circle_kernel)),
     METH_FASTCALL, "time_circle_kernel(ls, re, rstar, repeats) -> seconds per kernel evaluation"},
    {"time_uniform_disk", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(time_uniform_disk)),
     METH_FASTCALL, "time_uniform_disk(ls, re, rstar, repeats) -> seconds per separation"},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_timing_functions(PyObject* module) { return PyModule_AddFunctions(module, timing_methods); }

}  // namespace varduxel::testing
