"""The ring sum's instruction sets (scalar, AVX2, AVX-512): the table the
module chooses from, the same bits on every one for pooled batches of every
length and mixture, and no instruction of one outside its own code."""

import math
import os
import pathlib
import platform
import random
import re
import shutil
import subprocess

import pytest

import varduxel

from tests.support.bits import patterns
from tests.support.native import private_test_module

native = private_test_module()
TABLE = native.instruction_sets()  # (name, CPU feature, supported), widest first
PATHS = [name for name, _, supported in TABLE if supported]
ROOT = pathlib.Path(__file__).resolve().parent.parent


def test_the_table_finds_what_the_cpu_has():
    # A row that the CPU reports in /proc/cpuinfo must be supported, and no
    # other: the vector paths must not silently fall back to scalar.
    assert TABLE[-1] == ("scalar", "", True)
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            flags = next(line for line in cpuinfo if line.startswith("flags")).split()
    except (OSError, StopIteration):
        pytest.skip("no /proc/cpuinfo to compare with")
    if platform.machine() in ("x86_64", "AMD64"):
        assert {name for name, _, _ in TABLE} == {"scalar", "avx2", "avx512"}
    assert all(supported == (feature in flags) for _, feature, supported in TABLE[:-1])


def hard_points(rng, count):
    """(l, x) pairs for one pool: radii next to the singularity x = l and on
    it, l = 0, NaN and subnormal radii among finite ones, from up to four
    separations mixed in any order."""
    separations = [rng.choice([0.0, 1e-9, rng.random(), 1.0, 1 + 1e-7, rng.uniform(1, 5)])
                   for _ in range(rng.randint(1, 4))]
    points = []
    for _ in range(count):
        l = rng.choice(separations)
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
        points.append((l, abs(x)))
    return points


@pytest.mark.parametrize("path", PATHS)
def test_pooled_circle_means_match_one_at_a_time_bit_for_bit(path):
    # Lengths 1 to 40 end on every partial vector and refill lanes from
    # mixed separations; the scale runs from tiny to huge re / rstar.
    rng = random.Random(5)
    compared = 0
    for count in list(range(1, 41)) * 6 + [300, 1000]:
        ls, xs = zip(*hard_points(rng, count))
        rstar = 10 ** rng.choice([-99, -12, -4, -1, 0, 1, 4, 150])
        pooled = native.ring_circle_means(list(ls), list(xs), 1.0, rstar, path)
        assert patterns(pooled) == patterns(native.ring_circle_mean(l, x, 1.0, rstar) for l, x in zip(ls, xs)), (ls, xs)
        compared += count
    assert compared > 6000


@pytest.mark.parametrize("path", PATHS)
def test_ring_sums_match_the_module_bit_for_bit(path):
    # Up to 25 separations in one call: pieces of several separations in
    # flight at once, with NaN and negative ones among them.
    rng = random.Random(11)
    base = [0.0, 1e-9, 0.25, 0.5, 0.9999999, 1.0, 1.0000001, 1.7, 30.0, math.nan, -1.0]
    bl, bf = [0.0, 0.3, 0.8, 1.0], [1.0, 0.9, 0.6, 0.4]
    for rstar in (1e-4, 0.05, 10.0):
        for ls in (base, [rng.uniform(0.0, 2.0) for _ in range(25)], base[2:3]):
            assert patterns(native.ring_sums(ls, 1.0, rstar, path)) == patterns(
                varduxel.integrated_heyrovsky_magnification(ls, 1.0, rstar))
            assert patterns(native.flux_map_ring_sums(ls, 1.0, rstar, path, bl, bf)) == patterns(
                varduxel.integrated_flux_map_heyrovsky_magnification(ls, 1.0, rstar, bl, bf))


# Instructions an instruction set's code may use and no other code may: VEX
# and EVEX encodings (the mnemonics that begin with "v"), and the registers
# that only EVEX encodes (zmm, the masks k0-k7, xmm16-31 and ymm16-31).
VEX = {"avx2", "avx512"}
EVEX = {"avx512"}
EVEX_REGISTER = re.compile(r"%(zmm\d+|k[0-7]\b|[xy]mm(1[6-9]|2\d|3[01])\b)")


def functions(library):
    """{demangled name: [instruction text]} of a shared library."""
    listing = subprocess.run(["objdump", "-d", "-C", "--no-show-raw-insn", str(library)], check=True,
                             capture_output=True, text=True).stdout
    found, body = {}, None
    for line in listing.splitlines():
        header = re.match(r"[0-9a-f]+ <(.*)>:$", line)
        if header:
            body = found.setdefault(header.group(1), [])
        elif body is not None and "\t" in line:
            body.append(line.split("\t", 1)[1].strip())
    return found


def has_symbols(library):
    sections = subprocess.run(["readelf", "-S", "-W", str(library)], capture_output=True, text=True).stdout
    return ".symtab" in sections


def build_id(library):
    notes = subprocess.run(["readelf", "-n", str(library)], capture_output=True, text=True).stdout
    match = re.search(r"Build ID: ([0-9a-f]+)", notes)
    return match and match.group(1)


def unstripped(module_file):
    """The module itself when it has its symbols, else the copy of the same
    build (the same build ID) that the build left in build/ before it was
    stripped for installation."""
    if has_symbols(module_file):
        return module_file
    wanted = build_id(module_file)
    for candidate in (ROOT / "build").glob(f"*/{pathlib.Path(module_file).name}"):
        if wanted and build_id(candidate) == wanted and has_symbols(candidate):
            return candidate
    return None


def built_modules():
    """Every build of the package and the test module under test here."""
    modules = {"package": varduxel.__file__, "test module": native.__file__}
    for kind, variable, name in (("package -O0", "VARDUXEL_O0_MODULE_DIR", "varduxel"),
                                 ("test module -O0", "VARDUXEL_O0_TEST_MODULE_DIR", "_varduxel_testing")):
        if os.environ.get(variable):
            modules[kind] = next(pathlib.Path(os.environ[variable]).glob(f"{name}.*.so"))
    return modules


MODULES = built_modules()


@pytest.mark.skipif(platform.machine() not in ("x86_64", "AMD64") or not shutil.which("objdump"),
                    reason="disassembles x86-64 with objdump")
@pytest.mark.parametrize("kind", MODULES)
def test_no_instruction_of_an_instruction_set_outside_its_own_code(kind):
    module_file = MODULES[kind]
    library = unstripped(module_file)
    if library is None:
        pytest.skip(f"no unstripped copy of {module_file}")
    owners = [name for name, _, _ in TABLE]
    violations, used = [], set()
    for function, instructions in functions(library).items():
        owner = next((name for name in owners if f"::{name}::" in function), None)
        for instruction in instructions:
            vex, evex = instruction.startswith("v"), bool(EVEX_REGISTER.search(instruction))
            if vex and owner not in VEX or evex and owner not in EVEX:
                violations.append(f"{function}: {instruction}")
            if evex:
                used.add(owner)
    assert not violations, f"{library}: {len(violations)} instructions outside their own code, e.g. {violations[:5]}"
    # The check sees what it looks for: the AVX-512 code uses its registers.
    assert "avx512" not in owners or used == {"avx512"}, used
