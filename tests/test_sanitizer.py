"""The sanitizer run is real: under `./dev sanitize` (which sets
VARDUXEL_EXPECT_SANITIZER) the modules under test are instrumented with
AddressSanitizer and UndefinedBehaviorSanitizer, undefined behaviour stops
the process rather than being reported and passed over, and the preloaded
runtime reports a memory error and ends the process."""

import importlib
import os
import shutil
import subprocess
import sys

import pytest

from tests.support.sanitizers import RUNTIME_LOADED

EXPECTED = os.environ.get("VARDUXEL_EXPECT_SANITIZER") == "1"

pytestmark = pytest.mark.skipif(not EXPECTED and not RUNTIME_LOADED,
                                reason="runs under ./dev sanitize only")


def test_the_sanitizer_runtime_is_loaded():
    assert RUNTIME_LOADED


@pytest.mark.parametrize("module", ["varduxel", "_varduxel_testing"])
def test_the_modules_are_instrumented_and_halt_on_undefined_behaviour(module):
    nm = shutil.which("nm")
    if nm is None:
        pytest.skip("nm is not installed")
    path = importlib.import_module(module).__file__
    listing = subprocess.run([nm, "-D", "--undefined-only", path], capture_output=True, text=True,
                             check=True).stdout
    symbols = {line.split()[-1] for line in listing.splitlines() if line.strip()}
    assert any(name.startswith("__asan_report_load") for name in symbols), path
    handlers = {name for name in symbols if name.startswith("__ubsan_handle_")}
    assert handlers, path
    # Recoverable handlers would report and carry on; these two only exist
    # as fatal ones.
    always_fatal = {"__ubsan_handle_builtin_unreachable", "__ubsan_handle_missing_return"}
    assert all(name.endswith("_abort") for name in handlers - always_fatal), sorted(handlers)


def test_a_memory_error_is_reported_and_ends_the_process():
    code = ("import ctypes\n"
            "target = ctypes.create_string_buffer(64)\n"
            "libc = ctypes.CDLL(None)\n"
            "libc.malloc.restype = ctypes.c_void_p\n"
            "block = libc.malloc(8)\n"
            "ctypes.memmove(target, block, 16)\n"  # reads 8 bytes past the block
            "print('not stopped')\n")
    # Reports go to standard error here, not to the run's report folder.
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
    process = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True, text=True, timeout=60)
    assert process.returncode != 0
    assert "not stopped" not in process.stdout
    assert "AddressSanitizer: heap-buffer-overflow" in process.stderr
