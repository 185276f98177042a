"""The shortcuts taken for speed give exactly what the plain path gives.

Buffers of native doubles (numpy float64 arrays, array('d'), memoryview) are
copied instead of iterated, and lists and tuples are read by index; each must
be indistinguishable from iterating the object: the same results to the bit
and the same errors. Ascending brightness tables are searched from an index
of buckets instead of by a linear scan, with the same interpolated values.
"""

import array
import math
import random
import struct

import numpy as np
import pytest

import varduxel

from tests.support import functions
from tests.support.bits import pattern, patterns, same

# The functions that take separations as a vector, except the costly ring
# sums, with the rest of their nominal arguments.
FUNCTIONS = [(f.name, tuple(f.arguments().values())[3:]) for f in functions.FUNCTIONS
             if f.is_vector("l") and not f.entry.costly]
TABLES = [f.name for f in functions.FUNCTIONS if f.entry.table]
SEPARATIONS = [0.0, -0.0, 0.25, 1.0, 1.0 + 5e-6, 2.5, 5e-324, 1e300, math.inf]


def outcome(name, l, extra=(), position="l"):
    """Result bits, or exception type and args, of one call with `l` (or the
    table `bf` when position is "bf")."""
    args = [l, 1.0, 0.1, *extra] if position == "l" else [[0.5, 2.0], 1.0, 0.1, extra[0], l]
    try:
        return patterns(getattr(varduxel, name)(*args))
    except Exception as error:
        return type(error), error.args


def iterated(obj):
    """What iterating the object yields, as a list: the plain path's input."""
    return list(iter(obj))


def containers(values):
    """Objects holding `values` that take the buffer shortcut, by name."""
    array_d = array.array("d", values)
    padded = np.array([v for x in values for v in (x, 99.0)])
    return {
        "array_d": array_d,
        "memoryview_array_d": memoryview(array_d),
        "memoryview_cast": memoryview(array_d.tobytes()).cast("d"),
        "ndarray": np.array(values),
        "ndarray_strided": padded[::2],
        "ndarray_reversed": np.array(values[::-1])[::-1],
        "ndarray_readonly": np.frombuffer(array_d.tobytes()),
        "ndarray_unaligned": np.frombuffer(b"\0" + array_d.tobytes(), offset=1),
        "memoryview_strided_ndarray": memoryview(padded)[::2],
    }


@pytest.mark.parametrize("name, extra", FUNCTIONS, ids=[f[0] for f in FUNCTIONS])
@pytest.mark.parametrize("kind", list(containers([0.5])))
def test_buffers_give_the_results_of_their_iteration(name, extra, kind):
    obj = containers(SEPARATIONS)[kind]
    assert outcome(name, obj, extra) == outcome(name, iterated(obj), extra) == outcome(name, SEPARATIONS, extra)


@pytest.mark.parametrize("kind", list(containers([0.5])))
def test_buffers_as_brightness_tables(kind):
    bf = [1.0, 0.25]
    table = containers(bf)[kind]
    for name in TABLES:
        assert outcome(name, table, ([0.0, 1.0],), "bf") == outcome(name, bf, ([0.0, 1.0],), "bf")


@pytest.mark.parametrize("kind", list(containers([0.5])))
@pytest.mark.parametrize("weight", [struct.unpack("<d", struct.pack("<Q", 0x7FF8000000000123))[0], -math.nan],
                         ids=["nan-payload", "negative-nan"])
def test_buffers_keep_every_bit_of_their_values(kind, weight):
    # A ring's weight multiplies its kernel value, which passes on the NaN's
    # payload and sign as stored.
    ring = varduxel.discrete_flux_map_heyrovsky_magnification
    (value,) = ring([0.5], 1.0, 0.1, [0.3], containers([weight])[kind])
    assert pattern(value) == pattern(weight) == pattern(ring([0.5], 1.0, 0.1, [0.3], [weight])[0])


@pytest.mark.parametrize("obj", [
    np.array(0.5),  # 0-d: iteration raises TypeError
    np.zeros((3, 1)),  # rows of one element convert as floats
    np.zeros((2, 3)),  # rows of three do not
    np.zeros((0, 3)),
    np.array(SEPARATIONS, dtype=">f8"),  # not native byte order
    np.array([0.0, 0.25, 1.0, 2.5], dtype=np.float32),
    np.array([1, 2, 3], dtype=np.int64),
    np.zeros(3, dtype=[("a", "f8")]),
    array.array("f", [0.5, 1.5]),
    array.array("i", [1, 2]),
    memoryview(np.zeros((2, 2))),  # multi-dimensional: NotImplementedError
    memoryview(np.zeros(4)).cast("B"),
    memoryview(b"abc"),
], ids=lambda obj: f"{type(obj).__name__}-{getattr(obj, 'dtype', getattr(obj, 'format', ''))}-{np.shape(obj)}")
def test_other_buffers_behave_as_their_iteration(obj):
    try:
        items = iterated(obj)
    except Exception as error:
        expected = (type(error), error.args)
        if type(error) is TypeError:
            expected = (TypeError, (f"argument 'l': {error}",))
    else:
        expected = outcome("witt_mao_magnification", items)
    assert outcome("witt_mao_magnification", obj) == expected


def test_released_memoryview_raises_as_under_iteration():
    view = memoryview(array.array("d", [0.5]))
    view.release()
    assert outcome("witt_mao_magnification", view) == (ValueError, ("operation forbidden on released memoryview object",))


class ReversedArray(array.array):
    def __iter__(self):
        return reversed(list(super().__iter__()))


class ReversedNdarray(np.ndarray):
    def __iter__(self):
        return iter([float(x) for x in np.asarray(self)[::-1]])


@pytest.mark.parametrize("obj", [ReversedArray("d", [0.5, 2.0, 3.0]), np.array([0.5, 2.0, 3.0]).view(ReversedNdarray)],
                         ids=["array", "ndarray"])
def test_subclasses_are_iterated(obj):
    # A subclass may iterate differently from its buffer; its iteration wins.
    assert outcome("witt_mao_magnification", obj) == outcome("witt_mao_magnification", [3.0, 2.0, 0.5])


class Mutating:
    """Converts to 0.5 after changing the list it sits in."""

    def __init__(self, change):
        self.change, self.target = change, None

    def __float__(self):
        self.change(self.target)
        return 0.5


class PlainList(list):
    """A list subclass: converted through the list iterator, not by index."""


@pytest.mark.parametrize("change", [lambda l: l.append(2.0), lambda l: l.clear(), lambda l: l.pop(),
                                    lambda l: l.remove(1.0)], ids=["append", "clear", "pop", "remove_earlier"])
def test_a_list_changed_during_conversion_reads_as_under_iteration(change):
    def run(kind):
        item = Mutating(change)
        values = kind([1.0, item, 3.0, 4.0])
        item.target = values
        return outcome("witt_mao_magnification", values)

    assert run(list) == run(PlainList)


def test_tuple_and_list_errors_name_the_argument():
    assert outcome("witt_mao_magnification", (0.5, "a")) == (TypeError, ("argument 'l': must be real number, not str",))
    assert outcome("witt_mao_magnification", [0.5, 2**1100])[0] is OverflowError


# The bucket search in ascending tables


def tables():
    rng = random.Random(7)
    for rows in (2, 3, 10, 100):
        x = sorted(rng.uniform(-0.2, 1.2) for _ in range(rows))
        yield x, [rng.uniform(0, 2) for _ in x]
    x = [0.0, 0.2, 0.2, 0.2, 0.7, 0.7, 1.0]  # repeated radii
    yield x, [1.0, 0.9, 0.8, 0.7, 0.5, 0.45, 0.4]
    yield [0.0, 0.5, 1.0, 1.5], [1.0, 0.5]  # radii longer than brightnesses
    yield [0.0, 0.5], [1.0, 0.5, 0.2]
    yield [i / 1000 for i in range(1001)], [1 - i / 2000 for i in range(1001)]  # evenly spaced
    yield [0.0, 1e-300, 1e-12, 2e-12, 0.999, 1.0], [1.0, 2.0, 3.0, 4.0, 5.0, 6.0]  # buckets far off
    yield [-math.inf, 0.0, 1.0], [1.0, 2.0, 3.0]  # an infinite range: one bucket


@pytest.mark.parametrize("x, y", list(tables()))
def test_bucket_search_gives_the_linear_scan_value(native, x, y):
    rng = random.Random(len(x))
    probes = x + [math.nextafter(v, -1) for v in x] + [math.nextafter(v, 2) for v in x]
    probes += [rng.uniform(-0.5, 1.5) for _ in range(200)] + [-math.inf, math.inf, math.nan]
    for r in probes:
        expected = native.interp_fixed(x, y, r, 0.0)  # the linear scan
        assert same(native.tabulated_profile(x, y, r), expected), r
