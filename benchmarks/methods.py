"""The methods compared: varduxel's functions and the peers. A method turns
(separations l in stellar radii, rho) into a zero-argument call whose inputs
are already built, so that timing sees only the computation and its own
argument handling; the call returns the magnifications."""

import collections
import importlib
import importlib.metadata
from dataclasses import dataclass, field

import numpy as np

import varduxel
from benchmarks.workloads import KERNEL_RADIUS, LD_COEFFICIENT, ld_table, ring_table
from tests.support import functions


@dataclass
class Method:
    name: str
    quantity: str  # a key of references.QUANTITIES
    make_call: object = None  # (l: ndarray, rho) -> () -> sequence of floats
    unavailable: str = ""  # why the method cannot run here, if it cannot
    kind: str = "peer"  # "varduxel" or "peer"
    note: str = ""
    options: dict = field(default_factory=dict)


def _module(name):
    try:
        return importlib.import_module(name), ""
    except Exception as error:  # not installed, or broken here
        return None, f"not available here ({type(error).__name__}: {error})"


def version_of(distribution):
    try:
        return importlib.metadata.version(distribution)
    except importlib.metadata.PackageNotFoundError:
        return None


# varduxel

def _vector(function, container, *table):
    def make_call(l, rho):
        separations = l.tolist() if container == "list" else np.ascontiguousarray(l, dtype=np.float64)
        return lambda: function(separations, 1.0, rho, *table)
    return make_call


def varduxel_vector_methods(function_name, quantity, tables=None):
    """One method per input container, and per table size for the flux maps."""
    function = getattr(varduxel, function_name)
    methods = []
    for rows, table in (tables or {None: ()}).items():
        for container in ("list", "numpy"):
            label = f"varduxel, {container}" + (f", {rows} rows" if rows else "")
            methods.append(Method(label, quantity, _vector(function, container, *table), kind="varduxel",
                                  options={"input": container, "rows": rows}))
    return methods


def varduxel_kernel_method(function_name):
    """The circle kernel (l, r, re, rstar), one call per separation."""
    def make_call(l, rho):
        separations = l.tolist()
        kernel = getattr(varduxel, function_name)
        return lambda: [kernel(x, KERNEL_RADIUS, 1.0, rho) for x in separations]
    return Method("varduxel, one call per point", "circle", make_call, kind="varduxel", options={"input": "float"})


def flux_map_tables(kind):
    """Tables of every size for a flux map that interpolates its table or
    takes it as rings (tests/support/functions.py)."""
    make = ld_table if kind == "interpolated" else ring_table
    return {rows: make(rows) for rows in (10, 100, 1000)}


# numpy + scipy.special

def scipy_methods():
    closed_forms, why = _module("benchmarks.closed_forms")
    if closed_forms is None:
        return [Method("numpy + scipy.special closed form", "uniform", unavailable=why),
                Method("numpy + scipy.special closed form", "circle", unavailable=why)]

    def uniform(l, rho):
        return lambda: closed_forms.uniform_disk(rho * l, rho)

    def circle(l, rho):
        return lambda: closed_forms.circle_mean(l, KERNEL_RADIUS, 1.0 / rho)

    return [Method("numpy + scipy.special closed form", "uniform", uniform, note="benchmarks/closed_forms.py"),
            Method("numpy + scipy.special closed form", "circle", circle, note="benchmarks/closed_forms.py")]


# MulensModel

MULENS_METHODS = [
    ("finite_source_uniform_WittMao94", "uniform"),
    ("finite_source_LD_WittMao94", "limb_darkened"),
    ("finite_source_LD_Yoo04", "limb_darkened"),
    ("finite_source_LD_Lee09", "limb_darkened"),
]


def mulens_methods():
    mm, why = _module("MulensModel")
    methods = []
    for method, quantity in MULENS_METHODS:
        label = f"MulensModel {method}"
        if mm is None:
            methods.append(Method(label, quantity, unavailable=why))
            continue

        def make_call(l, rho, method=method, quantity=quantity):
            # A trajectory straight through the lens (u0 = 0, tE = 1, t0 = 0)
            # puts the source at u = |t|: the times are the separations in
            # Einstein radii.
            model = mm.Model({"t_0": 0.0, "u_0": 0.0, "t_E": 1.0, "rho": rho})
            model.set_magnification_methods([-1e9, method, 1e9])
            times = rho * l
            if quantity == "limb_darkened":
                model.set_limb_coeff_u("I", LD_COEFFICIENT)
                return lambda: model.get_magnification(times, bandpass="I")
            return lambda: model.get_magnification(times)

        methods.append(Method(label, quantity, make_call))
    return methods


# VBMicrolensing

# Its absolute accuracy goal Tol: the default, and the tightest settings that
# finish on these light curves (Tol = 1e-8 took 20 s for one point here).
VBM_TOLERANCES = [("default Tol 1e-2", None), ("Tol 1e-4", 1e-4), ("Tol 1e-6, tightest", 1e-6)]


def vbm_methods(quantities=("limb_darkened",)):
    vbm, why = _module("VBMicrolensing")
    methods = []
    for quantity in quantities:
        a1 = LD_COEFFICIENT if quantity == "limb_darkened" else 0.0
        for label, tol in VBM_TOLERANCES:
            name = f"VBMicrolensing ESPLMag2 a1={a1:g}, {label}"
            if vbm is None:
                methods.append(Method(name, quantity, unavailable=why))
                continue

            def make_call(l, rho, a1=a1, tol=tol):
                engine = vbm.VBMicrolensing()
                engine.a1 = a1
                if tol is not None:
                    engine.Tol = tol
                separations = (rho * l).tolist()
                return lambda: [engine.ESPLMag2(u, rho) for u in separations]

            methods.append(Method(name, quantity, make_call, options={"tol": tol}))
    return methods


# Which methods each function's table lists: peers compute the physical
# quantity the function computes (tests/support/functions.py), on the same
# light curves.

FUNCTIONS = {function.name: function.entry.computes for function in functions.FUNCTIONS}


# What a reader needs to read each function's table; a function without a
# note gets none.
FUNCTION_NOTES = collections.defaultdict(str, {
    "witt_mao_magnification":
        "Within 0.03 stellar radii of the limb the closed form is evaluated with its elliptic complements "
        "formed exactly, and from 50 stellar radii out as a series about the point lens; the worst errors sit "
        "just outside that band, where the general closed form loses digits towards the limb.",
    "integrated_witt_mao_magnification":
        "By definition the uniform-disk value times one fixed factor of about 1 + 6.6e-12: it does not resolve "
        "limb darkening, so it is compared with the uniform disk.",
    "integrated_flux_map_witt_mao_magnification":
        "The uniform-disk value scaled by the table's flux over its normaliser; tables sample the linear law "
        "0.6 at equally spaced radii. Compared with the uniform disk, as above.",
    "heyrovsky_magnification":
        "The circle of radius 1 (the limb), one Python call per point; the worst errors sit next to the "
        "logarithmic singularity at l = 1.",
    "integrated_heyrovsky_magnification":
        "The ring sum of circle means with the linear law 0.6, split at the lens.",
    "integrated_flux_map_heyrovsky_magnification":
        "The linear law 0.6 sampled at equally spaced radii and interpolated linearly: the table's "
        "interpolation error is part of the error shown, and shrinks with its rows.",
    "discrete_flux_map_heyrovsky_magnification":
        "The linear law 0.6 as thin rings at the midpoints of equal annuli, weighted by their share of the "
        "flux: the midpoint rule's error is part of the error shown; the time grows with the rows.",
})


def varduxel_methods(function_name):
    function = functions.BY_NAME[function_name]
    if not function.is_vector("l"):
        return [varduxel_kernel_method(function_name)]
    tables = flux_map_tables(function.entry.table) if function.entry.table else None
    return varduxel_vector_methods(function_name, function.entry.computes, tables)


def peer_methods(include_peers=True):
    methods = scipy_methods()
    if include_peers:
        methods += mulens_methods() + vbm_methods(("uniform", "limb_darkened"))
    return methods


PEER_DISTRIBUTIONS = ["MulensModel", "VBMicrolensing", "scipy", "numpy", "mpmath"]
