"""Carlson's integrals RC, RF, RD, RJ: kernel errors with their exact texts,
step limits, exact values and the reductions between the kernels, the
recorded bits of every branch, and accuracy against mpmath on random
arguments."""

import math
import random

import mpmath
import pytest

from tests.support import kernel_corpus
from tests.support.bits import pattern, same
from tests.support.kernel_checks import kernel_error, relative_error, worst_error
from tests.support.native import private_test_module

vt = private_test_module()

NAN = math.nan
INF = math.inf
PI = math.pi

RF_DOMAIN = "elliprf: x, y, and z must be non-negative, and at most one can be zero."
RD_DOMAIN = "elliprd: x and y must be non-negative, and at most one can be zero."
RJ_DOMAIN = "elliprj: x, y, and z must be non-negative, and at most one can be zero."
RF_CONVERGENCE = "elliprf: Failed to converge."
RD_CONVERGENCE = "elliprd: Failed to converge."
RJ_CONVERGENCE = "elliprj: Fail to converge"


# References in mpmath.
def principal_value_by_identity(x, y, z, p):
    """RJ for p < 0 from RJ, RF, RC at positive arguments, in mpmath."""
    x, y, z = sorted(map(mpmath.mpf, (x, y, z)))
    p = mpmath.mpf(p)
    q = (z * (x + y - p) - x * y) / (z - p)
    rc = mpmath.elliprc(x * y - p * q, -p * q)
    rj = mpmath.elliprj(x, y, z, q)
    return ((q - z) * rj - 3 * mpmath.elliprf(x, y, z) + 3 * mpmath.sqrt(x * y * z / (x * y - p * q)) * rc) / (z - p)


def principal_value_by_quadrature(x, y, z, p):
    """3/2 PV int_0^inf f(t)/(t - t0) dt, f = ((t+x)(t+y)(t+z))^(-1/2), t0 = -p,
    with f(t0) subtracted on [0, 2 t0] where the kernel 1/(t - t0) integrates to 0."""
    t0 = -mpmath.mpf(p)

    def f(t):
        return 1 / mpmath.sqrt((t + x) * (t + y) * (t + z))

    f0 = f(t0)
    near = mpmath.quad(lambda t: (f(t) - f0) / (t - t0), [0, t0, 2 * t0])
    far = mpmath.quad(lambda t: f(t) / (t - t0), [2 * t0, mpmath.inf])
    return 1.5 * (near + far)


def reference_elliprj(x, y, z, p):
    if p > 0:
        return mpmath.re(mpmath.elliprj(x, y, z, p))
    return principal_value_by_identity(x, y, z, p)


# ---------------------------------------------------------------- kernel errors


@pytest.mark.parametrize(
    "function, args, message",
    [
        (vt.elliprc, (-1.0, 1.0), "elliprc: x must be non-negative."),
        (vt.elliprc, (-1.0, 0.0), "elliprc: x must be non-negative."),
        (vt.elliprc, (-INF, 1.0), "elliprc: x must be non-negative."),
        (vt.elliprc, (1.0, 0.0), "elliprc: y must be non-zero."),
        (vt.elliprc, (1.0, -0.0), "elliprc: y must be non-zero."),
        (vt.elliprc, (NAN, 0.0), "elliprc: y must be non-zero."),
        (vt.elliprf, (0.0, 0.0, 1.0), RF_DOMAIN),
        (vt.elliprf, (1.0, 0.0, 0.0), RF_DOMAIN),
        (vt.elliprf, (0.0, 1.0, 0.0), RF_DOMAIN),
        (vt.elliprf, (0.0, 0.0, 0.0), RF_DOMAIN),
        (vt.elliprf, (-1.0, 1.0, 1.0), RF_DOMAIN),
        (vt.elliprf, (1.0, 1.0, -5e-324), RF_DOMAIN),
        # fmin ignores a NaN operand, so a NaN does not hide the fault beside it.
        (vt.elliprf, (NAN, -1.0, 1.0), RF_DOMAIN),
        (vt.elliprf, (-1.0, NAN, 2.0), RF_DOMAIN),
        (vt.elliprf, (0.0, 0.0, NAN), RF_DOMAIN),
        (vt.elliprd, (0.0, 0.0, 1.0), RD_DOMAIN),
        (vt.elliprd, (-1.0, 1.0, 1.0), RD_DOMAIN),
        (vt.elliprd, (1.0, -1.0, 1.0), RD_DOMAIN),
        (vt.elliprd, (NAN, -1.0, 1.0), RD_DOMAIN),
        (vt.elliprd, (-1.0, NAN, 1.0), RD_DOMAIN),
        (vt.elliprd, (0.0, 0.0, -1.0), RD_DOMAIN),
        (vt.elliprd, (1.0, 1.0, 0.0), "elliprd: z must be positive"),
        (vt.elliprd, (1.0, 1.0, -0.0), "elliprd: z must be positive"),
        (vt.elliprd, (0.0, 1.0, -1.0), "elliprd: z must be positive"),
        (vt.elliprj, (-1.0, 1.0, 1.0, 1.0), RJ_DOMAIN),
        (vt.elliprj, (0.0, 0.0, 1.0, 1.0), RJ_DOMAIN),
        (vt.elliprj, (0.0, 1.0, 0.0, 1.0), RJ_DOMAIN),
        (vt.elliprj, (1.0, 0.0, 0.0, 1.0), RJ_DOMAIN),
        (vt.elliprj, (NAN, -1.0, 1.0, 1.0), RJ_DOMAIN),
        (vt.elliprj, (-1.0, NAN, 2.0, 1.0), RJ_DOMAIN),
        (vt.elliprj, (0.0, 0.0, NAN, 1.0), RJ_DOMAIN),
        (vt.elliprj, (-1.0, 1.0, 1.0, 0.0), RJ_DOMAIN),
        (vt.elliprj, (0.0, 1.0, 2.0, 0.0), "elliprj: p must be non-zero"),
        (vt.elliprj, (1.0, 1.0, 1.0, -0.0), "elliprj: p must be non-zero"),
    ],
)
def test_domain_errors(function, args, message):
    assert kernel_error(function, *args) == (message,)


@pytest.mark.parametrize(
    "function, args, message",
    [
        # Eleven duplication steps do not close so wide a spread.
        (vt.elliprf, (1.0, 2.0, 1e300), RF_CONVERGENCE),
        (vt.elliprf, (NAN, 1.0, 2.0), RF_CONVERGENCE),
        (vt.elliprf, (1.0, 2.0, INF), RF_CONVERGENCE),
        (vt.elliprd, (1.0, 2.0, NAN), RD_CONVERGENCE),
        (vt.elliprd, (NAN, 1.0, 2.0), RD_CONVERGENCE),
        (vt.elliprd, (1.0, 2.0, INF), RD_CONVERGENCE),
        (vt.elliprj, (NAN, 1.0, 2.0, 3.0), RJ_CONVERGENCE),
        (vt.elliprj, (1.0, 2.0, 3.0, NAN), RJ_CONVERGENCE),
        (vt.elliprj, (1.0, 2.0, 3.0, INF), RJ_CONVERGENCE),
        # An equal pair with a NaN p: fmax/fmin give the ratio 1, so the core is reached.
        (vt.elliprj, (1.0, 2.0, 2.0, NAN), RJ_CONVERGENCE),
        (vt.elliprj_core, (1.0, 2.0, 3.0, NAN), RJ_CONVERGENCE),
        # p far beyond x, y, z: a hundred steps are not enough.
        (vt.elliprj, (1.0, 2.0, 3.0, 1e70), RJ_CONVERGENCE),
    ],
)
def test_convergence_errors(function, args, message):
    assert kernel_error(function, *args) == (message,)


@pytest.mark.parametrize(
    "function, converges, fails",
    [
        # The stopping test is met at step 11 exactly, and at step 12 for the next double.
        (vt.elliprf, (1.0, 2.0, 6.991529129446725e244), (1.0, 2.0, 6.991529129446726e244)),
        # The same at step 100 and 101.
        (vt.elliprj, (1.0, 2.0, 3.0, 4.606820378064077e58), (1.0, 2.0, 3.0, 4.6068203780640774e58)),
    ],
    ids=["elliprf-11-steps", "elliprj-100-steps"],
)
def test_duplication_step_limits(function, converges, fails):
    assert math.nextafter(converges[-1], INF) == fails[-1]
    value = function(*converges)
    with mpmath.workdps(30):
        reference = getattr(mpmath, function.__name__)(*converges)
    # Measured: 1.1e-16 (RF), 6.1e-16 (RJ).
    assert relative_error(value, reference) < 8e-16
    assert kernel_error(function, *fails) == (RF_CONVERGENCE if function is vt.elliprf else RJ_CONVERGENCE,)


def test_nan_in_closed_forms_is_a_value():
    # NaN reaches no duplication loop here, so it comes back as a value.
    assert math.isnan(vt.elliprc(NAN, 1.0))
    assert math.isnan(vt.elliprc(1.0, NAN))
    assert math.isnan(vt.elliprf(0.0, 1.0, NAN))
    assert math.isnan(vt.elliprd(0.0, 1.0, NAN))
    assert math.isnan(vt.elliprd(0.0, NAN, 1.0))
    assert math.isnan(vt.elliprj(1.0, 1.0, 1.0, NAN))
    # In the AGM of RF an infinite argument yields 0.
    assert same(vt.elliprf(0.0, 1.0, INF), 0.0)
    assert same(vt.elliprf(INF, 0.0, 2.0), 0.0)


# ---------------------------------------------------------------- values and reductions


@pytest.mark.parametrize("function, args, value", [
    (vt.elliprc, (1.0, 1.0), 1.0),
    (vt.elliprc, (4.0, 4.0), 0.5),
    (vt.elliprc, (0.0, 1.0), PI / 2),
    (vt.elliprc, (0.0, -1.0), 0.0),  # the principal value's factor w is 0
    (vt.elliprf, (4.0, 4.0, 4.0), 0.5),
    (vt.elliprf, (0.0, 1.0, 1.0), PI / 2),
    (vt.elliprf, (4.0, 0.0, 4.0), PI / 4),
    (vt.elliprd, (1.0, 1.0, 1.0), 1.0),
    (vt.elliprd, (0.0, 1.0, 1.0), 3 * PI / 4),
    (vt.elliprj, (1.0, 1.0, 1.0, 1.0), 1.0),
    (vt.elliprj, (4.0, 4.0, 4.0, 4.0), 0.125),
    # The AGM tests its tolerance before the first step: sqrt of the
    # arguments agree within 2.7 eps, so pi / (1 + sqrt(b)) at once.
    (vt.elliprf, (1.0, (1 + 2**-51) ** 2, 0.0), PI / (1 + math.sqrt((1 + 2**-51) ** 2))),
])
def test_exact_values(function, args, value):
    assert same(function(*args), value)


def test_elliprc_principal_value_ln2_over_3():
    value = vt.elliprc(0.25, -2.0)
    # Bit for bit the double expression ...
    assert same(value, math.log(2) / 3)
    # ... which is 0.61 ulp below ln(2)/3, one ulp under the correctly rounded double.
    with mpmath.workdps(40):
        assert float(mpmath.log(2) / 3) == math.nextafter(value, INF)


@pytest.mark.parametrize("x, z", [(1.0, 2.0), (2.0, 1.0), (0.5, 1e-200), (3.0, 7e10), (1e-5, 1e5)])
def test_elliprf_equal_pair_is_rc(x, z):
    # x = y gives RC(z, x); x = z gives RC(y, x); y = z gives RC(x, y).
    assert same(vt.elliprf(x, x, z), vt.elliprc(z, x))
    assert same(vt.elliprf(x, z, x), vt.elliprc(z, x))
    assert same(vt.elliprf(z, x, x), vt.elliprc(z, x))


@pytest.mark.parametrize("x, y, z", [(1.0, 2.0, 3.0), (3.0, 0.0, 1e-3), (0.0, 5.0, 2.0), (1e-30, 1e30, 7.0)])
def test_elliprj_p_equal_z_is_rd(x, y, z):
    assert same(vt.elliprj(x, y, z, z), vt.elliprd(x, y, z))


@pytest.mark.parametrize("u, v, p, core", [
    (1.0, 2.0, 5.0, False),  # ratio 2.5 > 1.2: the difference of two RC
    (0.0, 3.0, 0.1, False),
    (1.0, 2.0, 2.4, True),  # ratio 1.2 exactly: the duplication core with (u, v, v)
    (1.0, 2.0, 2.1, True),
    (1.0, 2.0, 1.9, True),
    (0.0, 3.0, 3.3, True),
])
def test_elliprj_equal_pair(u, v, p, core):
    # The pair includes y (x = y or y = z); both orders give the same bits.
    value = vt.elliprj(u, v, v, p)
    assert same(vt.elliprj(v, v, u, p), value)
    assert same(value, vt.elliprj_core(u, v, v, p)) == core
    assert same(vt.elliprj(u, v, v, v), vt.elliprd(u, v, v))
    with mpmath.workdps(30):
        # Measured: at most 3.5e-16 by the core, 1.6e-15 by the RC difference.
        assert relative_error(value, mpmath.elliprj(u, v, v, p)) < (5e-16 if core else 2e-15)


def test_elliprj_distinct_arguments_go_to_the_core_and_equal_x_z_is_no_pair():
    for x, y, z, p in kernel_corpus.rj_arguments(200, 36, negative_p=False) + [(2.0, 1.0, 2.0, 5.0)]:
        if p not in (x, y, z) and (len({x, y, z}) == 3 and min(x, y, z) > 0 or x == z != y):
            assert same(vt.elliprj(x, y, z, p), vt.elliprj_core(x, y, z, p))


def test_elliprj_principal_value_sorts_its_arguments():
    values = {pattern(vt.elliprj(a, b, c, -0.5)) for a, b, c in [(2.0, 3.0, 4.0), (4.0, 3.0, 2.0), (3.0, 4.0, 2.0)]}
    assert len(values) == 1


@pytest.mark.parametrize("kernel", ["elliprc", "elliprf", "elliprd", "elliprj"])
def test_every_branch_gives_its_recorded_bits(kernel):
    # Every branch of the kernel, also those the public functions never
    # reach, on seeded arguments (tests/support/kernel_corpus.py).
    mismatches = kernel_corpus.mismatches(vt, kernel)
    assert not mismatches, f"{len(mismatches)} calls differ; first (arguments, recorded, now): {mismatches[:3]}"


# ---------------------------------------------------------------- accuracy


@pytest.mark.parametrize(
    "x, y, z, p", [(2.0, 3.0, 4.0, -0.5), (0.5, 3.0, 4.0, -2.0), (1.0, 2.0, 3.0, -1e3), (1e-3, 1.0, 1e3, -1e-2)]
)
def test_principal_value_reference(x, y, z, p):
    # The reference used below agrees with a direct principal-value quadrature, and
    # mpmath's complex RJ at p < 0 has the principal value as its real part.
    with mpmath.workdps(30):
        by_identity = principal_value_by_identity(x, y, z, p)
        assert relative_error(by_identity, principal_value_by_quadrature(x, y, z, p)) < 1e-25
        assert relative_error(by_identity, mpmath.re(mpmath.elliprj(x, y, z, p))) < 1e-25
        # Measured: at most 6.3e-16.
        assert relative_error(vt.elliprj(x, y, z, p), by_identity) < 8e-16


def test_elliprc_accuracy():
    worst, where = worst_error(vt.elliprc, lambda x, y: mpmath.re(mpmath.elliprc(x, y)),
                               kernel_corpus.rc_arguments(2000))
    # Measured: 3.8e-16.
    assert worst < 5e-16, where


def test_elliprf_accuracy():
    worst, where = worst_error(vt.elliprf, mpmath.elliprf, list(kernel_corpus.triples(random.Random(32), 2000)))
    # Measured: 4.9e-16.
    assert worst < 6e-16, where


def test_elliprd_accuracy():
    worst, where = worst_error(vt.elliprd, mpmath.elliprd, kernel_corpus.rd_arguments(1500))
    # Measured: 1.6e-15, in the zero-argument AGM at y/z = 1e17 (6.8e-16 in the duplication).
    assert worst < 2e-15, where


def test_elliprj_accuracy_positive_p():
    worst, where = worst_error(vt.elliprj, reference_elliprj, kernel_corpus.rj_arguments(400, 34, negative_p=False))
    # Measured: 5.8e-16.
    assert worst < 8e-16, where


def test_elliprj_accuracy_principal_value():
    worst, where = worst_error(vt.elliprj, reference_elliprj, kernel_corpus.rj_arguments(300, 35, negative_p=True))
    # Measured: 2.4e-15.
    assert worst < 3e-15, where


# ---------------------------------------------------------------- known limits


@pytest.mark.xfail(
    strict=True,
    reason="d*d in E = delta/(d*d) of the RJ core overflows above about 1e102 and underflows below "
    "about 1e-103: RJ comes back NaN (or 9e-4 off at 1e102) without an error",
)
@pytest.mark.parametrize("scale", [1e-110, 1e102, 1e103])
def test_elliprj_extreme_scale(scale):
    args = (1 * scale, 2 * scale, 3 * scale, 4 * scale)
    with mpmath.workdps(30):
        assert relative_error(vt.elliprj(*args), mpmath.elliprj(*args)) < 1e-15
