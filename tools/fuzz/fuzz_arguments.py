#!/usr/bin/env python3
"""Fuzzes the module's argument binding and conversion and all seven
functions with atheris: every input becomes one call with arbitrary objects
(tests/support/call_model.py draws it), and any outcome other than the defined one
fails the run, as does any memory error or undefined behaviour when the
module is the sanitized build (./dev fuzz runs it so).

    ./dev fuzz [seconds]

The input's bytes steer the choices; when they run out, a generator seeded
by the whole input takes over, so that short inputs still make full calls.
This matters because under the GCC sanitizer runtime, which defines the
coverage hooks itself, the fuzzer gets no coverage feedback: it mutates
blindly and never grows its inputs by itself. A crash input written by the
fuzzer replays with `python -m tools.fuzz.fuzz_arguments <crash file>` from
the repository root.
"""

import hashlib
import random
import struct
import sys

import atheris

from tests.support import call_model  # imports varduxel


class FuzzSource:
    """The source of choices of call_model, read from the fuzzer's input."""

    def __init__(self, data):
        self.data = atheris.FuzzedDataProvider(data)
        self.random = random.Random(hashlib.sha256(data).digest())

    def integer(self, low, high):
        if self.data.remaining_bytes():
            return self.data.ConsumeIntInRange(low, high)
        return self.random.randint(low, high)

    def choice(self, options):
        return options[self.integer(0, len(options) - 1)]

    def floating(self):
        kind = self.integer(0, 3)
        if kind == 0:
            return self.choice(call_model.SPECIAL_FLOATS)
        if kind == 1:
            return self.uniform(-4.0, 4.0)
        if kind == 2:  # the near-caustic windows around 1
            return 1.0 + (self.uniform(0.0, 1.0) - 0.5) * 4e-5
        if self.data.remaining_bytes():
            return self.data.ConsumeFloat()
        return struct.unpack("<d", self.random.randbytes(8))[0]

    def uniform(self, low, high):
        if self.data.remaining_bytes():
            return self.data.ConsumeFloatInRange(low, high)
        return self.random.uniform(low, high)


def test_one_input(data):
    call_model.check_call(call_model.draw_call(FuzzSource(data)))


def main():
    print(f"fuzzing {call_model.varduxel.__file__}", flush=True)
    atheris.Setup(sys.argv, test_one_input)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
