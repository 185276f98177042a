"""The examples run, their helpers build correct flux maps and limb-darkening
laws, the functions pickle for process pools, and a Dask cluster gives the
serial results."""

import json
import math
import os
import pickle
import subprocess
import sys
from pathlib import Path

import numpy as np
import mpmath as mp
import pytest

import varduxel
import varduxel_lightcurve

from tests.support import reference
from tests.support.isolated_python import run_python
from tests.support.scripts import load_script

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def load(name):
    return load_script(EXAMPLES / f"{name}.py", f"example_{name}")


def run_example(name, *args):
    env = dict(os.environ)
    folder = os.path.dirname(varduxel.__file__)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [folder, env.get("PYTHONPATH")]))
    env["MPLBACKEND"] = "Agg"
    return subprocess.run([sys.executable, str(EXAMPLES / f"{name}.py"), *args], env=env, capture_output=True,
                          text=True, timeout=300)


@pytest.mark.parametrize("name, args, expected", [
    ("light_curve", ["--points", "15"], "point source"),
    ("flux_maps", ["--points", "9", "--rings", "50"], "I(mu) table, rings"),
    ("parallel_light_curves", ["--events", "4", "--points", "12", "--workers", "2"], "identical to the last bit: yes"),
    ("limb_darkening", ["--points", "9"], "four-coefficient"),
])
def test_example_runs_and_saves_its_plot(tmp_path, name, args, expected):
    output = tmp_path / "plots" / f"{name}.png"
    result = run_example(name, *args, "--output", str(output))
    assert result.returncode == 0, result.stdout + result.stderr
    assert expected in result.stdout
    assert f"Plot saved to {output}" in result.stdout
    assert output.read_bytes().startswith(PNG_SIGNATURE)


# The module's functions and the light-curve layer's, which the pool examples send.
@pytest.mark.parametrize("module, name", [(varduxel, name) for name in varduxel.__all__] + [
    (varduxel_lightcurve, name) for name in ("light_curve", "magnification")])
def test_functions_pickle_by_reference(module, name):
    function = getattr(module, name)
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        assert pickle.loads(pickle.dumps(function, protocol)) is function


# --- the flux-map helpers of examples/flux_maps.py ----------------------------------

@pytest.fixture(scope="module")
def flux_maps():
    return load("flux_maps")


def test_ring_weights_hold_the_ring_areas_and_sum_to_one(flux_maps):
    bl, bf = flux_maps.ring_weights(lambda r: 1.0, 4)
    assert bl == [0.125, 0.375, 0.625, 0.875]
    # Uniform brightness: the weight of ring j is its share of the disk's area.
    assert bf == pytest.approx([1 / 16, 3 / 16, 5 / 16, 7 / 16], rel=1e-15)
    _, weights = flux_maps.ring_weights(flux_maps.quadratic_law, 300)
    assert math.fsum(weights) == pytest.approx(1.0, rel=1e-14)


def test_intensity_table_becomes_ascending_radii_over_the_whole_disk(flux_maps):
    bl, bf = flux_maps.table_from_intensities(flux_maps.MU_TABLE, flux_maps.INTENSITY_TABLE)
    assert bl[0] == 0.0 and bl[-1] == 1.0 and bl == sorted(bl)
    assert bf[0] == flux_maps.INTENSITY_TABLE[0] and bf[-1] == flux_maps.INTENSITY_TABLE[-1]
    law_bl, law_bf = flux_maps.table_from_law(flux_maps.quadratic_law, 50)
    assert law_bl[0] == 0.0 and law_bl[-1] == 1.0 and law_bl == sorted(law_bl)
    assert law_bf[-1] == pytest.approx(1 - sum(flux_maps.QUADRATIC), rel=1e-15)


def test_interpolation_follows_the_module_profile(flux_maps):
    # A table whose profile is not uniform: the Witt-Mao flux-map variant
    # divides by the module's quadrature flux of it, so a flux computed from
    # the example's interpolation must give back the uniform disk.
    bl, bf = flux_maps.table_from_intensities(flux_maps.MU_TABLE, flux_maps.INTENSITY_TABLE)
    rings = 20000
    flux = sum(flux_maps.interpolate(bl, bf, (j + 0.5) / rings) * 2 * math.pi * (j + 0.5) / rings ** 2
               for j in range(rings))
    ls = [0.3, 1.5]
    scaled = varduxel.integrated_flux_map_witt_mao_magnification(ls, 1.0, 0.05, bl, [b / flux for b in bf])
    uniform = varduxel.witt_mao_magnification(ls, 1.0, 0.05)
    # Measured: 6.3e-12, the variant's common excess from the derivative step.
    assert scaled == pytest.approx(uniform, rel=5e-11)
    assert flux_maps.interpolate(bl, bf, -0.1) == flux_maps.interpolate(bl, bf, 1.1) == 0.0


def test_rings_and_integrated_table_agree_outside_the_disk(flux_maps):
    ls = [1.1, 1.5, 3.0]
    law_bl, law_bf = flux_maps.table_from_law(flux_maps.quadratic_law)
    integrated = varduxel.integrated_flux_map_heyrovsky_magnification(ls, 1.0, 0.05, law_bl, law_bf)
    discrete = varduxel.discrete_flux_map_heyrovsky_magnification(ls, 1.0, 0.05,
                                                                  *flux_maps.ring_weights(flux_maps.quadratic_law, 400))
    # Measured: 6.8e-6 relative at l = 1.1 with 400 rings (1.8e-6 with 1600).
    assert discrete == pytest.approx(integrated, rel=2e-5)


def test_plotted_flux_map_curves_are_finite(flux_maps):
    # At the script's own sizes: separations on ring radii used to give +inf
    # (32 of 241 points).
    parser_defaults = {"points": 241, "rings": 1000}
    ls, curves = flux_maps.plotted_curves(parser_defaults["points"], parser_defaults["rings"])
    assert len(ls) == 241 and ls[-1] == 3.0
    for name, values in curves.items():
        assert all(math.isfinite(v) for v in values), name
    # The rings follow the integrated table of the same profile. Measured:
    # 2.7e-4 relative with 1000 rings.
    for law in ("quadratic law", "I(mu) table"):
        assert curves[f"{law}, rings"] == pytest.approx(curves[f"{law}, integrated"], rel=5e-4)


# --- any linear limb-darkening coefficient, examples/limb_darkening.py -------------------

@pytest.fixture(scope="module")
def limb_darkening():
    return load("limb_darkening")


# Against mpmath in polar coordinates about the lens (nothing shared with the
# ring sums). Measured with 135 points (u from 0 to 1, rho 1e-3, 0.05 and 1,
# l from 0 to 3): at most 3.0e-13, next to the limb, where the built-in law's
# ring sum has its largest error; 1.6e-13 elsewhere inside, 6.8e-14 outside.
@pytest.mark.parametrize("u, rho, l, tolerance", [
    (0.0, 0.05, 0.0, 1e-13),  # centre, uniform
    (0.3, 1e-3, 0.9, 2e-13),  # inside
    (0.8, 1e-3, 0.999, 1e-12), (1.0, 1e-3, 1.0, 1e-12), (0.45, 0.05, 1.0001, 1e-13),  # the limb
    (0.45, 1.0, 1.1, 1e-13), (0.2, 0.01, 3.0, 1e-13),  # outside
])
def test_any_linear_coefficient_from_two_calls(limb_darkening, u, rho, l, tolerance):
    (value,) = limb_darkening.linear_limb_darkening_magnification([l], 1.0, rho, u)
    with mp.workdps(16):
        truth = reference.linear_law_disk_mean(l, rho, u)
    assert abs(value - truth) / truth < tolerance
    assert limb_darkening.u_from_gamma(limb_darkening.gamma_from_u(u)) == pytest.approx(u, abs=1e-15)


# --- a Dask cluster, examples/dask_light_curves.py -------------------------------------

def test_dask_cluster_gives_the_serial_grid_bit_for_bit(tmp_path):
    pytest.importorskip("dask.distributed")
    output = tmp_path / "grid.npy"
    # 24 events of 100 epochs in chunks of 5 (the last one short), on a local
    # cluster of two worker processes.
    result = run_example("dask_light_curves", "--events", "24", "--points", "100", "--chunk", "5", "--workers", "2",
                         "--output", str(output))
    assert result.returncode == 0, result.stdout + result.stderr
    assert "(2 workers)" in result.stdout
    example = load("dask_light_curves")
    grid, times = example.event_grid(24), example.epochs(100)
    serial = [varduxel_lightcurve.light_curve(times, 0.0, u0, t_e, rho, example.LIMB_DARKENING)
              for u0, rho, t_e in grid.tolist()]
    assert np.load(output).tobytes() == np.stack(serial).tobytes()


# A panic in a task of a cluster of worker processes reaches the client as
# itself, soon: pickled by the worker, loaded by the client. An asynchronous
# client's gather raises it. A synchronous client's gather cannot: Dask's
# bridge from its event loop passes on only subclasses of Exception and waits
# for ever on any other BaseException, so there future.exception() is the
# way to it.
DASK_PANIC_CHILD = r"""
import asyncio, json, time
from dask.distributed import Client, LocalCluster
import varduxel

async def main():
    async with LocalCluster(n_workers=1, threads_per_worker=1, processes=True, dashboard_address=None,
                            asynchronous=True) as cluster, Client(cluster, asynchronous=True) as client:
        start = time.monotonic()
        future = client.submit(varduxel.discrete_flux_map_heyrovsky_magnification, [0.5], 1.0, 0.1, [0.1, 0.5], [1.0])
        try:
            await asyncio.wait_for(client.gather(future), 60)
        except BaseException as error:
            return [type(error).__module__, type(error).__qualname__, list(error.args), time.monotonic() - start]

if __name__ == "__main__":
    print(json.dumps(asyncio.run(main())))
    with LocalCluster(n_workers=1, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        future = client.submit(varduxel.discrete_flux_map_heyrovsky_magnification, [0.5], 1.0, 0.1, [0.1, 0.5], [1.0])
        error = future.exception(timeout=60)
        print(json.dumps([type(error).__module__, type(error).__qualname__, list(error.args)]))
"""


def test_dask_cluster_hands_a_panic_back_to_the_client():
    pytest.importorskip("dask.distributed")
    process = run_python(DASK_PANIC_CHILD, timeout=240)
    assert process.returncode == 0, process.stderr
    gathered, synchronous = (json.loads(line) for line in process.stdout.splitlines())
    panic = ["pyo3_runtime", "PanicException", ["assertion `left == right` failed\n  left: 2\n right: 1"]]
    assert gathered[:3] == panic and gathered[3] < 30
    assert synchronous == panic
