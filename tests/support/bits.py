"""Doubles compared bit for bit: the sign of zero and the payload and sign of
a NaN count, so 0.0 differs from -0.0 and a NaN equals only the same NaN."""

import platform
import struct


def pattern(x):
    """The 64 bits of the double x, as an integer."""
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def patterns(values):
    return [pattern(x) for x in values]


def same(a, b):
    return pattern(a) == pattern(b)


def platform_name():
    """The platform whose C library (log, log1p, atan, asin, pow, cbrt) the
    recorded bits of tests/data belong to; another library or processor may
    round those functions differently in the last bit."""
    libc, _ = platform.libc_ver()
    return f"{platform.system()} {platform.machine()} {libc or 'other C library'}"
