"""Magnifications integrated over a limb-darkened disk."""

import math

import mpmath as mp
import pytest

import reference
import varduxel

LINEAR_06 = reference.linear_limb_darkening(0.6)


def test_witt_mao_variant_is_the_uniform_disk_scaled_by_one_factor():
    ls = [0.0, 0.3, 0.999, 1.0, 1.7, 40.0]
    for rho in (1e-3, 0.1, 2.0):
        uniform = varduxel.witt_mao_magnification(ls, 1.0, rho)
        integrated = varduxel.integrated_witt_mao_magnification(ls, 1.0, rho)
        ratios = [a / b for a, b in zip(integrated, uniform)]
        # The excess comes from the derivative step at the centre: 6.6e-12.
        assert all(6e-12 < r - 1 < 7e-12 for r in ratios)
        assert max(ratios) - min(ratios) < 1e-15


def test_witt_mao_variant_forwards_the_kernel_error():
    with pytest.raises(RuntimeError) as info:
        varduxel.integrated_witt_mao_magnification([0.5, -1.0], 1.0, 0.1)
    assert info.value.args == ("elliprj: Fail to converge",)


@pytest.mark.parametrize("function", [varduxel.integrated_heyrovsky_magnification,
                                      varduxel.integrated_witt_mao_magnification])
def test_empty_input(function):
    assert function([], 1.0, 0.1) == []


def test_ring_sum_never_fails_and_stays_positive_on_the_disk():
    ls = [0.0, 1e-6, 0.25, 0.5, 0.9999999, 1.0, -0.5, math.nan]
    values = varduxel.integrated_heyrovsky_magnification(ls, 1.0, 0.01)
    assert len(values) == len(ls)
    assert all(math.isfinite(v) and v > 0 for v in values[:6])


def relative_error(l, rho):
    (value,) = varduxel.integrated_heyrovsky_magnification([l], 1.0, rho)
    truth = reference.limb_darkened_mean(l, rho, LINEAR_06)
    return float(abs(value - truth) / truth)


# Measured against a 20-digit ring sum of circle means (split at x = l):
# outside the disk at most 3e-15 for rho from 1e-3 to 1. Inside it the
# kernel's logarithmic singularity at x = l limits the quadrature to 4e-3 (l =
# 0.3) and 2e-3 (l = 0.8); on the limb 3.9e-5. At the centre 1.2e-5: nodes
# within 1e-5 of a lens at l = 0 fall in the kernel's series window, which is
# undefined there (it divides by l), and count as zero.
@pytest.mark.parametrize("rho, l, tolerance", [
    (1e-3, 1.3, 1e-14), (1e-2, 3.0, 1e-14), (0.1, 1.3, 1e-14), (1.0, 3.0, 1e-14),
    (1e-3, 0.0, 2e-5), (1.0, 0.0, 2e-5), (1e-2, 1.0, 5e-5), (1.0, 1.0, 5e-5),
    (1e-3, 0.3, 5e-3), (1.0, 0.8, 5e-3),
])
def test_ring_sum_against_high_precision_integration(rho, l, tolerance):
    with mp.workdps(20):
        assert relative_error(l, rho) < tolerance


def test_uniform_table_reproduces_the_uniform_disk_outside_it():
    ls = [1.2, 1.5, 2.0, 5.0]
    for rho in (1e-3, 0.05, 1.0):
        uniform = varduxel.witt_mao_magnification(ls, 1.0, rho)
        tabulated = varduxel.integrated_flux_map_heyrovsky_magnification(ls, 1.0, rho, [0.0, 1.0], [1.0, 1.0])
        for a, b in zip(tabulated, uniform):
            # Measured: 2.5e-14 at worst, the accuracy of the uniform disk itself.
            assert a == pytest.approx(b, rel=5e-14)
