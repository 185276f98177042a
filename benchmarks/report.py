"""Tables, plot and documentation section from the benchmark's results."""

import math
import os
import pathlib
import platform

SECTION_START = "<!-- benchmark:start -->"
SECTION_END = "<!-- benchmark:end -->"


def processor_name():
    try:
        for line in pathlib.Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def machine_text(results):
    """The machine and the load the run had, for every page that quotes it."""
    machine = results["machine"]
    text = f"{machine['processor']}, {machine['cpus']} cores"
    load = machine.get("load_average")
    if load:
        text += f", load average {load['start']:.1f} at the start and {load['end']:.1f} at the end"
    return text


def _baseline(rows):
    """The varduxel row the others are compared with: numpy input, and the
    100-row table for the flux maps."""
    candidates = [r for r in rows if r["kind"] == "varduxel" and "us_per_point" in r]
    for row in candidates:
        if row["options"].get("input") in ("numpy", "float") and row["options"].get("rows") in (None, 100):
            return row
    return candidates[0] if candidates else None


# Errors below this are rounding, not method: two such methods are equally accurate.
ROUNDING_LEVEL = 1e-14


def _coarser(error, than):
    """Whether a worst relative error is clearly coarser than another."""
    return error > 2 * max(than, ROUNDING_LEVEL)


def _verdict(peer, base):
    if "unavailable" in peer:
        return f"not run: {peer['unavailable']}"
    if "failed" in peer:
        return f"failed here: {peer['failed']}"
    if base is None:
        return ""
    worst, base_worst = peer["worst_relative_error"], base["worst_relative_error"]
    median, base_median = peer["median_relative_error"], base["median_relative_error"]
    if peer["us_per_point"] >= base["us_per_point"]:
        more_accurate = _coarser(base_worst, worst) and not _coarser(median, base_median)
        return "varduxel faster" + (", peer more accurate" if more_accurate else "")
    if _coarser(worst, base_worst) or _coarser(median, base_median):
        return (f"peer faster, at coarser accuracy (worst {worst:.1e} against {base_worst:.1e}, "
                f"median {median:.1e} against {base_median:.1e})")
    if _coarser(base_worst, worst) or _coarser(base_median, median):
        return "peer faster and more accurate"
    return "peer faster at matched accuracy"


def compare(rows, peer_rows, quantity):
    """One function's table: its own rows, then the peers of its quantity,
    with times relative to the baseline row."""
    base = _baseline(rows)
    table = []
    for row in rows + [dict(p) for p in peer_rows]:
        if base is not None and "us_per_point" in row:
            row["ratio_to_varduxel"] = row["us_per_point"] / base["us_per_point"]
        if row["kind"] != "varduxel":
            row["verdict"] = _verdict(row, base)
        table.append(row)
    return {"quantity": quantity, "baseline": base["method"] if base else None, "rows": table}


def _e(x):
    if x is None:
        return ""
    if x == 0:
        return "0"
    return "inf" if math.isinf(x) else f"{x:.1e}"


def _t(x):
    return "" if x is None else (f"{x:.3g}" if x < 1000 else f"{x:,.0f}")


def _r(x):
    return "" if x is None else f"{x:.3g}"


def function_table(function):
    lines = ["| method | worst rel. error | median rel. error | µs per point | × varduxel | × floor | comparison |",
             "|---|---|---|---|---|---|---|"]
    for row in function["rows"]:
        if "us_per_point" not in row:
            lines.append(f"| {row['method']} | | | | | | {row.get('verdict', row.get('failed', ''))} |")
            continue
        name = f"**{row['method']}**" if row["method"] == function["baseline"] else row["method"]
        lines.append(f"| {name} | {_e(row['worst_relative_error'])} | {_e(row['median_relative_error'])} | "
                     f"{_t(row['us_per_point'])} | {_r(row.get('ratio_to_varduxel'))} | "
                     f"{_r(row.get('floor_multiple'))} | {row.get('verdict', '')} |")
    return lines


def floors_lines(results):
    floors = results["floors"]
    if "unavailable" in floors:
        return [f"Floors not measured: {floors['unavailable']}."]
    rings = floors["ring_sums"]
    tables = ", ".join(f"{rows} rows: {ring['evaluations']:.0f} evaluations, {ring['us']:.1f} µs"
                       for rows, ring in rings.items() if rows != "default")
    lines = [
        f"- One circle-kernel evaluation (`heyrovsky_magnification`) in a tight native loop, at the 385 "
        f"quadrature radii of every timed separation: {floors['circle_kernel_ns']:.1f} ns.",
        f"- The ring sum of the limb-darkened functions: the integrand evaluations it makes per separation "
        f"times the cost of one (circle mean and profile) at exactly those points in a tight native loop. "
        f"Linear law: {rings['default']['evaluations']:.0f} evaluations, {rings['default']['us']:.1f} µs per "
        f"separation; tables ({tables}).",
        f"- One uniform-disk evaluation in a tight native loop: {floors['uniform_disk_ns']:.1f} ns.",
    ]
    for container, share in floors["boundary"].items():
        given = "a numpy array" if container == "numpy" else "a list"
        lines.append(f"- `witt_mao_magnification` on {share['separations']:,} separations given as {given}: "
                     f"argument conversion and result list take {share['share']:.1%} of the call.")
    return lines


def vector_path_lines(results):
    """integrated_heyrovsky_magnification per epoch on each vector path, beside
    the fastest and the most accurate peer for the same quantity."""
    paths = results.get("vector_paths", {})
    if "unavailable" in paths or not paths:
        return [f"Vector paths not measured: {paths.get('unavailable', 'no timing module')}."]
    function = results["functions"]["integrated_heyrovsky_magnification"]
    base = next(r for r in function["rows"] if r["method"] == function["baseline"])
    lines = ["| path | µs per epoch | × scalar speed | × floor | rel. error median / worst |",
             "|---|---|---|---|---|"]
    for name, row in paths.items():
        lines.append(f"| {name} | {row['us_per_epoch']:.2f} | {row['speedup_over_scalar']:.2f} | "
                     f"{row['floor_multiple']:.2f} | {_errors(base)} (every path gives the same bits) |")
    for label, row in zip(("fastest peer", "most accurate peer"), _best_peers(function)):
        if row is not None:
            lines.append(f"| {label}: {_short(row['method'])} | {_t(row['us_per_point'])} |  |  | {_errors(row)} |")
    return lines


def layer_lines(result):
    """The light-curve layer's overhead (benchmarks/layer_overhead.py) as a Markdown table."""
    out = [f"`light_curve()` of {result['epochs']:,} epochs against the native calls it makes, thread CPU time, "
           f"best of interleaved runs; {result['date']}, {result['machine']}:", "",
           "| limb darkening | native calls, µs | light_curve(), µs | layer adds |", "|---|---|---|---|"]
    for row in result["laws"].values():
        out.append(f"| {row['label']} | {row['raw_us']:.0f} | {row['layer_us']:.0f} | {row['overhead']:.1%} |")
    return out


def markdown(results):
    settings = results["settings"]
    lines = [
        "# Benchmark results", "",
        f"{results['date']}; {machine_text(results)}; "
        f"Python {results['machine']['python']}; "
        + ", ".join(f"{k} {v}" for k, v in results["versions"].items() if v) + ".", "",
        f"Light curves for rho = rstar/re in {', '.join(map(str, settings['rhos']))}: "
        f"{settings['timed_points_per_rho']} separations from 0 to 3 stellar radii per rho, dense near the limb. "
        f"Time per point is {settings['clock']}, averaged over the rho values; relative errors are taken at "
        f"{settings['accuracy_points_per_rho']} separations per rho against {settings['reference_digits']}-digit "
        "mpmath references of the physical quantity each method computes. '× floor' is the time per point over "
        "the native floor of the work the function is defined to do (see Floors). "
        "Peers are compared with the **bold** varduxel row.", "",
        "## Floors", "", *floors_lines(results), "",
        "## `integrated_heyrovsky_magnification` on each vector path", "",
        "The model operation without the Python boundary, per epoch of the light curves above; the module "
        "itself runs on the widest path the CPU has.", "", *vector_path_lines(results), "",
        "## The light-curve layer", "", *layer_lines(results["layer_overhead"]), "",
    ]
    for name, function in results["functions"].items():
        lines += [f"## `{name}`", "", f"Reference: {results['quantities'][function['quantity']]}. "
                  f"{function.get('note', '')}", "", *function_table(function), ""]
    if results.get("reference_failures"):
        lines += ["References that could not be computed (those points are left out for every method): "
                  + ", ".join(f"`{key}`" for key in results["reference_failures"]) + ".", ""]
    return "\n".join(lines)


def _short(method):
    return (method.replace("MulensModel finite_source_", "MulensModel ").replace("VBMicrolensing ESPLMag2 ", "VBM ")
            .replace("numpy + scipy.special closed form", "numpy + scipy"))


def _errors(row):
    return f"{_e(row['median_relative_error'])} / {_e(row['worst_relative_error'])}"


def _best_peers(function):
    """The fastest peer and the most accurate one (worst error, then median)
    of a function's table, or None where no peer ran."""
    peers = [r for r in function["rows"] if r["kind"] != "varduxel" and "us_per_point" in r]
    picks = (lambda r: r["us_per_point"], lambda r: (r["worst_relative_error"], r["median_relative_error"]))
    return [min(peers, key=pick) if peers else None for pick in picks]


def summary_table(results):
    lines = ["| function | µs per point | × floor | rel. error median / worst | fastest peer: µs, error | "
             "most accurate peer: µs, error |", "|---|---|---|---|---|---|"]
    for name, function in results["functions"].items():
        base = next((r for r in function["rows"] if r["method"] == function["baseline"]), None)
        if base is None:
            continue
        cells = [f"{_short(best['method'])}: {_t(best['us_per_point'])}, {_errors(best)}" if best else
                 "none run here" for best in _best_peers(function)]
        lines.append(f"| `{name}` ({base['method'].removeprefix('varduxel, ')}) | {_t(base['us_per_point'])} | "
                     f"{_r(base.get('floor_multiple'))} | {_errors(base)} | {cells[0]} | {cells[1]} |")
    return lines


def plot(results, path):
    """Per quantity, every method at its time per point: the marker at its
    median relative error, the line up to its worst."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    panels = [("uniform", "Uniform disk"), ("limb_darkened", "Limb-darkened disk (linear, 0.6)"),
              ("circle", "Circle kernel (limb)")]
    colours = plt.get_cmap("tab20").colors
    figure, axes = plt.subplots(1, 3, figsize=(18, 7))
    for axis, (quantity, title) in zip(axes, panels):
        entries = []
        for name, function in results["functions"].items():
            if function["quantity"] != quantity:
                continue
            for row in function["rows"]:
                if "us_per_point" not in row or (row["kind"] == "varduxel" and row["options"].get("input") == "list"):
                    continue
                if row["kind"] == "varduxel":
                    label = name.removesuffix("_magnification") + row["method"].removeprefix("varduxel").replace(
                        ", numpy", "").replace(", one call per point", "")
                elif any(entry[0] == row["method"] for entry in entries):
                    continue
                else:
                    label = row["method"]
                entries.append((label, row))
        for index, (label, row) in enumerate(entries):
            own = row["kind"] == "varduxel"
            median = max(row["median_relative_error"], 1e-17)
            worst = max(row["worst_relative_error"], 1e-17)
            colour = colours[index % len(colours)]
            axis.plot([row["us_per_point"]] * 2, [median, worst], color=colour, linewidth=1.5, alpha=0.7)
            axis.scatter(row["us_per_point"], median, marker="*" if own else "o", s=170 if own else 60,
                         color=colour, edgecolors="black" if own else "none", linewidths=0.5, label=label, zorder=3)
        axis.set_xscale("log")
        axis.set_yscale("log")
        axis.set_title(title)
        axis.set_xlabel("µs per point")
        axis.grid(True, which="major", alpha=0.3)
        axis.legend(fontsize=7, loc="best")
    axes[0].set_ylabel("relative error against 30-digit mpmath (marker: median, line: up to worst)")
    figure.suptitle("Accuracy against time per point on light curves through the limb "
                    "(stars: varduxel, numpy input; lower left is better)")
    figure.tight_layout()
    figure.savefig(path, dpi=100)
    plt.close(figure)


def page_section(results, output, page):
    """The Performance section of the Markdown page `page`, with the paths of
    the results relative to the page. Beside a page benchmark_results.md (the
    documentation site's, which includes results.md) the full results link
    to that page."""
    relative = pathlib.Path(os.path.relpath(pathlib.Path(output).resolve(), pathlib.Path(page).resolve().parent))
    full = "benchmark_results.md" if (pathlib.Path(page).parent / "benchmark_results.md").exists() \
        else f"{relative.as_posix()}/results.md"
    floors = results["floors"]
    lines = [
        SECTION_START,
        "## Performance",
        "",
        "`./dev bench` measures all seven functions on light curves through the limb (rho = 1e-3 to 1, "
        "separations 0 to 3 stellar radii), against the native floor of their work and against peers on the "
        "same curves, with every method's error against a 30-digit mpmath reference. It builds its own "
        "environment (`.venv/bench-<version>`) with the peers and writes Markdown and JSON tables and the plot "
        f"into `benchmarks/{output.name}/`; see [the full results]({full}) for every method.",
        "",
        f"Measured {results['date']} on {machine_text(results)} (thread CPU time per point, numpy input):",
        "",
        *summary_table(results),
        "",
        "`integrated_heyrovsky_magnification` per epoch on each vector path (the model operation, natively; "
        "the module runs on the widest path the CPU has):",
        "",
        *vector_path_lines(results),
        "",
        *layer_lines(results["layer_overhead"]),
        "",
    ]
    if "ring_sum_us" in floors:
        lines += [f"'× floor' divides by the native cost of the work each function does: the integrand "
                  f"evaluations its ring sum makes ({floors['ring_sum_evaluations']:.0f} per separation with the "
                  f"linear law, {floors['ring_sum_us']:.1f} µs) for the ring-sum integrations, one circle-kernel "
                  f"evaluation per ring for the discrete sum, one per call for the kernel itself, "
                  f"and one uniform-disk evaluation ({floors['uniform_disk_ns']:.0f} ns) for "
                  f"`witt_mao_magnification`, each in a tight native loop. The worst errors of all methods sit "
                  f"next to the limb; "
                  f"the tables name, for every peer, whether it is faster, and at what accuracy.", ""]
    lines += [f"![Accuracy against time per point]({relative.as_posix()}/accuracy_vs_time.png)", "", SECTION_END]
    return "\n".join(lines)


def update_page(page, results, output):
    page = pathlib.Path(page)
    text = page.read_text()
    section = page_section(results, output, page)
    if SECTION_START in text and SECTION_END in text:
        head, rest = text.split(SECTION_START, 1)
        tail = rest.split(SECTION_END, 1)[1]
        text = head + section + tail
    elif "## References" in text:
        head, tail = text.split("## References", 1)
        text = head + section + "\n\n## References" + tail
    else:
        text = text.rstrip("\n") + "\n\n" + section + "\n"
    page.write_text(text)
