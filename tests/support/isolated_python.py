"""Runs a snippet in a fresh interpreter, for checks that may crash or that
change process-wide state (resource limits, subinterpreters)."""

import os
import subprocess
import sys
import textwrap

import varduxel


def run_python(code, *args, timeout=120):
    """Runs `code` (with `args` as sys.argv[1:]) in the interpreter running the
    tests, able to import the same varduxel; returns the completed process with
    its text output."""
    env = dict(os.environ)
    folder = os.path.dirname(varduxel.__file__)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [folder, env.get("PYTHONPATH")]))
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code), *args], env=env, capture_output=True,
                          text=True, timeout=timeout)
