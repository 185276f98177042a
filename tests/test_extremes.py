"""Extreme arguments: ten million separations in memory bounded by the input
and the output, and infinities, NaN, subnormals, zeros and negative values in
every parameter of every function, each giving a defined result or a defined
exception (a crash here takes the test run down with it)."""

import json
import math
import struct

import pytest

import varduxel

from tests.support import functions
from tests.support.bits import patterns
from tests.support.call_model import capture, check_allowed, outcome_key
from tests.support.isolated_python import run_python
from tests.support.sanitizers import RUNTIME_LOADED

SPECIAL = [0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, -2.2250738585072014e-308, 1e-300, 1e-5, -1.0,
           -0.5, 1e300, 1.7976931348623157e308, -1.7976931348623157e308, math.inf, -math.inf, math.nan,
           struct.unpack("<d", struct.pack("<Q", 0xFFF0000000000123))[0]]  # a negative signalling-pattern NaN
KERNEL_FAILURE = ("elliprj: Fail to converge",)


def arguments(function, name, value):
    """The nominal arguments of `function` with `value` put into parameter
    `name` (into the middle of a vector)."""
    values = functions.BY_NAME[function].arguments()
    if functions.BY_NAME[function].is_vector(name):
        values[name] = values[name][:1] + [value] + values[name][1:]
    else:
        values[name] = value
    return values


def call(function, values):
    return capture(getattr(varduxel, function), **values)


CASES = [(f.name, p) for f in functions.FUNCTIONS for p in f.parameters]


@pytest.mark.parametrize("function, name", CASES, ids=[f"{f}-{p}" for f, p in CASES])
def test_special_values_give_defined_outcomes(function, name):
    for value in SPECIAL:
        values = arguments(function, name, value)
        outcome = call(function, values)
        context = f"{function}({values})"
        check_allowed(function, values, outcome)
        assert outcome_key(call(function, values)) == outcome_key(outcome), context

        # Only the ratio of re and rstar matters: doubling both (exactly,
        # when neither overflows) changes no bit.
        if not any(math.isinf(2 * values[p]) and not math.isinf(values[p]) for p in ("re", "rstar")):
            scaled = dict(values, re=2 * values["re"], rstar=2 * values["rstar"])
            assert outcome_key(call(function, scaled)) == outcome_key(outcome), context

        # Each separation is computed on its own; the first failing one fails
        # the whole call.
        if functions.BY_NAME[function].is_vector("l") and name == "l":
            singles = [call(function, dict(values, l=[x])) for x in values["l"]]
            failed = [single for single in singles if single[1] is not None]
            if failed:
                assert outcome_key(outcome) == outcome_key(failed[0]), context
            else:
                joined = [single[0][0] for single in singles]
                assert outcome_key(outcome) == outcome_key((joined, None)), context


@pytest.mark.parametrize("value", [-1.0, -0.5, -1e-300, -math.inf, math.inf, math.nan])
@pytest.mark.parametrize("rstar", [1e-3, 0.1, 1.0, 10.0])
@pytest.mark.parametrize("function", [f for f in functions.FUNCTIONS if f.entry.computes == "uniform"], ids=str)
def test_a_negative_or_non_finite_separation_fails_the_uniform_disk(function, value, rstar):
    # The integrated variants fail with it, before any integration.
    for l in ([value], [0.5, value], [value, 0.5]):
        result, error = call(function.name, function.arguments(l=l, rstar=rstar))
        assert type(error) is RuntimeError and error.args == KERNEL_FAILURE


@pytest.mark.parametrize("function", functions.FUNCTIONS, ids=functions.NAMES)
def test_a_star_of_negative_size_gives_nan_everywhere(function):
    # Only rho = rstar / re enters: one of the two negative is a star of
    # negative size, NaN for every element (where separations would fail the
    # kernel too); both negative are the positive star, to the bit.
    values = function.arguments(l=[0.5, 1.0, 1.7, -1.0, math.nan] if function.is_vector("l") else -1.0)
    for re, rstar in [(1.0, -0.1), (-1.0, 0.1), (-0.5, 7.0)]:
        result, error = call(function.name, dict(values, re=re, rstar=rstar))
        assert error is None, (re, rstar, error)
        assert all(math.isnan(x) for x in (result if isinstance(result, list) else [result])), (re, rstar, result)
    valid = function.arguments()
    positive = call(function.name, dict(valid, re=1.0, rstar=0.1))
    assert outcome_key(call(function.name, dict(valid, re=-1.0, rstar=-0.1))) == outcome_key(positive)
    if function.entry.table:  # an empty table: still zeros as rings, NaN interpolated
        result, _ = call(function.name, dict(valid, re=1.0, rstar=-0.1, bl=[], bf=[]))
        assert all(math.isnan(x) if function.entry.table == "interpolated" else x == 0.0 for x in result)


@pytest.mark.parametrize("l, r, expected", [
    (0.4, 0.4, math.inf),  # the circle through the lens
    (1e-3, 1e-3, math.inf),
    (0.0, 0.0, math.nan),
    (0.4, -0.5, KERNEL_FAILURE),  # one of the two negative, off the window
    (-0.4, 0.5, KERNEL_FAILURE),
    (-math.inf, 0.5, KERNEL_FAILURE),
    (math.nan, 0.5, KERNEL_FAILURE),
    (0.5, math.nan, KERNEL_FAILURE),
])
@pytest.mark.parametrize("re, rstar", [(1.0, 0.1), (1.0, 1.0), (0.5, 7.0)])
def test_circle_kernel_at_its_singular_points(l, r, expected, re, rstar):
    result, error = call("heyrovsky_magnification", {"l": l, "r": r, "re": re, "rstar": rstar})
    if expected == KERNEL_FAILURE:
        assert type(error) is RuntimeError and error.args == KERNEL_FAILURE
    elif math.isnan(expected):
        assert error is None and math.isnan(result)
    else:
        assert error is None and result == expected


@pytest.mark.parametrize("l", [[0.5], [-1.0, 0.5, math.nan, math.inf]])
def test_kernel_failures_never_reach_the_caller_of_the_integrated_kernel(l):
    results = varduxel.integrated_heyrovsky_magnification(l, 1.0, 0.1)
    assert len(results) == len(l) and all(type(x) is float for x in results)
    results = varduxel.integrated_flux_map_heyrovsky_magnification(l, 1.0, 0.1, [-1.0, 0.0, 0.0, math.inf],
                                                                  [math.inf, 1.0, -1.0, math.nan])
    assert len(results) == len(l) and all(type(x) is float for x in results)


@pytest.mark.parametrize("bl, bf", [([], []), ([0.0, 1.0], [0.0, 0.0]), ([-2.0, -1.0], [1.0, 1.0]),
                                    ([1.5, 2.0], [1.0, 1.0])])
def test_a_dark_table_gives_nan_for_the_integrated_flux_maps(bl, bf):
    l = [0.0, 0.5, 1.0, 3.0]
    for name in ("integrated_flux_map_witt_mao_magnification", "integrated_flux_map_heyrovsky_magnification"):
        assert all(math.isnan(x) for x in getattr(varduxel, name)(l, 1.0, 0.1, bl, bf))


def test_an_empty_table_gives_zeros_for_the_discrete_flux_map():
    for l in ([], [0.5, math.nan, -1.0, math.inf]):
        result = varduxel.discrete_flux_map_heyrovsky_magnification(l, 1.0, 0.1, [], [])
        assert patterns(result) == [0] * len(l)


# Ten million separations in a fresh process. The call's peak resident size
# above what the process held just before it (the input included) is printed
# with a few of the results.
HUGE_CHILD = r"""
import array, collections, json, sys
import varduxel

def status(key):
    with open("/proc/self/status") as lines:
        for line in lines:
            if line.startswith(key + ":"):
                return int(line.split()[1]) * 1024

n = 10_000_000
function, container = sys.argv[1], sys.argv[2]
l = array.array("d", [1.0]) * n if container == "array" else [1.0] * n
l[0], l[-1] = 0.5, 2.0
if container == "deque":  # read by iteration, its length only a hint
    l = collections.deque(l)
arguments = (l, 1.0, 0.1) if function == "witt_mao_magnification" else (l, 1.0, 0.1, [], [])
try:
    with open("/proc/self/clear_refs", "w") as clear:
        clear.write("5")  # restart the peak at the current size
except OSError:
    pass
before = status("VmRSS")
result = getattr(varduxel, function)(*arguments)
peak = status("VmHWM")
print(json.dumps({"growth": peak - before, "length": len(result), "ends": [result[0], result[-1]],
                  "inner": [result[1], result.count(result[1])]}))
"""


@pytest.mark.parametrize("function, container", [
    ("witt_mao_magnification", "list"),
    ("witt_mao_magnification", "array"),
    ("witt_mao_magnification", "deque"),
    ("discrete_flux_map_heyrovsky_magnification", "array"),
])
def test_ten_million_separations_in_bounded_memory(function, container):
    process = run_python(HUGE_CHILD, function, container, timeout=300)
    assert process.returncode == 0, process.stderr
    report = json.loads(process.stdout)
    n = 10_000_000
    expected = getattr(varduxel, function)([0.5, 1.0, 2.0], 1.0, 0.1, *([[], []] if "flux" in function else []))
    assert report["length"] == n
    assert report["ends"] == [expected[0], expected[2]]
    assert report["inner"] == [expected[1], n - 2 + [expected[0], expected[2]].count(expected[1])]
    if not RUNTIME_LOADED:  # the sanitizer's allocator keeps its own books
        # The result vector (8 bytes a value) and the result list with its
        # floats (8 + 24), all alive at the end; the converted input (8 bytes
        # a value, up to twice that while it grows from a sequence of unknown
        # length) is released before the list is built. Measured: 481 MB
        # (48.1 bytes a value) for every container and both functions.
        assert report["growth"] < 56 * n
