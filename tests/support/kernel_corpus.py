"""Seeded arguments for the numerical kernels of the private test module, and
the recorded outcome of each call (tests/data/kernel_outputs.json).

The public functions reach only some branches of the kernels (a zero first
argument of RF and RD, a positive p of RJ, n and m in [0, 1) of Pi), so the
corpus of tests/support/corpus.py cannot hold the others to their bits; this
one calls every kernel directly, across all its branches. The arguments
double as the accuracy tests' samples.

Record the outcomes again, only when a kernel's bits are meant to change:

    PYTHONPATH=<folder with _varduxel_testing> python -m tests.support.kernel_corpus
"""

import json
import math
import pathlib
import random

import pytest

from tests.support import bits
from tests.support.corpus import describe_outcome

OUTPUTS = pathlib.Path(__file__).resolve().parents[1] / "data" / "kernel_outputs.json"


def magnitude(rng, low, high):
    return 10.0 ** rng.uniform(low, high)


def nudge(rng, value, low=-16, high=-1):
    """value times 1 + delta, |delta| log-uniform in [10^low, 10^high]."""
    return value * (1 + rng.choice((-1, 1)) * magnitude(rng, low, high))


# Carlson's integrals.


def rc_arguments(count, seed=31):
    """x >= 0 and y of either sign: y above x (arctangent), below it (logarithm
    and log1p), next to it and next to x / 2, negative (principal value), and
    a zero or tiny argument."""
    rng = random.Random(seed)
    cases = []
    for i in range(count):
        s = magnitude(rng, -150, 150)
        x = s * magnitude(rng, -8, 8)
        kind = i % 7
        if kind == 0:
            cases.append((0.0, s if i % 2 else -s))
        elif kind == 1:
            cases.append((x, s * magnitude(rng, -8, 8)))
        elif kind == 2:
            cases.append((x, nudge(rng, x)))
        elif kind == 3:
            cases.append((x, nudge(rng, 0.5 * x, -16, -2)))
        elif kind == 4:
            cases.append((x, -s * magnitude(rng, -8, 8)))
        elif kind == 5:
            cases.append((x, -nudge(rng, x, -16, -2)))
        else:
            tiny = s * magnitude(rng, -30, -17)
            cases.append((s, tiny) if i % 2 else (tiny, s))
    return cases


def triples(rng, count, scale=150, spread=10):
    """Non-negative triples at an overall scale 10^U(-scale, scale), with a
    zero, a tiny member, an equal pair, a near-equal pair or three nearly
    equal members mixed in."""
    for i in range(count):
        s = magnitude(rng, -scale, scale)
        a = [s * magnitude(rng, -spread, spread) for _ in range(3)]
        kind = i % 6
        if kind == 1:
            a[rng.randrange(3)] = 0.0
        elif kind == 2:
            k, j = rng.sample(range(3), 2)
            a[k] = nudge(rng, a[j])
        elif kind == 3:
            a = [nudge(rng, a[0], -16, -3) for _ in range(3)]
        elif kind == 4:
            a[rng.randrange(3)] = s * magnitude(rng, -40, -20)
        elif kind == 5:
            k, j = rng.sample(range(3), 2)
            a[k] = a[j]
        yield tuple(a)


def rd_arguments(count, seed=33):
    """Triples with z > 0 and x + y > 0."""
    cases = []
    for x, y, z in triples(random.Random(seed), count, 100):
        z = z or max(x, y)
        cases.append((x or z, y, z) if x + y == 0 else (x, y, z))
    return cases


def rj_arguments(count, seed, negative_p):
    """Triples with at most one zero and p positive (beside them, near one of
    them or far off) or, with negative_p, negative."""
    rng = random.Random(seed)
    cases = []
    for x, y, z in triples(rng, count, 80, 6):
        if [x, y, z].count(0.0) > 1:
            continue
        top = max(x, y, z)
        if negative_p:
            p = -top * magnitude(rng, -6, 2)
        elif rng.random() < 0.3:
            p = nudge(rng, rng.choice([v for v in (x, y, z) if v > 0]))
        else:
            p = top * magnitude(rng, -10, 3)
        cases.append((x, y, z, p))
    return cases


def rj_equal_pairs(seed=36):
    """An equal pair (x = y or y = z) with p at ratios to it on both sides of
    1.2, and all three equal."""
    rng = random.Random(seed)
    cases = []
    for ratio in (1.01, 1.1, 1.19, 1.2, 1.21, 1.5, 5.0, 1e3):
        for _ in range(3):
            u, v = magnitude(rng, -5, 5), magnitude(rng, -5, 5)
            p = v * ratio if rng.random() < 0.5 else v / ratio
            cases += [(v, v, u, p), (u, v, v, p), (0.0, v, v, p)]
    cases += [(x, x, x, p * x) for x in (0.5, 3.0) for p in (0.25, 1.0, 4.0, -1.0)]
    return cases


# The complete integrals.


def parameters(rng, count, negative=False):
    """m spread over [0, 1), bunched towards 0 and towards 1; with negative,
    also m < 0 over (-10^8, -10^-8) and (-10, 0)."""
    values = []
    for i in range(count):
        kind = i % (5 if negative else 3)
        if kind == 0:
            values.append(rng.random())
        elif kind == 1:
            values.append(1 - magnitude(rng, -16, 0))
        elif kind == 2:
            values.append(magnitude(rng, -300, 0))
        elif kind == 3:
            values.append(-magnitude(rng, -8, 8))
        else:
            values.append(-10 * rng.random())
    return values


def pi_arguments(count, seed, negative_n):
    """(n, m) with n in [0, 1) or, with negative_n, below 0 but not next to a
    negative m (where the two quotients cancel)."""
    rng = random.Random(seed)
    cases = []
    for m in parameters(rng, count, negative=True):
        if negative_n:
            n = -magnitude(rng, -8, 8)
            if m < 0 and abs(n - m) < 0.5 * max(-n, -m):
                n = m * rng.choice((0.25, 4.0)) * rng.uniform(0.5, 1)
        else:
            n = rng.random() if rng.random() < 0.6 else 1 - magnitude(rng, -15, 0)
        cases.append((n, m))
    return cases


def cel_arguments(count, seed=47):
    """kc over 10^-25 to 10^3, p = 1 - n over 10^-12 to 10^4, non-negative a
    and b; K, E and Pi among them."""
    rng = random.Random(seed)
    cases = []
    for i in range(count):
        kc, p = magnitude(rng, -25, 3), magnitude(rng, -12, 4)
        cases.append([(kc, 1.0, 1.0, 1.0), (kc, 1.0, 1.0, kc * kc), (kc, p, 1.0, 1.0),
                      (kc, p, 2 * rng.random(), 2 * rng.random())][i % 4])
    return cases


def cases():
    """{kernel: [arguments]}, in a fixed order."""
    smallest = math.nextafter(1.0, 0.0)
    return {
        "elliprc": rc_arguments(300) + [(3.0, 1.5), (3.0, math.nextafter(1.5, 2.0)), (0.25, -2.0)],
        "elliprf": list(triples(random.Random(37), 300)),
        "elliprd": rd_arguments(300) + [(2.0, 0.0, 3.0), (3.0, 1.0, 3.0), (0.0, 3.0, 3.0)],
        "elliprj": (rj_arguments(200, 34, negative_p=False) + rj_arguments(100, 35, negative_p=True)
                    + rj_equal_pairs() + [(0.0, 1.0, 1225.0, 49.0), (0.0, 1e-6, 1e6, 1.0)]),
        "ellipk": [(m,) for m in parameters(random.Random(41), 300, negative=True) + [smallest, 1 - 2**-52]],
        "ellipe": [(m,) for m in parameters(random.Random(43), 300, negative=True) + [smallest]],
        "ellippi": (pi_arguments(200, 44, negative_n=False) + pi_arguments(200, 45, negative_n=True)
                    + [(m, m) for m in (-1e-300, -0.5, -3.0, -1e10)]),
        "cel": cel_arguments(200),
    }


def mismatches(native, kernel):
    """The calls of `kernel` whose outcome differs from the recorded one, as
    (arguments, recorded, now); skips the test on another platform."""
    recorded = json.loads(OUTPUTS.read_text())
    if recorded["platform"] != bits.platform_name():
        pytest.skip(f"the kernels' bits were recorded on {recorded['platform']}, not on {bits.platform_name()}")
    found = []
    for index, args in enumerate(cases()[kernel]):
        now = describe_outcome(getattr(native, kernel), args)
        if now != recorded["outcomes"][f"{kernel}/{index}"]:
            found.append((args, recorded["outcomes"][f"{kernel}/{index}"], now))
    return found


def main():
    import _varduxel_testing as native

    lines = [f"{json.dumps(f'{kernel}/{index}')}: {json.dumps(describe_outcome(getattr(native, kernel), args))}"
             for kernel, arguments in cases().items() for index, args in enumerate(arguments)]
    OUTPUTS.write_text(f'{{"platform": {json.dumps(bits.platform_name())}, "outcomes": {{\n' + ",\n".join(lines) + "\n}}\n")
    print(f"{len(lines)} kernel calls from {native.__file__} on {bits.platform_name()} -> {OUTPUTS}")


if __name__ == "__main__":
    main()
