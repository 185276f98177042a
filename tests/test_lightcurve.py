"""The light-curve layer varduxel_lightcurve: its magnifications against
mpmath, its bit identities with the module, the answers it gives a sampler's
bad proposals, and the flux solve."""

import math

import mpmath as mp
import numpy as np
import pytest

import varduxel
import varduxel_lightcurve as lc

from tests.support import reference

# Separations in stellar radii: the centre, inside, next to the limb (where
# the ring sums err most) and outside.
STELLAR_RADII = [0.0, 0.9, 0.999, 1.5]
RHOS = [0.02, 0.3]


def worst_relative_error(limb_darkening, truth):
    """Over STELLAR_RADII and RHOS; truth(l, rho) is an mpmath value."""
    worst = 0.0
    for rho in RHOS:
        values = lc.magnification(np.array(STELLAR_RADII) * rho, rho, limb_darkening)
        for l, value in zip(STELLAR_RADII, values):
            with mp.workdps(16):
                exact = truth(l, rho)
            worst = max(worst, float(abs(value - exact) / exact))
    return worst


# Against the polar-coordinate integral, which shares nothing with the ring
# sums. Measured over the points above: 4.3e-14 (u = 0), 6.2e-14 (0.3),
# 1.0e-13 (0.45) and 3.0e-13 (1), the worst next to the limb.
@pytest.mark.parametrize("u", [0.0, 0.3, 0.45, 1.0])
def test_linear_law_against_mpmath(u):
    assert worst_relative_error(u, lambda l, rho: reference.linear_law_disk_mean(l, rho, u)) < 1e-12


def test_quadratic_law_against_mpmath():
    # The same polar integral with the mu^2 term. Measured: 5.9e-8 at worst,
    # the remainder table's interpolation.
    a, b = 0.4, 0.3
    truth = lambda l, rho: reference.polynomial_law_disk_mean(l, rho, 1 - a - b, a + 2 * b, -b)  # noqa: E731
    assert worst_relative_error(lc.Quadratic(a, b), truth) < 1e-7


def four_parameter(a1, a2, a3, a4):
    return lambda mu: 1 - sum(a * (1 - mu ** (k / mp.mpf(2))) for k, a in enumerate((a1, a2, a3, a4), 1))


# Each law beside its textbook form in mpmath; the last four-parameter law's
# remainder changes sign, so that its table holds it shifted.
@pytest.mark.parametrize("law, intensity", [
    (lc.SquareRoot(0.15, 0.55), lambda mu: 1 - 0.15 * (1 - mu) - 0.55 * (1 - mp.sqrt(mu))),
    (lc.Logarithmic(0.65, 0.20), lambda mu: 1 - 0.65 * (1 - mu) - (0.20 * mu * mp.log(mu) if mu else 0)),
    (lc.Power2(0.65, 0.55), lambda mu: 1 - 0.65 * (1 - mu ** mp.mpf(0.55))),
    (lc.FourParameter(0.55, -0.25, 0.70, -0.30), four_parameter(0.55, -0.25, 0.70, -0.30)),
    (lc.FourParameter(0.3, 0.6, -0.9, 0.5), four_parameter(0.3, 0.6, -0.9, 0.5)),
], ids=lambda value: repr(value) if isinstance(value, lc.LimbDarkeningLaw) else "")
def test_other_laws_with_their_default_rows_against_mpmath(law, intensity):
    # The ring sum of the exact law's circle means. Measured by
    # `python -m tools.limb_darkening_tables --part layer` over 15 separations
    # from 0 to 3 and rho = 0.02, 0.05, 0.3: 3.5e-7 at worst, next to the limb.
    rho = 0.05
    values = lc.magnification([0.5 * rho, 0.999 * rho], rho, law)
    for l, value in zip([0.5, 0.999], values):
        with mp.workdps(16):
            exact = reference.limb_darkened_mean(l, rho, lambda x: intensity(mp.sqrt((1 - x) * (1 + x))))
        assert abs(value - exact) / exact < 1e-6, l


@pytest.mark.parametrize("u, function", [(0.0, varduxel.witt_mao_magnification),
                                         (0.6, varduxel.integrated_heyrovsky_magnification)])
def test_coefficients_0_and_06_are_the_module_functions_to_the_bit(u, function):
    separations = np.array([[0.0, 0.01, 0.02], [0.0201, 0.5, 3.0]])  # inside, on, outside a star of 0.02
    for rho in RHOS:
        values = lc.magnification(separations, rho, u)
        assert values.shape == separations.shape and values.dtype == np.float64
        expected = np.array(function((separations / rho).ravel(), 1.0, rho)).reshape(separations.shape)
        assert values.tobytes() == expected.tobytes()
    # light_curve is the same call on the separations √(u0² + ((t − t0)/tE)²),
    # rounded as written, element by element.
    t, t0, u0, t_e, rho = np.linspace(-9.0, 11.0, 41), 1.0, 0.013, 7.0, 0.02
    separations = np.array([math.sqrt(u0 * u0 + ((x - t0) / t_e) * ((x - t0) / t_e)) for x in t.tolist()])
    assert lc.trajectory(t, t0, u0, t_e).tobytes() == separations.tobytes()
    expected = np.array(function((separations / rho).tolist(), 1.0, rho))
    assert lc.light_curve(t, t0, u0, t_e, rho, u).tobytes() == expected.tobytes()


def test_coefficients_outside_0_to_1_follow_the_formula():
    u = np.array([0.0, 0.02, 0.05])
    uniform = np.array(varduxel.witt_mao_magnification(u / 0.04, 1.0, 0.04))
    built_in = np.array(varduxel.integrated_heyrovsky_magnification(u / 0.04, 1.0, 0.04))
    for coefficient in (-0.4, 1.7):
        formula = ((3 - 5 * coefficient) * uniform + 4 * coefficient * built_in) / (3 - coefficient)
        np.testing.assert_allclose(lc.magnification(u, 0.04, coefficient), formula, rtol=1e-14)


LAWS = [0.45, lc.Quadratic(0.4, 0.3)]


@pytest.mark.parametrize("limb_darkening", LAWS, ids=repr)
def test_bad_separations_are_nan_there_alone(limb_darkening):
    good = [0.0, 0.01, 0.03, 0.2]
    with_bad = [math.nan, 0.0, -0.01, 0.01, math.inf, 0.03, -math.inf, 0.2, 1e307]
    values = lc.magnification(with_bad, 1e-5, limb_darkening)
    alone = lc.magnification(good, 1e-5, limb_darkening)
    # 1e307 / rho overflows: beyond the range of the arithmetic, also NaN
    # (and no overflow warning).
    assert np.isnan(values[[0, 2, 4, 6, 8]]).all()
    assert values[[1, 3, 5, 7]].tobytes() == alone.tobytes()


@pytest.mark.parametrize("limb_darkening", LAWS, ids=repr)
def test_bad_event_parameters_give_nan_everywhere(limb_darkening):
    t = np.linspace(-5.0, 5.0, 7)
    good = {"t0": 0.0, "u0": 0.01, "tE": 20.0, "rho": 0.04}
    assert np.isfinite(lc.light_curve(t, **good, limb_darkening=limb_darkening)).all()
    bad_values = {"rho": [0.0, -0.04, math.nan, math.inf], "tE": [0.0, -20.0, math.nan, math.inf],
                  "t0": [math.nan], "u0": [math.nan]}
    for name, values in bad_values.items():
        for value in values:
            curve = lc.light_curve(t, **{**good, name: value}, limb_darkening=limb_darkening)
            assert curve.shape == t.shape and np.isnan(curve).all(), (name, value)


def test_separations_the_uniform_disk_refuses_are_nan_there_alone():
    # For so small a star witt_mao_magnification raises for the whole call at
    # some separations and computes others.
    rho, stellar_radii = 1e-200, [0.0, 0.5, 1.0, 100.0]

    def alone(l):
        try:
            return varduxel.witt_mao_magnification([l], 1.0, rho)[0]
        except RuntimeError:
            return math.nan

    u = np.array(stellar_radii) * rho
    expected = np.array([alone(l) for l in u / rho])
    assert np.isnan(expected).any() and not np.isnan(expected).all()
    values = lc.magnification(u, rho, 0.0)
    assert values.tobytes() == expected.tobytes()


@pytest.mark.parametrize("make, parameter", [
    (lambda: lc.Quadratic(math.nan, 0.3), "a"),
    (lambda: lc.SquareRoot(0.1, math.inf), "d"),
    (lambda: lc.Power2(0.6, 0.0), "alpha"),
    (lambda: lc.FourParameter(0.5, 0.1, 0.2, 0.1, rows=1), "rows"),
    (lambda: lc.Logarithmic(3.0, 0.0), "e, f"),  # no flux: 1 - e/3 + 2f/9 = 0
])
def test_laws_refuse_bad_parameters_when_made(make, parameter):
    with pytest.raises(ValueError, match=rf"\b{parameter}\b"):
        make()


def test_fluxes_solve_the_weighted_least_squares():
    rng = np.random.default_rng(5)
    t = np.linspace(-30.0, 30.0, 400)
    a = lc.light_curve(t, 0.3, 0.02, 15.0, 0.03, 0.5)
    sigma = rng.uniform(0.01, 0.05, t.size)
    # Noiseless: the fluxes the data were made with. Measured: 3e-15.
    fs, fb, chi2 = lc.fit_fluxes(a, 2.5 * a + 0.7, sigma)
    assert fs == pytest.approx(2.5, rel=1e-13) and fb == pytest.approx(0.7, rel=1e-13)
    assert chi2 < 1e-20
    # Noisy: numpy's least squares on the weighted design matrix.
    flux = 2.5 * a + 0.7 + sigma * rng.standard_normal(t.size)
    design = np.column_stack([a, np.ones_like(a)]) / sigma[:, None]
    solution, (residual,), *_ = np.linalg.lstsq(design, flux / sigma, rcond=None)
    assert lc.fit_fluxes(a, flux, sigma) == pytest.approx((*solution, residual), rel=1e-12)
    # A bad proposal's NaN magnification: rejected, not raised.
    a[7] = math.nan
    fs, fb, chi2 = lc.fit_fluxes(a, flux, sigma)
    assert math.isnan(fs) and math.isnan(fb) and chi2 == math.inf


def test_gamma_and_u_convert_both_ways():
    assert lc.gamma_from_u(0.6) == 0.5 and lc.gamma_from_u(1.0) == 1.0
    u = np.linspace(-0.5, 1.5, 9)
    np.testing.assert_allclose(lc.u_from_gamma(lc.gamma_from_u(u)), u, rtol=1e-15, atol=1e-16)
