"""The circle kernel: mean point-lens magnification along one circle."""

import math
import random

import mpmath as mp
import pytest

import varduxel

from tests.support import reference

hm = varduxel.heyrovsky_magnification


def point_lens_at(distance, eps):
    """Point-lens magnification at a distance in stellar radii, eps = re/rstar."""
    return (distance**2 + 2 * eps**2) / (distance * math.sqrt(distance**2 + 4 * eps**2))


def test_zero_window_just_outside_the_circle():
    assert hm(1.0, 1 - 5e-6, 1.0, 1.0) == 0.0
    # The window is open: delta = -1e-5 itself is back on the elliptic form.
    l = 2.0**-16
    r = l - 1e-5
    assert r - l == -1e-5
    assert hm(l, r, 1.0, 1.0) > 0


def test_circle_through_the_lens_is_infinite():
    assert hm(0.7, 0.7, 1.0, 0.1) == math.inf


def test_series_just_inside_the_circle_matches_its_expansion():
    l, r, eps = 1.0, 1 + 5e-6, 1.0
    delta = r - l
    sigma = l * l + eps * eps
    log_term = math.log(eps * 8 * l / (abs(delta) * math.sqrt(sigma)))
    h = (math.atan(l / eps) * 4 + (1 - delta / (l + l)) * ((eps + eps) / l) * log_term
         + delta * (eps * (l * l + l * l + eps * eps) / (l * l * sigma)))
    assert hm(l, r, 1.0, 1.0) == h / 6.283185307179586
    with mp.workdps(30):
        truth = reference.circle_mean(l, r, eps)
    # The truncated series is good to O(delta^2 log delta) here.
    assert abs(hm(l, r, 1.0, 1.0) / truth - 1) < 1e-9


@pytest.mark.parametrize("l, r", [(1.0, -0.5), (-1.0, 0.5), (math.nan, 0.5), (0.5, math.nan)])
def test_opposite_signs_or_nan_fail_with_the_rj_message(l, r):
    with pytest.raises(RuntimeError) as info:
        hm(l, r, 1.0, 0.1)
    assert info.value.args == ("elliprj: Fail to converge",)


@pytest.mark.parametrize("eps", [0.05, 1.0, 20.0])
@pytest.mark.parametrize("x", [1e-3, 0.3, 2.0])
def test_degenerate_circles_reduce_to_the_point_lens(eps, x):
    # Centred on the lens (l = 0), or shrunk to a point (r = 0).
    assert hm(0.0, x, eps, 1.0) == pytest.approx(point_lens_at(x, eps), rel=2e-15)
    assert hm(x, 0.0, eps, 1.0) == pytest.approx(point_lens_at(x, eps), rel=2e-15)


@pytest.mark.parametrize("l, eps", [(0.3, 0.01), (1.0, 1.0), (2.5, 100.0)])
def test_series_and_elliptic_form_meet_at_the_window_edge(l, eps):
    edge = hm(l, l + 1e-5, eps, 1.0)
    below = hm(l, math.nextafter(l + 1e-5, l), eps, 1.0)
    # Measured: relative jumps up to 7.9e-7 across the edge, where the
    # elliptic form has lost that much and the series is the better of the two.
    assert abs(below / edge - 1) < 2e-6


def test_general_form_against_direct_circle_average():
    rng = random.Random(7)
    worst = 0.0
    with mp.workdps(25):
        for _ in range(60):
            l = rng.uniform(0.0, 3.0)
            r = rng.uniform(0.0, 1.2)
            if abs(r - l) < 1e-3:
                continue
            eps = 10 ** rng.uniform(-3, 1)
            value = hm(l, r, eps, 1.0)
            truth = reference.circle_mean(l, r, eps)
            worst = max(worst, float(abs(value - truth) / truth))
    # Measured worst relative error 4.5e-13 (circles within 1e-3 of the lens
    # excluded, where the elliptic form loses more digits).
    assert worst < 2e-12


def test_closed_form_reference_agrees_with_the_direct_average():
    with mp.workdps(25):
        for l, r, eps in [(0.4, 0.9, 0.02), (1.7, 0.2, 3.0), (0.0, 0.5, 0.3)]:
            direct = reference.circle_mean(l, r, eps)
            closed = reference.circle_mean_closed_form(l, r, eps)
            assert abs(direct / closed - 1) < mp.mpf(10) ** -20


def test_ring_form_against_the_closed_form_up_to_the_singularity(native):
    # The form the ring sum integrates: exact complements and one general
    # complete integral, with no window, accurate right up to x = l.
    rng = random.Random(11)
    cases = []
    for _ in range(200):
        l = rng.choice([rng.uniform(0.0, 1.0), 10 ** rng.uniform(-9, 0.5)])
        gap = 10 ** rng.uniform(-15, 0)
        x = l * (1 + gap) if rng.random() < 0.5 else l * (1 - gap)
        cases.append((l, x, 10 ** rng.uniform(-4, 1)))
    cases += [(0.0, x, eps) for x in (1e-12, 0.3, 1.0) for eps in (1e-4, 1.0, 100.0)]
    worst = 0.0
    with mp.workdps(50):
        for l, x, eps in cases:
            if x == l:
                continue
            value = native.ring_circle_mean(l, x, eps, 1.0)
            truth = reference.circle_mean_closed_form(l, x, eps)
            worst = max(worst, float(abs(value - truth) / truth))
    # Measured: 1.0e-15 on 2,000 such points, nodes 1e-15 from the singularity
    # included.
    assert worst < 1.5e-15
    # A point that rounds onto the singularity does not converge: NaN, which
    # the quadrature counts as zero.
    assert math.isnan(native.ring_circle_mean(0.5, 0.5, 1.0, 1.0))
