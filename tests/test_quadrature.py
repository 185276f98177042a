"""Tanh-sinh quadrature: exact results, call order, stop rule, node table, accuracy."""

import math
from pathlib import Path

import mpmath
import pytest

from tests.support.bits import patterns, same
from tests.support.native import private_test_module
from tests.support.scripts import load_script

vt = private_test_module()

TOOLS = Path(__file__).resolve().parent.parent / "tools"
LEVEL_SIZES = [3, 3, 6, 12, 24, 48, 96]


def constant_one(y):
    return 1.0


def default_profile_flux_integrand(x):
    # (2 pi x) times linear limb darkening with coefficient 0.6, in the
    # order of operations the models use.
    t = 1.0 - x * x
    s = math.sqrt(t)
    p = 1.0 + (1.0 - s) * (-0.6)
    return (x * 6.283185307179586) * p


@pytest.mark.parametrize(
    "f, a, b, target, expected",
    [
        # All seven levels; the shortfall of about 3.3e-14 is the node range cut off at t = 3.
        (constant_one, 0.0, 1.0, 1e-16, (0.9999999999999669, 8.1601392309949e-15, 385)),
        (lambda y: 2.0 * math.pi * y, 0.0, 1.0, 1e-16, (3.1415926535896883, None, 385)),
        (constant_one, 0.0, 1.0, 1e-6, (0.9999999999999971, None, 49)),
        # The flux of the built-in law as the quadrature gives it: the
        # normaliser its integrated functions divide by (the corpus holds
        # their results, and so the literal, to the bit).
        (default_profile_flux_integrand, 0.0, 1.0, 1e-16, (2.5132741228717936, None, 385)),
        # Every value filtered to 0: D is exactly 0 at level 2, the first level that is tested.
        (lambda y: math.nan, 0.0, 1.0, 1e-16, (0.0, 0.0, 25)),
        (lambda y: math.inf, -3.0, 5.0, 1e-16, (0.0, 0.0, 25)),
        # a = b: c = 0 and tol = +inf, yet levels 0 and 1 never stop the loop.
        (constant_one, 0.5, 0.5, 1e-16, (0.0, None, 25)),
        # b < a: the negated integral over [b, a], all levels, a negative estimate.
        (constant_one, 1.0, 0.0, 1e-16, (-0.9999999999999669, -8.1601392309949e-15, 385)),
    ],
    ids=["one", "two-pi-y", "one-loose-target", "limb-darkened-flux", "nan", "inf", "empty-interval", "reversed"],
)
def test_exact_results(f, a, b, target, expected):
    integral, error_estimate, evaluations = vt.integrate(f, a, b, target)
    want_integral, want_error, want_evaluations = expected
    assert same(integral, want_integral)
    assert evaluations == want_evaluations
    if want_error is not None:
        assert same(error_estimate, want_error)


@pytest.mark.parametrize("f", [constant_one, math.exp, lambda y: math.cos(3.0 * y)], ids=["one", "exp", "cos"])
@pytest.mark.parametrize("a, b", [(0.0, 1.0), (-2.0, 0.5)])
def test_early_stop_meets_a_quarter_of_the_target(f, a, b):
    # Stopping before the last level means the estimate fell below
    # tol = (target / 4) / c, so the scaled estimate is below target / 4.
    # Measured largest ratio estimate / target over these sweeps: 0.234.
    counts = set()
    for k in range(70):
        target = 10.0 ** (-k / 4)
        _, error_estimate, evaluations = vt.integrate(f, a, b, target)
        counts.add(evaluations)
        if evaluations < 385:
            assert 0.0 <= error_estimate < 0.25 * target
    # The sweep stops early at more than one level, and never at 7 or 13.
    assert counts <= {25, 49, 97, 193, 385}
    assert len(counts - {385}) >= 2


@pytest.mark.parametrize("right, left", [(1.0, 1.0 / 3.0), (0.1, 0.5), (-7.0, 2.3)])
def test_node_pair_enters_only_through_its_sum(right, left):
    # A node contributes w * (g(d + cx) + g(d - cx)); an integrand with other
    # values on each side but the same pair sum (halving and doubling are
    # exact) gives the same bits.
    d = 0.25
    mean = (right + left) / 2

    def lopsided(y):
        return right if y > d else left if y < d else mean

    result = vt.integrate(lopsided, -0.5, 1.0, 0.0)
    assert patterns(result[:2]) == patterns(vt.integrate(lambda y: mean, -0.5, 1.0, 0.0)[:2])


@pytest.mark.parametrize("a, b", [(0.0, 1.0), (-2.5, 7.0), (3.0, -1.0)])
def test_call_order(a, b):
    calls = []

    def record(y):
        calls.append(y)
        return 1.0

    target = 0.0  # never met, so every level runs
    *_, evaluations = vt.integrate(record, a, b, target)
    d = (a + b) * 0.5
    c = (b - a) * 0.5
    expected = [d]
    for level in vt.de_node_levels():
        for _, x in level:
            cx = c * x
            expected += [d + cx, d - cx]
    assert evaluations == len(calls) == 385
    assert patterns(calls) == patterns(expected)
    # Never at the ends themselves.
    assert all(min(a, b) < y < max(a, b) for y in calls)


@pytest.mark.parametrize("bad", [math.nan, math.inf, -math.inf])
@pytest.mark.parametrize("hit", ["centre", "every-third-node"])
def test_non_finite_values_count_as_zero(bad, hit):
    d = 0.25
    abscissas = []
    vt.integrate(lambda y: abscissas.append(y) or 0.0, -0.5, 1.0, 0.0)
    broken = {d} if hit == "centre" else set(abscissas[1::3])

    def smooth(y):
        return math.exp(y)

    def with_bad(y):
        return bad if y in broken else smooth(y)

    def with_zero(y):
        return 0.0 if y in broken else smooth(y)

    result = vt.integrate(with_bad, -0.5, 1.0, 1e-16)
    assert math.isfinite(result[0])
    assert patterns(result[:2]) == patterns(vt.integrate(with_zero, -0.5, 1.0, 1e-16)[:2])


@pytest.mark.parametrize("target", [0.0, 1e-16])
def test_reversed_interval_negates_bit_for_bit(target):
    # d is the same and c changes sign, so the points of each node swap sides
    # and every sum is formed from the same values.
    f = lambda y: math.cos(3.0 * y) + y**3  # noqa: E731
    forward = vt.integrate(f, -0.3, 1.7, target)
    backward = vt.integrate(f, 1.7, -0.3, target)
    assert forward[2] == backward[2] == 385
    assert patterns(backward[:2]) == patterns((-forward[0], -forward[1]))


def test_integrand_exception_propagates():
    def broken(y):
        if y > 0.9:
            raise ZeroDivisionError("from the integrand")
        return y

    with pytest.raises(ZeroDivisionError, match="from the integrand"):
        vt.integrate(broken, 0.0, 1.0, 1e-16)


# ---- node table --------------------------------------------------------------


def test_node_table_shape_and_order():
    levels = vt.de_node_levels()
    assert [len(level) for level in levels] == LEVEL_SIZES
    for level in levels:
        abscissas = [x for _, x in level]
        weights = [w for w, _ in level]
        assert abscissas == sorted(abscissas)
        assert all(0.0 < x < 1.0 for x in abscissas)
        # The weight falls with t.
        assert weights == sorted(weights, reverse=True)


@pytest.mark.parametrize(
    "level, index, weight, abscissa",
    [
        (0, 0, 0.23002239451478868, 0.9513679640727469),  # t = 1
        (0, 2, 1.3581784274539091e-12, 0.999999999999957),  # t = 3
        (1, 0, 0.4829882897061506, 0.6742714922484359),  # t = 1/2
        (6, 0, 0.024531906707493643, 0.02453976357464916),  # t = 1/64
        (6, 95, 3.411862828005251e-14, 0.9999999999999298),  # t = 191/64
    ],
)
def test_node_table_telling_rows(level, index, weight, abscissa):
    assert patterns(vt.de_node_levels()[level][index]) == patterns((weight, abscissa))


def load_generator():
    return load_script(TOOLS / "generate_de_nodes.py", "generate_de_nodes")


def test_node_table_matches_generator():
    generator = load_generator()
    regenerated = generator.compute_levels()
    compiled = vt.de_node_levels()
    assert [len(level) for level in regenerated] == LEVEL_SIZES
    for level_regenerated, level_compiled in zip(regenerated, compiled):
        assert [patterns(node) for node in level_regenerated] == [patterns(node) for node in level_compiled]
    # The header in the tree is exactly the generator's output.
    header = TOOLS.parent / "src" / "numeric" / "de_node_levels.hpp"
    assert header.read_text() == generator.render_header(regenerated)


def test_node_table_entries_are_correctly_rounded():
    # Independent of the generator: each entry is the double nearest to its
    # formula evaluated at 100 digits. Plain double evaluation of the weights
    # differs in the last bits at most nodes, so this is a real check.
    with mpmath.workdps(100):
        for k, level in enumerate(vt.de_node_levels()):
            h = mpmath.mpf(1) if k == 0 else mpmath.mpf(2) ** -k
            for j, (weight, abscissa) in enumerate(level):
                t = mpmath.mpf(j + 1) if k == 0 else (2 * j + 1) * h
                u = mpmath.pi / 2 * mpmath.sinh(t)
                assert abscissa == float(mpmath.tanh(u))
                assert weight == float(h * (mpmath.pi / 2) * mpmath.cosh(t) / mpmath.cosh(u) ** 2)


# ---- accuracy against mpmath --------------------------------------------------

# (name, double integrand, mpmath integrand, a, b, relative tolerance).
# Measured relative errors at target 1e-16 are in the comments; for smooth
# integrands they come from the node range ending at t = 3, for endpoint
# singularities from the part of the interval beyond the outermost node.
ACCURACY_CASES = [
    ("exp", math.exp, mpmath.exp, 0.0, 1.0, 1e-13),  # measured 3.6e-14
    ("cos", math.cos, mpmath.cos, -1.0, 2.0, 1e-14),  # measured 3.7e-15
    ("lorentz", lambda x: 1 / (1 + x * x), lambda x: 1 / (1 + x * x), 0.0, 1.0, 1e-13),  # measured 3.2e-14
    ("quintic", lambda x: x**5 - 2 * x, lambda x: x**5 - 2 * x, -1.0, 3.0, 1e-13),  # measured 5.6e-14
    ("gauss", lambda x: math.exp(-x * x), lambda x: mpmath.exp(-x * x), -3.0, 3.0, 1e-15),  # measured 5.2e-17
    ("semicircle", lambda x: math.sqrt(1 - x * x), lambda x: mpmath.sqrt(1 - x * x), -1.0, 1.0, 1e-15),  # 3.2e-16
    ("log", math.log, mpmath.log, 0.0, 1.0, 1e-12),  # measured 5.4e-13
    ("log-sin", lambda x: math.log(math.sin(x)), lambda x: mpmath.log(mpmath.sin(x)), 0.0, math.pi / 2, 1.5e-12),
    # ^ measured 7.7e-13
    ("inverse-sqrt", lambda x: 1 / math.sqrt(x), lambda x: 1 / mpmath.sqrt(x), 0.0, 1.0, 2e-7),  # measured 1.3e-7
    ("chebyshev-weight", lambda x: 1 / math.sqrt(1 - x * x), lambda x: 1 / mpmath.sqrt(1 - x * x), -1.0, 1.0, 2.5e-7),
    # ^ measured 1.6e-7
]


@pytest.mark.parametrize("name, f, f_mp, a, b, tolerance", ACCURACY_CASES, ids=[case[0] for case in ACCURACY_CASES])
def test_accuracy_against_mpmath(name, f, f_mp, a, b, tolerance):
    integral, _, _ = vt.integrate(f, a, b, 1e-16)
    with mpmath.workdps(30):
        exact = mpmath.quad(f_mp, [a, b])
        assert abs((integral - exact) / exact) < tolerance


def test_inverse_sqrt_shortfall_is_the_cut_off_tail():
    # Beyond the outermost node, at distance c (1 - x_max) from the end, lies
    # the integral 2 sqrt(that distance), which tanh-sinh cannot see.
    integral, _, _ = vt.integrate(lambda x: 1 / math.sqrt(x), 0.0, 1.0, 1e-16)
    x_max = vt.de_node_levels()[0][2][1]
    tail = 2 * math.sqrt(0.5 * (1 - x_max))
    shortfall = 2.0 - integral
    assert 0.5 * tail < shortfall < tail  # measured shortfall / tail = 0.88
