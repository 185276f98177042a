"""Complete elliptic integrals K, E and Pi: exact values, the polynomial forms
to the last bit, kernel errors, assembly of Pi from the Carlson integrals, the
treatment of negative parameters, and accuracy against mpmath; and the
general complete integral cel, which holds all three."""

import math
import random

import mpmath
import pytest

from tests.support.kernel_checks import kernel_error, relative_error, same, worst_error
from tests.support.native import private_test_module

vt = private_test_module()

NAN = math.nan
INF = math.inf
HALF_PI = 1.5707963267948966
LN_4 = 1.3862943611198906

# Coefficients highest degree first; all four polynomials are taken at x = 1 - m.
K_P = [
    0.00013798286460627325, 0.002280257240058756, 0.007974040132204152, 0.00985821379021226,
    0.006874896874499499, 0.006189010336376876, 0.008790782739527438, 0.014938044891680526,
    0.0308851465246712, 0.09657359028116902, 1.3862943611198906,
]
K_Q = [
    2.940789550485985e-05, 0.0009141847238659173, 0.005940583037531678, 0.01548505166497624,
    0.023908960271592488, 0.030120471522760404, 0.037377431417382326, 0.04882803475709983,
    0.07031249969639575, 0.12499999999987083, 0.5,
]
E_P = [
    0.0001535525773010133, 0.0025088849216360204, 0.008687868165658896, 0.010735094905607619,
    0.007773954925167871, 0.007583952894135147, 0.011568843681057412, 0.021831799601555724,
    0.05680519456178606, 0.44314718056099084, 1.0,
]
E_Q = [
    3.2795489857648585e-05, 0.0010096279267935672, 0.006506094899769275, 0.016886216399331133,
    0.026176974245449364, 0.03348339048882249, 0.04271809265189315, 0.0585936634471101,
    0.09374999971976443, 0.2499999999998883,
]




def horner(coefficients, x):
    acc = 0.0
    for c in coefficients:
        acc = acc * x + c
    return acc


def k_polynomial(x):
    return horner(K_P, x) - math.log(x) * horner(K_Q, x)


def e_polynomial(x):
    return horner(E_P, x) - math.log(x) * x * horner(E_Q, x)


def magnitude(rng, low, high):
    return 10.0 ** rng.uniform(low, high)


# ---------------------------------------------------------------- exact values and errors


def test_exact_values():
    for zero in (0.0, -0.0):
        assert same(vt.ellipk(zero), HALF_PI)
        assert same(vt.ellipe(zero), HALF_PI)
        assert same(vt.ellippi(zero, zero), HALF_PI)
    assert HALF_PI == math.pi / 2
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


# ---------------------------------------------------------------- K and E polynomials


@pytest.mark.parametrize("m", [5e-324, 1e-300, 1e-17, 0.1, 0.5, 0.9, 0.999, 1 - 2**-40, 1 - 2**-52])
def test_ellipk_polynomials(m):
    assert same(vt.ellipk(m), k_polynomial(1 - m))


def test_ellipk_logarithmic_form_below_epsilon():
    # 1 - 2^-53 is the one double m with 1 - m < eps.
    m = math.nextafter(1.0, 0.0)
    assert m == 1 - 2**-53
    assert same(vt.ellipk(m), LN_4 - 0.5 * math.log(2**-53))
    # So close to the singularity both forms round alike, at 2^-53 and at 2^-52.
    assert same(k_polynomial(2**-53), LN_4 - 0.5 * math.log(2**-53))
    assert same(k_polynomial(2**-52), LN_4 - 0.5 * math.log(2**-52))


@pytest.mark.parametrize("m", [5e-324, 1e-300, 0.1, 0.5, 0.9, 0.999, 1 - 2**-40, 1 - 2**-53])
def test_ellipe_polynomials(m):
    assert same(vt.ellipe(m), e_polynomial(1 - m))


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
    assert same(vt.ellipe(m), math.sqrt(1 - m) * e_polynomial(1 - mapped))


def test_ellipe_minus_infinity_is_nan():
    # m/(m - 1) is NaN there.
    assert math.isnan(vt.ellipe(-INF))


# ---------------------------------------------------------------- Pi from RF, RJ and K


@pytest.mark.parametrize("m", [-1e300, -7.0, -1e-300, 5e-324, 0.3, 0.9, 1 - 2**-53, NAN])
def test_ellippi_zero_characteristic_is_ellipk(m):
    assert same(vt.ellippi(0.0, m), vt.ellipk(m))
    assert same(vt.ellippi(-0.0, m), vt.ellipk(m))


@pytest.mark.parametrize(
    "n, m",
    [
        (0.5, 0.0), (0.3, 0.5), (1e-300, 0.5), (0.9, 0.99),
        (1 - 2**-53, 0.5), (0.5, -4.0), (0.7, 0.7), (0.25, 1 - 2**-53),
    ],
)
def test_ellippi_positive_characteristic_assembly(n, m):
    f = vt.elliprf(0.0, 1 - m, 1.0)
    j = vt.elliprj(0.0, 1 - m, 1.0, 1 - n)
    assert same(vt.ellippi(n, m), f + j * n / 3)


@pytest.mark.parametrize(
    "n, m",
    [(-0.5, 0.0), (-0.5, 0.5), (-1e-300, 0.3), (-3.0, 0.99), (-1e10, 0.5), (-2.0, -1.0), (-0.5, -3.0), (-1e-3, -1e5)],
)
def test_ellippi_negative_characteristic_assembly(n, m):
    # F, J and K from the kernels, combined as K m/(m - n) - W/(m - n).
    f = vt.elliprf(0.0, 1 - m, 1.0)
    j = vt.elliprj(0.0, 1 - m, 1.0, (1 - m) / (1 - n))
    k = vt.ellipk(m)
    big_n = (m - n) / (1 - n)
    w = (1 - m) * n * (f + big_n * j / 3) / (1 - n)
    assert same(vt.ellippi(n, m), k * m / (m - n) - w / (m - n))


@pytest.mark.parametrize("n", [0.1, 0.5, 0.99, 1 - 2**-40])
def test_ellippi_zero_parameter(n):
    # RF(0, 1, 1) is pi/2 exactly; Pi(n, 0) = pi / (2 sqrt(1 - n)).
    assert same(vt.ellippi(n, 0.0), HALF_PI + vt.elliprj(0.0, 1.0, 1.0, 1 - n) * n / 3)
    with mpmath.workdps(30):
        # Measured: at most 8.3e-17.
        assert relative_error(vt.ellippi(n, 0.0), mpmath.pi / (2 * mpmath.sqrt(1 - mpmath.mpf(n)))) < 1.5e-16


# ---------------------------------------------------------------- accuracy


def parameters(rng, count, negative=False):
    """m spread over [0, 1), bunched towards 0 and towards 1; with negative,
    also m < 0 over (-10^8, -10^-8) and (-10, 0)."""
    values = []
    for i in range(count):
        kind = i % (5 if negative else 3)
        if kind == 0:
            values.append(rng.random())
        elif kind == 1:
            values.append(1 - magnitude(rng, -16, 0))
        elif kind == 2:
            values.append(magnitude(rng, -300, 0))
        elif kind == 3:
            values.append(-magnitude(rng, -8, 8))
        else:
            values.append(-10 * rng.random())
    return values


def test_ellipk_accuracy():
    cases = [(m,) for m in parameters(random.Random(41), 2000)]
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
    cases = [(m,) for m in parameters(rng, 2000, negative=True)]
    # m - 1 is still exact above -2^53.
    cases += [(-magnitude(rng, 8, 15.9),) for _ in range(300)]
    worst, where = worst_error(vt.ellipe, mpmath.ellipe, cases)
    # Measured: 5.6e-16, at m = -1.2e15.
    assert worst < 7e-16, where


def pi_cases(seed, count, negative_n):
    rng = random.Random(seed)
    cases = []
    for m in parameters(rng, count, negative=True):
        if negative_n:
            n = -magnitude(rng, -8, 8)
            # Near n = m the two quotients by m - n cancel; see the test below.
            if m < 0 and abs(n - m) < 0.5 * max(-n, -m):
                n = m * rng.choice((0.25, 4.0)) * rng.uniform(0.5, 1)
        else:
            n = rng.random() if rng.random() < 0.6 else 1 - magnitude(rng, -15, 0)
        cases.append((n, m))
    return cases


def test_ellippi_accuracy_positive_characteristic():
    worst, where = worst_error(vt.ellippi, mpmath.ellippi, pi_cases(44, 600, negative_n=False))
    # Measured: 5.0e-16.
    assert worst < 7e-16, where


def test_ellippi_accuracy_negative_characteristic():
    worst, where = worst_error(vt.ellippi, mpmath.ellippi, pi_cases(45, 600, negative_n=True))
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
    rng = random.Random(47)
    cases = []
    for i in range(400):
        kc, p = magnitude(rng, -25, 3), magnitude(rng, -12, 4)
        kind = i % 4
        if kind == 0:
            cases.append((kc, 1.0, 1.0, 1.0))  # K
        elif kind == 1:
            cases.append((kc, 1.0, 1.0, kc * kc))  # E
        elif kind == 2:
            cases.append((kc, p, 1.0, 1.0))  # Pi
        else:
            cases.append((kc, p, 2 * rng.random(), 2 * rng.random()))
    worst, where = worst_error(vt.cel, cel_reference, cases)
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
