"""Light curves of a point lens and a finite source star, for fitting: a
pure-Python layer over the seven functions of varduxel.

Separations are in Einstein radii, arrays are numpy arrays, and limb darkening
is a coefficient u_λ of the linear law (exact, any value) or a law object
(Quadratic, SquareRoot, Logarithmic, Power2, FourParameter: the linear part
exact, the rest from a table). Bad parameters give NaN, never an exception,
so that a sampler can propose anything.

    from varduxel_lightcurve import light_curve, fit_fluxes

    a = light_curve(t, t0, u0, tE, rho, limb_darkening=0.5)
    fs, fb, chi2 = fit_fluxes(a, flux, flux_err)
"""

from ._fluxes import fit_fluxes
from ._laws import FourParameter, LimbDarkeningLaw, Logarithmic, Power2, Quadratic, SquareRoot
from ._light_curve import light_curve, trajectory
from ._linear_law import gamma_from_u, u_from_gamma
from ._magnification import magnification

__all__ = [
    "magnification",
    "trajectory",
    "light_curve",
    "fit_fluxes",
    "gamma_from_u",
    "u_from_gamma",
    "LimbDarkeningLaw",
    "Quadratic",
    "SquareRoot",
    "Logarithmic",
    "Power2",
    "FourParameter",
]
