"""Makes the private test module importable for every test, when there is one.

``./dev test`` builds ``_varduxel_testing`` (the numerical kernels and model
internals, compiled from the package's own sources) and passes its folder in
VARDUXEL_TEST_MODULE_DIR. Without it the tests that need it skip
(tests/support/native.py).
"""

import os
import sys

import pytest

from tests.support.native import private_test_module

_folder = os.environ.get("VARDUXEL_TEST_MODULE_DIR")
if _folder:
    sys.path.insert(0, _folder)


@pytest.fixture(scope="session")
def native():
    """The private test module, for tests in files that mostly do without it."""
    return private_test_module()
