"""Many Python threads calling the functions at once get exactly what one
thread gets, including conversions that hand the interpreter to other
threads midway and the first use of the process-wide values (the module, the
PanicException type and the derivative step) in a fresh process; other
interpreters are refused while threads of the first one compute."""

import json
import random
import sys
import threading
import time

import pytest

import varduxel

from tests.support import corpus, functions
from tests.support.isolated_python import run_python

THREADS = 8


class Yielding:
    """A float whose conversion lets other threads run."""

    def __init__(self, value):
        self.value = value

    def __float__(self):
        time.sleep(0)
        return self.value


class YieldingSequence:
    """A sequence whose iteration lets other threads run between items."""

    def __init__(self, values):
        self.values = values

    def __len__(self):
        return len(self.values)

    def __getitem__(self, index):
        raise AssertionError("read by iteration only")

    def __iter__(self):
        for value in self.values:
            time.sleep(0)
            yield Yielding(value)


def yielding_cases():
    """Calls whose conversions switch threads, each with the plain twin whose
    outcome it must match."""
    rng = random.Random(7)
    cases = []
    for index, function in enumerate(functions.FUNCTIONS):
        count = 2 if function.entry.costly else 12
        l = [rng.uniform(0.0, 2.5) for _ in range(count)] if function.is_vector("l") else rng.uniform(0.0, 2.5)
        values = function.arguments(l=l)
        arguments = [YieldingSequence(value) if function.is_vector(name) else Yielding(value)
                     for name, value in values.items()]
        cases.append(corpus.Case(f"yielding/{index}", "yielding", function.name, tuple(arguments)))
    return cases


def run_all(cases):
    return {case.id: corpus.run_case(case, varduxel) for case in cases}


@pytest.fixture
def frequent_switches():
    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        yield
    finally:
        sys.setswitchinterval(interval)


def test_many_threads_get_the_results_of_one_thread(frequent_switches):
    cases = corpus.cases() + yielding_cases()
    expected = run_all(cases)
    results = [None] * THREADS
    barrier = threading.Barrier(THREADS)

    def work(index):
        order = cases[:]
        random.Random(index).shuffle(order)  # every thread meets other calls
        barrier.wait()
        results[index] = [run_all(order) for _ in range(2)]

    threads = [threading.Thread(target=work, args=(i,)) for i in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for index, runs in enumerate(results):
        for outcomes in runs:
            differing = [case for case in expected if outcomes[case] != expected[case]]
            assert not differing, f"thread {index}: {len(differing)} cases differ, first {differing[:3]}"


def test_conversions_that_switch_threads_match_plain_arguments():
    for case in yielding_cases():
        plain = tuple(
            [float(x) for x in argument.values] if isinstance(argument, YieldingSequence) else float(argument)
            for argument in case.args)
        outcome = corpus.run_case(case, varduxel)
        assert not isinstance(outcome, dict), outcome  # results, not errors, are compared across threads
        assert outcome == corpus.run_case(corpus.Case("", "", case.function, plain), varduxel)


# In a fresh process, threads released together import the module and make
# their first calls at once: half of them fail a flux map's length check
# (creating PanicException), the others compute with the derivative step.
# Prints one JSON line per thread.
FIRST_USE_CHILD = r"""
import json, sys, threading
sys.setswitchinterval(1e-6)
THREADS = 8
barrier = threading.Barrier(THREADS)
lines = [None] * THREADS

def work(index):
    barrier.wait()
    import varduxel
    record = {"module": id(varduxel)}
    if index % 2:
        try:
            varduxel.discrete_flux_map_heyrovsky_magnification([0.5], 1.0, 0.1, [0.5, 1.0], [1.0])
        except BaseException as error:
            panic = type(error)
            record["panic"] = [id(panic), panic.__module__, panic.__qualname__, error.args[0]]
    else:
        record["integrated"] = [x.hex() for x in varduxel.integrated_witt_mao_magnification([0.3, 1.2], 1.0, 0.1)]
        record["flux_map"] = [x.hex() for x in varduxel.integrated_flux_map_witt_mao_magnification(
            [0.3, 1.2], 1.0, 0.1, [0.0, 1.0], [1.0, 0.5])]
    lines[index] = record

threads = [threading.Thread(target=work, args=(i,)) for i in range(THREADS)]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
for record in lines:
    print(json.dumps(record))
"""


@pytest.mark.parametrize("attempt", range(4))
def test_first_use_of_the_process_wide_values_from_many_threads(attempt):
    process = run_python(FIRST_USE_CHILD)
    assert process.returncode == 0, process.stderr
    records = [json.loads(line) for line in process.stdout.splitlines()]
    assert len(records) == 8
    assert len({record["module"] for record in records}) == 1
    panics = [record["panic"] for record in records if "panic" in record]
    assert len(panics) == 4
    assert len({panic[0] for panic in panics}) == 1  # one type, created once
    assert all(panic[1:] == ["pyo3_runtime", "PanicException",
                             "assertion `left == right` failed\n  left: 2\n right: 1"] for panic in panics)
    integrated = [x.hex() for x in varduxel.integrated_witt_mao_magnification([0.3, 1.2], 1.0, 0.1)]
    flux_map = [x.hex() for x in varduxel.integrated_flux_map_witt_mao_magnification([0.3, 1.2], 1.0, 0.1,
                                                                                     [0.0, 1.0], [1.0, 0.5])]
    for record in records:
        if "integrated" in record:
            assert record["integrated"] == integrated and record["flux_map"] == flux_map


# Threads of the main interpreter compute while other threads try to import
# the module into new interpreters: one that shares the GIL and allows
# single-phase modules (refused by the module) and, where the interpreter
# offers it, one with its own GIL (refused by the interpreter, before the
# module's initialisation runs). Prints what each attempt saw, then the
# number of mismatching results of the computing threads.
SUBINTERPRETER_CHILD = r"""
import os, sys, threading
import varduxel

ATTEMPT = '''
try:
    import varduxel
    outcome = "imported"
except ImportError as error:
    outcome = "ImportError: " + str(error)
import os
os.write(%d, outcome.encode())
os.close(%d)
'''

def attempt(run):
    read_end, write_end = os.pipe()
    run(ATTEMPT % (write_end, write_end))
    text = os.read(read_end, 4096).decode()
    os.close(read_end)
    return text

def legacy(code):
    import _testcapi
    assert _testcapi.run_in_subinterp(code) == 0

def isolated(code):
    try:
        import _interpreters as interpreters
    except ImportError:
        import _xxsubinterpreters as interpreters
    interpreter = interpreters.create()
    interpreters.run_string(interpreter, code)
    interpreters.destroy(interpreter)

expected = varduxel.witt_mao_magnification([0.5, 2.0], 1.0, 0.1)
stop = threading.Event()
mismatches = []

def compute():
    while not stop.is_set():
        if varduxel.witt_mao_magnification([0.5, 2.0], 1.0, 0.1) != expected:
            mismatches.append(1)

outcomes = []
def importer(kind):
    try:
        outcomes.append(kind + " " + attempt(legacy if kind == "legacy" else isolated))
    except ImportError as error:  # no _testcapi or no subinterpreter module
        outcomes.append(kind + " unavailable " + str(error))

workers = [threading.Thread(target=compute) for _ in range(3)]
for worker in workers:
    worker.start()
importers = [threading.Thread(target=importer, args=(kind,)) for kind in ("legacy", "isolated") * 2]
for thread in importers:
    thread.start()
for thread in importers:
    thread.join()
stop.set()
for worker in workers:
    worker.join()
for outcome in sorted(outcomes):
    print(outcome)
print("mismatches", len(mismatches), varduxel.witt_mao_magnification([0.5, 2.0], 1.0, 0.1) == expected)
"""


def test_other_interpreters_are_refused_while_threads_compute():
    process = run_python(SUBINTERPRETER_CHILD)
    assert process.returncode == 0, process.stderr
    *outcomes, last = process.stdout.splitlines()
    assert last == "mismatches 0 True"
    legacy = [line for line in outcomes if line.startswith("legacy")]
    isolated = [line for line in outcomes if line.startswith("isolated")]
    if any("unavailable" in line for line in legacy + isolated):
        pytest.skip("this interpreter cannot create subinterpreters from Python: " + " / ".join(outcomes))
    assert legacy == ["legacy ImportError: varduxel does not support subinterpreters yet: it can be imported "
                      "only by the interpreter that first imported it in this process"] * 2
    assert isolated == ["isolated ImportError: module varduxel does not support loading in subinterpreters"] * 2
