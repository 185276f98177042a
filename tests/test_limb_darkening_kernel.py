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


@pytest.mark.parametrize("eps", [0.05, 1.0, 20.0])
@pytest.mark.parametrize("x", [1e-3, 0.3, 2.0])
def test_degenerate_circles_reduce_to_the_point_lens(eps, x):
    # Centred on the lens (l = 0), or shrunk to a point (r = 0).
    assert hm(0.0, x, eps, 1.0) == pytest.approx(point_lens_at(x, eps), rel=2e-15)
    assert hm(x, 0.0, eps, 1.0) == pytest.approx(point_lens_at(x, eps), rel=2e-15)


def circle_error(l, r, eps):
    value = hm(l, r, eps, 1.0)
    with mp.workdps(60):
        # The closed form resolves circles next to the lens, where the direct
        # average would need a finely split integral.
        truth = reference.circle_mean_closed_form(l, r, eps)
        return float(abs(value - truth) / truth)


# Circles whose distance from the lens is the given fraction of l, on both
# sides, against the closed form at 60 digits. Measured worst relative
# errors on 300 circles each: 7.1e-16 from 1e-12 to 0.015 of l (the form with
# exact complements; the elliptic form alone had lost 3e-9 in the median and
# every digit in its zero window), 4.1e-13 from 0.015 to 0.3 (the elliptic
# form beyond about 0.03 l, losing digits towards the lens), 5.5e-15 beyond.
@pytest.mark.parametrize("nearest, farthest, tolerance", [(1e-12, 0.015, 2e-15), (0.015, 0.3, 1e-12),
                                                        (0.3, 3.0, 2e-14)])
def test_against_the_closed_form_at_high_precision(nearest, farthest, tolerance):
    rng = random.Random(f"7 {nearest}")
    worst = 0.0
    for _ in range(40):
        l = 10 ** rng.uniform(-3, 0.5)
        offset = 10 ** rng.uniform(math.log10(nearest), math.log10(farthest)) * rng.choice((-1, 1))
        r = l * (1 + max(offset, -0.97))
        worst = max(worst, circle_error(l, r, 10 ** rng.uniform(-3, 1)))
    assert worst < tolerance


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
