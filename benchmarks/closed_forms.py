"""Vectorised numpy + scipy.special versions of the two closed forms, as a
plain implementation would write them: the uniform-disk magnification in
complete elliptic integrals and the mean magnification along a circle."""

import numpy as np
from scipy import special


def _ellippi(n, m):
    """Complete elliptic integral of the third kind Pi(n, m), 0 <= n < 1,
    from Carlson's forms (scipy has RF and RJ, not Pi)."""
    return special.elliprf(0.0, 1.0 - m, 1.0) + n / 3.0 * special.elliprj(0.0, 1.0 - m, 1.0, 1.0 - n)


def uniform_disk(u, rho):
    """Magnification of a uniform disk of radius rho whose centre lies u from
    the lens (Einstein radii), with the limit on the rim at u = rho."""
    u = np.asarray(u, dtype=float)
    rho2 = rho * rho
    delta = u - rho
    s = u + rho
    n = 4 * rho * u / (s * s)
    w = np.sqrt(delta * delta + 4)
    m = 4 * n / (w * w)
    with np.errstate(divide="ignore", invalid="ignore"):
        t = (s * w / (2 * rho2) * special.ellipe(m)
             - delta * (4 + (u * u - rho2) / 2) / (rho2 * w) * special.ellipk(m)
             + 2 * (rho2 + 1) * delta * delta / (rho2 * s * w) * _ellippi(n, m))
        general = t / np.pi
    rim = (2 / rho + (1 + rho2) / rho2 * (np.pi / 2 + np.arcsin((rho2 - 1) / (rho2 + 1)))) / np.pi
    return np.where(delta == 0, rim, general)


def circle_mean(l, r, eps):
    """Mean point-lens magnification along a circle of radius r whose centre
    lies l from the lens (stellar radii; eps is the Einstein radius)."""
    l = np.asarray(l, dtype=float)
    delta = r - l
    s = l + r
    q = delta * delta + 4 * eps * eps
    n = 4 * l * r / (s * s)
    m = 16 * eps * eps * l * r / (s * s * q)
    with np.errstate(divide="ignore", invalid="ignore"):
        h = 4 / (s * np.sqrt(q)) * (delta * delta * _ellippi(n, m) + 2 * eps * eps * special.ellipk(m))
    return h / (2 * np.pi)
