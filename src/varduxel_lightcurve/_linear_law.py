"""The linear law 1 − u (1 − μ) with any coefficient u, exactly, from the
uniform disk and the module's built-in law (u = 0.6).

Magnification is linear in the brightness profile, so with A0 the uniform disk
and A0.6 the built-in law,

    A_u = A0 + 2Γ (A0.6 − A0),   Γ = 2u / (3 − u).

It is evaluated as (1 − 2Γ)·A0 + 2Γ·A0.6: 2Γ is exactly 1 at u = 0.6 and 0 at
u = 0, so those two coefficients give the module's own results to the bit.
"""

from typing import overload

import numpy as np
from numpy.typing import ArrayLike

from . import _kernel
from ._kernel import FloatArray


@overload
def gamma_from_u(u: float) -> float: ...
@overload
def gamma_from_u(u: ArrayLike) -> FloatArray | float: ...
def gamma_from_u(u: ArrayLike) -> FloatArray | float:
    """Γ = 2u / (3 − u): the coefficient of the linear law written as
    1 − Γ (1 − 3μ/2), normalised to the flux of a uniform disk, from the
    coefficient u of 1 − u (1 − μ). u = 0.6 is Γ = 0.5, u = 1 is Γ = 1.
    Takes a float or an array (for example a chain of samples); u = 3, a star
    without flux, gives an infinite Γ."""
    if isinstance(u, float | int) and u != 3.0:
        return 2.0 * u / (3.0 - u)  # a float at a tenth of numpy's cost
    with np.errstate(divide="ignore", invalid="ignore"):
        gamma: FloatArray | float = np.divide(np.multiply(2.0, u), np.subtract(3.0, u))
    return gamma


@overload
def u_from_gamma(gamma: float) -> float: ...
@overload
def u_from_gamma(gamma: ArrayLike) -> FloatArray | float: ...
def u_from_gamma(gamma: ArrayLike) -> FloatArray | float:
    """u = 3Γ / (2 + Γ), the inverse of gamma_from_u."""
    with np.errstate(divide="ignore", invalid="ignore"):
        u: FloatArray | float = np.divide(np.multiply(3.0, gamma), np.add(2.0, gamma))
    return u


def linear_law_magnification(l: FloatArray, rho: float, u: float) -> FloatArray:
    """A_u at separations l in stellar radii (finite, not negative); one call
    of the uniform disk, and one of the built-in law unless u = 0."""
    uniform = _kernel.uniform_disk(l, rho)
    if u == 0.0:
        return uniform
    weight = 2.0 * gamma_from_u(u)
    built_in = _kernel.built_in_law(l, rho)
    # (1 - weight) * uniform + weight * built_in, without temporary arrays.
    uniform *= 1.0 - weight
    built_in *= weight
    uniform += built_in
    return uniform
