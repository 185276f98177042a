"""Flux maps: a star's brightness profile given as a table (bl, bf).

Three flux-map functions take the radial brightness of the star as a table
instead of the built-in linear limb darkening. This script builds such tables

1. from a limb-darkening law, here the quadratic law
   I(mu) = 1 - a (1 - mu) - b (1 - mu)^2 with mu = sqrt(1 - r^2), and
2. from a tabulated intensity profile I(mu), as model-atmosphere grids give it,

in the two forms the functions expect:

- integrated variants (integrated_flux_map_heyrovsky_magnification,
  integrated_flux_map_witt_mao_magnification): bl holds radii in stellar radii
  in ascending order and bf the surface brightness there. The profile is
  interpolated linearly and is zero outside [bl[0], bl[-1]], so the table must
  run from r = 0 to r = 1. Its scale does not matter: the functions divide by
  the table's own flux.
- discrete variant (discrete_flux_map_heyrovsky_magnification): bl holds the
  radii of thin rings and bf their weights, used as given. Each weight must
  already include the ring's area and the division by the total flux, so that
  the weights sum to 1 (any other sum scales every magnification by it).

It prints the magnifications of both stars for a few separations and saves a
plot of the profiles and of the light curves they give.

Run it, once varduxel is installed, with
``python examples/flux_maps.py [--output FILE.png]``;
without ``--output`` the plot goes to ``build/examples/flux_maps.png`` in the checkout.
"""

import argparse
import math
import os

import varduxel

RE, RSTAR = 1.0, 0.05  # rho = rstar/re = 0.05
QUADRATIC = (0.45, 0.20)  # coefficients a, b of the quadratic law

# Intensity against mu = cos(angle from the disk centre), from mu = 1 (centre)
# to mu = 0 (limb), relative to the centre. Tables of this kind come with model
# atmospheres; these numbers are illustrative.
MU_TABLE = [1.0, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3, 0.2, 0.15, 0.1, 0.05, 0.0]
INTENSITY_TABLE = [1.0, 0.962, 0.921, 0.876, 0.827, 0.773, 0.713, 0.645, 0.565, 0.518, 0.463, 0.394, 0.28]


def quadratic_law(r, a=QUADRATIC[0], b=QUADRATIC[1]):
    """Surface brightness at radius r (stellar radii) relative to the centre."""
    one_minus_mu = 1.0 - math.sqrt(max(0.0, 1.0 - r * r))
    return 1.0 - a * one_minus_mu - b * one_minus_mu * one_minus_mu


def table_from_law(law, rows=200):
    """Samples law(r) at `rows` radii from 0 to 1 for the integrated variants.

    The radii crowd towards the limb (r = sin of equally spaced angles), where
    limb-darkening laws fall steeply and a linear interpolation needs more
    points."""
    bl = [math.sin(0.5 * math.pi * i / (rows - 1)) for i in range(rows)]
    bl[-1] = 1.0
    return bl, [law(r) for r in bl]


def table_from_intensities(mu, intensity):
    """Turns an intensity table I(mu) into (bl, bf) for the integrated variants:
    radius r = sqrt(1 - mu^2), in ascending order (a descending bl is a profile
    that is zero everywhere)."""
    pairs = sorted((math.sqrt(max(0.0, 1.0 - m * m)), i) for m, i in zip(mu, intensity))
    return [r for r, _ in pairs], [i for _, i in pairs]


def interpolate(bl, bf, r):
    """The profile the integrated variants see for a table of two or more
    ascending radii: linear between table points, zero outside the table."""
    if not bl or r < bl[0] or r > bl[-1]:
        return 0.0
    for j in range(1, len(bl)):
        if r <= bl[j]:
            t = (r - bl[j - 1]) / (bl[j] - bl[j - 1])
            return bf[j - 1] + t * (bf[j] - bf[j - 1])
    return bf[-1]


def ring_weights(brightness, rings):
    """Rings for the discrete variant: the unit disk cut into `rings` annuli of
    equal width, each represented by its middle radius. A ring's weight is its
    brightness times its area, pi (outer^2 - inner^2), divided by the total so
    that the weights sum to 1."""
    edges = [j / rings for j in range(rings + 1)]
    bl = [0.5 * (edges[j] + edges[j + 1]) for j in range(rings)]
    weights = [brightness(r) * math.pi * (edges[j + 1] ** 2 - edges[j] ** 2) for j, r in enumerate(bl)]
    flux = sum(weights)
    return bl, [w / flux for w in weights]


def compute(ls, rings):
    """Magnifications of both stars at separations ls (stellar radii)."""
    law_bl, law_bf = table_from_law(quadratic_law)
    tab_bl, tab_bf = table_from_intensities(MU_TABLE, INTENSITY_TABLE)
    law_rings = ring_weights(quadratic_law, rings)
    tab_rings = ring_weights(lambda r: interpolate(tab_bl, tab_bf, r), rings)
    return {
        "uniform disk": varduxel.witt_mao_magnification(ls, RE, RSTAR),
        "quadratic law, integrated": varduxel.integrated_flux_map_heyrovsky_magnification(ls, RE, RSTAR, law_bl, law_bf),
        "quadratic law, rings": varduxel.discrete_flux_map_heyrovsky_magnification(ls, RE, RSTAR, *law_rings),
        "I(mu) table, integrated": varduxel.integrated_flux_map_heyrovsky_magnification(ls, RE, RSTAR, tab_bl, tab_bf),
        "I(mu) table, rings": varduxel.discrete_flux_map_heyrovsky_magnification(ls, RE, RSTAR, *tab_rings),
        # The uniform disk scaled by the table's flux ratio: with its own
        # normaliser this is the uniform disk again, limb darkening unresolved.
        "I(mu) table, Witt-Mao": varduxel.integrated_flux_map_witt_mao_magnification(ls, RE, RSTAR, tab_bl, tab_bf),
    }


def separations(points, rings):
    """`points` separations from 0 to 3 stellar radii for the plotted curves.

    The discrete variant's rings sit at the middle radii (j + 1/2)/rings; a
    separation on a ring radius gives +inf (the ring passes through the lens),
    and the sum over thin rings is least accurate next to one. So inside the
    disk every separation is moved to the nearest edge between two rings,
    j/rings, half a ring width from the rings on either side."""
    return [off_the_rings(3.0 * i / (points - 1), rings) for i in range(points)]


def off_the_rings(l, rings):
    """l, or inside the disk the nearest edge between two of the rings."""
    return round(l * rings) / rings if l < 1.0 else l


def plotted_curves(points, rings):
    """The separations and curves that the plot shows."""
    ls = separations(points, rings)
    return ls, compute(ls, rings)


def print_table(ls, curves):
    names = list(curves)
    print("l [R*]  " + "  ".join(f"{name:>26}" for name in names))
    for i, l in enumerate(ls):
        print(f"{l:6.3f}  " + "  ".join(f"{curves[name][i]:26.6f}" for name in names))


def plot(ls, curves, output):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    tab_bl, tab_bf = table_from_intensities(MU_TABLE, INTENSITY_TABLE)
    fig, (left, middle, right) = plt.subplots(1, 3, figsize=(15, 4.6))
    radii = [i / 400 for i in range(401)]
    left.plot(radii, [quadratic_law(r) for r in radii], label="quadratic law")
    left.plot(radii, [interpolate(tab_bl, tab_bf, r) for r in radii], "--", label="I(mu) table, interpolated")
    left.plot(tab_bl, tab_bf, "o", ms=4, label="table points")
    left.set_xlabel("radius on the star [stellar radii]")
    left.set_ylabel("surface brightness / centre")
    left.set_title("Brightness profiles")
    left.legend()
    styles = {"uniform disk": ":", "quadratic law, integrated": "-", "quadratic law, rings": "--",
              "I(mu) table, integrated": "-", "I(mu) table, rings": "--", "I(mu) table, Witt-Mao": "-."}
    uniform = curves["uniform disk"]
    for name, values in curves.items():
        middle.plot(ls, values, styles[name], label=name)
        right.plot(ls, [a / b - 1 for a, b in zip(values, uniform)], styles[name], label=name)
    for axis in (middle, right):
        axis.axvline(1.0, color="grey", lw=0.5)
        axis.set_xlabel("lens-source separation [stellar radii]")
    middle.set_ylabel("magnification")
    middle.set_title(f"Magnification, rho = {RSTAR / RE:g}")
    middle.legend(fontsize="small")
    right.set_ylabel("relative to the uniform disk")
    right.set_title("Limb-darkening signal")
    fig.tight_layout()
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    fig.savefig(output, dpi=110)
    plt.close(fig)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    # Under the checkout's build/ folder, wherever it is run from.
    checkout = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(checkout, "build", "examples", "flux_maps.png")
    parser.add_argument("--output", default=output, help="where to save the plot (PNG)")
    parser.add_argument("--points", type=int, default=241, help="number of separations of the plotted curves")
    parser.add_argument("--rings", type=int, default=1000, help="number of rings of the discrete variant")
    args = parser.parse_args(argv)

    table_ls = [off_the_rings(l, args.rings) for l in (0.0, 0.45, 0.9, 1.1, 1.5, 3.0)]
    print_table(table_ls, compute(table_ls, args.rings))

    ls, curves = plotted_curves(args.points, args.rings)
    plot(ls, curves, args.output)
    print(f"\nPlot saved to {os.path.abspath(args.output)}")


if __name__ == "__main__":
    main()
