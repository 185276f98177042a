"""Piecewise-linear interpolation: segment choice, outside modes, degenerate tables."""

import math

import numpy as np
import pytest

from tests.support.bits import same
from tests.support.native import private_test_module

vt = private_test_module()

MODES = [("extend",), ("edge_value",), ("fixed",), ("fixed", -2.5)]


def interp(x, y, xp, mode, value=0.0):
    """The kernel with its outside mode named: "extend", "edge_value", or
    "fixed" with a value (0.0 unless given)."""
    if mode == "fixed":
        return vt.interp_fixed(x, y, xp, value)
    return {"extend": vt.interp_extend, "edge_value": vt.interp_edge_value}[mode](x, y, xp)


@pytest.mark.parametrize("mode", MODES)
@pytest.mark.parametrize(
    "x, y, expected",
    [
        ([], [], 0.0),
        ([0.0, 1.0], [], 0.0),
        ([], [4.0], 0.0),
        # One point: its ordinate everywhere, outside modes included.
        ([5.0], [7.0], 7.0),
        ([1.0, 2.0, 3.0, 9.0], [4.0], 4.0),
    ],
)
@pytest.mark.parametrize("xp", [-1e300, 0.0, 1.5, 5.0, 1e300, math.inf])
def test_tables_without_a_segment(x, y, expected, xp, mode):
    assert same(interp(x, y, xp, *mode), expected)


@pytest.mark.parametrize(
    "xp, extend, edge_value, fixed_zero",
    [
        (0.25, 1.5, 1.5, 1.5),
        (-1.0, -1.0, 1.0, 0.0),
        (2.0, 5.0, 3.0, 0.0),
        # The ends count as inside.
        (0.0, 1.0, 1.0, 1.0),
        (1.0, 3.0, 3.0, 3.0),
    ],
)
def test_modes_on_a_single_segment(xp, extend, edge_value, fixed_zero):
    x, y = [0.0, 1.0], [1.0, 3.0]
    assert same(interp(x, y, xp, "extend"), extend)
    assert same(interp(x, y, xp, "edge_value"), edge_value)
    assert same(interp(x, y, xp, "fixed", 0.0), fixed_zero)
    assert same(interp(x, y, xp, "fixed"), fixed_zero)


def test_fixed_value_is_returned_outside():
    assert interp([0.0, 1.0], [1.0, 3.0], 7.0, "fixed", -2.5) == -2.5
    assert interp([0.0, 1.0], [1.0, 3.0], -7.0, "fixed", math.inf) == math.inf


def test_value_at_a_node_comes_from_the_line():
    x, y = [0.2, 0.6, 1.0], [0.9, 0.7, 0.1]
    assert same(interp(x, y, 0.2, "fixed", 0.0), 0.8999999999999999)


def test_interior_node_uses_the_segment_ending_there():
    # Segment 1 is vertical (NaN line) and segment 2 lies elsewhere, so only
    # segment 0 gives 1.0 at xp = 1.
    x, y = [0.0, 1.0, 1.0, 2.0], [0.0, 1.0, 5.0, 6.0]
    assert same(interp(x, y, 1.0, "fixed", 0.0), 1.0)
    assert same(interp(x, y, 2.0, "fixed", 0.0), 6.0)  # last abscissa: inside, last segment
    assert same(interp(x, y, 1.5, "fixed", 0.0), 5.5)


@pytest.mark.parametrize("xp", [-5.0, 0.0, 0.5, 1.0, 7.0, -math.inf, math.inf])
def test_descending_table_is_all_outside(xp):
    # Every xp is below the first entry (1) or above the last one (0).
    assert same(interp([1.0, 0.0], [3.0, 1.0], xp, "fixed", 0.0), 0.0)
    assert same(interp([1.0, 0.0], [3.0, 1.0], xp, "edge_value"), 3.0 if xp < 1.0 else 1.0)


@pytest.mark.parametrize(
    "xp, expected",
    [
        (1.5, 1.5),  # scan stops at x1 = 2, segment 0
        (2.5, 4.75),  # scan passes 0, 2, 1 and stops at 3, segment 2
        (3.5, 0.0),  # above the last entry
    ],
)
def test_unsorted_table_linear_scan(xp, expected):
    assert same(interp([0.0, 2.0, 1.0, 3.0], [0.0, 2.0, 10.0, 3.0], xp, "fixed", 0.0), expected)


@pytest.mark.parametrize(
    "x, y, modes",
    [
        # n = 2: xp = 1.5 lies above x1 = 1.
        ([0.0, 1.0, 2.0], [5.0, 7.0], {"extend": 8.0, "edge_value": 7.0, "fixed": 0.0}),
        ([0.0, 1.0], [5.0, 7.0, 100.0], {"extend": 8.0, "edge_value": 7.0, "fixed": 0.0}),
    ],
)
def test_unequal_lengths_use_the_common_prefix(x, y, modes):
    for mode, expected in modes.items():
        assert same(interp(x, y, 1.5, mode), expected)


def test_equal_neighbouring_abscissas():
    x, y = [0.5, 0.5, 1.0], [1.0, 2.0, 3.0]
    assert math.isnan(interp(x, y, 0.5, "fixed", 0.0))
    assert same(interp(x, y, 0.25, "fixed", 0.0), 0.0)  # outside rule first
    assert math.isnan(interp(x, y, 0.25, "extend"))
    assert same(interp(x, y, 0.75, "fixed", 0.0), 2.5)  # later segments unaffected


@pytest.mark.parametrize("mode", MODES)
@pytest.mark.parametrize("x", [[0.0, 1.0], [1.0, 0.0], [0.0, 0.5, 1.0]])
def test_nan_abscissa_gives_nan(x, mode):
    assert math.isnan(interp(x, [1.0, 3.0, 4.0][: len(x)], math.nan, *mode))


def test_agrees_with_numpy_on_sorted_tables():
    # numpy forms the line differently, so inside the table the two agree to
    # rounding only (measured worst 9.1e-15 of max|y|); outside numpy holds
    # the edge values, exactly as edge_value does.
    rng = np.random.default_rng(20260)
    worst = 0.0
    for _ in range(200):
        n = int(rng.integers(2, 12))
        x = np.sort(rng.uniform(-2.0, 3.0, n))
        y = rng.uniform(-5.0, 5.0, n)
        for xp in rng.uniform(-3.0, 4.0, 10):
            value = interp(list(x), list(y), float(xp), "edge_value")
            reference = float(np.interp(xp, x, y))
            if x[0] <= xp <= x[-1]:
                worst = max(worst, abs(value - reference) / np.abs(y).max())
            else:
                assert value == reference
    assert worst < 2e-14
