"""A rectilinear point-lens event: the separation at each epoch, and its
light curve."""

import math

import numpy as np
from numpy.typing import ArrayLike

from ._kernel import FloatArray
from ._laws import LimbDarkeningLaw
from ._magnification import magnification


def trajectory(t: ArrayLike, t0: float, u0: float, tE: float) -> FloatArray:
    """Lens-source separation in Einstein radii at the epochs t,
    √(u0² + ((t − t0)/tE)²): closest approach u0 at the time t0, Einstein
    time tE (in the unit of t). A float64 array of the shape of t; all NaN
    when tE is not a positive finite number or t0 or u0 is NaN."""
    times = np.asarray(t, dtype=np.float64)
    t_e = float(tE)
    if not (math.isfinite(t_e) and t_e > 0.0):
        return np.full(times.shape, np.nan)
    # The formula as written, one rounding per operation, in place.
    separation = times - float(t0)
    separation /= t_e
    separation *= separation
    u_0 = float(u0)
    separation += u_0 * u_0
    return np.sqrt(separation, out=separation)


def light_curve(t: ArrayLike, t0: float, u0: float, tE: float, rho: float,
                limb_darkening: float | LimbDarkeningLaw = 0.0) -> FloatArray:
    """Magnification at the epochs t: magnification(trajectory(t, t0, u0, tE),
    rho, limb_darkening), with the NaN rules of both."""
    return magnification(trajectory(t, t0, u0, tE), rho, limb_darkening)
