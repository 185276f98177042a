"""Measures the limb-darkening recipes of examples/limb_darkening.py against
mpmath: the linear law with any coefficient (two calls), and other laws
through brightness tables of 100, 300 and 1,000 rows, placed three ways, as a
whole table or as the exact linear part plus a table of the remainder; with
the cost of each per separation. Prints Markdown tables for the documentation.
`--part layer` measures the law objects of varduxel_lightcurve the same way,
against the number of rows, to choose their default tables.

    python -m tools.limb_darkening_tables [--rho 0.05] [--dps 20] [--part all|recipe|tables|cost|layer]

References are cached in build/limb_darkening_references.json (several
minutes to compute the first time).
"""

import argparse
import json
import math
import pathlib
import statistics
import time

import mpmath as mp

import varduxel
import varduxel_lightcurve

from tests.support import reference
from tests.support.scripts import load_script

ROOT = pathlib.Path(__file__).resolve().parent.parent
CACHE = ROOT / "build" / "limb_darkening_references.json"

# Separations (stellar radii) through the disk, the limb and outside.
LS = [0.0, 0.5, 0.8, 0.9, 0.95, 0.99, 0.999, 1.0, 1.001, 1.01, 1.05, 1.1, 1.5, 2.0, 3.0]
ROWS = [100, 300, 1000]
SPACINGS = ["radius", "mu", "angle"]
# The recipe: coefficients, stellar radii and separations, inside, on and
# outside the limb.
RECIPE_US = [0.0, 0.2, 0.45, 0.8, 1.0]
RECIPE_RHOS = [1e-3, 0.05, 1.0]
RECIPE_LS = [0.0, 0.5, 0.9, 0.999, 1.0, 1.0001, 1.1, 1.5, 3.0]


# The laws of the layer, each with the example's constructor of the same law
# for the reference: the example's illustrative coefficients, and a
# four-coefficient law whose remainder changes sign.
LAYER_LAWS = [("Quadratic", "quadratic", (0.45, 0.20)), ("SquareRoot", "square_root", (0.15, 0.55)),
              ("Logarithmic", "logarithmic", (0.65, 0.20)), ("Power2", "power_2", (0.65, 0.55)),
              ("FourParameter", "four_coefficient", (0.55, -0.25, 0.70, -0.30)),
              ("FourParameter", "four_coefficient", (0.30, 0.60, -0.90, 0.50))]
LAYER_ROWS = [25, 50, 100, 200, 300, 500, 700, 1000, 1500]
LAYER_RHOS = [0.02, 0.05, 0.3]


def load_example():
    return load_script(ROOT / "examples" / "limb_darkening.py", "limb_darkening_example")


def cached_references(keys, compute):
    cache = json.loads(CACHE.read_text()) if CACHE.exists() else {}
    missing = [key for key in keys if key not in cache]
    for n, key in enumerate(missing, 1):
        start = time.perf_counter()
        cache[key] = compute(key)
        print(f"  reference {n}/{len(missing)} {key}: {time.perf_counter() - start:.1f} s", flush=True)
        CACHE.parent.mkdir(exist_ok=True)
        CACHE.write_text(json.dumps(cache, indent=0))
    return {key: cache[key] for key in keys}


def law_profile(law):
    return lambda x: law.intensity(mp.sqrt((1 - x) * (1 + x)), mp)


def time_per_separation(call, separations=1000, repeats=7):
    """Thread CPU time per separation, best of `repeats` calls, in µs."""
    ls = [3.0 * (i + 0.5) / separations for i in range(separations)]
    best = math.inf
    for _ in range(repeats):
        start = time.thread_time()
        call(ls)
        best = min(best, time.thread_time() - start)
    return best / separations * 1e6


def worst_error(values, truths):
    return max(abs(v - t) / t for v, t in zip(values, truths))


def recipe(example, dps):
    keys = [f"linear {u} {rho} {l} {dps}" for u in RECIPE_US for rho in RECIPE_RHOS for l in RECIPE_LS]

    def compute(key):
        _, u, rho, l, _ = key.split()
        with mp.workdps(dps):
            return float(reference.linear_law_disk_mean(float(l), float(rho), float(u)))

    truths = cached_references(keys, compute)
    print("\n### Any linear coefficient\n")
    print("| rho | " + " | ".join(f"l = {l:g}" for l in RECIPE_LS) + " |")
    print("|---|" + "---|" * len(RECIPE_LS))
    for rho in RECIPE_RHOS:
        cells = []
        for l in RECIPE_LS:
            errors = []
            for u in RECIPE_US:
                (value,) = example.linear_limb_darkening_magnification([l], 1.0, rho, u)
                truth = truths[f"linear {u} {rho} {l} {dps}"]
                errors.append(abs(value - truth) / truth)
            cells.append(f"{max(errors):.1e}")
        print(f"| {rho:g} | " + " | ".join(cells) + " |")
    print(f"\n(worst over u = {', '.join(map(str, RECIPE_US))})")


def tables(example, rho, dps):
    keys = [f"{law.name} | {rho} {l} {dps}" for law in example.LAWS for l in LS]
    laws = {law.name: law for law in example.LAWS}

    def compute(key):
        name, rest = key.split(" | ")
        _, l, _ = rest.split()
        with mp.workdps(dps):
            return float(reference.limb_darkened_mean(float(l), rho, law_profile(laws[name])))

    truths = cached_references(keys, compute)
    # The remainder's flux by Gauss-Legendre against mpmath.
    print("\n### Remainder fluxes (Gauss-Legendre, 100 nodes, against mpmath)\n")
    for law in example.LAWS:
        with mp.workdps(30):
            exact = 2 * mp.quad(lambda mu: mu * law.remainder(mu, mp), [0, 1])
        print(f"- {law.name}: {example.relative_flux(law.remainder):.17g}, relative error "
              f"{float(abs(example.relative_flux(law.remainder) - exact) / abs(exact)):.1e}")

    results = []
    for law in example.LAWS:
        truth = [truths[f"{law.name} | {rho} {l} {dps}"] for l in LS]
        for split in (False, True):
            for spacing in SPACINGS:
                for rows in ROWS:
                    values = example.law_magnification(LS, 1.0, rho, law, rows, spacing, split)
                    results.append({"law": law.name, "split": split, "spacing": spacing, "rows": rows,
                                    "worst": worst_error(values, truth)})
    print(f"\n### Worst relative error over {len(LS)} separations from 0 to 3 (rho = {rho})\n")
    print("| law | way | " + " | ".join(f"{s}, {n}" for s in SPACINGS for n in ROWS) + " |")
    print("|---|---|" + "---|" * (len(SPACINGS) * len(ROWS)))
    for law in example.LAWS:
        for split in (False, True):
            row = [r for r in results if r["law"] == law.name and r["split"] == split]
            cells = [f"{r['worst']:.1e}" for r in row]
            print(f"| {law.name} | {'linear exact + remainder' if split else 'whole law'} | " + " | ".join(cells) + " |")

    return results


def cost(example, rho):
    """Thread CPU time per separation of the recipe and of the tables, in µs."""
    law = example.LAWS[0]
    rows = [("uniform disk (`witt_mao_magnification`)",
             lambda ls: varduxel.witt_mao_magnification(ls, 1.0, rho)),
            ("built-in law 0.6 (`integrated_heyrovsky_magnification`)",
             lambda ls: varduxel.integrated_heyrovsky_magnification(ls, 1.0, rho)),
            ("linear law, any u (the two-call recipe)",
             lambda ls: example.linear_limb_darkening_magnification(ls, 1.0, rho, 0.45))]
    for n in ROWS:
        rows.append((f"whole law as a table, {n} rows",
                     lambda ls, n=n: example.law_magnification(ls, 1.0, rho, law, n, "angle", False)))
        rows.append((f"linear part exact + remainder table, {n} rows",
                     lambda ls, n=n: example.law_magnification(ls, 1.0, rho, law, n, "angle", True)))
    print(f"\n### Cost per separation (µs of thread CPU time, best of 7 calls of 1,000 separations from 0 to 3, "
          f"rho = {rho})\n")
    print("| way | µs per separation |")
    print("|---|---|")
    for name, call in rows:
        print(f"| {name} | {time_per_separation(call):.2f} |")


def layer(example, dps):
    """The worst relative error of each law object of varduxel_lightcurve over
    LS and LAYER_RHOS, against the number of rows, and its cost per separation
    with its default rows beside the linear law's."""
    laws = [(getattr(varduxel_lightcurve, name), getattr(example, maker)(*coefficients), coefficients)
            for name, maker, coefficients in LAYER_LAWS]
    keys = [f"{reference_law.name} | {rho} {l} {dps}" for _, reference_law, _ in laws for rho in LAYER_RHOS
            for l in LS]
    by_name = {reference_law.name: reference_law for _, reference_law, _ in laws}

    def compute(key):
        name, rest = key.split(" | ")
        rho, l, _ = rest.split()
        with mp.workdps(dps):
            return float(reference.limb_darkened_mean(float(l), float(rho), law_profile(by_name[name])))

    truths = cached_references(keys, compute)
    print(f"\n### varduxel_lightcurve's laws: worst relative error over {len(LS)} separations from 0 to 3 "
          f"and rho = {', '.join(map(str, LAYER_RHOS))}\n")
    print("| law | default rows | " + " | ".join(f"{n} rows" for n in LAYER_ROWS) + " |")
    print("|---|---|" + "---|" * len(LAYER_ROWS))
    for law_type, reference_law, coefficients in laws:
        cells = []
        for rows in LAYER_ROWS:
            law = law_type(*coefficients, rows=rows)
            worst = max(worst_error(varduxel_lightcurve.magnification([l * rho for l in LS], rho, law),
                                    [truths[f"{reference_law.name} | {rho} {l} {dps}"] for l in LS])
                        for rho in LAYER_RHOS)
            cells.append(f"{worst:.1e}")
        print(f"| {law_type(*coefficients)!r} | {law_type.default_rows} | " + " | ".join(cells) + " |")

    rho = 0.05
    print(f"\n### Cost per separation (µs of thread CPU time, best of 7 calls of 1,000 separations from 0 to 3 "
          f"stellar radii, rho = {rho})\n")
    print("| limb darkening | µs per separation |")
    print("|---|---|")
    calls = [("linear, u = 0.45", 0.45)] + [(f"{law_type.__name__}, {law_type.default_rows} rows",
                                             law_type(*coefficients)) for law_type, _, coefficients in laws[:5]]
    for name, law in calls:
        cost = time_per_separation(lambda ls, law=law: varduxel_lightcurve.magnification(
            [l * rho for l in ls], rho, law))
        print(f"| {name} | {cost:.2f} |")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rho", type=float, default=0.05)
    parser.add_argument("--dps", type=int, default=16)
    parser.add_argument("--part", choices=["all", "recipe", "tables", "cost", "layer"], default="all")
    parser.add_argument("--plot", type=pathlib.Path, help="save a plot of the tables' accuracy (PNG)")
    args = parser.parse_args(argv)
    example = load_example()
    if args.part in ("all", "cost"):
        cost(example, args.rho)
    if args.part in ("all", "recipe"):
        recipe(example, args.dps)
    if args.part == "layer":
        layer(example, args.dps)
    if args.part in ("all", "tables"):
        results = tables(example, args.rho, args.dps)
        print("\nmedian over laws of the worst error, by way, spacing and rows:")
        for split in (False, True):
            for spacing in SPACINGS:
                for rows in ROWS:
                    chosen = [r["worst"] for r in results
                              if r["split"] == split and r["spacing"] == spacing and r["rows"] == rows]
                    print(f"  {'split' if split else 'whole'} {spacing:6} {rows:5}: {statistics.median(chosen):.1e}")
        if args.plot:
            plot(results, example, args.rho, args.plot)


def plot(results, example, rho, path):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, axes = plt.subplots(1, 2, figsize=(11, 4.2), sharey=True)
    for axis, split in zip(axes, (False, True)):
        for colour, spacing in zip(("C0", "C1", "C2"), SPACINGS):
            for n, law in enumerate(example.LAWS):
                worst = [r["worst"] for r in results
                         if r["law"] == law.name and r["split"] == split and r["spacing"] == spacing]
                axis.plot(ROWS, worst, "o-", color=colour, alpha=0.35 + 0.13 * n, lw=1,
                          label=f"even in {'r' if spacing == 'radius' else 'μ' if spacing == 'mu' else 'angle'}"
                          if n == 0 else None)
        axis.set_xscale("log")
        axis.set_yscale("log")
        axis.set_xlabel("rows of the table")
        axis.set_title("linear part exact + remainder table" if split else "whole law as a table")
        axis.grid(True, which="major", alpha=0.3)
        axis.legend()
    axes[0].set_ylabel(f"worst relative error, 0 ≤ l ≤ 3, rho = {rho:g}")
    fig.suptitle("Five limb-darkening laws through brightness tables (one line per law)")
    fig.tight_layout()
    fig.savefig(path, dpi=100)
    plt.close(fig)


if __name__ == "__main__":
    main()
