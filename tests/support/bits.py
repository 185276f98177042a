"""Doubles compared bit for bit: the sign of zero and the payload and sign of
a NaN count, so 0.0 differs from -0.0 and a NaN equals only the same NaN."""

import struct


def pattern(x):
    """The 64 bits of the double x, as an integer."""
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def patterns(values):
    return [pattern(x) for x in values]


def same(a, b):
    return pattern(a) == pattern(b)
