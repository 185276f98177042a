"""Whether this process runs under the AddressSanitizer runtime, which
`./dev sanitize` preloads. Tests whose measurements the runtime distorts skip
themselves with `skip_under_sanitizer`."""

import ctypes

import pytest


def runtime_loaded():
    return hasattr(ctypes.CDLL(None), "__asan_init")


RUNTIME_LOADED = runtime_loaded()


def skip_under_sanitizer(reason):
    return pytest.mark.skipif(RUNTIME_LOADED, reason="under AddressSanitizer: " + reason)
