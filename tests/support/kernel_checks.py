"""Helpers shared by the elliptic-kernel tests: kernel errors and relative
errors against mpmath."""

import math

import mpmath
import pytest


def kernel_error(function, *args):
    with pytest.raises(RuntimeError) as info:
        function(*args)
    assert type(info.value) is RuntimeError
    return info.value.args


def relative_error(value, exact):
    exact = mpmath.mpf(exact)
    if exact == 0:
        return 0.0 if value == 0 else math.inf
    return float(abs((mpmath.mpf(value) - exact) / exact))


def worst_error(function, reference, cases):
    """The largest relative error of function over cases and where it occurs."""
    worst, where = 0.0, None
    with mpmath.workdps(30):
        for args in cases:
            error = relative_error(function(*args), reference(*args))
            if error > worst:
                worst, where = error, args
    return worst, where
