"""Magnifications integrated over a limb-darkened disk."""

import math

import mpmath as mp
import pytest

import varduxel

from tests.support import reference


def test_witt_mao_variant_is_the_uniform_disk_scaled_by_one_factor():
    ls = [0.0, 0.3, 0.999, 1.0, 1.7, 40.0]
    for rho in (1e-3, 0.1, 2.0):
        uniform = varduxel.witt_mao_magnification(ls, 1.0, rho)
        integrated = varduxel.integrated_witt_mao_magnification(ls, 1.0, rho)
        ratios = [a / b for a, b in zip(integrated, uniform)]
        # The excess comes from the derivative step at the centre: 6.6e-12.
        assert all(6e-12 < r - 1 < 7e-12 for r in ratios)
        assert max(ratios) - min(ratios) < 1e-15


RING_SUMS = [
    lambda l, re, rstar: varduxel.integrated_heyrovsky_magnification(l, re, rstar),
    lambda l, re, rstar: varduxel.integrated_flux_map_heyrovsky_magnification(l, re, rstar, [0.0, 1.0], [1.0, 0.4]),
]


@pytest.mark.parametrize("ring_sum", RING_SUMS, ids=["linear-law", "flux-map"])
def test_nan_for_separations_and_scales_without_a_magnification(ring_sum):
    # NaN, negative and infinite separations, rstar = 0 (an infinite re/rstar),
    # and separations or re/rstar so large that the arithmetic would overflow,
    # give NaN instead of a magnification of 0; -0.0 is the centre.
    ls = [math.nan, -1.0, -5e-324, math.inf, -math.inf, 1e51, 1e300, -0.0, 0.0, 1e49]
    values = ring_sum(ls, 1.0, 0.1)
    assert all(math.isnan(v) for v in values[:7])
    assert values[7] == values[8] > 1 and values[9] == pytest.approx(1.0, abs=1e-13)
    for re, rstar in [(1.0, 0.0), (math.inf, 1.0), (math.nan, 1.0), (1e101, 1.0)]:
        assert all(math.isnan(v) for v in ring_sum([0.0, 0.5, 2.0], re, rstar))
    # re = 0 is no lens at all; rstar = inf a lens of no size.
    for re, rstar in [(0.0, 1.0), (1.0, math.inf)]:
        assert ring_sum([0.5, 2.0], re, rstar) == pytest.approx([1.0, 1.0], abs=1e-13)


def relative_error(l, rho):
    (value,) = varduxel.integrated_heyrovsky_magnification([l], 1.0, rho)
    truth = reference.linear_law_disk_mean(l, rho, 0.6)
    return float(abs(value - truth) / truth)


# Against a 30-digit integration in polar coordinates about the lens, which
# shares nothing with the ring sum of circle means (both references agree to
# 30 digits at these points), every region for rho from 1e-4 to 10. Measured over 150 such points: at most 7.4e-12
# (rho = 1, l = 1e-6, where the inner piece's loose stop costs the digits),
# median 4.1e-14 inside the disk; at most 4.3e-14 outside it. Just outside
# the limb (1 <= l < 1.02) every level of the rule is used: at most 2.8e-13
# there, where an early stop had cost up to 1.8e-11 (rho = 0.01, l = 1 + 3e-6).
@pytest.mark.parametrize("rho, l, tolerance", [
    (1e-4, 0.0, 1e-14), (10.0, 0.0, 1e-12),  # centre
    (1e-2, 1e-9, 1e-13), (1.0, 1e-6, 1e-11),  # next to the centre
    (10.0, 0.3, 1e-14), (1e-4, 0.5, 2e-13), (1e-2, 0.7, 1e-14),  # inside
    (1.0, 1 - 1e-7, 3e-13), (10.0, 1 + 1e-7, 1e-13), (1e-2, 1 + 3e-6, 3e-13),  # the limb
    (1e-4, 3.0, 2e-14), (1.0, 1.5, 2e-14),  # outside
])
def test_ring_sum_against_high_precision_integration(rho, l, tolerance):
    with mp.workdps(30):
        assert relative_error(l, rho) < tolerance


def test_tabulated_profile_against_its_exact_integral():
    # A coarse table of the linear law: the profile has kinks at its radii,
    # which the quadrature does not split at, so it runs to its last level and
    # converges only as fast as a kink allows.
    bl = [0.0, 0.4, 0.7, 0.9, 1.0]
    bf = [1 + (1 - math.sqrt(1 - r * r)) * -0.6 for r in bl]
    profile = reference.piecewise_linear(bl, bf)
    worst = 0.0
    with mp.workdps(30):
        for rho, l in [(1e-3, 0.0), (1e-3, 0.5), (0.1, 0.95), (0.1, 1.05), (1.0, 2.0)]:
            (value,) = varduxel.integrated_flux_map_heyrovsky_magnification([l], 1.0, rho, bl, bf)
            truth = reference.limb_darkened_mean(l, rho, profile, kinks=bl)
            worst = max(worst, float(abs(value - truth) / truth))
    # Measured: 7.6e-6 (l = 0.95, next to the kink at 0.9), 1.2e-8 outside.
    assert worst < 1.5e-5


@pytest.mark.parametrize("rho", [1e-3, 0.05, 1.0])
def test_uniform_table_reproduces_the_uniform_disk(rho):
    # Two independent closed forms: the ring sum of circle means of a uniform
    # star against the uniform-disk magnification, inside the disk and out,
    # away from the uniform disk's own near-rim window.
    ls = [0.0, 1e-6, 0.2, 0.5, 0.8, 0.98, 1.02, 1.2, 1.5, 2.0, 5.0]
    uniform = varduxel.witt_mao_magnification(ls, 1.0, rho)
    tabulated = varduxel.integrated_flux_map_heyrovsky_magnification(ls, 1.0, rho, [0.0, 1.0], [1.0, 1.0])
    # Measured: 6.3e-12 at l = 1e-6 for rho = 1, otherwise at most 4.6e-13.
    assert tabulated == pytest.approx(uniform, rel=1e-11)

