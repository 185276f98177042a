// Test access to the Carlson integrals, the complete elliptic integrals and
// the general complete elliptic integral.
// Each function takes floats and returns a float, or raises RuntimeError with
// the kernel's message.
#include <cstddef>
#include <utility>

#include "numeric/cel.hpp"
#include "numeric/ellipe.hpp"
#include "numeric/ellipk.hpp"
#include "numeric/ellippi.hpp"
#include "numeric/elliprc.hpp"
#include "numeric/elliprd.hpp"
#include "numeric/elliprf.hpp"
#include "numeric/elliprj.hpp"
#include "testing_support.hpp"

namespace varduxel::testing {
namespace {

// The Python entry of a kernel taking N doubles; Name is used in argument errors.
template <const char* Name, std::size_t N, auto Kernel>
PyObject* bound(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    double values[N];
    if (!read_doubles(Name, args, nargs, values, static_cast<Py_ssize_t>(N))) return nullptr;
    const numeric::KernelResult result = [&]<std::size_t... I>(std::index_sequence<I...>) {
        return Kernel(values[I]...);
    }(std::make_index_sequence<N>{});
    return kernel_result_to_python(result);
}

template <const char* Name, std::size_t N, auto Kernel>
constexpr PyMethodDef method(const char* doc) {
    return {Name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(bound<Name, N, Kernel>)),
            METH_FASTCALL, doc};
}

constexpr char ELLIPRC[] = "elliprc";
constexpr char ELLIPRF[] = "elliprf";
constexpr char ELLIPRD[] = "elliprd";
constexpr char ELLIPRJ[] = "elliprj";
constexpr char ELLIPRJ_CORE[] = "elliprj_core";
constexpr char ELLIPK[] = "ellipk";
constexpr char ELLIPE[] = "ellipe";
constexpr char ELLIPPI[] = "ellippi";
constexpr char CEL[] = "cel";

// The scalar overload of the general complete integral.
double cel(double kc, double p, double a, double b) { return numeric::cel(kc, p, a, b); }

PyMethodDef elliptic_methods[] = {
    method<ELLIPRC, 2, numeric::elliprc>("elliprc(x, y)"),
    method<ELLIPRF, 3, numeric::elliprf>("elliprf(x, y, z)"),
    method<ELLIPRD, 3, numeric::elliprd>("elliprd(x, y, z)"),
    method<ELLIPRJ, 4, numeric::elliprj>("elliprj(x, y, z, p)"),
    method<ELLIPRJ_CORE, 4, numeric::_elliprj>(
        "elliprj_core(x, y, z, p): the duplication core of elliprj, called without its checks"),
    method<ELLIPK, 1, numeric::ellipk>("ellipk(m)"),
    method<ELLIPE, 1, numeric::ellipe>("ellipe(m)"),
    method<ELLIPPI, 2, numeric::ellippi>("ellippi(n, m)"),
    method<CEL, 4, cel>("cel(kc, p, a, b): the general complete elliptic integral; NaN where undefined"),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_elliptic_functions(PyObject* module) { return PyModule_AddFunctions(module, elliptic_methods); }

}  // namespace varduxel::testing
