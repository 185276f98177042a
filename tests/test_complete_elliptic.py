"""Complete elliptic integrals K, E and Pi: exact values, kernel errors, the
reductions for negative parameters and for n = 0, the recorded bits of every
branch, and accuracy against mpmath; and the general complete integral cel,
which holds all three."""

import math
import random

import mpmath
import pytest

from tests.support import kernel_corpus
from tests.support.kernel_corpus import magnitude
from tests.support.bits import same
from tests.support.kernel_checks import kernel_error, relative_error, worst_error
from tests.support.native import private_test_module

vt = private_test_module()

NAN = math.nan
INF = math.inf
HALF_PI = 1.5707963267948966
LN_4 = 1.3862943611198906


# ---------------------------------------------------------------- exact values and errors


def test_exact_values():
    for zero in (0.0, -0.0):
        assert same(vt.ellipk(zero), HALF_PI)
        assert same(vt.ellipe(zero), HALF_PI)
        assert same(vt.ellippi(zero, zero), HALF_PI)
    assert vt.ellipk(1.0) == INF
    assert same(vt.ellipe(1.0), 1.0)
    assert same(vt.ellipk(-INF), 0.0)


def test_nan_parameter_gives_nan():
    assert math.isnan(vt.ellipk(NAN))
    assert math.isnan(vt.ellipe(NAN))
    # n = 0 hands m to K unchecked.
    assert math.isnan(vt.ellippi(0.0, NAN))


@pytest.mark.parametrize(
    "function, args, message",
    [
        (vt.ellipk, (1.5,), "ellipk: m must be less than 1."),
        (vt.ellipk, (1.0000000000000002,), "ellipk: m must be less than 1."),
        (vt.ellipk, (INF,), "ellipk: m must be less than 1."),
        (vt.ellipe, (1.5,), "ellipe: m must be less than 1."),
        (vt.ellipe, (1.0000000000000002,), "ellipe: m must be less than 1."),
        (vt.ellipe, (INF,), "ellipe: m must be less than 1."),
        (vt.ellippi, (0.5, 1.0), "ellippi: m must be less than 1."),
        (vt.ellippi, (0.0, 1.0), "ellippi: m must be less than 1."),
        # The m test comes first.
        (vt.ellippi, (2.0, 1.0), "ellippi: m must be less than 1."),
        (vt.ellippi, (NAN, 1.5), "ellippi: m must be less than 1."),
        (vt.ellippi, (0.5, INF), "ellippi: m must be less than 1."),
        (vt.ellippi, (2.0, 0.5), "ellippi: n must be less than 1."),
        (vt.ellippi, (INF, -3.0), "ellippi: n must be less than 1."),
        (vt.ellippi, (2.0, NAN), "ellippi: n must be less than 1."),
        (vt.ellippi, (1.0, 0.5), "elliprj: p must be non-zero"),
        (vt.ellippi, (1.0, -2.0), "elliprj: p must be non-zero"),
        (vt.ellippi, (NAN, 0.5), "elliprj: Fail to converge"),
        (vt.ellippi, (NAN, -0.5), "elliprj: Fail to converge"),
        (vt.ellippi, (0.5, NAN), "elliprj: Fail to converge"),
        (vt.ellippi, (-0.5, NAN), "elliprj: Fail to converge"),
    ],
)
def test_errors(function, args, message):
    assert kernel_error(function, *args) == (message,)


# ---------------------------------------------------------------- values and reductions


def test_ellipk_logarithmic_form_below_epsilon():
    # 1 - 2^-53 is the one double m with 1 - m < eps: ln 4 - ln(1 - m) / 2.
    m = math.nextafter(1.0, 0.0)
    assert same(vt.ellipk(m), LN_4 - 0.5 * math.log(2**-53))


def test_ellipe_minus_one():
    value = vt.ellipe(-1.0)
    # sqrt(2) times the bracket at m = 1/2, which is E(1/2) itself: equal to the bit.
    assert same(value, math.sqrt(2) * vt.ellipe(0.5))
    with mpmath.workdps(30):
        # Measured: 8.5e-17.
        assert relative_error(value, mpmath.sqrt(2) * mpmath.ellipe(0.5)) < 1.5e-16


@pytest.mark.parametrize("m", [-5e-324, -1e-300, -1e-16, -0.5, -3.0, -1e10, -(2.0**52), -(2.0**53 - 2)])
def test_ellipe_negative_parameter_transformation(m):
    # E(m) = sqrt(1 - m) E(m/(m - 1)), the square root multiplying the whole bracket.
    mapped = m / (m - 1)
    assert 0 < mapped < 1
    assert same(vt.ellipe(m), math.sqrt(1 - m) * vt.ellipe(mapped))


@pytest.mark.parametrize("kernel", ["ellipk", "ellipe", "ellippi", "cel"])
def test_every_branch_gives_its_recorded_bits(kernel):
    # Negative parameters and characteristics too, which the public
    # functions never pass (tests/support/kernel_corpus.py).
    mismatches = kernel_corpus.mismatches(vt, kernel)
    assert not mismatches, f"{len(mismatches)} calls differ; first (arguments, recorded, now): {mismatches[:3]}"


def test_ellipe_minus_infinity_is_nan():
    # m/(m - 1) is NaN there.
    assert math.isnan(vt.ellipe(-INF))


# ---------------------------------------------------------------- Pi from RF, RJ and K


@pytest.mark.parametrize("m", [-1e300, -7.0, -1e-300, 5e-324, 0.3, 0.9, 1 - 2**-53, NAN])
def test_ellippi_zero_characteristic_is_ellipk(m):
    assert same(vt.ellippi(0.0, m), vt.ellipk(m))
    assert same(vt.ellippi(-0.0, m), vt.ellipk(m))


@pytest.mark.parametrize("n", [0.1, 0.5, 0.99, 1 - 2**-40])
def test_ellippi_zero_parameter(n):
    # Pi(n, 0) = pi / (2 sqrt(1 - n)).
    with mpmath.workdps(30):
        # Measured: at most 8.3e-17.
        assert relative_error(vt.ellippi(n, 0.0), mpmath.pi / (2 * mpmath.sqrt(1 - mpmath.mpf(n)))) < 1.5e-16


# ---------------------------------------------------------------- accuracy


def test_ellipk_accuracy():
    cases = [(m,) for m in kernel_corpus.parameters(random.Random(41), 2000)]
    worst, where = worst_error(vt.ellipk, mpmath.ellipk, cases)
    # Measured: 2.9e-16.
    assert worst < 4e-16, where


def test_ellipk_accuracy_negative_parameter():
    # K(m) = K(m/(m - 1))/sqrt(1 - m) with the complement 1/(1 - m) formed directly,
    # over every magnitude of negative m.
    rng = random.Random(42)
    cases = [(-magnitude(rng, -300, 308),) for _ in range(1500)] + [(-10 * rng.random(),) for _ in range(500)]
    cases += [(-5e-324,), (-2.2250738585072014e-308,), (-(2.0**52),), (-(2.0**53),), (-1.7976931348623157e308,)]
    worst, where = worst_error(vt.ellipk, mpmath.ellipk, cases)
    # Measured: 3.3e-16.
    assert worst < 4.5e-16, where


def test_ellipe_accuracy():
    rng = random.Random(43)
    cases = [(m,) for m in kernel_corpus.parameters(rng, 2000, negative=True)]
    # m - 1 is still exact above -2^53.
    cases += [(-magnitude(rng, 8, 15.9),) for _ in range(300)]
    worst, where = worst_error(vt.ellipe, mpmath.ellipe, cases)
    # Measured: 5.6e-16, at m = -1.2e15.
    assert worst < 7e-16, where


def test_ellippi_accuracy_positive_characteristic():
    worst, where = worst_error(vt.ellippi, mpmath.ellippi, kernel_corpus.pi_arguments(600, 44, negative_n=False))
    # Measured: 5.0e-16.
    assert worst < 7e-16, where


def test_ellippi_accuracy_negative_characteristic():
    worst, where = worst_error(vt.ellippi, mpmath.ellippi, kernel_corpus.pi_arguments(600, 45, negative_n=True))
    # Measured: 1.7e-15 with m < 0, 6.6e-16 with m >= 0.
    assert worst < 2.2e-15, where


def pi_equal_reference(n, m):
    m = mpmath.mpf(m)
    return mpmath.ellipe(m) / (1 - m)


def test_ellippi_equal_negative_characteristic_and_parameter():
    # Pi(m, m) = E(m)/(1 - m), where the general formula would divide by m - n = 0.
    rng = random.Random(46)
    cases = [(m, m) for m in [-magnitude(rng, -300, 15) for _ in range(300)] + [-10 * rng.random() for _ in range(100)]]
    cases += [(-5e-324, -5e-324), (-1.0, -1.0), (-1e15, -1e15)]
    worst, where = worst_error(vt.ellippi, pi_equal_reference, cases)
    # Measured: 7.3e-16 (the form RF - m RD/3 over 1 - m does not cancel).
    assert worst < 1e-15, where
    with mpmath.workdps(30):
        # Measured: 1.0e-16.
        assert relative_error(vt.ellippi(-3.0, -3.0), mpmath.ellippi(-3, -3)) < 2e-16


# ---------------------------------------------------------------- known limits


@pytest.mark.xfail(
    strict=True,
    reason="from m = -2^53 down, m - 1 rounds to m, so m/(m - 1) = 1 and the bracket is "
    "1 - ln(0)*0*Q = NaN: E(m) comes back NaN without an error",
)
@pytest.mark.parametrize("m", [-(2.0**53), -1e16, -1e300])
def test_ellipe_large_negative_parameter(m):
    with mpmath.workdps(30):
        assert relative_error(vt.ellipe(m), mpmath.ellipe(m)) < 1e-15


@pytest.mark.xfail(
    strict=True,
    reason="for n < 0 close to m the two quotients K m/(m - n) and W/(m - n) cancel: "
    "ellippi(-0.3*(1 + 1e-12), -0.3) is off by 1.5e-4 relative, ellippi(-1e-10*(1+1e-15), -1e-10) by 0.11",
)
@pytest.mark.parametrize("m, delta", [(-0.3, 1e-12), (-1e-10, 1e-15), (-7.5, 1e-8)])
def test_ellippi_characteristic_close_to_parameter(m, delta):
    n = m * (1 + delta)
    with mpmath.workdps(30):
        assert relative_error(vt.ellippi(n, m), mpmath.ellippi(n, m)) < 1e-14


@pytest.mark.parametrize("m", [-1e100, -1e250, -1e300])
def test_ellippi_equal_arguments_huge(m):
    with mpmath.workdps(30):
        # Measured: at most 2.1e-14 (the AGM of RD over so wide a spread).
        assert relative_error(vt.ellippi(m, m), pi_equal_reference(m, m)) < 5e-14


@pytest.mark.xfail(
    strict=True,
    reason="(1 - m)*n overflows in W for |n|, |m| beyond about 1e154: ellippi returns inf",
)
def test_ellippi_huge_negative_arguments():
    with mpmath.workdps(30):
        assert relative_error(vt.ellippi(-2e200, -1e200), mpmath.ellippi(-2e200, -1e200)) < 1e-13


# ---------------------------------------------------------------- general complete integral


def cel_reference(kc, p, a, b):
    """cel from mpmath's Legendre forms, with m = 1 - kc^2 and n = 1 - p at a
    precision that keeps both complements: a Pi - (a - b)/n (Pi - K), or
    a K + (b - a)(K - E)/m at n = 0."""
    digits = 30 + int(2 * max(0.0, -math.log10(kc)) + max(0.0, -math.log10(p)))
    with mpmath.workdps(digits):
        kc, p, a, b = (mpmath.mpf(v) for v in (kc, p, a, b))
        m, n = 1 - kc * kc, 1 - p
        k = mpmath.ellipk(m)
        if n == 0:
            return a * k + (b - a) * (k - mpmath.ellipe(m)) / m if m != 0 else (a + b) * mpmath.pi / 4
        pi = mpmath.ellippi(n, m)
        return a * pi - (a - b) / n * (pi - k)


def test_cel_accuracy():
    # kc over 10^-25 to 10^3 (m from 1 - 10^-50 to -10^6), p = 1 - n over
    # 10^-12 to 10^4, non-negative a and b (no cancellation between them),
    # and the three special cases K, E and Pi.
    worst, where = worst_error(vt.cel, cel_reference, kernel_corpus.cel_arguments(400))
    # Measured: 1.1e-15 on 3000 such cases.
    assert worst < 1.5e-15, where


def test_cel_extremes():
    # kc = 1, p = 1: one pass gives pi/2 exactly.
    assert same(vt.cel(1.0, 1.0, 1.0, 1.0), HALF_PI)
    # The smallest kc still converges: K(1 - kc^2) = ln(4/kc) + O(kc^2).
    for kc in (5e-324, 1e-300):
        with mpmath.workdps(30):
            # Measured: 2.1e-16 at 5e-324 (thirteen passes).
            assert relative_error(vt.cel(kc, 1.0, 1.0, 1.0), mpmath.log(4 / mpmath.mpf(kc))) < 4e-16
    # No convergence or no definition: NaN.
    for args in [(0.0, 1.0, 1.0, 1.0), (INF, 1.0, 1.0, 1.0), (NAN, 1.0, 1.0, 1.0),
                 (0.5, 0.0, 1.0, 1.0), (0.5, -1.0, 1.0, 1.0), (0.5, NAN, 1.0, 1.0)]:
        assert math.isnan(vt.cel(*args)), args
    # Only kc^2 enters: the sign of kc does not matter.
    assert same(vt.cel(-0.3, 0.7, 1.0, 2.0), vt.cel(0.3, 0.7, 1.0, 2.0))
