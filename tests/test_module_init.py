"""The module as the interpreter sees it: its function table, its attributes,
repeated imports, the refusal of a second interpreter and the exported symbols."""

import importlib
import inspect
import shutil
import subprocess
import sys

import pytest

import varduxel

from tests.support import functions
from tests.support.isolated_python import run_python


def test_all_lists_the_functions_of_the_stubs_once_in_their_order():
    names = varduxel.__all__
    assert type(names) is list
    assert names == list(functions.stub_signatures())
    for name in names:
        assert type(getattr(varduxel, name)).__name__ == "builtin_function_or_method"


@pytest.mark.parametrize("name", functions.NAMES)
def test_function_attributes(name):
    function = getattr(varduxel, name)
    parameters, _ = functions.stub_signatures()[name]
    assert function.__name__ == name
    assert function.__text_signature__ == "(" + ", ".join(parameter for parameter, _ in parameters) + ")"
    assert function.__doc__ is None
    assert function.__module__ == "varduxel"
    assert function.__self__ is varduxel


@pytest.mark.parametrize("function", functions.FUNCTIONS, ids=functions.NAMES)
def test_signature_names_the_bound_parameters(function):
    # Binding by the names the signature shows proves that the two agree.
    parameters = inspect.signature(getattr(varduxel, function.name)).parameters.values()
    assert {p.kind for p in parameters} == {inspect.Parameter.POSITIONAL_OR_KEYWORD}
    assert all(p.default is inspect.Parameter.empty for p in parameters)
    keywords = function.arguments()
    assert function(**dict(reversed(keywords.items()))) == function(*keywords.values())


def test_module_docstring_is_one_sentence():
    doc = varduxel.__doc__
    assert isinstance(doc, str) and doc[0].isupper() and doc.endswith(".")
    assert "\n" not in doc and ". " not in doc


def test_import_again_gives_the_same_module_and_functions():
    functions = {name: getattr(varduxel, name) for name in varduxel.__all__}
    names = list(varduxel.__all__)
    for _ in range(2):
        del sys.modules["varduxel"]
        module = importlib.import_module("varduxel")
        assert module is varduxel
        assert sys.modules["varduxel"] is varduxel
        assert module.__all__ == names
        for name, function in functions.items():
            assert getattr(module, name) is function


# Child process: imports varduxel in the main interpreter and in a legacy
# subinterpreter (one that allows single-phase modules), in the order given by
# argv[1], twice over, and prints "<interpreter> <outcome>" per attempt.
SUBINTERPRETER_CHILD = r"""
import os, sys
try:
    import _testcapi
except ImportError:
    sys.exit(77)

ATTEMPT = '''
try:
    import varduxel
    outcome = "ok " + repr(varduxel.witt_mao_magnification([0.5], 1.0, 0.1))
except ImportError as error:
    outcome = "refused " + str(error)
'''

def in_main():
    namespace = {}
    exec(ATTEMPT, namespace)
    return namespace["outcome"]

def in_sub():
    read_end, write_end = os.pipe()
    code = ATTEMPT + "import os; os.write(%d, outcome.encode()); os.close(%d)" % (write_end, write_end)
    assert _testcapi.run_in_subinterp(code) == 0
    outcome = os.read(read_end, 4096).decode()
    os.close(read_end)
    return outcome

order = ["main", "sub"] if sys.argv[1] == "main" else ["sub", "main"]
for interpreter in order * 2:
    print(interpreter, in_main() if interpreter == "main" else in_sub())
"""


@pytest.mark.parametrize("first", ["main", "sub"])
def test_a_second_interpreter_is_refused(first):
    process = run_python(SUBINTERPRETER_CHILD, first)
    if process.returncode == 77:
        pytest.skip("this interpreter has no _testcapi")
    assert process.returncode == 0, process.stderr
    lines = process.stdout.splitlines()
    for line in lines:
        assert line.split(" ", 1)[1].startswith(("ok [", "refused varduxel does not support subinterpreters"))
    pattern = [line.split(" ")[:2] for line in lines]
    # Every run_in_subinterp call is a new interpreter, so after the owner
    # every subinterpreter is refused.
    if first == "main":
        assert pattern == [["main", "ok"], ["sub", "refused"], ["main", "ok"], ["sub", "refused"]]
    else:
        assert pattern in (
            # The subinterpreter that imported first owns the module (3.12).
            [["sub", "ok"], ["main", "refused"], ["sub", "refused"], ["main", "refused"]],
            # The interpreter ran the single-phase init in the main interpreter (3.13).
            [["sub", "refused"], ["main", "ok"], ["sub", "refused"], ["main", "ok"]],
        )


def test_only_the_init_function_is_exported():
    nm = shutil.which("nm")
    if nm is None:
        pytest.skip("nm is not installed")
    listing = subprocess.run([nm, "-D", "--defined-only", varduxel.__file__], capture_output=True, text=True,
                             check=True).stdout
    symbols = {fields[-1]: fields[-2] for fields in map(str.split, listing.splitlines()) if len(fields) >= 2}
    functions = {name for name, kind in symbols.items() if kind in "TtWwi"}
    assert functions == {"PyInit_varduxel"}
    assert symbols["PyInit_varduxel"] == "T"
