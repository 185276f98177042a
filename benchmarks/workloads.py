"""The work every method is timed and checked on: light curves through the
limb for four source sizes, and the brightness tables of the flux maps."""

import math

import numpy as np

# rho = rstar / re, the source radius in Einstein radii.
RHOS = (1e-3, 1e-2, 0.1, 1.0)
# Linear limb darkening I(r) = 1 - c (1 - sqrt(1 - r^2)), the law of the
# integrated functions' default profile and of the peers' limb darkening.
LD_COEFFICIENT = 0.6
TABLE_ROWS = (10, 100, 1000)
# The circle the kernel benchmark evaluates: the limb itself.
KERNEL_RADIUS = 1.0


def light_curve(count, reach=3.0):
    """`count` separations (stellar radii) from 0 to `reach`, clustered
    cubically around the limb at 1 so that the limb crossing is dense; none
    falls exactly on 1."""
    t = (np.arange(count) + 0.5) / count * 2 - 1
    scale = np.where(t < 0, 1.0, reach - 1.0)
    return 1.0 + np.sign(t) * np.abs(t) ** 3 * scale


def ld_brightness(r):
    r = np.asarray(r, dtype=float)
    return 1 - LD_COEFFICIENT * (1 - np.sqrt(1 - r * r))


def ld_table(rows):
    """The limb-darkening law sampled at `rows` radii from centre to limb: the
    table of the integrated flux maps, which interpolate it linearly."""
    bl = np.linspace(0.0, 1.0, rows)
    return bl.tolist(), ld_brightness(bl).tolist()


def ring_table(rows):
    """The same star as `rows` thin rings at the midpoints of equal annuli,
    weighted by their share of the flux: the table of the discrete flux map,
    whose ring sum is then the midpoint rule for the limb-darkened mean."""
    width = 1.0 / rows
    r = (np.arange(rows) + 0.5) * width
    flux_over_pi = 1 - LD_COEFFICIENT / 3  # the flux of the law over the unit disk, over pi
    return r.tolist(), (2 * r * width * ld_brightness(r) / flux_over_pi).tolist()


# The cost page's figures: one source size and three sets of separations
# (stellar radii), a light curve evenly spaced in separation, as on a survey,
# where most epochs are away from the limb; just outside the limb, where the
# ring sums use every level of their rule; and far from the star.
COST_RHO = 0.05


def cost_separations(count):
    """{workload: separations} for the cost page, `count` of each."""
    steps = (np.arange(count) + 0.5) / count
    return {"even": 3.0 * steps, "limb": 1.0 + 0.02 * steps, "far": 50.0 * 20.0 ** steps}


def accuracy_points(count):
    """Separations at which every method is compared with the reference."""
    return light_curve(count)


def uniform_disk_at(l, rho):
    """Separation in Einstein radii, as the module forms it (rho times l)."""
    return rho * np.asarray(l, dtype=float)


__all__ = ["RHOS", "LD_COEFFICIENT", "TABLE_ROWS", "KERNEL_RADIUS", "COST_RHO", "light_curve", "ld_brightness",
           "ld_table", "ring_table", "cost_separations", "accuracy_points", "uniform_disk_at", "math"]
