"""The ring sum's circle means on every vector path this build and CPU have
(scalar, AVX2, AVX-512): the same bits as the scalar path, on nodes chosen to
be hard and in batches of every length."""

import math
import random
import struct

import pytest

import varduxel

from tests.support.native import private_test_module

native = private_test_module()
PATHS = native.vector_paths()


def bits(values):
    return [struct.unpack("<Q", struct.pack("<d", v))[0] for v in values]


def hard_batches():
    """(l, radii, re, rstar) batches: radii next to the singularity x = l and
    on it, l = 0, tiny and huge re/rstar, NaN and subnormal radii among finite
    ones, and lengths 1 to 19, so that every lane width ends on a partial batch."""
    rng = random.Random(5)
    batches = []
    for count in range(1, 20):
        for _ in range(16):
            l = rng.choice([0.0, 1e-9, rng.random(), 1.0, 1 + 1e-7, rng.uniform(1, 5)])
            radii = []
            for _ in range(count):
                kind = rng.randrange(6)
                if kind == 0:  # a few ulps from the singularity, or on it
                    x = l
                    for _ in range(rng.randrange(4)):
                        x = math.nextafter(x, rng.choice([0.0, 2.0]))
                elif kind == 1:
                    x = l * (1 + rng.choice([-1, 1]) * 10 ** rng.uniform(-15, -3))
                elif kind == 2:
                    x = rng.choice([math.nan, 5e-324, 0.0, 1.0, 1e-300])
                else:
                    x = rng.random()
                radii.append(abs(x) if not math.isnan(x) else x)
            rstar = 10 ** rng.choice([-99, -12, -4, -1, 0, 1, 4, 150])
            batches.append((l, radii, 1.0, rstar))
    return batches


@pytest.mark.parametrize("path", PATHS)
def test_circle_means_match_the_scalar_path_bit_for_bit(path):
    compared = 0
    for l, radii, re, rstar in hard_batches():
        scalar = native.ring_circle_means(l, radii, re, rstar, "scalar")
        assert bits(native.ring_circle_means(l, radii, re, rstar, path)) == bits(scalar), (l, radii, rstar)
        # One at a time gives the same as in a batch.
        assert bits(native.ring_circle_mean(l, x, re, rstar) for x in radii) == bits(scalar)
        compared += len(radii)
    assert compared > 2000


@pytest.mark.parametrize("path", PATHS)
def test_ring_sums_match_the_module_bit_for_bit(path):
    ls = [0.0, 1e-9, 0.25, 0.5, 0.9999999, 1.0, 1.0000001, 1.7, 30.0, math.nan, -1.0]
    bl, bf = [0.0, 0.3, 0.8, 1.0], [1.0, 0.9, 0.6, 0.4]
    for rstar in (1e-4, 0.05, 10.0):
        assert bits(native.ring_sums(ls, 1.0, rstar, path)) == bits(
            varduxel.integrated_heyrovsky_magnification(ls, 1.0, rstar))
        assert bits(native.ring_sums(ls, 1.0, rstar, path, bl, bf)) == bits(
            varduxel.integrated_flux_map_heyrovsky_magnification(ls, 1.0, rstar, bl, bf))


def test_every_path_the_cpu_has_is_built():
    # The vector paths must not silently fall back to scalar on a CPU that has
    # them: the build compiles them for x86-64 and the CPU check finds them.
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            flags = next(line for line in cpuinfo if line.startswith("flags")).split()
    except (OSError, StopIteration):
        pytest.skip("no /proc/cpuinfo to compare with")
    expected = ["scalar"] + [name for name, flag in (("avx2", "avx2"), ("avx512", "avx512f")) if flag in flags]
    assert PATHS == expected
