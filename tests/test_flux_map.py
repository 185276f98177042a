"""Flux maps: tabulated brightness profiles, integrated or summed as rings."""

import json
import math
import pickle

import mpmath as mp
import pytest

import varduxel

from tests.support import functions, reference
from tests.support.isolated_python import run_python

INTEGRATED = [f for f in functions.FUNCTIONS if f.entry.table == "interpolated"]


@pytest.mark.parametrize("bl, bf, flux", [
    ([0.0, 1.0], [1.0, 1.0], 3.1415926535896883),  # uniform disk
    ([0.5], [2.0], 6.283185307179377),  # one entry: constant everywhere
    ([0.0, 1.0], [2.0, 2.0], 6.283185307179377),
    ([0.0, 0.5], [1.0, 1.0], 0.8047535925833957),  # jump at 0.5, resolved only roughly
    ([], [], 0.0),
    ([1.0, 0.0], [3.0, 1.0], 0.0),  # descending: zero everywhere
])
def test_normaliser_of_a_table(native, bl, bf, flux):
    assert native.tabulated_profile_flux(bl, bf) == flux


@pytest.mark.parametrize("function", INTEGRATED, ids=str)
def test_one_entry_table_equals_its_constant_twin(function):
    ls = [0.0, 0.4, 1.0, 2.5]
    assert function(ls, 1.0, 0.1, [0.5], [2.0]) == function(ls, 1.0, 0.1, [0.0, 1.0], [2.0, 2.0])


def test_one_ring_is_its_weight_times_the_kernel():
    ls = [0.0, 0.3, 0.7, 1.5]
    values = varduxel.discrete_flux_map_heyrovsky_magnification(ls, 1.0, 0.05, [0.7], [0.25])
    assert values == [0.25 * varduxel.heyrovsky_magnification(l, 0.7, 1.0, 0.05) for l in ls]


def test_rings_are_summed_in_table_order():
    # Rings may come in any order, and are added in the order given.
    bl, bf = [0.6, 0.2, 1.0], [0.5, 0.3, 0.2]
    (value,) = varduxel.discrete_flux_map_heyrovsky_magnification([1.4], 1.0, 0.1, bl, bf)
    expected = 0.0
    for r, w in zip(bl, bf):
        expected = expected + varduxel.heyrovsky_magnification(1.4, r, 1.0, 0.1) * w
    assert value == expected


def test_rings_next_to_the_separation_against_high_precision():
    # Rings within 1e-7 stellar radii of the separation, on both sides, where
    # a ring once counted 0 or a truncated series.
    l, eps = 0.6, 0.05
    bl = [0.3, l - 1e-7, l - 1e-10, l + 1e-13, l + 1e-8, l + 1e-7, 0.9]
    bf = [0.1, 0.2, 0.15, 0.15, 0.1, 0.2, 0.1]
    (value,) = varduxel.discrete_flux_map_heyrovsky_magnification([l], eps, 1.0, bl, bf)
    with mp.workdps(60):
        truth = sum(w * reference.circle_mean_closed_form(l, r, eps) for r, w in zip(bl, bf))
        # Measured: 7e-18 (37 % off when these rings were 0 or a series).
        assert abs(value / truth - 1) < 1e-15


def test_discrete_variant_forwards_the_first_kernel_error():
    with pytest.raises(RuntimeError) as info:
        varduxel.discrete_flux_map_heyrovsky_magnification([0.5, 1.0], 1.0, 0.1, [0.5, -0.5], [1.0, 1.0])
    assert info.value.args == ("elliprj: Fail to converge",)


def test_finely_sampled_linear_law_matches_the_built_in_limb_darkening():
    rows = 2001
    bl = [i / (rows - 1) for i in range(rows)]
    bf = [1 + (1 - math.sqrt(1 - r * r)) * -0.6 for r in bl]
    ls = [0.0, 0.5, 0.95, 1.05, 2.0]
    tabulated = varduxel.integrated_flux_map_heyrovsky_magnification(ls, 1.0, 0.05, bl, bf)
    built_in = varduxel.integrated_heyrovsky_magnification(ls, 1.0, 0.05)
    for a, b in zip(tabulated, built_in):
        # Measured: within 2.6e-6 relative; the chords of the square root near
        # the limb are the main difference.
        assert a == pytest.approx(b, rel=5e-6)


# --- the checks of the tables ------------------------------------------------------

@pytest.mark.parametrize("function", INTEGRATED, ids=str)
@pytest.mark.parametrize("bl, message", [
    ([0.5, 0.0, 1.0], "bl must be in ascending order: bl[1] < bl[0]"),
    ([0.0, 0.5, 1.0, 0.9, math.nan], "bl must be in ascending order: bl[3] < bl[2]"),
    ([0.0, 0.5, math.nan, 0.2], "bl[2] is NaN"),
    ([math.nan], "bl[0] is NaN"),
    ([i / 10 for i in range(11)] + [-0.0, 1.0], "bl must be in ascending order: bl[11] < bl[10]"),
])
def test_table_radii_out_of_order_are_refused(function, bl, message):
    # Refused before any separation is looked at (-0.5 would fail the uniform
    # disk), also with none; the length check comes first.
    for l in ([-0.5, 0.5], []):
        with pytest.raises(ValueError) as info:
            function(l, 1.0, 0.1, bl, [1.0] * len(bl))
        assert info.value.args == (message,)
    assert type(mismatch(function, bl=bl)).__name__ == "PanicException"
    # Equal neighbours are a step in brightness.
    assert all(math.isfinite(x) for x in function([0.3, 1.5], 1.0, 0.1, [0.0, 0.5, 0.5, 1.0], [1.0, 1.0, 0.5, 0.5]))


def mismatch(function, l=(0.5,), bl=(0.1, 0.5, 0.9)):
    with pytest.raises(BaseException) as info:
        function(list(l), 1.0, 0.1, list(bl), [1.0] * (len(bl) - 1))
    return info.value


# A fresh interpreter: a bare import leaves pyo3_runtime alone; the parent's
# pickled panic loads there as the type varduxel raises; a process pool's
# future re-raises its worker's panic. Prints what it found.
PICKLE_CHILD = r"""
import concurrent.futures, json, multiprocessing, pickle, sys
import varduxel

bare_import = "pyo3_runtime" in sys.modules
loaded = pickle.loads(bytes.fromhex(sys.argv[1]))
try:
    varduxel.discrete_flux_map_heyrovsky_magnification([], 1.0, 0.1, [0.5], [])
except BaseException as error:
    own = error
context = multiprocessing.get_context("spawn")
with concurrent.futures.ProcessPoolExecutor(1, mp_context=context) as pool:
    future = pool.submit(varduxel.discrete_flux_map_heyrovsky_magnification, [0.5], 1.0, 0.1, [0.1, 0.5], [1.0])
    try:
        future.result(timeout=60)
    except BaseException as error:
        pooled = error
print(json.dumps({"bare_import": bare_import, "loaded": [type(loaded) is type(own), list(loaded.args)],
                  "pooled": [type(pooled) is type(own), list(pooled.args)]}))
"""


def test_panic_exception_survives_pickling():
    error = mismatch(varduxel.discrete_flux_map_heyrovsky_magnification)
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        copy = pickle.loads(pickle.dumps(error, protocol))
        assert type(copy) is type(error) and copy.args == error.args
    assert sorted(vars(type(error))) == ["__doc__", "__module__", "__weakref__"]
    process = run_python(PICKLE_CHILD, pickle.dumps(error).hex())
    assert process.returncode == 0, process.stderr
    assert json.loads(process.stdout) == {"bare_import": False, "loaded": [True, list(error.args)],
                                          "pooled": [True, ["assertion `left == right` failed\n  left: 2\n right: 1"]]}
