"""The module built without optimisation gives the very bits of the optimised
build, on every case of the corpus and on a large seeded set of further
inputs: any contraction into fused multiply-add, undefined behaviour or
optimiser-dependent arithmetic would show here.

Both builds run in subprocesses (one process cannot load two modules of one
name). `./dev test` builds the unoptimised module into build/O0-<version> and
passes that folder in VARDUXEL_O0_MODULE_DIR; it also passes
VARDUXEL_DIGEST_FILE, where this test records a digest of all outcomes, and
compares the digests of all CPython versions and builds at the end. With the
test modules of both builds (VARDUXEL_TEST_MODULE_DIR and
VARDUXEL_O0_TEST_MODULE_DIR) the ring sums are also run on every vector path
the machine has, in both builds.
"""

import hashlib
import json
import os
import pathlib
import subprocess
import sys

import pytest

import varduxel

ROOT = pathlib.Path(__file__).resolve().parent.parent
O0_FOLDER = os.environ.get("VARDUXEL_O0_MODULE_DIR")
# The test modules of both builds, for the ring sums on every vector path.
TEST_MODULE_FOLDER = os.environ.get("VARDUXEL_TEST_MODULE_DIR", "")
O0_TEST_MODULE_FOLDER = os.environ.get("VARDUXEL_O0_TEST_MODULE_DIR", "")

# Runs the corpus and the seeded bulk cases against the varduxel found in
# argv[1] and prints {case id: outcome} and {case id: function} as JSON.
CHILD = r"""
import json, math, os, random, sys
import varduxel
assert os.path.dirname(os.path.abspath(varduxel.__file__)) == os.path.abspath(sys.argv[1]), varduxel.__file__
from tests.support import corpus, functions

def log_uniform(rng, low, high):
    return 10.0 ** rng.uniform(math.log10(low), math.log10(high))

# A random value of one parameter: separations through the disk, the limb,
# the centre and far off; a circle near the lens or anywhere; a star of any
# size; a table of up to 40 rows reaching beyond the disk.
def draw(rng, function, name, l):
    costly = function.entry.costly
    if name == "l" and function.is_vector(name):
        if costly:
            return [rng.uniform(0.0, 2.0) for _ in range(4)]
        return ([rng.uniform(0.0, 4.0) for _ in range(20)]
                + [1.0 + rng.choice([-1, 1]) * log_uniform(rng, 1e-10, 1e-2) for _ in range(10)]
                + [log_uniform(rng, 1e-12, 1e-1) for _ in range(10)] + [log_uniform(rng, 10.0, 1e8) for _ in range(10)])
    if name == "l":
        return rng.choice([rng.uniform(0.0, 3.0), log_uniform(rng, 1e-9, 1e3)])
    if name == "r":
        return rng.choice([rng.uniform(0.0, 1.2), l + rng.choice([-1, 1]) * log_uniform(rng, 1e-9, 1.0)])
    if name == "rstar":
        return log_uniform(rng, 1e-3, 10.0) if costly else log_uniform(rng, 1e-7, 1e4)
    if name == "bl":
        return sorted(rng.uniform(-0.1, 1.1) for _ in range(rng.randint(2, 40)))
    return 1.0  # re; bf follows bl below

def bulk_cases():
    rng = random.Random(5_2024)
    cases = []
    for function in functions.FUNCTIONS:
        calls = 4000 if not function.returns_list else 12 if function.entry.costly else 150
        for _ in range(calls):
            values = {}
            for name in function.parameters:
                values[name] = draw(rng, function, name, values.get("l"))
            if "bf" in values:
                values["bf"] = [rng.uniform(0.0, 2.0) for _ in values["bl"]]
            cases.append(corpus.Case(f"bulk/{function.name}/{len(cases)}", "bulk/" + function.name, function.name,
                                     tuple(values.values())))
    return cases

outcomes, called = {}, {}
for case in corpus.cases() + bulk_cases():
    outcomes[case.id] = corpus.run_case(case, varduxel)
    called[case.id] = case.function

# With the test module of the same build (argv[2]), the ring sums once more
# on every vector path the machine has, under the ids "<path>/<case id>".
if sys.argv[2]:
    import _varduxel_testing as native
    assert os.path.dirname(os.path.abspath(native.__file__)) == os.path.abspath(sys.argv[2]), native.__file__

    class OnPath:
        def __init__(self, path):
            self.path = path

        def integrated_heyrovsky_magnification(self, l, re, rstar):
            return native.ring_sums(l, re, rstar, self.path)

        def integrated_flux_map_heyrovsky_magnification(self, l, re, rstar, bl, bf):
            return native.flux_map_ring_sums(l, re, rstar, self.path, bl, bf)

    ring_sums = [case for case in corpus.cases() + bulk_cases()
                 if hasattr(OnPath, case.function) and not case.kwargs and isinstance(outcomes[case.id], list)]
    # The reference, scalar, first: the table lists the widest first.
    for path in reversed([name for name, _, supported in native.instruction_sets() if supported]):
        for case in ring_sums:
            outcomes[f"{path}/{case.id}"] = corpus.run_case(case, OnPath(path))
            called[f"{path}/{case.id}"] = case.function
json.dump({"outcomes": outcomes, "functions": called}, sys.stdout)
"""


def outcomes_of(folder, test_module_folder):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([str(folder), test_module_folder, str(ROOT)]))
    process = subprocess.run([sys.executable, "-c", CHILD, str(folder), test_module_folder], env=env,
                             capture_output=True, text=True, timeout=600)
    assert process.returncode == 0, process.stderr
    return json.loads(process.stdout)


def count_values(outcomes):
    """Floats in all results, plus one per error."""
    return sum(len(o) if isinstance(o, list) else 1 for o in outcomes.values())


@pytest.mark.skipif(not O0_FOLDER, reason="VARDUXEL_O0_MODULE_DIR names no unoptimised build (./dev test sets it)")
def test_unoptimised_and_optimised_builds_give_the_same_bits():
    optimised_folder = pathlib.Path(varduxel.__file__).parent
    unoptimised = list(pathlib.Path(O0_FOLDER).glob("varduxel*.so"))
    assert len(unoptimised) == 1, unoptimised
    # The comparison means something only if the two really are different builds.
    assert unoptimised[0].read_bytes() != pathlib.Path(varduxel.__file__).read_bytes()
    cache = (pathlib.Path(O0_FOLDER) / "CMakeCache.txt").read_text()
    assert "CMAKE_CXX_FLAGS_RELEASE:STRING=-O0" in cache

    both_test_modules = TEST_MODULE_FOLDER and O0_TEST_MODULE_FOLDER
    expected, functions = outcomes_of(optimised_folder, TEST_MODULE_FOLDER if both_test_modules else "").values()
    actual, _ = outcomes_of(O0_FOLDER, O0_TEST_MODULE_FOLDER if both_test_modules else "").values()
    assert list(actual) == list(expected)
    differing = [(case, expected[case], actual[case]) for case in expected if actual[case] != expected[case]]
    assert not differing, f"{len(differing)} of {len(expected)} cases differ; first: {differing[:3]}"
    # Every vector path gives the module's bits, in both builds.
    on_paths = [case for case in expected if case.split("/", 1)[0] in ("scalar", "avx2", "avx512")]
    assert not both_test_modules or len(on_paths) > 100
    assert all(expected[case] == expected[case.split("/", 1)[1]] for case in on_paths)
    # Results, not only errors, are compared for every function.
    assert {functions[case] for case, outcome in expected.items() if not isinstance(outcome, dict)} == \
        set(varduxel.__all__)

    digest_file = os.environ.get("VARDUXEL_DIGEST_FILE")
    if digest_file:
        text = json.dumps(expected, separators=(",", ":"))
        digest = hashlib.sha256(text.encode()).hexdigest()
        pathlib.Path(digest_file).parent.mkdir(parents=True, exist_ok=True)
        pathlib.Path(digest_file).write_text(
            f"{digest} {len(expected)} cases, {count_values(expected)} values, {varduxel.__file__}\n")
