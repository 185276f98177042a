"""Thousands of calls of every function, on its success path and on each of
its failure paths, leave memory flat: the Python heap as tracemalloc and the
allocator's block count see it, the live objects, the references held to the
arguments, and the native heap and resident size (where the converted and
result vectors live, which tracemalloc does not see)."""

import array
import collections
import ctypes
import gc
import sys
import tracemalloc
from fractions import Fraction

import numpy as np
import pytest

import varduxel

from tests.support import functions
from tests.support.sanitizers import RUNTIME_LOADED


class MallInfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in
                ("arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks", "uordblks", "fordblks",
                 "keepcost")]


def native_heap_reader():
    """Bytes in use in the C heap (glibc mallinfo2), or None where it is not
    available or not meaningful (another allocator, the sanitizer's)."""
    libc = ctypes.CDLL(None)
    if RUNTIME_LOADED or not hasattr(libc, "mallinfo2"):
        return None
    libc.mallinfo2.restype = MallInfo2

    def read():
        info = libc.mallinfo2()
        return info.uordblks + info.hblkhd
    return read


native_heap = native_heap_reader()


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * 4096


def separations(n):
    return [0.25 + 2.5 * i / n for i in range(n)]


def table(n):
    radii = [i / (n - 1) for i in range(n)]
    return radii, [1.0 - 0.5 * r for r in radii]


class Junk:
    """No number: its conversion fails. Unlike a literal string it is not
    immortal, so a reference kept to it shows in its count."""


# (function, path, arguments, expected exception type or None, calls).
# Vectors on the cheap failure paths are large enough that losing one per call
# would show in the resident size; the success paths run smaller calls, where
# the native heap still shows a lost vector. Kernel errors inside the ring
# sums never surface: their success path, with separations inside the disk,
# takes them. Every list ends in an object that is no exact float, read
# through a reference of its own.
def call_paths():
    long_l, bl, bf = separations(2000), *table(100)
    bad_tail = long_l + [Junk()]
    paths = []
    for function in functions.FUNCTIONS:
        name, scalar, tables = function.name, not function.is_vector("l"), function.entry.table
        size = 4 if function.entry.costly else 20 if tables == "rings" else 100
        l = 0.7 if scalar else separations(size) + [Fraction(3, 4)]
        success = function.arguments(l=l, **({"bl": bl, "bf": bf} if tables else {}))
        failing = function.arguments(l=0.7 if scalar else long_l, **({"bl": long_l, "bf": long_l} if tables else {}))
        last_vector = "bf" if tables else "l"
        calls, failing_calls = (5000, 5000) if scalar else (1000, 2000)
        paths += [
            (name, "success", tuple(success.values()), None, calls),
            (name, "binding", (*failing.values(), 0.1), TypeError, failing_calls),
            (name, "conversion of rstar", tuple(dict(failing, rstar=Junk()).values()), TypeError, failing_calls),
        ]
        if not scalar:
            bad = dict(failing, **{last_vector: bad_tail})
            paths.append((name, f"conversion of {last_vector}", tuple(bad.values()), TypeError, failing_calls))
        if function.entry.kernel_errors:
            bad = -1.0 if scalar else success["l"] + [-1.0]
            paths.append((name, "kernel error", tuple(dict(success, l=bad).values()), RuntimeError, failing_calls))
        if tables:
            paths.append((name, "panic", tuple(dict(failing, bf=long_l[1:]).values()), BaseException, failing_calls))
    # The other routes of a vector's conversion: a buffer of doubles, plain
    # iteration, and a buffer that is not one of doubles, then iterated; and
    # a string, refused before any.
    name = "witt_mao_magnification"
    paths += [
        (name, "success from a buffer", (array.array("d", separations(1000)), 1.0, 0.1), None, 1000),
        (name, "success, iterated", (collections.deque(separations(1000)), 1.0, 0.1), None, 1000),
        (name, "not a sequence", ("".join(["x"] * 1000), 1.0, 0.1), TypeError, 5000),
        (name, "conversion of l, iterated", (collections.deque(bad_tail), 1.0, 0.1), TypeError, 2000),
        (name, "conversion of l, 2-d buffer", (np.ones((1000, 2)), 1.0, 0.1), TypeError, 2000),
        (name, "kernel error from a buffer", (np.array(separations(1000) + [-1.0]), 1.0, 0.1), RuntimeError,
         2000),
    ]
    return paths


PATHS = call_paths()


def outcome(function, arguments):
    try:
        function(*arguments)
    except BaseException as error:
        return type(error)
    return None


@pytest.mark.parametrize("name, path, arguments, expected, calls", PATHS,
                         ids=[f"{p[0]}-{p[1]}" for p in PATHS])
def test_repeated_calls_leave_memory_flat(name, path, arguments, expected, calls):
    function = getattr(varduxel, name)
    error = outcome(function, arguments)
    assert error is expected or (expected is BaseException and error.__name__ == "PanicException"), \
        f"the {path} path ends in {error}"
    watched = [*arguments, *(x for a in arguments if isinstance(a, list) for x in a[-3:])]

    def run(times):
        for _ in range(times):
            try:
                function(*arguments)
            except BaseException:
                pass

    tracemalloc.start()
    try:
        run(200)
        gc.collect()
        references = [sys.getrefcount(x) for x in watched]
        traced, blocks, objects = tracemalloc.get_traced_memory()[0], sys.getallocatedblocks(), len(gc.get_objects())
        heap, resident = native_heap() if native_heap else 0, resident_bytes()
        run(calls // 4 if RUNTIME_LOADED else calls)  # the sanitized build is slower
        gc.collect()
        traced_growth = tracemalloc.get_traced_memory()[0] - traced
        block_growth = sys.getallocatedblocks() - blocks
        object_growth = len(gc.get_objects()) - objects
        heap_growth = native_heap() - heap if native_heap else 0
        resident_growth = resident_bytes() - resident
    finally:
        tracemalloc.stop()
    # One float kept per call would be 24 bytes and one block per call; one
    # lost native vector per call at least 32 bytes per call, and on the
    # cheap paths 16 kB per call.
    assert [sys.getrefcount(x) for x in watched] == references
    assert traced_growth < 8192
    assert block_growth < 100
    assert object_growth < 50
    assert heap_growth < 32 * 1024
    if not RUNTIME_LOADED:  # the sanitizer's quarantine holds on to freed memory
        assert resident_growth < 4 * 2**20
