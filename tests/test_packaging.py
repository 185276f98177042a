"""What a user installs: the type stubs, the wheel and the source archive."""

import fcntl
import hashlib
import json
import os
import platform
import re
import shlex
import shutil
import subprocess
import sys
import tarfile
import textwrap
import tomllib
import zipfile
from pathlib import Path

import pytest

import varduxel
import varduxel_lightcurve

ROOT = Path(__file__).resolve().parent.parent
SOURCE_STUB = ROOT / "stubs" / "varduxel-stubs" / "__init__.pyi"
MODULE_FOLDER = Path(varduxel.__file__).resolve().parent
INSTALLED_STUB = MODULE_FOLDER / "varduxel-stubs" / "__init__.pyi"
# The light-curve layer: pure Python with inline annotations and py.typed.
LAYER_SOURCE = ROOT / "src" / "varduxel_lightcurve"
LAYER_FILES = sorted(path.name for path in LAYER_SOURCE.iterdir() if path.suffix in (".py", ".typed"))


def mypy_env(tmp_path):
    """Environment in which mypy sees the varduxel this test imports.

    Installed, the module has its stub package beside it and mypy finds it
    there (PEP 561). A module loaded from a CMake build folder has none; the
    source stub is then offered on MYPYPATH instead."""
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [str(MODULE_FOLDER), env.get("PYTHONPATH")]))
    env.pop("MYPYPATH", None)
    if not INSTALLED_STUB.is_file():
        folder = tmp_path / "stub-path"
        folder.mkdir()
        shutil.copy(SOURCE_STUB, folder / "varduxel.pyi")
        env["MYPYPATH"] = str(folder)
    return env


# ./dev test --quick builds nothing but the module under test.
builds_a_package = pytest.mark.skipif(os.environ.get("VARDUXEL_SKIP_OTHER_BUILDS") == "1",
                                      reason="builds a wheel or a source archive, which ./dev test --quick leaves out")


def run(args, **kwargs):
    return subprocess.run([sys.executable, *args], capture_output=True, text=True, timeout=300, **kwargs)


def plain_env():
    """The environment without a preloaded sanitizer runtime: builds run the
    compiler and linker, which need none of it."""
    return {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "ASAN_OPTIONS", "UBSAN_OPTIONS")}


# --- stubs ------------------------------------------------------------------------

def test_stubs_match_the_compiled_module(tmp_path):
    pytest.importorskip("mypy")
    result = run(["-m", "mypy.stubtest", "varduxel", "--mypy-config-file", os.devnull],
                 env=mypy_env(tmp_path), cwd=tmp_path)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "Success: no issues found in 1 module" in result.stdout


def test_installed_stubs_and_layer_are_the_sources():
    layer = Path(varduxel_lightcurve.__file__).parent
    for name in LAYER_FILES:
        assert (layer / name).read_bytes() == (LAYER_SOURCE / name).read_bytes(), name
    if not INSTALLED_STUB.is_file():
        pytest.skip("varduxel is loaded from a build folder, not installed with its stubs")
    assert INSTALLED_STUB.read_bytes() == SOURCE_STUB.read_bytes()


def test_layer_passes_mypy_strict(tmp_path):
    pytest.importorskip("mypy")
    result = run(["-m", "mypy", "--strict", "--config-file", os.devnull, "--cache-dir", str(tmp_path / "cache"),
                  str(LAYER_SOURCE)], env=mypy_env(tmp_path), cwd=tmp_path)
    assert result.returncode == 0, result.stdout + result.stderr


CORRECT_USE = """\
import array
from fractions import Fraction

import numpy as np

import varduxel
import varduxel_lightcurve

curve: list[float] = varduxel.witt_mao_magnification([0.5, 2], 1.0, 0.1)
circle: float = varduxel.heyrovsky_magnification(1, 0.5, Fraction(1, 2), np.float64(0.1))
darkened = varduxel.integrated_heyrovsky_magnification(np.linspace(0.0, 2.0, 5), 1, 0.05)
rings = varduxel.discrete_flux_map_heyrovsky_magnification(range(3), 1.0, 0.1, (0.2, 0.8), array.array("d", [0.5, 0.5]))
table = varduxel.integrated_flux_map_witt_mao_magnification(l=[1.5], re=1.0, rstar=0.1, bl=[0, 1], bf=np.ones(2))
both = varduxel.integrated_flux_map_heyrovsky_magnification((1.5,), 1.0, 0.1, [0.0, 1.0], [1.0, 1.0])
reveal_type(darkened)
model = varduxel_lightcurve.light_curve(np.linspace(-1, 1, 5), 0.0, 0.01, 20.0, 0.05, varduxel_lightcurve.Quadratic(0.4, 0.3))
fs, fb, chi2 = varduxel_lightcurve.fit_fluxes(model, [1.0] * 5, [0.1] * 5)
reveal_type(model)
"""

# Each line is wrong in one way that the module refuses at run time as well.
WRONG_USE = """\
import varduxel

a = varduxel.witt_mao_magnification("0.5", 1.0, 0.1)
b = varduxel.heyrovsky_magnification([1.0], 0.5, 1.0, 0.1)
c = varduxel.integrated_heyrovsky_magnification([1.0], 1.0, "0.1")
d: float = varduxel.integrated_witt_mao_magnification([1.0], 1.0, 0.1)
e = varduxel.witt_mao_magnification([1.0], 1.0, 0.1, 2.0)
f = varduxel.discrete_flux_map_heyrovsky_magnification([1.0], 1.0, 0.1, bl=[0.5])
import varduxel_lightcurve
g = varduxel_lightcurve.magnification([0.1], 0.05, limb_darkening="quadratic")
"""
WRONG_LINES = {3: "arg-type", 4: "arg-type", 5: "arg-type", 6: "assignment", 7: "call-arg", 8: "call-arg",
               10: "arg-type"}


def test_mypy_accepts_correct_use_and_rejects_wrong_types(tmp_path):
    pytest.importorskip("mypy")
    (tmp_path / "correct.py").write_text(CORRECT_USE)
    (tmp_path / "wrong.py").write_text(WRONG_USE)
    result = run(["-m", "mypy", "--config-file", os.devnull, "--cache-dir", str(tmp_path / "cache"),
                  "--show-error-codes", "--no-error-summary", "correct.py", "wrong.py"],
                 env=mypy_env(tmp_path), cwd=tmp_path)
    lines = result.stdout.splitlines()
    revealed = r'correct\.py:15: note: Revealed type is "(builtins\.)?list\[(builtins\.)?float\]"'
    assert [line for line in lines if re.fullmatch(revealed, line)], result.stdout
    array = r'correct\.py:18: note: Revealed type is "numpy\.ndarray\[.*numpy\.float64.*\]"'
    assert [line for line in lines if re.fullmatch(array, line)], result.stdout
    assert not [line for line in lines if line.startswith("correct.py") and ": error:" in line], result.stdout
    found = {}
    for line in lines:
        match = re.match(r"wrong\.py:(\d+): error: .*\[([a-z-]+)\]$", line)
        if match:
            found.setdefault(int(match[1]), match[2])
    assert found == WRONG_LINES, result.stdout + result.stderr
    assert result.returncode == 1


# --- wheel and sdist ----------------------------------------------------------------

@pytest.fixture(scope="module")
def wheel(tmp_path_factory):
    """The wheel as `pip wheel .` builds it. The build folder is kept between
    runs (one per interpreter, locked) so that only the first run compiles."""
    tag = hashlib.sha1(sys.prefix.encode()).hexdigest()[:10]
    build_dir = ROOT / "build" / "wheel-check" / f"cp{sys.version_info[0]}{sys.version_info[1]}-{tag}"
    build_dir.parent.mkdir(parents=True, exist_ok=True)
    folder = tmp_path_factory.mktemp("wheel")
    with open(f"{build_dir}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        result = run(["-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "--disable-pip-version-check",
                      "--quiet", "-C", f"build-dir={build_dir}", "-w", str(folder), str(ROOT)], env=plain_env())
    assert result.returncode == 0, result.stdout + result.stderr
    (built,) = folder.glob("varduxel-*.whl")
    return built


@builds_a_package
def test_wheel_holds_the_module_its_stubs_the_layer_and_nothing_of_the_tests(wheel):
    names = sorted(zipfile.ZipFile(wheel).namelist())
    version = "0.1.0"
    suffix = f"cpython-{sys.version_info[0]}{sys.version_info[1]}"
    module = [n for n in names if re.fullmatch(rf"varduxel\.{suffix}-[\w-]+\.so", n)]
    assert len(module) == 1, names
    assert names == sorted(module + [f"varduxel_lightcurve/{name}" for name in LAYER_FILES] + [
        "pyo3_runtime.py",
        "varduxel-stubs/__init__.pyi",
        f"varduxel-{version}.dist-info/METADATA",
        f"varduxel-{version}.dist-info/WHEEL",
        f"varduxel-{version}.dist-info/RECORD",
        f"varduxel-{version}.dist-info/licenses/LICENSE",
        f"varduxel-{version}.dist-info/licenses/NOTICE",
    ])
    with zipfile.ZipFile(wheel) as archive:
        assert archive.read("varduxel-stubs/__init__.pyi") == SOURCE_STUB.read_bytes()
        metadata = archive.read(f"varduxel-{version}.dist-info/METADATA").decode()
    assert "py.typed" in LAYER_FILES
    # numpy, for the layer, is the one run-time dependency.
    assert [line for line in metadata.splitlines() if line.startswith("Requires-Dist:") and "extra ==" not in line] \
        == ["Requires-Dist: numpy>=1.26"]
    for field in ("Name: varduxel", f"Version: {version}", "Requires-Python: >=3.12", "License: MIT",
                  "Author: varduxel developers", "Classifier: License :: OSI Approved :: MIT License"):
        assert field in metadata.splitlines()


# Separations inside the disk, on and near the limb, and far outside.
FRESH_SEPARATIONS = [0.0, 0.5, 0.999, 1.0, 1.001, 1.5, 300.0]


@builds_a_package
def test_wheel_is_manylinux_and_gives_the_same_bits_in_a_fresh_environment(wheel, tmp_path):
    """What a Linux release does with the wheel: auditwheel names the
    manylinux platform it fits and repairs it into a wheel of that tag, which
    installs offline into a new virtual environment and computes there what
    the module of this test computes. The release wheels' own check, the
    test-command of [tool.cibuildwheel], must pass there too."""
    if not sys.platform.startswith("linux"):
        pytest.skip("auditwheel inspects Linux wheels")
    pytest.importorskip("auditwheel")
    show = run(["-m", "auditwheel", "show", str(wheel)], env=plain_env())
    # With GCC 12 and glibc 2.36 (Debian 12) it prints:
    #   varduxel-0.1.0-cp313-cp313-linux_x86_64.whl is consistent with the
    #   following platform tag: "manylinux_2_31_x86_64".
    # (libm's GLIBC_2.29 symbols rule out manylinux_2_28 and older; a wheel
    # built in an older manylinux image gets an older tag.)
    consistent = re.search(rf'{re.escape(wheel.name)} is consistent with the following platform tag: '
                           rf'"(manylinux_\d+_\d+_{platform.machine()})"', " ".join(show.stdout.split()))
    assert show.returncode == 0 and consistent, show.stdout + show.stderr
    # No library to graft: the patcher "none" fails if the module would have
    # to be changed, so the repair only retags the wheel.
    repaired = tmp_path / "repaired"
    result = run(["-m", "auditwheel", "repair", "--patcher", "none", "-w", str(repaired), str(wheel)],
                 env=plain_env())
    assert result.returncode == 0, result.stdout + result.stderr
    (released,) = repaired.glob("varduxel-*.whl")
    assert consistent[1] in released.name

    venv = tmp_path / "venv"
    fresh_env = {k: v for k, v in plain_env().items() if k not in ("PYTHONPATH", "PYTHONHOME", "VIRTUAL_ENV")}
    result = run(["-m", "venv", "--without-pip", str(venv)], env=fresh_env)
    assert result.returncode == 0, result.stdout + result.stderr
    python = str(venv / "bin" / "python")
    result = run(["-m", "pip", "--python", python, "install", "--no-index", "--no-deps", "--quiet",
                  "--disable-pip-version-check", str(released)], env=fresh_env)
    assert result.returncode == 0, result.stdout + result.stderr

    code = ("import json, varduxel; print(json.dumps([varduxel.__file__, [x.hex() for x in "
            f"varduxel.integrated_heyrovsky_magnification({FRESH_SEPARATIONS!r}, 1.0, 0.01)]]))")
    result = subprocess.run([python, "-c", code], env=fresh_env, cwd=tmp_path, capture_output=True, text=True,
                            timeout=120)
    assert result.returncode == 0, result.stdout + result.stderr
    location, values = json.loads(result.stdout)
    assert Path(location).is_relative_to(venv)
    assert values == [x.hex() for x in varduxel.integrated_heyrovsky_magnification(FRESH_SEPARATIONS, 1.0, 0.01)]

    with open(ROOT / "pyproject.toml", "rb") as file:
        command = shlex.split(tomllib.load(file)["tool"]["cibuildwheel"]["test-command"])
    assert command[0] == "python"
    result = subprocess.run([python, *command[1:]], env=fresh_env, cwd=tmp_path, capture_output=True, text=True,
                            timeout=120)
    assert result.returncode == 0, result.stdout + result.stderr


@builds_a_package
def test_sdist_holds_what_a_build_needs(tmp_path):
    code = textwrap.dedent(f"""
        import os, scikit_build_core.build as backend
        os.chdir({str(ROOT)!r})
        print(backend.build_sdist({str(tmp_path)!r}))
    """)
    result = run(["-c", code], env=plain_env())
    assert result.returncode == 0, result.stdout + result.stderr
    archive = tmp_path / result.stdout.split()[-1]
    with tarfile.open(archive) as tar:
        names = {name.split("/", 1)[1] for name in tar.getnames() if "/" in name}
    tracked = subprocess.run(["git", "ls-files", "src", "stubs", "examples"], cwd=ROOT, capture_output=True,
                             text=True)
    needed = {"pyproject.toml", "CMakeLists.txt", "README.md", "LICENSE", "PKG-INFO",
              "stubs/varduxel-stubs/__init__.pyi", "src/module/module.cpp", "src/module/exports.map"}
    if tracked.returncode == 0:
        needed |= {name for name in tracked.stdout.split() if (ROOT / name).exists()}
    assert needed <= names, sorted(needed - names)
    assert not [n for n in names if n.startswith((".venv/", "build/", ".git/"))]
