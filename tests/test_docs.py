"""The documentation site builds with warnings as errors, every page with code
executed against the module under test, and no page holds Python code that
would not run.

./dev test builds the site once, in the newest CPython's run (the other runs
and the sanitized one set VARDUXEL_SKIP_DOCS=1): the pages exercise the public
functions, whose bits the other runs already check on every build, and the
notebook kernels and worker processes would only slow the sanitized run."""

import os
import re
import subprocess
import sys
import tomllib
from pathlib import Path

import pytest

import varduxel
import varduxel_lightcurve

ROOT = Path(__file__).resolve().parent.parent
DOCS = ROOT / "docs"

pytestmark = pytest.mark.skipif(os.environ.get("VARDUXEL_SKIP_DOCS") == "1",
                                reason="the site is built once, in the newest CPython's run")


def test_python_on_the_pages_is_only_in_executed_cells():
    # A plain Python code block would not run, and could drift from the module.
    not_run = re.compile(r"^\s*(`{3,}|~{3,})\s*(\{code-block\}|\{code\}|\{sourcecode\})?\s*(python|py|pycon|ipython\d?)\b",
                         re.M | re.I)
    for page in sorted(DOCS.glob("*.md")):
        assert not not_run.search(page.read_text()), f"{page.name}: Python in a block that is not a code-cell"


def test_docs_extra_is_installed_by_the_test_command():
    with open(ROOT / "pyproject.toml", "rb") as file:
        extra = tomllib.load(file)["project"]["optional-dependencies"]["docs"]
    installed = (ROOT / "requirements" / "dev.txt").read_text().splitlines()

    def name(requirement):
        return re.split(r"[<>=!~;\[ ]", requirement.strip(), maxsplit=1)[0].lower().replace("_", "-")

    assert {name(r) for r in extra} <= {name(r) for r in installed if r.strip() and not r.startswith("#")}


def test_site_builds_with_every_page_executed(tmp_path):
    pytest.importorskip("myst_nb")
    output = ROOT / "build" / "docs"
    env = dict(os.environ)
    # The notebook kernels import the module under test, and keep Jupyter's
    # and IPython's configuration and runtime files out of the user's home.
    folder = os.path.dirname(varduxel.__file__)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [folder, str(ROOT), env.get("PYTHONPATH")]))
    env.pop("MPLBACKEND", None)
    for variable in ("IPYTHONDIR", "JUPYTER_CONFIG_DIR", "JUPYTER_DATA_DIR", "JUPYTER_RUNTIME_DIR"):
        env[variable] = str(tmp_path / variable.lower())
    result = subprocess.run([sys.executable, "-m", "sphinx", "-W", "--keep-going", "-q", "-E", "-b", "html",
                             "-d", str(output / "doctrees"), str(DOCS), str(output / "html")],
                            env=env, capture_output=True, text=True, timeout=900, cwd=ROOT)
    assert result.returncode == 0, result.stdout[-5000:] + result.stderr[-20000:]
    # The tutorial ran to its own checks, and the reference lists every
    # function of the module and of the light-curve layer.
    assert "all 7 parameters recovered within 3 sigma" in (output / "html" / "fitting_a_light_curve.html").read_text()
    api = (output / "html" / "api.html").read_text()
    for module in (varduxel, varduxel_lightcurve):
        for name in module.__all__:
            assert f'id="{module.__name__}.{name}"' in api, name
