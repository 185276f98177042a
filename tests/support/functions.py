"""The module's functions, described once for the Python side.

What the module and its type stubs say is read from them: the names in
their order (varduxel.__all__), each function's parameters (its text
signature), which parameters take a sequence and whether it returns a list
or one float (the annotations of stubs/varduxel-stubs/__init__.pyi). What
neither says is one entry per function in ENTRIES. The call model, the
corpus, the thread, init and build-independence tests and the benchmark
read this instead of listing the functions again: a new function is its row
in src/module/wrappers.cpp, its stub and its entry here.
"""

import ast
import inspect
import pathlib
from dataclasses import dataclass

import varduxel

STUB = pathlib.Path(__file__).resolve().parents[2] / "stubs" / "varduxel-stubs" / "__init__.pyi"


@dataclass(frozen=True)
class Entry:
    """What a function does with its input, beyond its signature."""

    computes: str  # "uniform" (a uniform disk), "circle" (one circle of it) or "limb_darkened" (resolved)
    kernel_errors: bool = True  # a failing kernel raises RuntimeError, instead of giving NaN
    table: str | None = None  # bl, bf as an "interpolated" profile (ascending radii) or as "rings"
    costly: bool = False  # about 100 us per separation: keep its vectors short


ENTRIES = {
    "witt_mao_magnification": Entry("uniform"),
    "integrated_witt_mao_magnification": Entry("uniform"),
    "integrated_flux_map_witt_mao_magnification": Entry("uniform", table="interpolated"),
    "heyrovsky_magnification": Entry("circle"),
    "integrated_heyrovsky_magnification": Entry("limb_darkened", kernel_errors=False, costly=True),
    "integrated_flux_map_heyrovsky_magnification": Entry("limb_darkened", kernel_errors=False, table="interpolated",
                                                         costly=True),
    "discrete_flux_map_heyrovsky_magnification": Entry("limb_darkened", table="rings"),
}

# A valid value of every parameter: separations inside the disk and out, a
# table of the limb-darkened kind.
NOMINAL = {"l": (0.5, 1.7), "r": 0.6, "re": 1.0, "rstar": 0.1, "bl": (0.0, 0.5, 1.0), "bf": (1.0, 0.8, 0.4)}


@dataclass(frozen=True)
class Function:
    name: str
    parameters: tuple  # in declaration order
    vectors: frozenset  # the parameters that take a sequence
    returns_list: bool  # one float per separation, or one float
    entry: Entry

    def __str__(self):
        return self.name

    def __call__(self, *args, **kwargs):
        return getattr(varduxel, self.name)(*args, **kwargs)

    def is_vector(self, parameter):
        return parameter in self.vectors

    def arguments(self, **values):
        """{parameter: value}: the nominal values (a vector as a list, a
        single separation as the first nominal one) with `values` put in."""
        nominal = {}
        for name in self.parameters:
            value = NOMINAL[name]
            nominal[name] = list(value) if self.is_vector(name) else value[0] if isinstance(value, tuple) else value
        return {name: values.get(name, nominal[name]) for name in self.parameters}


def stub_signatures():
    """{name: ([(parameter, annotation)], return annotation)} of the stub's
    functions, in the stub's order."""
    signatures = {}
    for node in ast.parse(STUB.read_text()).body:
        if isinstance(node, ast.FunctionDef):
            signatures[node.name] = ([(a.arg, ast.unparse(a.annotation)) for a in node.args.args],
                                     ast.unparse(node.returns))
    return signatures


def _describe():
    stubs = stub_signatures()
    if set(ENTRIES) != set(varduxel.__all__) or not set(stubs) >= set(varduxel.__all__):
        raise RuntimeError(f"every function of varduxel.__all__ needs a stub in {STUB} and an entry in {__file__}; "
                           f"without a stub: {sorted(set(varduxel.__all__) - set(stubs))}; in one of __all__ and "
                           f"ENTRIES only: {sorted(set(varduxel.__all__) ^ set(ENTRIES))}")
    described = []
    for name in varduxel.__all__:
        parameters = tuple(inspect.signature(getattr(varduxel, name)).parameters)
        annotations, returns = stubs[name]
        vectors = frozenset(parameter for parameter, annotation in annotations if annotation == "_RealSequence")
        described.append(Function(name, parameters, vectors, returns == "list[float]", ENTRIES[name]))
    return tuple(described)


FUNCTIONS = _describe()
BY_NAME = {function.name: function for function in FUNCTIONS}
NAMES = [function.name for function in FUNCTIONS]
