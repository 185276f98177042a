"""Planted faults in the product code ("mutants"), and the check that the
quick test suite catches every one of them.

    ./dev mutants            plant each fault in turn and run the suite
    ./dev mutants --list     one line per fault
    ./dev mutants NAME...    only the faults named

Each fault is one small edit of one file under src/: a text that occurs
exactly once in it, replaced by another, with the reason the change must show
in the results or the errors. The check copies the checkout's tracked files
into build/mutants/tree, builds the package module and the test module there
(the optimised build of `./dev test --quick`), and runs the quick suite on the
unchanged copy, which must pass. Then, for each fault, it edits the copy,
rebuilds incrementally, runs the quick suite until its first failure
(`pytest -x`) and restores the file. A fault is killed when a test fails and
survives when the whole suite passes; one that does not compile is reported
as broken, since it proves nothing. It prints "N mutants, K killed,
S survived" with the survivors, and fails unless every fault is killed.

Run it from the checkout's root through ./dev, which prepares the
environment: `python -m tools.mutants` needs the test requirements installed.
"""

import argparse
import dataclasses
import os
import pathlib
import re
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
WORK = ROOT / "build" / "mutants"
TREE = WORK / "tree"
PACKAGE_BUILD = WORK / "package"
TESTING_BUILD = WORK / "testing"


@dataclasses.dataclass(frozen=True)
class Mutant:
    name: str
    path: str  # relative to the checkout's root
    find: str  # occurs exactly once in the file
    replace: str
    reason: str


# Faults tried and dropped because they cannot change any result (equivalent
# mutants), with the reason:
# - AGM_TOLERANCE 2.7 -> 2.0 or 27 epsilon: the AGM converges quadratically,
#   so the gap jumps past both bounds in one step, and pi / (p + q) of a pair
#   stopped a step early differs by the square of a gap below 1e-8.
# - elliprf's lambda or RC's w * (pi/2) / sqrt(y) regrouped: addition
#   commutes, and w is 1 (or 0) on that branch.
# - the discrete map's kernel(l, r) <-> kernel(r, l): the circle kernel is
#   symmetric in l and r to the bit.
# - the uniform disk's limb band |l - 1| < 0.03 -> <= 0.03: no double l has
#   |l - 1| exactly 0.03.
# - the ring sum's split 0 < l -> 0 <= l: the piece [0, 0] adds 0.
# - the integrated flux maps' FLUX_TARGET 1e-16 -> 1e-14: no profile reaches
#   either, so every flux still uses all 385 points (1e-6 is among the faults).
# - the window of 1e-5 of a star of infinite or NaN size, and the circle
#   kernel's series window: reached only where delta is NaN or by degenerate
#   scales whose results are NaN either way.
# - PIECES_IN_FLIGHT 4 -> 3: each integration adds its own values in its own
#   order, whatever the pool holds.

M = Mutant
MUTANTS = [
    # Numerical kernels.
    M("two-pi", "src/numeric/constants.hpp", "TWO_PI = 6.283185307179586;", "TWO_PI = 6.283185307179585;",
      "2 pi one ulp low: every circle mean, image sum and ring weight moves"),
    M("rd-stopping-margin", "src/numeric/elliprd.hpp", "STOPPING_MARGIN = 1.2;", "STOPPING_MARGIN = 1.0;",
      "RD's duplication stops without the margin on its bound, a step early for some arguments"),
    M("rc-log1p-boundary", "src/numeric/elliprc.hpp", "if (y / x > 0.5) {", "if (y / x >= 0.5) {",
      "RC at y/x = 0.5 exactly takes the log1p form instead of the logarithm"),
    M("rf-step-limit", "src/numeric/elliprf.hpp", "constexpr int MAX_STEPS = 11;", "constexpr int MAX_STEPS = 12;",
      "RF converges where it must report \"Failed to converge.\" (spreads beyond about 1e244)"),
    M("rf-series-coefficient", "src/numeric/elliprf.hpp", "3 * e3 / 104", "3 * e3 / 103",
      "a coefficient of RF's closing series"),
    M("rd-error-text", "src/numeric/elliprd.hpp", '"elliprd: z must be positive"', '"elliprd: z must be positive."',
      "the text of RD's error, which callers match, gains a full stop"),
    M("rj-swapped-arguments", "src/numeric/ellippi.hpp", "elliprj(0, 1 - m, 1, 1 - n)",
      "elliprj(0, 1 - m, 1 - n, 1)", "Pi(n, m) with RJ's third and fourth arguments swapped"),
    M("pi-negative-characteristic", "src/numeric/ellippi.hpp", "double big_n = (m - n) / (1 - n);",
      "double big_n = (n - m) / (1 - n);", "Pi for n < 0: the sign of one term of the transformation"),
    M("k-polynomial", "src/numeric/ellipk.hpp", "if (x < MACHINE_EPSILON) return LN_4 - 0.5 * std::log(x);",
      "if (x < MACHINE_EPSILON) return LN_4 - 0.49 * std::log(x);",
      "K next to m = 1 by its logarithmic limit, with the wrong factor"),
    M("e-log-term-sign", "src/numeric/ellipe.hpp", "c * (horner(ellipe_detail::P, x) - std::log(x)",
      "c * (horner(ellipe_detail::P, x) + std::log(x)", "E's logarithmic term with the wrong sign"),
    M("cel-tolerance", "src/numeric/cel.hpp", "TOLERANCE = 1.4901161193847656e-08;", "TOLERANCE = 1e-6;",
      "the general complete integral stops a pass early: circle means near the lens lose digits"),
    M("quadrature-rate-window", "src/numeric/integrate.hpp", "QUADRATIC_RATE_LOW = 1.9;",
      "QUADRATIC_RATE_LOW = 1.5;", "the quadrature trusts quadratic convergence too soon and stops early"),
    M("quadrature-priming", "src/numeric/integrate.hpp", "PRIMING_EVALUATIONS = 13;", "PRIMING_EVALUATIONS = 1;",
      "the quadrature tests convergence from its first level"),
    M("quadrature-tolerance", "src/numeric/integrate.hpp", "tolerance_((target * 0.25)", "tolerance_((target * 0.5)",
      "the quadrature's tolerance doubled: ring sums stop at other levels"),
    M("interp-segment-scan", "src/numeric/interp.hpp", "while (below < n && x[below] < xp) ++below;",
      "while (below < n && x[below] <= xp) ++below;",
      "an abscissa on a table point selects the segment after it instead of the one ending there"),
    M("difference-step", "src/numeric/sderivative.hpp", "(std::fabs(x) + 1.0) * base", "(std::fabs(x) + 2.0) * base",
      "the central difference's step: the Witt-Mao integrated factor moves"),
    # Models.
    M("far-field-start", "src/models/uniform_disk.cpp", "FAR_FIELD_START = 50.0;", "FAR_FIELD_START = 20.0;",
      "the uniform disk's series from l = 20, where it is 2,000 ulps off"),
    M("limb-band-width", "src/models/uniform_disk.cpp", "LIMB_BAND_HALF_WIDTH = 0.03;",
      "LIMB_BAND_HALF_WIDTH = 0.02;", "the uniform disk's exact complements only within 0.02 of the limb"),
    M("uniform-disk-order", "src/models/uniform_disk.cpp", "(k.rho2 * s) * w);", "k.rho2 * (s * w));",
      "the order of two products in the limb band's Pi coefficient"),
    M("star-of-no-size", "src/models/uniform_disk.cpp", "if (constants.rho <= 0.0)", "if (constants.rho < 0.0)",
      "a star of zero size (rstar = 0) is computed instead of giving NaN"),
    M("near-lens-fraction", "src/models/limb_darkening_kernel.hpp", "NEAR_LENS_FRACTION = 0.015;",
      "NEAR_LENS_FRACTION = 0.005;", "the circle kernel's elliptic form used nearer the lens, losing digits"),
    M("zero-window-edge", "src/models/limb_darkening_kernel.hpp", "if (delta < 0) return 0.0;",
      "if (delta <= 0) return 0.0;", "the circle through the lens gives 0 instead of +inf"),
    M("negative-star-kernel", "src/models/limb_darkening_kernel.hpp", "scale.eps < 0.0) {", "scale.eps <= 0.0) {",
      "a lens of zero Einstein radius (re = 0) gives NaN instead of no magnification"),
    M("every-level-band", "src/models/ring_sum.hpp", "EVERY_LEVEL_BELOW = 1.02;", "EVERY_LEVEL_BELOW = 1.03;",
      "the ring sums use every level out to l = 1.03"),
    M("ring-sum-target", "src/models/ring_sum.hpp", "RING_SUM_TARGET = 1e-8;", "RING_SUM_TARGET = 1e-6;",
      "the ring sums' target loosened: results lose digits"),
    M("ring-product-bound", "src/models/ring_sum.hpp", "MAX_RING_PRODUCT = 1e200;", "MAX_RING_PRODUCT = 1e250;",
      "separations beyond the circle mean's range give a number instead of NaN"),
    M("ring-integrand-order", "src/models/ring_integrand.hpp", "((x * Value(numeric::TWO_PI)) * circle_mean) * brightness",
      "(x * Value(numeric::TWO_PI)) * (circle_mean * brightness)", "the order of the ring weight's products"),
    M("circle-mean-bracket", "src/models/circle_mean.hpp", "const Lanes a = d2 + (eps2 + eps2);",
      "const Lanes a = d2 + eps2;", "the circle mean's bracket with half its K term"),
    M("swapped-elliptic-arguments", "src/models/uniform_disk.cpp", "numeric::ellippi(n, m);",
      "numeric::ellippi(m, n);", "the uniform disk's Pi with characteristic and parameter swapped"),
    M("flux-target", "src/models/integrated.hpp", "FLUX_TARGET = 1e-16;", "FLUX_TARGET = 1e-6;",
      "a table's flux (the normaliser) to a loose target"),
    M("equal-radii-refused", "src/models/precondition.hpp", "if (i > 0 && radii[i] < radii[i - 1]) {",
      "if (i > 0 && radii[i] <= radii[i - 1]) {", "equal neighbouring radii, a step in brightness, are refused"),
    M("order-error-text", "src/models/precondition.hpp", '"bl must be in ascending order: bl["',
      '"bl must ascend: bl["', "the text of the ValueError for radii out of order"),
    M("length-assertion-text", "src/models/precondition.hpp", '"\\n right: "', '"\\n  right: "',
      "the text of the length assertion, which callers match"),
    # The Python boundary.
    M("too-many-positional", "src/module/binding.cpp", "if (nargs > parameter_count) {",
      "if (nargs >= parameter_count) {", "a call with every argument by position is refused"),
    M("missing-plural", "src/module/binding.cpp", 'missing.size() == 1 ? "argument" : "arguments"',
      'missing.size() == 1 ? "arguments" : "argument"', "the missing-arguments message's singular and plural"),
    M("two-names-joined", "src/module/binding.cpp", 'names.size() == 2 ? " and "', 'names.size() == 2 ? ", and "',
      "two missing names joined as three would be"),
    M("argument-prefix", "src/module/conversion.cpp", "\"argument '%s': %S\"", "\"argument %s: %S\"",
      "the parameter's name in a conversion error without its quotes"),
    M("reserve-cap", "src/module/conversion.cpp", "MAX_UNTRUSTED_RESERVE = Py_ssize_t{1} << 16;",
      "MAX_UNTRUSTED_RESERVE = Py_ssize_t{1} << 62;", "a __len__ that lies reserves what it claims"),
    M("value-error-type", "src/module/errors.cpp", "PyErr_SetString(PyExc_ValueError, refusal.what());",
      "PyErr_SetString(PyExc_RuntimeError, refusal.what());", "refused table radii raise RuntimeError"),
]


def tracked_files():
    listing = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True, capture_output=True).stdout
    return [name for name in listing.decode().split("\0") if name and (ROOT / name).is_file()]


def sync_tree():
    """Copies every tracked file whose content differs into the tree, so that
    files left alone keep their times and the builds stay incremental."""
    for name in tracked_files():
        source, target = ROOT / name, TREE / name
        data = source.read_bytes()
        if not target.is_file() or target.read_bytes() != data:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
            target.chmod(source.stat().st_mode)


def run(command, log, **kwargs):
    with open(log, "w") as out:
        return subprocess.run(command, stdout=out, stderr=subprocess.STDOUT, **kwargs).returncode


def build():
    """Builds the package module and the private modules (the test module and
    the benchmark's timing module) in the tree; True on success."""
    for folder, options in [(PACKAGE_BUILD, []), (TESTING_BUILD, ["-DVARDUXEL_TEST_MODULE=ON"])]:
        if not (folder / "CMakeCache.txt").is_file():
            configure = [sys.executable, "-m", "cmake", "-S", str(TREE), "-B", str(folder), "-G", "Ninja",
                         f"-DPython_EXECUTABLE={sys.executable}", "-DCMAKE_BUILD_TYPE=Release", *options]
            if run(configure, folder.with_suffix(".log")) != 0:
                return False
        if run([sys.executable, "-m", "cmake", "--build", str(folder)], folder.with_suffix(".log")) != 0:
            return False
    return True


def run_suite(log):
    """The quick suite against the tree's builds, stopping at the first
    failure; returns (passed, the first failing test or None)."""
    env = dict(os.environ, PYTHONPATH=str(PACKAGE_BUILD), VARDUXEL_TEST_MODULE_DIR=str(TESTING_BUILD),
               VARDUXEL_SKIP_DOCS="1", VARDUXEL_SKIP_OTHER_BUILDS="1")
    status = run([sys.executable, "-m", "pytest", "-p", "no:cacheprovider", "-n", "2", "-x", "-q", "-rf",
                  "tests"], log, cwd=TREE, env=env)
    failed = re.search(r"^FAILED (\S+)", pathlib.Path(log).read_text(), re.M)
    return status == 0, failed.group(1) if failed else None


def plant(mutant):
    path = TREE / mutant.path
    text = path.read_text()
    count = text.count(mutant.find)
    if count != 1:
        raise SystemExit(f"{mutant.name}: {mutant.find!r} occurs {count} times in {mutant.path}, not once")
    path.write_text(text.replace(mutant.find, mutant.replace))
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", action="store_true", help="print one line per fault and stop")
    parser.add_argument("names", nargs="*", help="only these faults")
    args = parser.parse_args()
    unknown = set(args.names) - {m.name for m in MUTANTS}
    if unknown:
        raise SystemExit(f"unknown faults: {', '.join(sorted(unknown))}")
    chosen = [m for m in MUTANTS if not args.names or m.name in args.names]
    if args.list:
        for m in chosen:
            print(f"{m.name:28} {m.path:40} {m.reason}")
        return 0

    WORK.mkdir(parents=True, exist_ok=True)
    sync_tree()
    for m in chosen:  # every edit must apply before any time is spent
        plant(m)
        sync_tree()
    print(f"=== {len(chosen)} fault{'s' if len(chosen) != 1 else ''}; first the suite on the copy without one",
          flush=True)
    if not build():
        raise SystemExit(f"the copy does not build: see {WORK}/*.log")
    passed, failure = run_suite(WORK / "suite.log")
    if not passed:
        raise SystemExit(f"the suite fails without a fault ({failure}): see {WORK / 'suite.log'}")

    killed, survived, broken = [], [], []
    for m in chosen:
        start = time.monotonic()
        original = plant(m)
        try:
            log = WORK / f"{m.name}.log"
            if not build():
                broken.append(m)
                outcome = "BROKEN (does not build)"
            else:
                passed, failure = run_suite(log)
                (survived if passed else killed).append(m)
                outcome = "SURVIVED" if passed else f"killed by {failure or 'the run (see ' + log.name + ')'}"
        finally:
            (TREE / m.path).write_text(original)
        print(f"{m.name:28} {outcome} ({time.monotonic() - start:.0f} s)", flush=True)

    print(f"{len(chosen)} mutants, {len(killed)} killed, {len(survived)} survived"
          + (f", {len(broken)} broken" if broken else ""))
    for m in survived + broken:
        print(f"  {'survived' if m in survived else 'broken'}: {m.name} ({m.path}): {m.reason}")
    return 0 if not survived and not broken else 1


if __name__ == "__main__":
    sys.exit(main())
