"""A deterministic corpus of calls covering every branch of the seven functions.

Each case is one call of one module function with fixed arguments. Running a
case gives its outcome in a form that compares bit for bit: the result as
float.hex strings (a NaN as its raw bit pattern, which float.hex would hide),
or the exception's type name and arguments. The corpus is rebuilt from code
each time, so two builds of the module can be compared without keeping any
input on disk; see tools/record_golden_outputs.py and test_golden_outputs.py.

Cases are grouped (a group is one function and one kind of input); a case id
is "<group>/<index>". Everything here is built from fixed lists and one seeded
generator, so the cases, their order and their ids never change between runs.
"""

import array
import math
import random
import struct
from dataclasses import dataclass, field

import numpy as np

from tests.support import functions
from tests.support.bits import pattern

NAN = math.nan
INF = math.inf
SUBNORMAL = 5e-324
# The near-caustic window of both closed forms. Only a star of infinite or NaN
# size (uniform disk) and a circle of degenerate scale (circle kernel) still
# take it; for every other star the separations near it fall in the limb band
# and the circles near it in the exact-complement form near the lens. Cases
# at its edges stay, as separations next to the limb and circles next to the
# lens.
WINDOW = 1e-5

# rho = rstar / re: tiny, the benchmark's four, a few above 1.
RHOS = [1e-6, 1e-3, 1e-2, 0.1, 0.5, 1.0, 2.0, 10.0, 1e3]


@dataclass(frozen=True)
class Case:
    id: str
    group: str
    function: str
    args: tuple
    kwargs: dict = field(default_factory=dict)


# Float helpers (Python floats are IEEE binary64 with one rounding per
# operation, exactly as the module computes).


def _key(x):
    """Orders doubles by value through their bit patterns (no NaN)."""
    bits = pattern(x)
    return bits if bits < 1 << 63 else -(bits & 0x7FFFFFFFFFFFFFFF)


def _from_key(k):
    bits = k if k >= 0 else (-k) | (1 << 63)
    return struct.unpack("<d", struct.pack("<Q", bits))[0]


def last_true(predicate, lo, hi):
    """The largest double x in [lo, hi] with predicate(x), for a predicate that
    holds at lo, fails at hi and changes only once in between."""
    a, b = _key(lo), _key(hi)
    assert predicate(lo) and not predicate(hi)
    while b - a > 1:
        mid = (a + b) // 2
        if predicate(_from_key(mid)):
            a = mid
        else:
            b = mid
    return _from_key(a)


def around(x, ulps=1):
    """x and its neighbours up to `ulps` steps away on both sides."""
    values = [x]
    lo = hi = x
    for _ in range(ulps):
        lo, hi = math.nextafter(lo, -INF), math.nextafter(hi, INF)
        values = [lo] + values + [hi]
    return values


def witt_mao_window_edges(rho):
    """The separations l where |rho*l - rho| < 1e-5 starts and stops holding,
    with their neighbours: the edges of the near-caustic window."""
    inside = lambda l: abs(rho * l - rho) < WINDOW
    span = WINDOW / rho * 4
    upper = last_true(inside, 1.0, 1.0 + span)
    lower = last_true(lambda l: not inside(l), 1.0 - span, 1.0)
    return around(upper) + around(lower)


def limb_band_edges(band=0.03):
    """The separations l where |l - 1| < band starts and stops holding, with
    their neighbours."""
    inside = lambda l: abs(l - 1.0) < band
    upper = last_true(inside, 1.0, 1.0 + 2 * band)
    lower = last_true(lambda l: not inside(l), 1.0 - 2 * band, 1.0)
    return around(upper) + around(lower)


def kernel_window_edges(l):
    """Circle radii r where |r - l| < 1e-5 starts and stops holding, with their
    neighbours, on both sides of the circle."""
    inside = lambda r: abs(r - l) < WINDOW
    upper = last_true(inside, l, l + 4 * WINDOW)
    lower = last_true(lambda r: not inside(r), l - 4 * WINDOW, l)
    return around(upper) + around(lower)


def light_curve(count, reach=3.0):
    """Separations from 0 to `reach` stellar radii, dense near the limb."""
    values = []
    for i in range(count):
        t = (i + 0.5) / count * 2 - 1  # in (-1, 1)
        values.append(1.0 + math.copysign(abs(t) ** 3, t) * (1.0 if t < 0 else reach - 1.0))
    return values


SPECIAL_SEPARATIONS = [0.0, -0.0, SUBNORMAL, 1e-300, 1e-12, 1e-6, 0.5, 1.0, 3.0, 1e3, 1e12, 1e300]
NON_FINITE = [NAN, INF, -INF]
NEGATIVE = [-1.0, -0.5, -1e-6, -SUBNORMAL, -1e300]

# Brightness tables for the flux maps: (name, bl, bf).


def _linear_limb(rows, coefficient=0.6):
    bl = [i / (rows - 1) for i in range(rows)]
    return bl, [1 - coefficient * (1 - math.sqrt(1 - x * x)) for x in bl]


def _tables():
    ld10, ld100, ld1000 = _linear_limb(10), _linear_limb(100), _linear_limb(1000)
    rng = random.Random(61)
    rough = sorted(rng.random() for _ in range(17))
    return [
        ("uniform", [0.0, 1.0], [1.0, 1.0]),
        ("ld10", *ld10),
        ("ld100", *ld100),
        ("ld1000", *ld1000),
        ("one_entry", [0.5], [2.0]),
        ("empty", [], []),
        ("descending", [1.0, 0.0], [3.0, 1.0]),
        ("inner_half", [0.0, 0.5], [1.0, 1.0]),
        ("beyond_disk", [-0.5, 0.3, 1.5], [0.2, 1.0, 0.1]),
        ("repeated_radius", [0.0, 0.0, 1.0], [1.0, 2.0, 0.5]),
        ("rough", rough, [rng.uniform(0.1, 2.0) for _ in rough]),
        ("nan_entry", [0.0, 0.5, 1.0], [1.0, NAN, 1.0]),
        ("zero_weights", [0.0, 1.0], [0.0, 0.0]),
    ]


TABLES = _tables()
SMALL_TABLES = [t for t in TABLES if len(t[1]) <= 100]
UNEQUAL_TABLES = [([0.0, 0.5, 1.0], [1.0, 1.0]), ([], [1.0]), ([0.5], [])]

FLUX_MAP_FUNCTIONS = [f.name for f in functions.FUNCTIONS if f.entry.table]


def _vector_inputs(values):
    """The same separations in every container the module reads."""
    return [
        ("list", list(values)),
        ("tuple", tuple(values)),
        ("array_d", array.array("d", values)),
        ("memoryview", memoryview(array.array("d", values))),
        ("ndarray", np.array(values, dtype=np.float64)),
        ("ndarray_strided", np.array([v for x in values for v in (x, -7.0)], dtype=np.float64)[::2]),
        ("ndarray_float32", np.array(values, dtype=np.float32)),
    ]


def _build():
    cases = []

    def add(group, function, *args, **kwargs):
        index = sum(1 for c in cases if c.group == group)
        cases.append(Case(f"{group}/{index}", group, function, args, kwargs))

    rng = random.Random(20240611)

    # witt_mao_magnification: the general form inside and outside the disk,
    # the limb band (with the window's edges in it), the far field, special
    # values, degenerate stars, kernel errors.
    wm = "witt_mao_magnification"
    for rho in RHOS:
        add("witt_mao/light_curve", wm, light_curve(400), 1.0, rho)
        add("witt_mao/random", wm, [rng.uniform(0.0, 5.0) for _ in range(300)], 1.0, rho)
        add("witt_mao/window_edges", wm, witt_mao_window_edges(rho), 1.0, rho)
        add("witt_mao/window_inside", wm, [1.0 + k * WINDOW / rho / 4 for k in range(-3, 4)], 1.0, rho)
        add("witt_mao/special", wm, SPECIAL_SEPARATIONS, 1.0, rho)
        # The same rho from other re, rstar pairs (rho = rstar/re rounds once).
        add("witt_mao/scaled", wm, light_curve(40), 3.0, 3.0 * rho)
        for bad in NON_FINITE + NEGATIVE:
            add("witt_mao/one_value", wm, [0.5, bad], 1.0, rho)
    for re, rstar in [(0.0, 1.0), (1.0, 0.0), (-1.0, 0.1), (1.0, -0.1), (NAN, 0.1), (1.0, NAN), (INF, 0.1),
                      (1.0, INF), (SUBNORMAL, 1.0), (1.0, SUBNORMAL), (1e300, 1e-300), (1e-300, 1e300)]:
        add("witt_mao/scales", wm, [0.0, 0.5, 1.0, 2.0], re, rstar)
    for name, values in _vector_inputs(light_curve(50)):
        add("witt_mao/containers", wm, values, 1.0, 0.1)
    for values in [[], [1, 2, True], range(4), b"\x00\x01\x02", [2**1100], ["a"], "123", {1: 2}, None,
                   [np.float64(0.5), np.float32(1.5), np.int64(2)]]:
        add("witt_mao/conversion", wm, values, 1.0, 0.1)
    add("witt_mao/conversion", wm, [0.5], "1.0", 0.1)
    add("witt_mao/conversion", wm, [0.5], 1, True)
    add("witt_mao/conversion", wm, l=[0.5, 2.0], rstar=0.1, re=1.0)

    # heyrovsky_magnification: the elliptic form, the exact-complement form
    # near the lens (the window's edges in it), the series and zero window of
    # degenerate scales, the centre, a point circle, negative radii, special
    # values.
    hk = "heyrovsky_magnification"
    for rho in RHOS:
        for l in [1e-5, 0.3, 1.0, 2.5]:
            for r in kernel_window_edges(l):
                add("heyrovsky/window_edges", hk, l, r, 1.0, rho)
            for k in range(-4, 5):
                add("heyrovsky/window_inside", hk, l, l + k * WINDOW / 4.5, 1.0, rho)
        for _ in range(200):
            add("heyrovsky/random", hk, rng.uniform(0.0, 3.0), rng.uniform(0.0, 1.0), 1.0, rho)
        for l in [0.0, -0.0, SUBNORMAL, 1e-300]:
            for r in [0.0, 1e-6, 0.5, 1.0]:
                add("heyrovsky/centre_and_point", hk, l, r, 1.0, rho)
                add("heyrovsky/centre_and_point", hk, r + 2e-5, l, 1.0, rho)
        for l, r in [(1.0, 1.0), (0.5, 0.5), (1.0, -0.5), (-1.0, 0.5), (-1.0, -0.5), (0.5, -1e-9),
                     (1e300, 0.5), (0.5, 1e300), (1e-300, 1e-300)]:
            add("heyrovsky/special", hk, l, r, 1.0, rho)
        for bad in NON_FINITE:
            add("heyrovsky/non_finite", hk, bad, 0.5, 1.0, rho)
            add("heyrovsky/non_finite", hk, 0.5, bad, 1.0, rho)
    for re, rstar in [(0.0, 1.0), (1.0, 0.0), (-1.0, 0.1), (NAN, 0.1), (INF, 1.0), (SUBNORMAL, 1.0),
                      (1.0, SUBNORMAL)]:
        add("heyrovsky/scales", hk, 0.7, 0.4, re, rstar)
        add("heyrovsky/scales", hk, 0.4, 0.4 + 5e-6, re, rstar)
    add("heyrovsky/conversion", hk, [1.0], 0.5, 1.0, 0.1)
    add("heyrovsky/conversion", hk, 1, 0, True, 2)
    add("heyrovsky/conversion", hk, l=0.4, rstar=0.1, re=1.0, r=0.6)

    # integrated_witt_mao_magnification: cheap, every rho and special values.
    iwm = "integrated_witt_mao_magnification"
    for rho in RHOS:
        add("integrated_witt_mao/light_curve", iwm, light_curve(40), 1.0, rho)
        add("integrated_witt_mao/window_edges", iwm, witt_mao_window_edges(rho), 1.0, rho)
        add("integrated_witt_mao/special", iwm, SPECIAL_SEPARATIONS, 1.0, rho)
        for bad in [NAN, INF, -1.0]:
            add("integrated_witt_mao/one_value", iwm, [0.5, bad], 1.0, rho)
    add("integrated_witt_mao/special", iwm, [], 1.0, 0.1)
    add("integrated_witt_mao/special", iwm, [0.5], 0.0, 1.0)

    # integrated_heyrovsky_magnification: ~100 us per separation, so few:
    # limb crossings, the centre, far away, special values.
    ih = "integrated_heyrovsky_magnification"
    for rho in [1e-3, 1e-2, 0.1, 1.0, 10.0]:
        add("integrated_heyrovsky/light_curve", ih, light_curve(30), 1.0, rho)
        add("integrated_heyrovsky/limb", ih, [1.0 - 1e-3, 1.0 - 2e-5, 1.0 - 1e-5, 1.0, 1.0 + 1e-5, 1.0 + 1e-3],
            1.0, rho)
    for rho in [1e-6, 1e3]:
        add("integrated_heyrovsky/light_curve", ih, light_curve(4), 1.0, rho)
    add("integrated_heyrovsky/special", ih, [0.0, -0.0, SUBNORMAL, 1e-6, 1e-5, 0.5, 1e12, NAN, INF, -INF, -0.5],
        1.0, 0.01)
    add("integrated_heyrovsky/special", ih, [], 1.0, 0.1)
    add("integrated_heyrovsky/special", ih, [0.5, 2.0], 0.0, 1.0)
    add("integrated_heyrovsky/special", ih, [0.5, 2.0], NAN, 1.0)
    add("integrated_heyrovsky/containers", ih, np.array([0.2, 1.1]), 1.0, 0.1)

    # The flux maps: every table shape with a short light curve; the costly
    # integrated kernel variant with fewer points and not the 1000-row table.
    fm_seps = light_curve(6) + [0.0, 1.0, NAN]
    for function in FLUX_MAP_FUNCTIONS:
        short = function.startswith("integrated_flux_map_h")
        group = function.replace("_magnification", "")
        for name, bl, bf in (SMALL_TABLES if short else TABLES):
            seps = fm_seps[::3] + [1.0] if short else fm_seps
            for rho in ([0.1] if short else [1e-3, 0.1, 1.0]):
                add(f"{group}/tables", function, seps, 1.0, rho, bl, bf)
        for bl, bf in UNEQUAL_TABLES:
            add(f"{group}/unequal", function, [0.5], 1.0, 0.1, bl, bf)
            add(f"{group}/unequal", function, [], 1.0, 0.1, bl, bf)
        add(f"{group}/special", function, [-1.0, 0.5], 1.0, 0.1, [0.0, 1.0], [1.0, 1.0])
        add(f"{group}/special", function, [0.5, INF], 1.0, 0.1, [0.0, 1.0], [1.0, 1.0])
        add(f"{group}/special", function, [], 1.0, 0.1, [0.0, 1.0], [1.0, 1.0])
        add(f"{group}/special", function, [0.5], 1.0, 0.1, [0.0, 1.0], "ab")
        add(f"{group}/special", function, [0.5], 1.0, 0.1, [0.0, 1.0], np.array([1.0, 0.5]))
        add(f"{group}/special", function, (0.5,), 1.0, 0.1, array.array("d", [0.0, 1.0]), (1, 1))
    # The discrete sum with rings off the disk, negative radii (a kernel
    # error), a ring through the lens, and many random rings.
    dfm = "discrete_flux_map_heyrovsky_magnification"
    add("discrete_flux_map_heyrovsky/rings", dfm, [0.5, 1.5], 1.0, 0.1, [0.5, 2.0, 0.5 + 5e-6], [1.0, 0.5, 0.25])
    add("discrete_flux_map_heyrovsky/rings", dfm, [0.5, 1.5], 1.0, 0.1, [0.2, -0.3], [1.0, 1.0])
    add("discrete_flux_map_heyrovsky/rings", dfm, [0.5, 0.5 + 5e-6], 1.0, 0.1, [0.5], [1.0])
    for rho in RHOS:
        bl = sorted(rng.random() for _ in range(30))
        add("discrete_flux_map_heyrovsky/rings", dfm, light_curve(30), 1.0, rho, bl,
            [rng.uniform(0.0, 1.0) for _ in bl])

    # Added later, after all of the above so that no earlier case moves.
    # The uniform disk's far field from 50 stellar radii, the general form
    # below it, the edges of its limb band and of its unit magnification.
    for rho in RHOS:
        add("witt_mao/far_field_start", wm, [5.0 * 1.1**k for k in range(56)] + around(20.0) + around(50.0, 2),
            1.0, rho)
        add("witt_mao/band_edges", wm, limb_band_edges(), 1.0, rho)
        add("witt_mao/unit_magnification", wm, [10 ** (k / 4) / rho for k in range(12, 37)] + [1.1e4 / rho]
            + around(1e8 / rho, 2), 1.0, rho)
    # Stars so large that 1 - m rounds to 1: the equal pair of RJ, on both
    # sides of its ratio 1.2, in both closed forms.
    for rho in [1e6, 1e8, 1e10]:
        add("witt_mao/large_star", wm, light_curve(60), 1.0, rho)
        for _ in range(40):
            add("heyrovsky/large_star", hk, rng.uniform(0.0, 3.0), rng.uniform(0.0, 1.0), 1.0, rho)
    # Every level of the rule just outside the limb, 1 <= l < 1.02, and the
    # usual stop on both sides of that band.
    every_level_edges = around(1.0) + around(1.02) + [1.01, 1.03]
    for rho in [1e-2, 0.1, 1.0]:
        add("integrated_heyrovsky/every_level_edges", ih, every_level_edges, 1.0, rho)
        add("integrated_flux_map_heyrovsky/every_level_edges", "integrated_flux_map_heyrovsky_magnification",
            every_level_edges, 1.0, rho, *TABLES[1][1:])
    # A star of negative size (rstar / re < 0, either one negative), and the
    # positive star of two negative lengths, for every function.
    for function in functions.FUNCTIONS:
        group = function.name.replace("_magnification", "")
        for re, rstar in [(1.0, -0.1), (-1.0, 0.1), (-1.0, -0.1), (-0.0, 0.1), (1.0, -INF)]:
            add(f"{group}/negative_rho", function.name, *function.arguments(re=re, rstar=rstar).values())
    # Radii a table refuses when it is interpolated (NaN, or below the one
    # before), and radii it accepts (equal neighbours, -0.0 after 0.0).
    for function in FLUX_MAP_FUNCTIONS:
        group = function.replace("_magnification", "")
        for bl in [[NAN], [0.0, NAN, 1.0], [0.0, 0.5, 1.0, NAN], [0.0, 0.6, 0.5, 1.0], [0.0, 1.0, -INF],
                   [0.0, 0.5, 0.5, 1.0], [0.0, -0.0, 1.0]]:
            bf = [1.0 - 0.5 * k / len(bl) for k in range(len(bl))]
            add(f"{group}/radii_order", function, [0.3, 1.5], 1.0, 0.1, bl, bf)
            add(f"{group}/radii_order", function, [], 1.0, 0.1, bl, bf)
    return cases


_CASES = None


def cases():
    """Every case of the corpus, in a fixed order."""
    global _CASES
    if _CASES is None:
        _CASES = _build()
    return _CASES


def _float_bits(x):
    return "nan:%016x" % pattern(x) if math.isnan(x) else x.hex()


def _describe(value):
    if isinstance(value, float):
        return _float_bits(value)
    if isinstance(value, (str, int)):
        return value
    return repr(value)


def describe_outcome(function, args, kwargs=None):
    """The outcome of one call: a list of float.hex strings (or one string for
    a scalar result), or {"error": type name, "args": [...]}."""
    try:
        result = function(*args, **(kwargs or {}))
    except BaseException as error:  # PanicException derives from BaseException
        if isinstance(error, (KeyboardInterrupt, SystemExit)):
            raise
        return {"error": type(error).__name__, "args": [_describe(a) for a in error.args]}
    if isinstance(result, list):
        return [_float_bits(x) for x in result]
    return _float_bits(result)


def run_case(case, module=None):
    """The outcome of one case (describe_outcome)."""
    if module is None:
        import varduxel as module
    return describe_outcome(getattr(module, case.function), case.args, case.kwargs)


def run_corpus(module=None):
    """{case id: outcome} for every case, in corpus order."""
    return {case.id: run_case(case, module) for case in cases()}


def groups():
    """{group name: [case, ...]} in corpus order."""
    result = {}
    for case in cases():
        result.setdefault(case.group, []).append(case)
    return result
