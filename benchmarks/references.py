"""30-digit mpmath references of the three physical quantities the methods
compute, from the test suite's first-principles references, cached on disk
because the limb-darkened one takes up to seconds per point."""

import json
import pathlib

import mpmath as mp

from benchmarks.workloads import KERNEL_RADIUS, LD_COEFFICIENT
from tests.support import reference

DIGITS = 30

def limb_darkened_mean(l, rho):
    """tests/support/reference.py's limb_darkened_mean with the circle where it runs
    through the lens (x = l, a point of measure zero carrying an integrable
    logarithmic singularity) left out: the quadrature may land on it exactly."""
    l = mp.mpf(l)
    eps = 1 / mp.mpf(rho)
    profile = reference.linear_limb_darkening(LD_COEFFICIENT)

    def circle(x):
        return mp.mpf(0) if x == l else reference.circle_mean_closed_form(l, x, eps)

    breaks = [0, l, 1] if 0 < l < 1 else [0, 1]
    flux = mp.quad(lambda x: 2 * mp.pi * x * profile(x), [0, 1])
    return mp.quad(lambda x: 2 * mp.pi * x * profile(x) * circle(x), breaks) / flux


# quantity -> (what it is, mpmath function of the separation l in stellar
# radii and rho = rstar / re)
QUANTITIES = {
    "uniform": ("mean magnification of a uniform disk",
                lambda l, rho: reference.disk_mean(rho * l, rho)),
    "limb_darkened": (f"mean magnification of a disk with linear limb darkening {LD_COEFFICIENT}",
                      limb_darkened_mean),
    "circle": (f"mean magnification along the circle of radius {KERNEL_RADIUS} (the limb)",
               lambda l, rho: reference.circle_mean_closed_form(l, KERNEL_RADIUS, 1 / mp.mpf(rho))),
}


class References:
    """Reference values by (quantity, l, rho), computed once and kept in a
    JSON file keyed by the exact bits of l and rho."""

    def __init__(self, path):
        self.path = pathlib.Path(path)
        self.values = json.loads(self.path.read_text()) if self.path.exists() else {}
        self.computed = 0

    def get(self, quantity, l, rho):
        """The reference value, or None where it cannot be computed (the
        failure is kept, so that the point is left out everywhere alike)."""
        key = f"{quantity} {float(l).hex()} {float(rho).hex()}"
        if key not in self.values:
            try:
                with mp.workdps(DIGITS):
                    self.values[key] = mp.nstr(QUANTITIES[quantity][1](float(l), float(rho)), DIGITS)
            except (ZeroDivisionError, ValueError, ArithmeticError) as error:
                self.values[key] = f"failed: {type(error).__name__} {error}"
            self.computed += 1
        value = self.values[key]
        return None if value.startswith("failed") else mp.mpf(value)

    def failures(self):
        return sorted(key for key, value in self.values.items() if value.startswith("failed"))

    def save(self):
        self.path.parent.mkdir(parents=True, exist_ok=True)
        self.path.write_text(json.dumps(self.values, indent=0, sort_keys=True) + "\n")
