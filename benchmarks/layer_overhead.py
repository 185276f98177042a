"""What the light-curve layer varduxel_lightcurve adds to the native calls it
makes: light_curve() on a 1,000-epoch light curve against the same calls of
varduxel made directly on the separations in stellar radii. The workload is
the cheap end for the native calls (epochs evenly over ±2 tE, so that few
cross the star), where the layer's own work weighs most.

    python -m benchmarks.layer_overhead [--quick]

Also run by `./dev bench` (benchmarks/run.py), which puts it into its results.
"""

import argparse
import datetime
import platform
import time

import numpy as np

import varduxel
import varduxel_lightcurve

from benchmarks.report import layer_lines, processor_name

EPOCHS = 1000
EVENT = {"t0": 0.0, "u0": 0.01, "tE": 20.0, "rho": 0.04}
QUADRATIC = (0.4, 0.3)


def _best_interleaved(calls, repeats):
    """Thread CPU time of each call, the best of `repeats` rounds that run
    every call once in turn, so that a disturbance hits them alike."""
    best = [float("inf")] * len(calls)
    for _ in range(repeats):
        for index, call in enumerate(calls):
            start = time.thread_time()
            call()
            best[index] = min(best[index], time.thread_time() - start)
    return best


def measure(quick=False):
    """Per law, the best times of the raw calls and of light_curve(), in µs,
    and the overhead of the layer over the raw calls."""
    t = np.linspace(-2.0 * EVENT["tE"], 2.0 * EVENT["tE"], EPOCHS)
    rho = EVENT["rho"]
    l = np.hypot(EVENT["u0"], (t - EVENT["t0"]) / EVENT["tE"]) / rho
    quadratic = varduxel_lightcurve.Quadratic(*QUADRATIC)
    bl, bf = quadratic.table

    def linear_raw():
        varduxel.witt_mao_magnification(l, 1.0, rho)
        varduxel.integrated_heyrovsky_magnification(l, 1.0, rho)

    def quadratic_raw():
        linear_raw()
        varduxel.integrated_flux_map_heyrovsky_magnification(l, 1.0, rho, bl, bf)

    cases = {"linear": ("linear, u = 0.45", linear_raw, 0.45),
             "quadratic": (f"Quadratic{QUADRATIC}", quadratic_raw, quadratic)}
    results = {}
    for name, (label, raw, law) in cases.items():
        def layer(law=law):
            varduxel_lightcurve.light_curve(t, EVENT["t0"], EVENT["u0"], EVENT["tE"], rho, law)

        raw_seconds, layer_seconds = _best_interleaved([raw, layer], 3 if quick else 200)
        results[name] = {"label": label, "raw_us": raw_seconds * 1e6, "layer_us": layer_seconds * 1e6,
                         "overhead": layer_seconds / raw_seconds - 1.0}
    return {"epochs": EPOCHS, "event": EVENT, "laws": results,
            "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
            "machine": f"{processor_name()}, CPython {platform.python_version()}"}


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="three rounds instead of two hundred")
    args = parser.parse_args(argv)
    print("\n".join(layer_lines(measure(args.quick))))


if __name__ == "__main__":
    main()
