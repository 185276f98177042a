"""A smoke run of the benchmark (benchmarks/run.py --quick): it runs without
any peer installed and writes its tables, plot and documentation section with
the structure that readers and the cost page rely on. The benchmark runs as a
program, as the documentation tells: it builds on tests/support, and the
tests import nothing of it."""

import json
import math
import os
import pathlib
import subprocess
import sys

import pytest

import varduxel

pytest.importorskip("matplotlib")

README = "# varduxel\n\nIntro.\n\n## References\n\n- A paper.\n"


ROOT = pathlib.Path(__file__).resolve().parent.parent


def run_benchmark(*args):
    """python -m benchmarks.run from the repository root, with the varduxel
    under test and the private modules' folder on the path."""
    folders = [os.path.dirname(varduxel.__file__), os.environ.get("VARDUXEL_TEST_MODULE_DIR"), str(ROOT)]
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(filter(None, folders)))
    process = subprocess.run([sys.executable, "-m", "benchmarks.run", *args], cwd=ROOT, env=env,
                             capture_output=True, text=True, timeout=600)
    assert process.returncode == 0, process.stderr


@pytest.fixture(scope="module")
def quick_run(tmp_path_factory):
    folder = tmp_path_factory.mktemp("bench")
    readme = folder / "README.md"
    readme.write_text(README)
    argv = ["--quick", "--no-peers", "--output", str(folder / "results"), "--update-page", str(readme)]
    run_benchmark(*argv)
    run_benchmark(*argv)  # a second run replaces the section instead of adding one
    return folder, json.loads((folder / "results" / "results.json").read_text())


def test_every_function_has_a_table_with_timed_and_checked_rows(quick_run):
    _, results = quick_run
    assert list(results["functions"]) == list(varduxel.__all__)
    for name, function in results["functions"].items():
        own = [row for row in function["rows"] if row["kind"] == "varduxel"]
        assert own and function["baseline"] in [row["method"] for row in own], name
        for row in own:
            assert row["us_per_point"] > 0
            assert 0 <= row["median_relative_error"] <= row["worst_relative_error"] < 1e-2, (name, row["method"])
        for row in function["rows"]:
            assert "us_per_point" in row or "unavailable" in row or "failed" in row
    # The flux maps are timed for every table size, with both input containers.
    rows = results["functions"]["integrated_flux_map_heyrovsky_magnification"]["rows"]
    assert {(r["options"]["input"], r["options"]["rows"]) for r in rows if r["kind"] == "varduxel"} == {
        (container, size) for container in ("list", "numpy") for size in (10, 100, 1000)}


def test_errors_are_measured_against_the_reference(quick_run):
    # The closed form agrees with the 30-digit reference to rounding far from
    # the limb, and the ring sum to its quadrature error: a benchmark that
    # compared with the wrong quantity would show errors of order one.
    _, results = quick_run
    worst = {name: f["rows"][0]["worst_relative_error"] for name, f in results["functions"].items()}
    assert worst["witt_mao_magnification"] < 1e-14
    assert worst["heyrovsky_magnification"] < 1e-14
    assert worst["integrated_heyrovsky_magnification"] < 1e-12
    # The Witt-Mao integration carries its documented excess of 6.6e-12.
    assert 5e-12 < worst["integrated_witt_mao_magnification"] < 8e-12


def test_floors_are_measured(native, quick_run):
    _, results = quick_run
    floors = results["floors"]
    assert floors["circle_kernel_ns"] > 0 and floors["uniform_disk_ns"] > 0
    # The ring sum's floor: its integrand evaluations, at most 2 x 385 per
    # separation, times the cost of one.
    for ring in floors["ring_sums"].values():
        assert 25 <= ring["evaluations"] <= 770 and ring["us"] > 0
    assert set(floors["boundary"]) == {"numpy", "list"}
    row = results["functions"]["integrated_heyrovsky_magnification"]["rows"][0]
    assert math.isclose(row["floor_multiple"], row["us_per_point"] / floors["ring_sum_us"])


def test_markdown_plot_and_readme(quick_run):
    folder, results = quick_run
    markdown = (folder / "results" / "results.md").read_text()
    for name in results["functions"]:
        assert f"## `{name}`" in markdown
    assert markdown.count("| method | worst rel. error |") == len(results["functions"])
    assert (folder / "results" / "accuracy_vs_time.png").read_bytes().startswith(b"\x89PNG\r\n\x1a\n")

    readme = (folder / "README.md").read_text()
    assert readme.count("<!-- benchmark:start -->") == 1 and readme.count("<!-- benchmark:end -->") == 1
    section = readme.split("<!-- benchmark:start -->")[1].split("<!-- benchmark:end -->")[0]
    assert readme.index("<!-- benchmark:end -->") < readme.index("## References")
    assert readme.startswith("# varduxel\n\nIntro.\n\n") and readme.endswith("## References\n\n- A paper.\n")
    assert "./dev bench" in section and "accuracy_vs_time.png" in section
    for name in results["functions"]:
        assert f"| `{name}` (" in section
    # The light-curve layer's overhead, for the linear law and a table law.
    assert len(results["layer_overhead"]["laws"]) == 2
    assert "| limb darkening | native calls, µs | light_curve(), µs | layer adds |" in section
