"""Uniform-disk magnification: closed form, rim limit, window and accuracy."""

import math
import random

import mpmath as mp
import pytest

import varduxel

from tests.support import reference

wm = varduxel.witt_mao_magnification


def rim_value(rho):
    """The limit on the rim, evaluated in the order the module uses."""
    rho2 = rho * rho
    a = math.asin((rho2 - 1) / (rho2 + 1)) + 1.5707963267948966
    return (2 / rho + (rho2 + 1) / rho2 * a) / 3.141592653589793


def test_lens_on_the_rim_of_an_einstein_sized_star():
    assert wm([1.0], 1.0, 1.0) == [(2 + math.pi) / math.pi]


def test_lens_behind_the_centre():
    (centre,) = wm([0.0], 1.0, 1.0)
    assert centre == pytest.approx(math.sqrt(5), rel=4e-16)
    for rho in (1e-3, 0.02, 0.5, 3.0):
        (value,) = wm([0.0], 1.0, rho)
        assert value == pytest.approx(math.sqrt(1 + 4 / (rho * rho)), rel=1e-15)


def exact_offset(rho, delta):
    """A separation l (stellar radii) for which u - rho is exactly delta."""
    l = (rho + delta) / rho
    assert rho * l - rho == delta, "the construction must be exact"
    return l


# rho = 2**-20 and 2**-16 make rho +- 1e-5 and (rho +- 1e-5)/rho exact doubles.
@pytest.mark.parametrize("rho, delta", [(2.0**-20, 1e-5), (2.0**-16, -1e-5)])
def test_window_edge_takes_the_general_form(rho, delta):
    inside = math.nextafter(delta, 0.0)
    edge, just_inside = wm([exact_offset(rho, delta), exact_offset(rho, inside)], 1.0, rho)
    assert just_inside == rim_value(rho)
    assert edge != rim_value(rho)
    # The window is absolute: for so small a star the step at its edge is large.
    assert abs(edge / just_inside - 1) > 1e-3


def test_rim_value_is_used_across_the_whole_window():
    rho = 0.5
    ls = [1.0, 1 + 1.5e-5, 1 - 1.5e-5, 1 + 2.5e-5]
    values = wm(ls, 1.0, rho)
    assert values[:3] == [rim_value(rho)] * 3
    assert values[3] != rim_value(rho)
    assert values[3] == pytest.approx(values[0], rel=1e-3)


def test_far_field_approaches_the_point_lens():
    rho = 0.01
    ls = [100.0, 1000.0, 10000.0]
    for l, value in zip(ls, wm(ls, 1.0, rho)):
        u = rho * l
        point = (u * u + 2) / (u * math.sqrt(u * u + 4))
        # The finite-source correction falls off as (rho/u)^2.
        assert abs(value / point - 1) < 2 * (rho / u) ** 2


@pytest.mark.parametrize("bad", [-0.5, math.nan])
def test_negative_or_nan_separation_fails_the_whole_call(bad):
    with pytest.raises(RuntimeError) as info:
        wm([0.5, bad, 2.0], 1.0, 0.1)
    assert info.value.args == ("elliprj: Fail to converge",)


def test_zero_star_gives_nan_and_empty_input_gives_empty_output():
    assert all(math.isnan(v) for v in wm([0.5, 2.0], 1.0, 0.0))
    assert wm([], 1.0, 0.1) == []


def test_inside_and_outside_use_one_formula_and_follow_l():
    ls = [0.25, 0.5, 3.0, 0.5]
    values = wm(ls, 1.0, 0.5)
    assert len(values) == 4 and values[1] == values[3]
    assert values == [wm([l], 1.0, 0.5)[0] for l in ls]


def relative_error(l, rho):
    (value,) = wm([l], 1.0, rho)
    truth = reference.disk_mean(l * rho, rho)
    return float(abs(value - truth) / truth)


# Measured worst relative errors against a 30-digit integration of the
# point-lens magnification over the disk: 2.6e-14 at least 0.1 stellar radii
# from the limb, 1.2e-12 between 0.01 and 0.1 (the elliptic form loses digits
# towards the rim), rho from 1e-3 to 3.
@pytest.mark.parametrize("near, far, tolerance", [(0.1, 3.0, 1e-13), (0.01, 0.1, 5e-12)])
def test_accuracy_against_direct_integration(near, far, tolerance):
    rng = random.Random(20261208)
    worst = 0.0
    with mp.workdps(30):
        for _ in range(40):
            rho = 10 ** rng.uniform(-3, 0.5)
            offset = rng.uniform(near, far) * rng.choice((-1, 1))
            l = 1 + offset if 1 + offset > 0 else rng.uniform(0, 0.9)
            worst = max(worst, relative_error(l, rho))
    assert worst < tolerance


def test_inside_the_window_the_error_is_the_rim_approximation():
    # The rim value is exact on the rim (4.2e-14 measured for rho = 0.01, where
    # asin(q) + pi/2 cancels) and used unchanged across the window: about
    # 4e-3 off at its edges for rho = 1e-3, 4e-5 for rho = 1.
    with mp.workdps(30):
        assert relative_error(1.0, 0.01) < 1e-13
        assert 1e-4 < relative_error(1 + 0.9e-5 / 0.01, 0.01) < 5e-3
        assert 1e-5 < relative_error(1 + 0.9e-5, 1.0) < 1e-4
