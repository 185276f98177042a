"""The private test module `_varduxel_testing`, which exposes the numerical
kernels and model internals to the tests. `./dev test` builds it and passes
its folder in VARDUXEL_TEST_MODULE_DIR; after a plain `pip install .` it is
absent, and the tests that need it skip with this reason."""

import pytest

REASON = ("needs the private test module _varduxel_testing, which ./dev test builds "
          "(or set VARDUXEL_TEST_MODULE_DIR to a folder holding it; see README, For developers)")


def private_test_module():
    """The module, or a skip of the calling test module (at import) or test."""
    return pytest.importorskip("_varduxel_testing", reason=REASON)
