"""Limb darkening of any law: every linear coefficient exactly, other laws
through brightness tables.

The module has one built-in law, linear limb darkening with coefficient 0.6.
Magnification is linear in the brightness profile, so two calls give the
linear law with any coefficient u exactly:

    A_u = A_0 + 2 Gamma (A_0.6 - A_0),   Gamma = 2u / (3 - u),

with A_0 the uniform disk (witt_mao_magnification) and A_0.6 the built-in law
(integrated_heyrovsky_magnification). linear_limb_darkening_magnification()
below is that recipe, ready to use.

Other laws (quadratic, square-root, logarithmic, power-2, four-coefficient)
go through the flux-map tables. law_magnification() builds the table of a law
and, by default, splits the law into its constant and linear parts, which the
recipe gives exactly, and a remainder, which goes into the table. The
documentation's limb-darkening page measures how accurate each way is.

The script prints light-curve values for a few coefficients and laws and saves
a plot of the profiles and of the limb-darkening signal they give.

Run it, once varduxel and NumPy (for the remainder's flux) are installed, with
``python examples/limb_darkening.py [--output FILE.png]``;
without ``--output`` the plot goes to ``build/examples/limb_darkening.png`` in the checkout.
"""

import argparse
import math
import os
from typing import Callable, NamedTuple

import varduxel


# --- any linear coefficient ---------------------------------------------------------

def gamma_from_u(u):
    """The coefficient Gamma of the flux-normalised form 1 - Gamma (1 - 3 mu / 2)
    of the linear law 1 - u (1 - mu)."""
    return 2.0 * u / (3.0 - u)


def u_from_gamma(gamma):
    """The inverse of gamma_from_u."""
    return 3.0 * gamma / (2.0 + gamma)


def linear_limb_darkening_magnification(l, re, rstar, u):
    """Magnification of a star with the linear law 1 - u (1 - sqrt(1 - x^2)),
    any coefficient u, at the separations l (stellar radii); re and rstar in
    one unit. One uniform-disk call and one call of the built-in law (0.6)."""
    uniform = varduxel.witt_mao_magnification(l, re, rstar)
    built_in = varduxel.integrated_heyrovsky_magnification(l, re, rstar)
    weight = 2.0 * gamma_from_u(u)
    return [a0 + weight * (a6 - a0) for a0, a6 in zip(uniform, built_in)]


# --- other laws ---------------------------------------------------------------------

class Law(NamedTuple):
    """A limb-darkening law written as I(mu) = alpha + beta mu + remainder(mu),
    with I = 1 at the centre (mu = 1). remainder(mu, m) takes the module m that
    supplies sqrt and log (math, or mpmath for references)."""

    name: str
    alpha: float
    beta: float
    remainder: Callable

    def intensity(self, mu, m=math):
        return self.alpha + self.beta * mu + self.remainder(mu, m)


def quadratic(a, b):
    """1 - a (1 - mu) - b (1 - mu)^2 = (1 - a - b) + (a + 2b) mu - b mu^2."""
    return Law(f"quadratic ({a}, {b})", 1.0 - a - b, a + 2.0 * b, lambda mu, m=math: -b * mu * mu)


def square_root(c, d):
    """1 - c (1 - mu) - d (1 - sqrt(mu))."""
    return Law(f"square-root ({c}, {d})", 1.0 - c - d, c, lambda mu, m=math: d * m.sqrt(mu))


def logarithmic(e, f):
    """1 - e (1 - mu) - f mu log(mu)."""
    return Law(f"logarithmic ({e}, {f})", 1.0 - e, e, lambda mu, m=math: -f * mu * m.log(mu) if mu > 0 else 0.0 * mu)


def power_2(c, alpha):
    """1 - c (1 - mu^alpha)."""
    return Law(f"power-2 ({c}, {alpha})", 1.0 - c, 0.0, lambda mu, m=math: c * mu ** alpha)


def four_coefficient(a1, a2, a3, a4):
    """1 - sum over k of a_k (1 - mu^(k/2))."""
    return Law(f"four-coefficient ({a1}, {a2}, {a3}, {a4})", 1.0 - a1 - a2 - a3 - a4, a2,
               lambda mu, m=math: a1 * m.sqrt(mu) + a3 * mu * m.sqrt(mu) + a4 * mu * mu)


# Illustrative coefficients of the kind tabulated for a Sun-like star in the
# I band; use the ones of your star.
LAWS = [quadratic(0.45, 0.20), square_root(0.15, 0.55), logarithmic(0.65, 0.20), power_2(0.65, 0.55),
        four_coefficient(0.55, -0.25, 0.70, -0.30)]


def mu_of_radius(r):
    """mu = sqrt(1 - r^2), with the factors formed without cancellation."""
    return math.sqrt(max(0.0, (1.0 - r) * (1.0 + r)))


def table_radii(rows, spacing="angle"):
    """`rows` radii from 0 to 1 for a brightness table.

    spacing "radius": even in r; "mu": even in mu = sqrt(1 - r^2), so crowded
    at the limb and sparse at the centre; "angle": r = sin(theta) with theta
    even, so even in the angle from the disk centre as seen by the observer,
    in between the two."""
    radii = []
    for i in range(rows):
        t = i / (rows - 1)
        if spacing == "radius":
            radii.append(t)
        elif spacing == "mu":
            radii.append(math.sqrt(t * (2.0 - t)))  # mu = 1 - t
        elif spacing == "angle":
            radii.append(math.sin(0.5 * math.pi * t))
        else:
            raise ValueError(f"unknown spacing {spacing!r}")
    radii[0], radii[-1] = 0.0, 1.0
    return radii


def brightness_table(profile_of_mu, rows, spacing="angle"):
    """(bl, bf) of a profile given as a function of mu, for the integrated
    flux-map functions."""
    bl = table_radii(rows, spacing)
    return bl, [profile_of_mu(mu_of_radius(r)) for r in bl]


def relative_flux(profile_of_mu, nodes=100):
    """The flux of a profile over the disk divided by pi: 2 times the integral of
    mu I(mu) over mu from 0 to 1 (r dr = -mu dmu). Gauss-Legendre in t with
    mu = t^2, which makes powers of sqrt(mu) smooth."""
    import numpy

    t, w = numpy.polynomial.legendre.leggauss(nodes)
    t, w = 0.5 * (t + 1.0), 0.5 * w
    return 4.0 * math.fsum(wi * ti ** 3 * profile_of_mu(ti * ti) for ti, wi in zip(t.tolist(), w.tolist()))


def law_magnification(l, re, rstar, law, rows=300, spacing="angle", split=True):
    """Magnification of a star with the limb-darkening law `law` at the
    separations l (stellar radii).

    split=False: the whole law as one brightness table of `rows` rows.
    split=True: the constant and linear parts exactly, by the recipe above,
    and only the remainder as a table. A table is normalised by its own flux,
    so its result is the remainder's brightness-weighted mean magnification;
    it enters weighted by the remainder's flux (computed here), beside the
    uniform disk weighted by alpha and the mu-weighted integral of the
    magnification weighted by beta. The remainder must not change sign."""
    if not split:
        bl, bf = brightness_table(law.intensity, rows, spacing)
        return varduxel.integrated_flux_map_heyrovsky_magnification(l, re, rstar, bl, bf)
    uniform = varduxel.witt_mao_magnification(l, re, rstar)
    built_in = varduxel.integrated_heyrovsky_magnification(l, re, rstar)
    bl, bf = brightness_table(law.remainder, rows, spacing)
    remainder = varduxel.integrated_flux_map_heyrovsky_magnification(l, re, rstar, bl, bf)
    flux_r = relative_flux(law.remainder)
    # Fluxes over pi: alpha for the constant, 2/3 beta for beta mu; the
    # mu-weighted integral over pi is (4 A_0.6 - 2 A_0) / 3.
    total = law.alpha + 2.0 * law.beta / 3.0 + flux_r
    return [(law.alpha * a0 + law.beta * (4.0 * a6 - 2.0 * a0) / 3.0 + flux_r * ar) / total
            for a0, a6, ar in zip(uniform, built_in, remainder)]


# --- the script ---------------------------------------------------------------------

RE, RSTAR = 1.0, 0.05  # rho = 0.05
COEFFICIENTS = [0.0, 0.3, 0.6, 0.9]


def compute(ls):
    curves = {f"linear u = {u}": linear_limb_darkening_magnification(ls, RE, RSTAR, u) for u in COEFFICIENTS}
    for law in LAWS:
        curves[law.name] = law_magnification(ls, RE, RSTAR, law)
    return curves


def print_table(ls, curves):
    names = list(curves)
    print("l [R*]  " + "  ".join(f"{name[:24]:>24}" for name in names))
    for i, l in enumerate(ls):
        print(f"{l:6.3f}  " + "  ".join(f"{curves[name][i]:24.9f}" for name in names))


def plot(ls, curves, output):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, (left, right) = plt.subplots(1, 2, figsize=(12, 4.6))
    radii = [i / 500 for i in range(501)]
    for u in COEFFICIENTS:
        left.plot(radii, [1 - u * (1 - mu_of_radius(r)) for r in radii], ":", label=f"linear u = {u}")
    for law in LAWS:
        left.plot(radii, [law.intensity(mu_of_radius(r)) for r in radii], label=law.name)
    left.set_xlabel("radius on the star [stellar radii]")
    left.set_ylabel("surface brightness / centre")
    left.set_title("Brightness profiles")
    left.legend(fontsize="small")
    uniform = curves["linear u = 0.0"]
    for name, values in curves.items():
        right.plot(ls, [a / b - 1 for a, b in zip(values, uniform)], ":" if name.startswith("linear") else "-",
                   label=name)
    right.axvline(1.0, color="grey", lw=0.5)
    right.set_xlabel("lens-source separation [stellar radii]")
    right.set_ylabel("A / A_uniform - 1")
    right.set_title(f"Limb-darkening signal, rho = {RSTAR / RE:g}")
    fig.tight_layout()
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    fig.savefig(output, dpi=110)
    plt.close(fig)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    # Under the checkout's build/ folder, wherever it is run from.
    checkout = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(checkout, "build", "examples", "limb_darkening.png")
    parser.add_argument("--output", default=output, help="where to save the plot (PNG)")
    parser.add_argument("--points", type=int, default=301, help="number of separations of the plotted curves")
    args = parser.parse_args(argv)

    table_ls = [0.0, 0.5, 0.9, 1.0, 1.1, 2.0]
    print_table(table_ls, compute(table_ls))

    ls = [2.0 * i / (args.points - 1) for i in range(args.points)]
    plot(ls, compute(ls), args.output)
    print(f"\nPlot saved to {os.path.abspath(args.output)}")


if __name__ == "__main__":
    main()
