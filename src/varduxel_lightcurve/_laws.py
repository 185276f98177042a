"""Limb-darkening laws other than the linear one.

A law I(μ), with I = 1 at the centre, is written as α + βμ + R(μ). The part
α + βμ is exact: α times the uniform disk plus β times ∫μ·M dS/π, which the
uniform disk A0 and the built-in law A0.6 give as (4·A0.6 − 2·A0)/3. Only the
remainder R goes through a brightness table of
integrated_flux_map_heyrovsky_magnification, whose result A_R is the
remainder's own brightness-weighted mean magnification, since the function
divides by the table's flux. With every flux divided by π,

    A = (α·A0 + β·(4·A0.6 − 2·A0)/3 + F_R·A_R) / (α + 2β/3 + F_R),

where F_R = 2∫₀¹ μ R(μ) dμ, in closed form for each law. The rows sit at
r = sin θ with θ evenly spaced from 0 to π/2 (μ = cos θ): dense at the limb,
where the laws are steep in r, and even near the centre. That placement and
the split measured best of the ways compared on the documentation's
limb-darkening page.

A remainder that changes sign would leave the table with a flux near zero to
divide by; the table then holds R + k instead, k = −min R, and α − k takes the
constant back. The table is scaled to a largest value of 1, which the module's
own normalisation undoes, so that tiny coefficients cannot underflow.
"""

import math
from abc import ABC, abstractmethod
from functools import cache
from numbers import Real
from typing import ClassVar

import numpy as np
from numpy.typing import ArrayLike

from . import _kernel
from ._kernel import FloatArray


@cache
def _table_angles(rows: int) -> tuple[FloatArray, FloatArray]:
    """(r, μ) of `rows` rows evenly spaced in θ, r = sin θ and μ = cos θ, with
    the ends exactly 0 and 1."""
    theta = np.linspace(0.0, 0.5 * math.pi, rows)
    radii, mu = np.sin(theta), np.cos(theta)
    radii[0], radii[-1] = 0.0, 1.0
    mu[0], mu[-1] = 1.0, 0.0
    radii.flags.writeable = mu.flags.writeable = False
    return radii, mu


# Far more rows than any accuracy needs, and a table that stays small.
MAX_ROWS = 100_000


def _checked_rows(rows: object) -> int:
    """`rows` as an int, once its table of radii is known to be what the flux
    map accepts: strictly ascending from 0 to 1."""
    if isinstance(rows, bool) or not isinstance(rows, int | np.integer) or not 2 <= rows <= MAX_ROWS:
        raise ValueError(f"rows must be an integer from 2 to {MAX_ROWS}, got {rows!r}")
    radii, _ = _table_angles(int(rows))
    if not np.all(np.diff(radii) > 0.0):
        raise ValueError(f"rows = {rows}: neighbouring radii of the table round to one value")
    return int(rows)


class LimbDarkeningLaw(ABC):
    """A limb-darkening law for magnification(): the exact linear part plus a
    tabulated remainder (see the module varduxel_lightcurve._laws). A law is
    a value: its table is built once, when it is made; make a new law for new
    coefficients. A coefficient that is not a finite number, or coefficients
    that leave the star without flux, raise ValueError.

    Attributes: coefficients (as given, in the order of parameter_names),
    rows, constant, linear and remainder_flux (α, β and F_R = 2∫₀¹ μ R(μ) dμ
    of α + βμ + R(μ)), flux (the law's flux over π) and table (the (bl, bf)
    given to integrated_flux_map_heyrovsky_magnification, None without a
    remainder).

    `rows` sets the table's size. Each law's docstring gives the accuracy of
    its default: the worst relative error over 15 separations from 0 to 3
    stellar radii and rho = 0.02, 0.05 and 0.3, against an mpmath ring sum of
    the exact law (python -m tools.limb_darkening_tables --part layer). Its
    cost is thread CPU time per separation on 1,000 separations from 0 to 3
    stellar radii, rho = 0.05, measured beside 2.0 µs for the linear law."""

    #: The names of the coefficients, in the order the constructor takes them.
    parameter_names: ClassVar[tuple[str, ...]]
    #: Rows of the remainder's table unless `rows` is given.
    default_rows: ClassVar[int]

    def __init__(self, coefficients: tuple[float, ...], rows: int | None) -> None:
        for name, value in zip(self.parameter_names, coefficients, strict=True):
            if not isinstance(value, Real) or not math.isfinite(value):
                raise ValueError(f"{type(self).__name__}: {name} must be a finite number, got {value!r}")
        self.coefficients = tuple(float(value) for value in coefficients)
        self.rows = _checked_rows(self.default_rows if rows is None else rows)
        self.constant, self.linear, self.remainder_flux = self._split()
        self.flux = self.constant + 2.0 * self.linear / 3.0 + self.remainder_flux
        if not (math.isfinite(self.flux) and self.flux > 0.0):
            raise ValueError(f"{self!r}: {', '.join(self.parameter_names)} give the star a flux of "
                             f"{self.flux:g}; it must be positive and finite")
        radii, mu = _table_angles(self.rows)
        values = self.remainder(mu)
        low, high = float(values.min()), float(values.max())
        shift = -low if low < 0.0 < high else 0.0
        self._table_constant = self.constant - shift
        self._table_flux = self.remainder_flux + shift
        self.table: tuple[list[float], list[float]] | None = None
        if low == high == 0.0:
            return  # no remainder: the law is linear
        values = values + shift
        largest = float(np.abs(values).max())
        if not math.isfinite(largest):
            raise ValueError(f"{self!r}: {', '.join(self.parameter_names)} are too large to tabulate")
        self.table = (radii.tolist(), (values / largest).tolist())

    @abstractmethod
    def _split(self) -> tuple[float, float, float]:
        """α, β and F_R = 2∫₀¹ μ R(μ) dμ of α + βμ + R(μ), from the coefficients."""

    @abstractmethod
    def remainder(self, mu: FloatArray) -> FloatArray:
        """R(μ) for μ in [0, 1]."""

    def intensity(self, mu: ArrayLike) -> FloatArray:
        """I(μ), 1 at the centre (μ = 1); μ = √(1 − r²) at the radius r."""
        mu = np.asarray(mu, dtype=np.float64)
        return self.constant + self.linear * mu + self.remainder(mu)

    def __repr__(self) -> str:
        arguments = ", ".join(f"{name}={value!r}" for name, value in zip(self.parameter_names, self.coefficients))
        rows = "" if self.rows == self.default_rows else f", rows={self.rows}"
        return f"{type(self).__name__}({arguments}{rows})"

    def _magnification(self, l: FloatArray, rho: float) -> FloatArray:
        """At separations l in stellar radii (finite, not negative)."""
        uniform = _kernel.uniform_disk(l, rho)
        numerator = self._table_constant * uniform
        if self.linear != 0.0:
            mu_weighted = (4.0 * _kernel.built_in_law(l, rho) - 2.0 * uniform) / 3.0
            numerator += self.linear * mu_weighted
        if self.table is not None:
            numerator += self._table_flux * _kernel.tabulated(l, rho, *self.table)
        return numerator / self.flux


class Quadratic(LimbDarkeningLaw):
    """I(μ) = 1 − a(1 − μ) − b(1 − μ)² = (1 − a − b) + (a + 2b)μ − bμ².

    The remainder −bμ² = −b(1 − r²) is smooth in r, so a small table does:
    the default 100 rows are within 5.1e-8 of the law for a, b = 0.45, 0.20.
    About 11 µs per separation: the two calls of the linear law and one of
    the flux map."""

    parameter_names = ("a", "b")
    default_rows = 100

    def __init__(self, a: float, b: float, *, rows: int | None = None) -> None:
        super().__init__((a, b), rows)

    def _split(self) -> tuple[float, float, float]:
        a, b = self.coefficients
        return 1.0 - a - b, a + 2.0 * b, -b / 2.0

    def remainder(self, mu: FloatArray) -> FloatArray:
        return -self.coefficients[1] * mu * mu


class SquareRoot(LimbDarkeningLaw):
    """I(μ) = 1 − c(1 − μ) − d(1 − √μ) = (1 − c − d) + cμ + d√μ.

    The default 1,000 rows are within 3.1e-7 of the law for c, d = 0.15, 0.55;
    the error falls as 1/rows² and grows with d. About 11 µs per separation."""

    parameter_names = ("c", "d")
    default_rows = 1000

    def __init__(self, c: float, d: float, *, rows: int | None = None) -> None:
        super().__init__((c, d), rows)

    def _split(self) -> tuple[float, float, float]:
        c, d = self.coefficients
        return 1.0 - c - d, c, 0.8 * d

    def remainder(self, mu: FloatArray) -> FloatArray:
        return self.coefficients[1] * np.sqrt(mu)


class Logarithmic(LimbDarkeningLaw):
    """I(μ) = 1 − e(1 − μ) − fμ ln μ = (1 − e) + eμ − fμ ln μ.

    The default 500 rows are within 2.7e-7 of the law for e, f = 0.65, 0.20;
    the error falls as 1/rows² and grows with f. About 12 µs per separation."""

    parameter_names = ("e", "f")
    default_rows = 500

    def __init__(self, e: float, f: float, *, rows: int | None = None) -> None:
        super().__init__((e, f), rows)

    def _split(self) -> tuple[float, float, float]:
        e, f = self.coefficients
        return 1.0 - e, e, 2.0 * f / 9.0

    def remainder(self, mu: FloatArray) -> FloatArray:
        # μ ln μ tends to 0 at the limb.
        log_mu = np.log(mu, out=np.zeros_like(mu), where=mu > 0.0)
        return -self.coefficients[1] * mu * log_mu


class Power2(LimbDarkeningLaw):
    """I(μ) = 1 − c(1 − μ^alpha) = (1 − c) + cμ^alpha, alpha > 0.

    The default 1,000 rows are within 3.0e-7 of the law for c, alpha = 0.65,
    0.55; the error falls as 1/rows². No linear part, so no call of the
    built-in law: about 9 µs per separation."""

    parameter_names = ("c", "alpha")
    default_rows = 1000

    def __init__(self, c: float, alpha: float, *, rows: int | None = None) -> None:
        if isinstance(alpha, Real) and not alpha > 0.0:
            raise ValueError(f"Power2: alpha must be positive, got {alpha!r}")
        super().__init__((c, alpha), rows)

    def _split(self) -> tuple[float, float, float]:
        c, alpha = self.coefficients
        return 1.0 - c, 0.0, 2.0 * c / (alpha + 2.0)

    def remainder(self, mu: FloatArray) -> FloatArray:
        c, alpha = self.coefficients
        return c * mu**alpha


class FourParameter(LimbDarkeningLaw):
    """I(μ) = 1 − Σₖ aₖ(1 − μ^(k/2)), k = 1 to 4,
    = (1 − a1 − a2 − a3 − a4) + a2μ + a1√μ + a3μ^(3/2) + a4μ².

    The default 1,000 rows are within 3.5e-7 of the law for a1 to a4 = 0.55,
    −0.25, 0.70, −0.30, and 1.3e-7 for 0.30, 0.60, −0.90, 0.50, whose
    remainder changes sign; the error falls as 1/rows². About 11 µs per
    separation."""

    parameter_names = ("a1", "a2", "a3", "a4")
    default_rows = 1000

    def __init__(self, a1: float, a2: float, a3: float, a4: float, *, rows: int | None = None) -> None:
        super().__init__((a1, a2, a3, a4), rows)

    def _split(self) -> tuple[float, float, float]:
        a1, a2, a3, a4 = self.coefficients
        return 1.0 - a1 - a2 - a3 - a4, a2, 0.8 * a1 + 4.0 * a3 / 7.0 + 0.5 * a4

    def remainder(self, mu: FloatArray) -> FloatArray:
        a1, _, a3, a4 = self.coefficients
        root = np.sqrt(mu)
        return a1 * root + a3 * mu * root + a4 * mu * mu
