"""The benchmark's recorded run on the pages: the figures of
benchmarks/results/results.json, which ``./dev bench`` writes, as MyST
substitutions, so that every timing a page quotes is that run's, together
with the machine and the load it ran under. A page writes, for example,
``{{ cost.us.integrated_heyrovsky_magnification.even }}`` (µs per
separation), ``{{ layer.linear.percent }}`` (what the light-curve layer
adds), ``{{ bench.machine }}`` or ``{{ bench.date }}``; a name the run
did not record fails the build."""

import json
import pathlib
import sys

from sphinx.errors import ExtensionError

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2]))  # the checkout, for the benchmark's package
from benchmarks.report import machine_text  # noqa: E402


def figure(value):
    """Two significant digits, without exponent: 0.31, 2.5, 16, 230."""
    if value >= 100:
        return f"{value:,.0f}"
    return f"{value:.2g}" if value < 10 else f"{value:.0f}"


def substitutions(results):
    """{name: text} of every figure a page may quote."""
    costs = results["costs"]
    names = {
        "bench.machine": f"{machine_text(results)}, CPython {results['machine']['python']}",
        "bench.date": results["date"],
        "cost.rho": f"{costs['rho']:g}",
        "cost.separations": f"{costs['separations']:,}",
    }
    for function, workloads in costs["us_per_separation"].items():
        names.update({f"cost.us.{function}.{workload}": figure(us) for workload, us in workloads.items()})
    for kind in ("us_by_rows", "one_separation_call_us"):
        for function, by_rows in costs[kind].items():
            names.update({f"cost.{kind}.{function}.{rows}": figure(us) for rows, us in by_rows.items()})
    for workload, counts in costs.get("evaluations", {}).items():
        names.update({f"cost.evaluations.{workload}.{profile}": f"{count:.0f}" for profile, count in counts.items()})

    layer = results.get("layer_overhead", {})
    for law, row in layer.get("laws", {}).items():
        names[f"layer.{law}.raw_ms"] = figure(row["raw_us"] / 1e3)
        names[f"layer.{law}.layer_ms"] = figure(row["layer_us"] / 1e3)
        names[f"layer.{law}.percent"] = f"{row['overhead'] * 100:.1f}"

    # Sums and ratios of the recorded figures, for the pages that compare them.
    even = {function: workloads["even"] for function, workloads in costs["us_per_separation"].items()}
    law, disk = even["integrated_heyrovsky_magnification"], even["witt_mao_magnification"]
    table = even["integrated_flux_map_heyrovsky_magnification"]
    names["cost.light_curve_ms"] = figure(law)  # 1,000 epochs at `law` µs each
    names["cost.any_linear_coefficient_us"] = figure(law + disk)
    names["cost.table_over_law"] = figure(table / law)
    paths = results.get("vector_paths", {})
    if "unavailable" not in paths:
        multiples = [row["floor_multiple"] for row in paths.values()]
        names["lanes.floor_multiples"] = f"{min(multiples):.2f} to {max(multiples):.2f}"
        names.update({f"lanes.speedup.{path}": f"{row['speedup_over_scalar']:.1f}" for path, row in paths.items()})
    return names


def add_substitutions(app, config):
    path = pathlib.Path(config.benchmark_results_file)
    try:
        results = json.loads(path.read_text())
        numbers = substitutions(results)
    except (OSError, KeyError, ValueError) as error:
        raise ExtensionError(f"{path}: no recorded benchmark run to quote ({type(error).__name__}: {error}); "
                             "run ./dev bench") from error
    config.myst_substitutions = {**config.myst_substitutions, **numbers}


def setup(app):
    app.add_config_value("benchmark_results_file", None, "env")
    app.connect("config-inited", add_substitutions)
    return {"parallel_read_safe": True}
