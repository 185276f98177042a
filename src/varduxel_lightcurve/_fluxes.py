"""The source and blend fluxes of a light curve, by weighted linear least
squares."""

import math

import numpy as np
from numpy.typing import ArrayLike


def fit_fluxes(magnification: ArrayLike, flux: ArrayLike, flux_err: ArrayLike) -> tuple[float, float, float]:
    """(fs, fb, chi2) of the model flux = fs·A + fb that fits the observed
    flux with errors flux_err best, where A is the magnification at the same
    epochs, in closed form.

    The weighted means Ā and F̄ (weights 1/flux_err²) give
    fs = Σw(A − Ā)(F − F̄) / Σw(A − Ā)² and fb = F̄ − fs·Ā, which stays
    accurate when A hardly varies. A magnification that is not finite, as
    magnification() returns for a bad proposal, or one that does not vary at
    all, gives fs = fb = NaN and chi2 = inf, without an exception.

    Raises ValueError for data that no fit can use: arrays of different shapes,
    fewer than two epochs, a flux that is not finite, or an error that is not positive and finite.
    """
    a = np.asarray(magnification, dtype=np.float64)
    f = np.asarray(flux, dtype=np.float64)
    sigma = np.asarray(flux_err, dtype=np.float64)
    if not a.shape == f.shape == sigma.shape:
        raise ValueError(f"magnification, flux and flux_err differ in shape: {a.shape}, {f.shape}, {sigma.shape}")
    if a.size < 2:
        raise ValueError(f"two fluxes need at least two epochs, got {a.size}")
    a, f, sigma = a.ravel(), f.ravel(), sigma.ravel()
    if not np.isfinite(f).all():
        raise ValueError("flux holds a value that is not finite")
    if not (np.isfinite(sigma).all() and (sigma > 0.0).all()):
        raise ValueError("flux_err holds a value that is not positive and finite")
    if not np.isfinite(a).all():
        return math.nan, math.nan, math.inf
    weight = 1.0 / (sigma * sigma)
    total = weight.sum()
    a_mean, f_mean = (weight @ a) / total, (weight @ f) / total
    a_offset, f_offset = a - a_mean, f - f_mean
    spread = weight @ (a_offset * a_offset)
    if not spread > 0.0:
        return math.nan, math.nan, math.inf
    fs = float((weight @ (a_offset * f_offset)) / spread)
    fb = float(f_mean - fs * a_mean)
    residual = f_offset - fs * a_offset
    return fs, fb, float(weight @ (residual * residual))
