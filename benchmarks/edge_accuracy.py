"""Relative error against high-precision mpmath at the edges of each
function's range: the uniform disk far from the star, near its limb and
elsewhere; the circle kernel near the lens and elsewhere; the limb-darkened
integral near the limb. Prints worst and median per region.

    PYTHONPATH=<folder with the built module> python -m benchmarks.edge_accuracy [--points N]

from the repository root. The samples are drawn with a fixed seed, so two
builds are compared on the same points.
"""

import argparse
import math
import random
import statistics

import mpmath as mp

import varduxel
from benchmarks.references import limb_darkened_mean
from tests.support import reference


def log_uniform(rng, low, high):
    return 10 ** rng.uniform(math.log10(low), math.log10(high))


def signed_offset(rng, low, high):
    return log_uniform(rng, low, high) * rng.choice((-1, 1))


def disk_error(l, rho):
    """The uniform disk's relative error; digits enough to resolve a star of
    relative size 1/l."""
    try:
        (value,) = varduxel.witt_mao_magnification([l], 1.0, rho)
    except RuntimeError:  # a kernel error for a valid separation
        return math.inf
    with mp.workdps(40 + int(math.log10(max(l, 1.0)))):
        truth = reference.disk_mean(mp.mpf(l) * rho, rho)
        return float(abs(value - truth) / truth)


def circle_error(l, r, eps):
    value = varduxel.heyrovsky_magnification(l, r, eps, 1.0)
    with mp.workdps(60):
        truth = reference.circle_mean_closed_form(l, r, eps)
        return float(abs(value - truth) / truth)


def limb_darkened_error(l, rho):
    (value,) = varduxel.integrated_heyrovsky_magnification([l], 1.0, rho)
    with mp.workdps(30):
        truth = limb_darkened_mean(l, rho)
        return float(abs(value - truth) / truth)


def disk_far(rng):
    return disk_error(log_uniform(rng, 50.0, 1e15), log_uniform(rng, 1e-6, 100.0))


def disk_band(rng):
    l = 1.0 + signed_offset(rng, 1e-16, 0.03) if rng.random() < 0.95 else 1.0
    return disk_error(l, log_uniform(rng, 1e-8, 1e7))


def disk_elsewhere(rng):
    l = rng.choice([rng.uniform(0.0, 0.97), rng.uniform(1.03, 50.0)])
    return disk_error(l, log_uniform(rng, 1e-8, 1e7))


def circle(low, high):
    def draw(rng):
        l = log_uniform(rng, 1e-3, 3.0)
        # Circles inside the lens's distance stop short of the centre.
        offset = signed_offset(rng, low, high)
        r = l * (1 + max(offset, -0.97))
        return circle_error(l, r, log_uniform(rng, 1e-3, 10.0))

    return draw


def limb_darkened_band(rng):
    return limb_darkened_error(1.0 + signed_offset(rng, 1e-9, 0.03), rng.choice((1e-3, 1e-2, 0.1, 1.0)))


REGIONS = {
    "witt_mao_magnification, far field (50 <= l <= 1e15)": (disk_far, 1),
    "witt_mao_magnification, limb band (|l - 1| < 0.03)": (disk_band, 1),
    "witt_mao_magnification, elsewhere": (disk_elsewhere, 1),
    "heyrovsky_magnification, near the lens (1e-12 to 0.015 of l)": (circle(1e-12, 0.015), 1),
    "heyrovsky_magnification, elsewhere (0.03 to 3 of l)": (circle(0.03, 3.0), 1),
    "integrated_heyrovsky_magnification, |l - 1| < 0.03": (limb_darkened_band, 0.1),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--points", type=int, default=200, help="points per region (a tenth for the integral)")
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("--only", default="", help="run only the regions whose name contains this text")
    args = parser.parse_args()
    print(f"module: {varduxel.__file__}")
    for name, (draw, share) in REGIONS.items():
        if args.only not in name:
            continue
        rng = random.Random(f"{args.seed} {name}")
        errors = [draw(rng) for _ in range(max(1, int(args.points * share)))]
        finite = [e for e in errors if math.isfinite(e)]
        print(f"{name}: worst {max(finite, default=math.nan):.2g}, median {statistics.median(finite) if finite else math.nan:.2g}, "
              f"{len(errors)} points, {len(errors) - len(finite)} failed or not finite")


if __name__ == "__main__":
    main()
