"""Makes the private test module importable for every test.

``./dev test`` builds ``_varduxel_testing`` (the numerical kernels and model
internals, compiled from the package's own sources) and passes its folder in
VARDUXEL_TEST_MODULE_DIR.
"""

import os
import sys

_folder = os.environ.get("VARDUXEL_TEST_MODULE_DIR")
if _folder:
    sys.path.insert(0, _folder)
