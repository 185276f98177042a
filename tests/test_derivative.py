"""Central-difference derivative: base step, evaluation points and order, NaN and infinity."""

import math
import random

import pytest

from tests.support.bits import pattern, patterns, same
from tests.support.native import private_test_module

vt = private_test_module()

CBRT_EPS = 6.0554544523933395e-06


def recorder(f):
    calls = []

    def record(y):
        calls.append(y)
        return f(y)

    return record, calls


def test_cbrt_eps_bits():
    assert pattern(vt.cbrt_eps()) == 0x3ED965FEA53D6E3D == pattern(CBRT_EPS)


@pytest.mark.parametrize(
    "x, h",
    [
        (0.0, CBRT_EPS),
        (1.0, 2 * CBRT_EPS),
        (-1.0, 2 * CBRT_EPS),
        (3.0, 4 * CBRT_EPS),
    ],
)
def test_step_grows_with_the_point(x, h):
    # The scaled steps are exact (powers of two times CBRT_EPS).
    f, calls = recorder(lambda y: y)
    vt.sderivative(f, x)
    assert patterns(calls) == patterns([x + h, x - h])


def test_square_at_three():
    f, calls = recorder(lambda y: y * y)
    assert same(vt.sderivative(f, 3.0), 6.000000000031317)
    assert patterns(calls) == patterns([3.0000242218178097, 2.9999757781821903])


@pytest.mark.parametrize(
    "x, step, points, derivative",
    [
        # h = (|x| + 1) * step, all exact here.
        (3.0, 0.25, (4.0, 2.0), 6.0),
        (-1.5, 0.5, (-0.25, -2.75), -3.0),
        (0.0, 2.0**-20, (2.0**-20, -(2.0**-20)), 0.0),
    ],
)
def test_explicit_step_is_scaled(x, step, points, derivative):
    f, calls = recorder(lambda y: y * y)
    assert vt.sderivative_with_step(f, x, step) == derivative
    assert tuple(calls) == points


def test_linear_functions():
    # The error comes from rounding x +- h and k*y + m; measured worst ratio
    # to eps * (|k| (|x| + h) + |m|) / h over these samples: 0.88.
    rng = random.Random(7)
    worst = 0.0
    for _ in range(1000):
        k, m, x = (rng.uniform(-10.0, 10.0) for _ in range(3))
        h = (abs(x) + 1.0) * CBRT_EPS
        result = vt.sderivative(lambda y: k * y + m, x)
        scale = 2.0**-52 * (abs(k) * (abs(x) + h) + abs(m)) / h
        worst = max(worst, abs(result - k) / scale)
    assert worst < 1.0


@pytest.mark.parametrize(
    "forward, backward, expected",
    [
        (math.nan, 1.0, math.nan),
        (1.0, math.nan, math.nan),
        (math.inf, math.inf, math.nan),
        (-math.inf, -math.inf, math.nan),
        (math.inf, -math.inf, math.inf),
        (-math.inf, math.inf, -math.inf),
    ],
)
def test_non_finite_values(forward, backward, expected):
    x = 0.5
    f, calls = recorder(lambda y: forward if y > x else backward)
    result = vt.sderivative(f, x)
    if math.isnan(expected):
        assert math.isnan(result)
    else:
        assert result == expected
    # Both evaluations happen, x + h first, whatever the first one gave.
    assert len(calls) == 2 and calls[0] > x > calls[1]


def test_callable_exception_propagates():
    def broken(y):
        raise ValueError("from f")

    with pytest.raises(ValueError, match="from f"):
        vt.sderivative(broken, 1.0)
