"""Uniform-disk magnification: closed form, rim limit, window and accuracy."""

import math
import random

import mpmath as mp
import pytest

import varduxel

from tests.support import functions, reference

wm = varduxel.witt_mao_magnification


def test_lens_on_the_rim_of_an_einstein_sized_star():
    assert wm([1.0], 1.0, 1.0) == [(2 + math.pi) / math.pi]


def test_lens_behind_the_centre():
    (centre,) = wm([0.0], 1.0, 1.0)
    assert centre == pytest.approx(math.sqrt(5), rel=4e-16)
    for rho in (1e-3, 0.02, 0.5, 3.0):
        (value,) = wm([0.0], 1.0, rho)
        assert value == pytest.approx(math.sqrt(1 + 4 / (rho * rho)), rel=1e-15)


@pytest.mark.parametrize("rho", [1e-6, 1e-3, 1.0, 100.0])
def test_far_from_the_star_never_below_one_and_falling(rho):
    # A point lens never demagnifies, and the mean over the disk falls towards
    # 1 as the star recedes, however far (the closed form's terms, growing as
    # l^2, once cancelled to values below 1 and then to negative ones).
    ls = [50 * 1.2**k for k in range(3500) if 50 * 1.2**k < 1e300]
    values = wm(ls, 1.0, rho)
    assert min(values) >= 1.0
    assert all(a >= b for a, b in zip(values, values[1:]))


@pytest.mark.parametrize("re, rstar", [(1.0, 0.0), (1.0, -0.0), (1.0, -0.03), (-2.0, 0.5)])
@pytest.mark.parametrize("function", [f for f in functions.FUNCTIONS if f.entry.computes == "uniform"], ids=str)
def test_star_of_no_positive_size_gives_nan_for_every_separation(function, re, rstar):
    # Not minus a magnification, not 0 from a quadrature of NaN nodes, and no
    # kernel error for the separations that would otherwise raise one.
    values = function(**function.arguments(l=[0.5, 1.0, 2.0, 1e9, -1.0, math.nan], re=re, rstar=rstar))
    assert len(values) == 6 and all(math.isnan(v) for v in values)


def test_inside_and_outside_use_one_formula_and_follow_l():
    ls = [0.25, 0.5, 3.0, 0.5]
    values = wm(ls, 1.0, 0.5)
    assert len(values) == 4 and values[1] == values[3]
    assert values == [wm([l], 1.0, 0.5)[0] for l in ls]


def relative_error(l, rho):
    (value,) = wm([l], 1.0, rho)
    # Enough digits to resolve a star of relative size 1 / l.
    with mp.workdps(40 + int(math.log10(max(l, 1.0)))):
        truth = reference.disk_mean(mp.mpf(l) * rho, rho)
        return float(abs(value - truth) / truth)


def far_field(rng):
    return 10 ** rng.uniform(math.log10(50), 15), 10 ** rng.uniform(-6, 2)


def towards_the_far_field(rng):
    return 10 ** rng.uniform(math.log10(5), math.log10(50)), 10 ** rng.uniform(-6, 2)


def limb_band(rng):
    offset = 10 ** rng.uniform(-16, math.log10(0.03)) * rng.choice((-1, 1))
    return 1 + offset if rng.random() < 0.9 else 1.0, 10 ** rng.uniform(-8, 7)


def small_star(rng):
    # Where a window of 1e-5 Einstein radii around the limb would reach the
    # centre of the disk and far beyond.
    return rng.uniform(0.0, 10.0), 10 ** rng.uniform(-8, -5)


def between(near, far):
    def draw(rng):
        offset = rng.uniform(near, far) * rng.choice((-1, 1))
        return 1 + offset if 1 + offset > 0 else rng.uniform(0, 0.9), 10 ** rng.uniform(-6, 2)

    return draw


# Measured worst relative errors against an integration of the point-lens
# magnification over the disk with 40 or more digits, on 300 points of each
# region (the test draws 25): 4.0e-16 far from the star (50 <= l <= 1e15),
# 1.9e-15 within 0.03 stellar radii of the limb (rho from 1e-8 to 1e7, the
# limb itself included), 2.7e-13 for stars below 1e-5 Einstein radii,
# 7.6e-13 between 0.03 and 0.1 from the limb (at l = 1.032 for rho = 1.4e-3,
# next to the band's edge), 2.4e-14 from there to l = 5, and 7.3e-13 from
# l = 5 to the far field, where the general form's terms cancel as l^2 grows.
# The far field's start is held by the corpus's bits instead: from l = 20
# the series would be as accurate as the general form.
@pytest.mark.parametrize("region, tolerance", [
    (far_field, 1e-15), (limb_band, 5e-15), (small_star, 1e-12), (between(0.03, 0.1), 2e-12),
    (between(0.1, 4.0), 1e-13), (towards_the_far_field, 1.5e-12),
], ids=["far-field", "limb-band", "small-star", "near-the-band", "elsewhere", "towards-the-far-field"])
def test_accuracy_against_direct_integration(region, tolerance):
    rng = random.Random(f"20261209 {region.__name__}")
    worst = max(relative_error(*region(rng)) for _ in range(25))
    assert worst < tolerance
