"""Sphinx configuration of the varduxel documentation site.

Build it from the checkout's root with ``python -m sphinx -W docs build/docs/html``
once varduxel and the ``docs`` extra are installed; tests/test_docs.py does so
with warnings as errors. Pages with code are MyST notebooks, executed on every
build, so that no page can drift from the module.
"""

import os
import sys
from importlib.metadata import version as installed_version

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "_ext"))

project = "varduxel"
author = "varduxel developers"
copyright = "varduxel developers, MIT licence"
release = installed_version("varduxel")
version = release

extensions = ["myst_nb", "stub_api", "benchmark_numbers"]
myst_enable_extensions = ["dollarmath", "colon_fence", "substitution"]
myst_heading_anchors = 3
exclude_patterns = ["_build", "_ext"]

# Every notebook page is executed on every build; a cell that raises, or
# prints to standard error, fails the build.
nb_execution_mode = "force"
nb_execution_raise_on_error = True
nb_execution_timeout = 600
nb_output_stderr = "warn"
nb_merge_streams = True

# The API reference is generated from the type stubs that are installed with
# the module (stubs/varduxel-stubs/__init__.pyi in the checkout).
stub_api_file = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "stubs", "varduxel-stubs",
                             "__init__.pyi")

# The timings the pages quote: the benchmark's recorded run, written by
# ./dev bench (docs/_ext/benchmark_numbers.py).
benchmark_results_file = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "benchmarks", "results",
                                      "results.json")

html_theme = "furo"
html_title = f"varduxel {release}"
html_static_path = []
