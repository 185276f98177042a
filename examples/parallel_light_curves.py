"""Many limb-darkened light curves at once, in a pool of worker processes.

A fit or a grid search needs light curves for many parameter sets. Every
varduxel function holds the interpreter lock for the whole of a call, so
threads do not run them side by side; processes do. The functions, and those
of the light-curve layer varduxel_lightcurve, are pure (the same arguments
give the same bits in any process) and pickle by reference, as module and
name, so they can be handed to a concurrent.futures.ProcessPoolExecutor as
they are.

The script computes a grid of events (impact parameter u0 and source radius
rho, linear limb darkening 0.5) with varduxel_lightcurve.light_curve, once in
the pool and once in this process, checks that the two agree bit for bit,
prints both timings and saves a plot of the light curves.

Run it, once varduxel (with numpy) is installed, with
``python examples/parallel_light_curves.py [--workers N] [--output FILE.png]``;
without ``--output`` the plot goes to ``build/examples/parallel_light_curves.png`` in the checkout.
"""

import argparse
import math
import os
import time
from concurrent.futures import ProcessPoolExecutor

import numpy as np

from varduxel_lightcurve import light_curve

T_E = 20.0  # Einstein crossing time, days
LIMB_DARKENING = 0.5  # the coefficient u of the linear law 1 - u (1 - mu)


def event_grid(events):
    """(u0, rho) pairs: impact parameters from 1e-3 to 0.1 Einstein radii and
    source radii from 5e-3 to 0.1, on a logarithmic grid."""
    side = max(1, math.isqrt(events))
    u0s = [10 ** (-3 + 2 * i / max(1, side - 1)) for i in range(side)]
    rhos = [10 ** (math.log10(5e-3) + (math.log10(0.1) - math.log10(5e-3)) * j / max(1, events // side - 1))
            for j in range(events // side)]
    return [(u0, rho) for rho in rhos for u0 in u0s][:events]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--events", type=int, default=36, help="number of light curves (rounded down to a full grid)")
    parser.add_argument("--points", type=int, default=400, help="points per light curve")
    parser.add_argument("--workers", type=int, default=os.cpu_count(), help="worker processes")
    # Under the checkout's build/ folder, wherever it is run from.
    checkout = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(checkout, "build", "examples", "parallel_light_curves.png")
    parser.add_argument("--output", default=output, help="where to save the plot (PNG)")
    args = parser.parse_args(argv)

    times = np.linspace(-2.0, 2.0, args.points)  # days from the peak
    grid = event_grid(args.events)
    n = len(grid)
    u0s, rhos = [u0 for u0, _ in grid], [rho for _, rho in grid]

    start = time.perf_counter()
    with ProcessPoolExecutor(max_workers=args.workers) as pool:
        # The function itself travels to the workers: it pickles by name.
        parallel = list(pool.map(light_curve, [times] * n, [0.0] * n, u0s, [T_E] * n, rhos, [LIMB_DARKENING] * n))
    pooled = time.perf_counter() - start

    start = time.perf_counter()
    serial = [light_curve(times, 0.0, u0, T_E, rho, LIMB_DARKENING) for u0, rho in grid]
    alone = time.perf_counter() - start

    if not all(np.array_equal(a, b) for a, b in zip(parallel, serial)):
        raise SystemExit("the pool and this process disagree")
    count = len(grid) * args.points
    print(f"{len(grid)} light curves of {args.points} points ({count} separations)")
    print(f"  {args.workers} worker processes: {pooled:.2f} s, this process alone: {alone:.2f} s")
    print("  identical to the last bit: yes")
    print("\npeak magnification   rho = " + "  ".join(f"{rho:8.4f}" for rho in sorted({r for _, r in grid})))
    for u0 in sorted({u for u, _ in grid}):
        peaks = {rho: max(curve) for (u, rho), curve in zip(grid, parallel) if u == u0}
        print(f"           u0 = {u0:.4f}   " + "  ".join(f"{peaks[rho]:8.2f}" for rho in sorted(peaks)))

    plot(times, grid, parallel, args.output)
    print(f"\nPlot saved to {os.path.abspath(args.output)}")


def plot(times, grid, curves, output):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots(figsize=(8, 5))
    colours = plt.get_cmap("viridis")
    rhos = sorted({rho for _, rho in grid})
    for (u0, rho), curve in zip(grid, curves):
        ax.plot(times, curve, color=colours(rhos.index(rho) / max(1, len(rhos) - 1)), lw=0.8)
    ax.set_yscale("log")
    ax.set_xlabel("time from peak [days]")
    ax.set_ylabel(f"magnification (linear limb darkening {LIMB_DARKENING})")
    ax.set_title(f"{len(grid)} events, colour from rho = {rhos[0]:g} (dark) to {rhos[-1]:g} (light)")
    fig.tight_layout()
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    fig.savefig(output, dpi=110)
    plt.close(fig)


if __name__ == "__main__":
    main()
