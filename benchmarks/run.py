#!/usr/bin/env python3
"""Benchmark of varduxel's seven functions against their floors and peers,
and of what the light-curve layer adds to them.

For every function: time per point on light curves through the limb
(rho = 1e-3, 1e-2, 0.1, 1; separations 0 to 3 stellar radii, dense near the
limb; inputs as a list and as a numpy array; flux-map tables of 10, 100 and
1000 rows), and the worst and median relative error against a 30-digit
mpmath reference of the same physical quantity. Peers (MulensModel,
VBMicrolensing, a numpy + scipy.special closed form) run on the same curves
when they are installed; a peer that is not is listed as such.

Writes results.json, results.md and accuracy_vs_time.png into the output
folder (benchmarks/results by default). Usually run as `./dev bench`, or as
`python -m benchmarks.run` from the repository root with the benchmark's
private module `_varduxel_timing` (built with -DVARDUXEL_TEST_MODULE=ON) on
the path for the native floors.
"""

import argparse
import datetime
import json
import os
import pathlib
import platform
import statistics
import time

import mpmath as mp
import numpy as np

import varduxel

from benchmarks import layer_overhead
from benchmarks import methods as M
from benchmarks import report
from benchmarks import workloads as W
from benchmarks.references import QUANTITIES, References
from benchmarks.timing import time_per_point

HERE = pathlib.Path(__file__).resolve().parent

# The native floors come from the benchmark's private module; without it the
# results say why.
try:
    import _varduxel_timing as native
    NATIVE_MISSING = None
except ImportError as error:
    native = None
    NATIVE_MISSING = f"the timing module _varduxel_timing is not importable ({error})"


class Settings:
    def __init__(self, quick):
        self.quick = quick
        self.rhos = (0.1,) if quick else W.RHOS
        self.points = 8 if quick else 200  # timed separations per rho
        self.accuracy_points = 1 if quick else 12  # reference points per rho
        self.budget = 0.02 if quick else 1.5  # seconds of timing per method and rho
        self.floor_repeats = 1 if quick else 7
        self.boundary_size = 1000 if quick else 100_000
        self.cost_points = 20 if quick else 1000  # separations per cost workload


def accuracy_separations(settings):
    # One point off the limb in the quick run: the limb-darkened reference
    # takes seconds near it.
    return np.array([2.0]) if settings.quick else W.accuracy_points(settings.accuracy_points)


def relative_errors(values, quantity, separations, rho, refs):
    errors = []
    for value, l in zip(values, separations):
        ref = refs.get(quantity, l, rho)
        if ref is None:
            continue
        value = float(value)
        errors.append(float(abs(mp.mpf(value) - ref) / abs(ref)) if np.isfinite(value) else float("inf"))
    return errors


def evaluate(method, settings, refs):
    """Timing and accuracy of one method over all rho."""
    row = {"method": method.name, "kind": method.kind, "quantity": method.quantity, "note": method.note,
           "options": method.options}
    if method.unavailable:
        row["unavailable"] = method.unavailable
        return row
    per_rho = {}
    errors = []
    try:
        for rho in settings.rhos:
            l = W.light_curve(settings.points)
            seconds, timed = time_per_point(method.make_call, l, rho, settings.budget)
            separations = accuracy_separations(settings)
            values = np.asarray(method.make_call(separations, rho)(), dtype=float)
            rho_errors = relative_errors(values, method.quantity, separations, rho, refs)
            errors += rho_errors
            per_rho[repr(rho)] = {"us_per_point": seconds * 1e6, "points_timed": timed,
                                  "worst_relative_error": max(rho_errors)}
    except Exception as error:  # a peer that fails on this workload
        row["failed"] = f"{type(error).__name__}: {error}"
        return row
    row["per_rho"] = per_rho
    row["us_per_point"] = statistics.fmean(v["us_per_point"] for v in per_rho.values())
    row["worst_relative_error"] = max(errors)
    row["median_relative_error"] = statistics.median(errors)
    return row


def measure_floors(settings, earlier=None):
    """The native floors, from the timing module, when it is importable.
    Measured at the start of the run and again at its end, keeping the faster
    of the two per rho: the least disturbed measurement of the same loop.

    The floor of a ring sum is the number of integrand evaluations it makes
    per separation times the cost of one evaluation (circle mean and profile)
    at exactly those points, for the default profile and for each table."""
    if native is None:
        return {"unavailable": NATIVE_MISSING}
    # The module runs on the first instruction set the CPU has, the widest.
    fastest = supported_paths(native)[0]
    profiles = {"default": None, **{str(rows): W.ld_table(rows) for rows in W.TABLE_ROWS}}
    kernel, uniform = [], []
    ring = {name: {"evaluations": [], "us": []} for name in profiles}
    for index, rho in enumerate(settings.rhos):
        l = W.light_curve(settings.points).tolist()
        kernel.append(native.time_circle_kernel(l, 1.0, rho, settings.floor_repeats))
        uniform.append(native.time_uniform_disk(l, 1.0, rho, settings.floor_repeats))
        for name, table in profiles.items():
            if table is None:
                evaluations, seconds = native.time_ring_sum_floor(l, 1.0, rho, settings.floor_repeats, fastest)
            else:
                evaluations, seconds = native.time_flux_map_ring_sum_floor(l, 1.0, rho, settings.floor_repeats,
                                                                           fastest, *table)
            us = evaluations * seconds * 1e6
            if earlier is not None:
                us = min(us, earlier["ring_sums"][name]["us_per_rho"][index])
            ring[name]["evaluations"].append(evaluations)
            ring[name]["us"].append(us)
        if earlier is not None:
            kernel[-1] = min(kernel[-1], earlier["circle_kernel_ns_per_rho"][repr(rho)] / 1e9)
            uniform[-1] = min(uniform[-1], earlier["uniform_disk_ns_per_rho"][repr(rho)] / 1e9)
    floors = {
        "circle_kernel_ns": statistics.fmean(kernel) * 1e9,
        "circle_kernel_ns_per_rho": {repr(r): k * 1e9 for r, k in zip(settings.rhos, kernel)},
        "uniform_disk_ns": statistics.fmean(uniform) * 1e9,
        "uniform_disk_ns_per_rho": {repr(r): u * 1e9 for r, u in zip(settings.rhos, uniform)},
        "ring_sums": {name: {"evaluations": statistics.fmean(v["evaluations"]), "us": statistics.fmean(v["us"]),
                             "us_per_rho": v["us"]} for name, v in ring.items()},
    }
    floors["vector_path"] = fastest
    floors["ring_sum_us"] = floors["ring_sums"]["default"]["us"]
    floors["ring_sum_evaluations"] = floors["ring_sums"]["default"]["evaluations"]
    floors["boundary"] = earlier["boundary"] if earlier is not None else measure_boundary(native, settings)
    return floors


def supported_paths(native):
    """The instruction sets this CPU supports, widest first."""
    return [name for name, _, supported in native.instruction_sets() if supported]


def measure_vector_paths(settings):
    """integrated_heyrovsky_magnification's model operation on every vector
    path the machine has (native, without the Python boundary): time per
    epoch on the benchmark's light curves and its floor on that path."""
    if native is None:
        return {"unavailable": NATIVE_MISSING}
    paths = {}
    for path in reversed(supported_paths(native)):
        times, floors = [], []
        for rho in settings.rhos:
            l = W.light_curve(settings.points).tolist()
            times.append(native.time_ring_sums(l, 1.0, rho, settings.floor_repeats, path) * 1e6)
            evaluations, seconds = native.time_ring_sum_floor(l, 1.0, rho, settings.floor_repeats, path)
            floors.append(evaluations * seconds * 1e6)
        paths[path] = {"us_per_epoch": statistics.fmean(times), "floor_us": statistics.fmean(floors),
                       "us_per_epoch_per_rho": times}
    scalar = paths["scalar"]["us_per_epoch"]
    for row in paths.values():
        row["speedup_over_scalar"] = scalar / row["us_per_epoch"]
        row["floor_multiple"] = row["us_per_epoch"] / row["floor_us"]
    return paths


def measure_costs(settings):
    """The cost page's figures at rho = COST_RHO: µs per separation of every
    function (numpy input, 100-row tables) on each cost workload, of the
    flux maps for every table size on the even one, and of a flux-map call
    with one separation, where the table's flux weighs most; with the ring
    sums' integrand evaluations per separation, for the linear law and the
    100-row table, when the timing module is there."""
    workloads = W.cost_separations(settings.cost_points)
    costs = {"rho": W.COST_RHO, "separations": settings.cost_points, "us_per_separation": {},
             "us_by_rows": {}, "one_separation_call_us": {}}
    for function_name in M.FUNCTIONS:
        for method in M.varduxel_methods(function_name):
            if method.options["input"] == "list":
                continue
            rows = method.options.get("rows")

            def us(separations):
                return time_per_point(method.make_call, separations, W.COST_RHO, settings.budget)[0] * 1e6

            if rows in (None, 100):
                costs["us_per_separation"][function_name] = {name: us(l) for name, l in workloads.items()}
            if rows is None:
                continue
            costs["us_by_rows"].setdefault(function_name, {})[str(rows)] = (
                costs["us_per_separation"][function_name]["even"] if rows == 100 else us(workloads["even"]))
            if function_name.startswith("integrated_flux_map"):
                costs["one_separation_call_us"].setdefault(function_name, {})[str(rows)] = us(np.array([0.5]))
    if native is not None:
        fastest = supported_paths(native)[0]
        table = W.ld_table(100)
        costs["evaluations"] = {
            name: {"law": native.time_ring_sum_floor(l.tolist(), 1.0, W.COST_RHO, 1, fastest)[0],
                   "table": native.time_flux_map_ring_sum_floor(l.tolist(), 1.0, W.COST_RHO, 1, fastest, *table)[0]}
            for name, l in workloads.items()}
    return costs


def measure_boundary(native, settings):
    """Share of witt_mao_magnification's call spent outside the model (argument
    conversion and result list) on many separations given as a numpy array
    and as a list: 1 - native model time / call time."""
    shares = {}
    for container in ("numpy", "list"):
        per_rho = {}
        for rho in settings.rhos:
            l = W.light_curve(settings.boundary_size)
            argument = l if container == "numpy" else l.tolist()
            model = native.time_uniform_disk(l.tolist(), 1.0, rho, settings.floor_repeats)
            best = float("inf")
            for _ in range(settings.floor_repeats):
                start = time.thread_time()
                result = varduxel.witt_mao_magnification(argument, 1.0, rho)
                best = min(best, time.thread_time() - start)
                del result
            per_rho[repr(rho)] = 1 - model * len(l) / best
        shares[container] = {"separations": settings.boundary_size, "share_per_rho": per_rho,
                             "share": statistics.fmean(per_rho.values())}
    return shares


def floor_multiple(function_name, row, floors):
    if "circle_kernel_ns" not in floors or "us_per_point" not in row:
        return None
    kernel_us = floors["circle_kernel_ns"] / 1e3
    if function_name == "integrated_heyrovsky_magnification":
        return row["us_per_point"] / floors["ring_sums"]["default"]["us"]
    if function_name == "integrated_flux_map_heyrovsky_magnification":
        return row["us_per_point"] / floors["ring_sums"][str(row["options"]["rows"])]["us"]
    if function_name == "discrete_flux_map_heyrovsky_magnification":
        return row["us_per_point"] / (row["options"]["rows"] * kernel_us)
    if function_name == "heyrovsky_magnification":
        return row["us_per_point"] / kernel_us
    if function_name == "witt_mao_magnification":
        return row["us_per_point"] / (floors["uniform_disk_ns"] / 1e3)
    return None


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=pathlib.Path, default=HERE / "results")
    parser.add_argument("--quick", action="store_true", help="a few points and one rho: a smoke run")
    parser.add_argument("--no-peers", action="store_true", help="leave out MulensModel and VBMicrolensing")
    parser.add_argument("--update-page", type=pathlib.Path, metavar="PAGE",
                        help="rewrite the Performance section between the benchmark markers of this Markdown "
                             "page (docs/cost.md)")
    args = parser.parse_args(argv)
    settings = Settings(args.quick)
    load_at_start = os.getloadavg()[0]
    args.output.mkdir(parents=True, exist_ok=True)
    refs = References(args.output / "reference_cache.json")
    started = time.time()

    def log(text):
        print(f"[{time.time() - started:6.1f} s] {text}", flush=True)

    log("references")
    for quantity in QUANTITIES:
        for rho in settings.rhos:
            for l in accuracy_separations(settings):
                refs.get(quantity, l, rho)
        refs.save()
    log("floors")
    floors = measure_floors(settings)
    peers = {}
    for method in M.peer_methods(include_peers=not args.no_peers):
        log(f"peer: {method.name} ({method.quantity})")
        peers.setdefault(method.quantity, []).append(evaluate(method, settings, refs))
        refs.save()

    functions = {}
    for function_name, quantity in M.FUNCTIONS.items():
        rows = []
        for method in M.varduxel_methods(function_name):
            log(f"{function_name}: {method.name}")
            rows.append(evaluate(method, settings, refs))
        refs.save()
        functions[function_name] = report.compare(rows, peers.get(quantity, []), quantity)
        functions[function_name]["note"] = M.FUNCTION_NOTES[function_name]

    if "unavailable" not in floors:
        log("floors again")
        floors = measure_floors(settings, earlier=floors)
    log("vector paths")
    vector_paths = measure_vector_paths(settings)
    log("light-curve layer")
    layer = layer_overhead.measure(settings.quick)
    log("costs")
    costs = measure_costs(settings)
    for function_name, function in functions.items():
        for row in function["rows"]:
            if row["kind"] == "varduxel":
                row["floor_multiple"] = floor_multiple(function_name, row, floors)

    results = {
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "machine": {"platform": platform.platform(), "processor": report.processor_name(),
                    "cpus": os.cpu_count(), "python": platform.python_version(),
                    "load_average": {"start": load_at_start, "end": os.getloadavg()[0]}},
        "versions": {"varduxel": M.version_of("varduxel"),
                     **{name: M.version_of(name) for name in M.PEER_DISTRIBUTIONS}},
        "settings": {"rhos": settings.rhos, "timed_points_per_rho": settings.points,
                     "accuracy_points_per_rho": len(accuracy_separations(settings)),
                     "reference_digits": 30, "quick": settings.quick,
                     "clock": "thread CPU time, best of up to 7 runs"},
        "quantities": {name: description for name, (description, _) in QUANTITIES.items()},
        "reference_failures": refs.failures(),
        "floors": floors,
        "vector_paths": vector_paths,
        "layer_overhead": layer,
        "costs": costs,
        "functions": functions,
    }
    (args.output / "results.json").write_text(json.dumps(results, indent=1, allow_nan=True) + "\n")
    (args.output / "results.md").write_text(report.markdown(results))
    report.plot(results, args.output / "accuracy_vs_time.png")
    if args.update_page:
        report.update_page(args.update_page, results, args.output)
    log(f"done: {args.output} ({refs.computed} reference values computed)")
    return results


if __name__ == "__main__":
    main()
