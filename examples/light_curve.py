"""Light curve of a typical high-magnification microlensing event.

A point-mass lens passes within u0 = 0.01 Einstein radii of a source star
whose radius is rho = rstar/re = 0.05 Einstein radii. Near the peak the lens
crosses the face of the star, and the finite source flattens and lowers the
peak that a point source would show. The script prints the light curve for a
point source, a uniformly bright disk, a disk with linear limb darkening
(coefficient 0.6) and the same star given as a tabulated brightness profile,
and saves a plot with the residuals against the uniform disk. The
limb-darkened curve is exact to about 1e-13; the tabulated profile differs
from it by the chords of its 200-row table (a few 1e-5 while the lens is on
the face of the star).

Run it with ``./dev demo`` or, once varduxel is installed,
``python examples/light_curve.py [--output FILE.png]``;
without ``--output`` the plot goes to ``build/examples/light_curve.png`` in the checkout.
"""

import argparse
import math
import os

import varduxel

U0 = 0.01  # impact parameter, Einstein radii
RHO = 0.05  # stellar radius in Einstein radii
T_E = 20.0  # Einstein crossing time, days
RE, RSTAR = 1.0, RHO  # any common unit will do: only their ratio matters
LIMB_DARKENING = 0.6


def point_lens(u):
    """Magnification of a point source at separation u (Einstein radii)."""
    return (u * u + 2) / (u * math.sqrt(u * u + 4))


def separations_in_stellar_radii(times):
    """Lens-source separations for times in days from the peak."""
    return [math.hypot(U0, t / T_E) / RHO for t in times]


def limb_darkened_table(rows=200):
    """The linear limb-darkening law sampled as a flux map (radii, brightness)."""
    radii = [i / (rows - 1) for i in range(rows)]
    brightness = [1 - LIMB_DARKENING * (1 - math.sqrt(1 - r * r)) for r in radii]
    return radii, brightness


def compute(times):
    l = separations_in_stellar_radii(times)
    bl, bf = limb_darkened_table()
    return {
        "point source": [point_lens(x * RHO) for x in l],
        "uniform disk": varduxel.witt_mao_magnification(l, RE, RSTAR),
        "limb darkened": varduxel.integrated_heyrovsky_magnification(l, RE, RSTAR),
        "tabulated profile": varduxel.integrated_flux_map_heyrovsky_magnification(l, RE, RSTAR, bl, bf),
    }


def print_table(times, curves):
    names = list(curves)
    print("t [days]  l [R*]  " + "  ".join(f"{name:>17}" for name in names))
    for i, t in enumerate(times):
        l = separations_in_stellar_radii([t])[0]
        print(f"{t:8.3f}  {l:6.3f}  " + "  ".join(f"{curves[name][i]:17.6f}" for name in names))


def plot(times, curves, output):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, (top, bottom) = plt.subplots(2, 1, sharex=True, figsize=(8, 7), height_ratios=(3, 1.4))
    styles = {"point source": (":", "C0"), "uniform disk": ("-", "C1"), "limb darkened": ("--", "C2"),
              "tabulated profile": ("-.", "C3")}
    for name, values in curves.items():
        top.plot(times, values, styles[name][0], color=styles[name][1], label=name)
    # The lens is on the face of the star (l < 1) between these two times.
    if RHO > U0:
        crossing = T_E * math.sqrt(RHO * RHO - U0 * U0)
        for axis in (top, bottom):
            for t in (-crossing, crossing):
                axis.axvline(t, color="grey", lw=0.6, ls=":", label="lens on the limb" if t > 0 else None)
    top.set_ylabel("magnification")
    top.set_title(f"Point lens on a finite star: u0 = {U0}, rho = {RHO}, tE = {T_E:g} d")
    top.legend(loc="upper left")
    uniform = curves["uniform disk"]
    for name in ("limb darkened", "tabulated profile"):
        residual = [(a - b) / b for a, b in zip(curves[name], uniform)]
        bottom.plot(times, residual, styles[name][0], color=styles[name][1], label=name)
    bottom.axhline(0.0, color="grey", lw=0.5)
    bottom.set_ylabel("A / A_uniform - 1")
    bottom.set_xlabel("time from peak [days]")
    fig.tight_layout()
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    fig.align_ylabels()
    fig.savefig(output, dpi=110, bbox_inches="tight")
    plt.close(fig)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    # Under the checkout's build/ folder, wherever it is run from.
    checkout = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(checkout, "build", "examples", "light_curve.png")
    parser.add_argument("--output", default=output, help="where to save the plot (PNG)")
    parser.add_argument("--points", type=int, default=301, help="number of points of the plotted curve")
    args = parser.parse_args(argv)

    table_times = [0.25 * i for i in range(-6, 7)]
    print_table(table_times, compute(table_times))

    times = [-1.5 + 3.0 * i / (args.points - 1) for i in range(args.points)]
    plot(times, compute(times), args.output)
    print(f"\nPlot saved to {os.path.abspath(args.output)}")


if __name__ == "__main__":
    main()
