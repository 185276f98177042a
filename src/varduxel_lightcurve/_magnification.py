"""magnification(): separations in Einstein radii, numpy in and out, and
the guard that keeps a sampler's nonsense away from the native functions."""

import math

import numpy as np
from numpy.typing import ArrayLike

from ._kernel import FloatArray
from ._laws import LimbDarkeningLaw
from ._linear_law import linear_law_magnification


def magnification(u: ArrayLike, rho: float, limb_darkening: float | LimbDarkeningLaw = 0.0) -> FloatArray:
    """Magnification of a finite source star by a point lens.

    u: lens-source separations in Einstein radii (any array-like); rho: the
    star's radius in Einstein radii; limb_darkening: the coefficient u_λ of
    the linear law 1 − u_λ(1 − μ) (0, the default, is a uniform disk), or a
    law object (Quadratic, SquareRoot, Logarithmic, Power2, FourParameter).
    Returns a float64 array of the shape of u.

    A coefficient costs one call of witt_mao_magnification on u / rho with
    re = 1, rstar = rho, plus one of integrated_heyrovsky_magnification unless
    it is 0, combined exactly as A0 + 4u_λ/(3 − u_λ)·(A0.6 − A0): 0.0 gives
    witt_mao_magnification's values and 0.6 integrated_heyrovsky_magnification's,
    to the bit. Coefficients outside [0, 1] are computed by the same formula.

    Never raises for values a sampler may propose: rho that is not a positive
    finite number gives NaN everywhere; a separation that is NaN, negative or
    infinite gives NaN there, and every other separation the bits it has
    without it.
    """
    separations = np.asarray(u, dtype=np.float64)
    rho = float(rho)
    law = limb_darkening if isinstance(limb_darkening, LimbDarkeningLaw) else float(limb_darkening)
    if not (math.isfinite(rho) and rho > 0.0):
        return np.full(separations.shape, np.nan)
    with np.errstate(over="ignore"):
        l = separations / rho  # stellar radii; beyond the float range it is infinite
    # The common case, every separation usable, in two passes that make no
    # array: the minimum and maximum are NaN if any separation is.
    if l.size and l.min() >= 0.0 and l.max() < math.inf:
        return _in_stellar_radii(l.ravel(), rho, law).reshape(separations.shape)
    usable = np.isfinite(l) & (l >= 0.0)
    result = np.full(separations.shape, np.nan)
    result[usable] = _in_stellar_radii(l[usable], rho, law)
    return result


def _in_stellar_radii(l: FloatArray, rho: float, law: float | LimbDarkeningLaw) -> FloatArray:
    if isinstance(law, LimbDarkeningLaw):
        return law._magnification(l, rho)
    return linear_law_magnification(l, rho, law)
