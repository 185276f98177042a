"""Type information for the compiled module varduxel.

Separations ``l`` and radii ``r``, ``bl`` are in stellar radii; ``re`` and
``rstar`` share one unit of the caller's choice.
"""

from typing import Protocol, SupportsFloat, SupportsIndex, type_check_only

__all__ = [
    "witt_mao_magnification",
    "integrated_witt_mao_magnification",
    "integrated_flux_map_witt_mao_magnification",
    "heyrovsky_magnification",
    "integrated_heyrovsky_magnification",
    "integrated_flux_map_heyrovsky_magnification",
    "discrete_flux_map_heyrovsky_magnification",
]

# A number as the module converts it: a float, or anything with __float__ or
# __index__ (int, bool, NumPy scalars, Fraction, ...).
_Real = SupportsFloat | SupportsIndex

@type_check_only
class _RealSequence(Protocol):
    """Anything indexable whose items are numbers: lists, tuples, ranges,
    array.array, NumPy arrays. Strings are refused, as at run time."""

    def __len__(self) -> int: ...
    def __getitem__(self, index: int, /) -> _Real: ...

def witt_mao_magnification(l: _RealSequence, re: _Real, rstar: _Real) -> list[float]:
    """Magnification of a uniformly bright stellar disk (Witt & Mao 1994).

    l: separations between the lens and the centre of the disk, in stellar
    radii (1 is the limb). re, rstar: Einstein and stellar radius in one
    common unit; only rho = rstar / re enters. Returns one magnification per
    separation: the mean point-lens magnification over the disk, in complete
    elliptic integrals, one formula inside and outside the disk, evaluated
    with exact elliptic complements within 0.03 stellar radii of the limb and
    as a series about the point lens from 50 stellar radii out: accurate to
    about 1e-12 everywhere, never below 1 far away. No limb darkening.

    Raises RuntimeError("elliprj: Fail to converge") for the whole call if a
    separation is negative, infinite or NaN. rstar / re <= 0 gives NaN for
    every separation.
    """

def integrated_witt_mao_magnification(l: _RealSequence, re: _Real, rstar: _Real) -> list[float]:
    """Uniform-disk magnification weighted by linear limb darkening (0.6).

    Parameters as witt_mao_magnification (l in stellar radii, re and rstar in
    one unit). Each result is witt_mao_magnification times one common factor,
    1 + 6.6e-12: it does NOT resolve limb darkening. Use
    integrated_heyrovsky_magnification for a limb-darkened star.

    Raises as witt_mao_magnification; NaN where it gives NaN.
    """

def integrated_flux_map_witt_mao_magnification(
    l: _RealSequence, re: _Real, rstar: _Real, bl: _RealSequence, bf: _RealSequence
) -> list[float]:
    """Uniform-disk magnification weighted by a tabulated brightness profile.

    l: separations in stellar radii; re, rstar: one common unit; bl: radii in
    stellar radii, ascending from 0 to 1; bf: the surface brightness at each
    radius, interpolated linearly and zero outside [bl[0], bl[-1]]. The
    normaliser is the table's own flux. Each result is witt_mao_magnification
    times one common factor (1 + 6.6e-12 for the tables of docs/accuracy.md):
    it does NOT resolve limb darkening.

    Raises pyo3_runtime.PanicException (a BaseException) if bl and bf differ
    in length, then ValueError if bl holds a NaN or is not in ascending order
    (equal neighbours are allowed), both even for an empty l; otherwise as
    witt_mao_magnification.
    """

def heyrovsky_magnification(l: _Real, r: _Real, re: _Real, rstar: _Real) -> float:
    """Mean point-lens magnification along one circle of the disk (Heyrovský 2003).

    l: one separation between the lens and the centre of the circle, in
    stellar radii (a float, not a list); r: the circle's radius in stellar
    radii; re, rstar: one common unit. Returns one float, in complete
    elliptic integrals, with exact elliptic complements where the circle
    passes within 0.015 (r + l) of the lens: the kernel of the limb-darkened
    models, accurate to about 1e-15 next to the lens. +inf on the circle
    (r == l).

    NaN for a star of negative size (a finite negative re / rstar). Raises
    RuntimeError("elliprj: Fail to converge") for a negative radius with a
    positive separation (or the reverse), or a NaN argument.
    """

def integrated_heyrovsky_magnification(l: _RealSequence, re: _Real, rstar: _Real) -> list[float]:
    """Magnification of a star with linear limb darkening, coefficient 0.6.

    l: separations in stellar radii; re, rstar: one common unit. For each
    separation, the integral over the radius x from 0 to 1 of 2 pi x times
    the circle mean at x times the brightness 1 - 0.6 (1 - sqrt(1 - x^2)),
    divided by the star's flux (2.5132741228717936); the integral is split at
    the lens. Resolves limb darkening.

    Never raises for bad values: NaN for a separation that is NaN, negative
    or infinite, for rstar = 0, a negative rstar / re or an infinite or NaN
    re, and beyond the range
    the arithmetic holds (l above about 1e49, re / rstar above about 1e99).
    -0.0 is the centre.
    """

def integrated_flux_map_heyrovsky_magnification(
    l: _RealSequence, re: _Real, rstar: _Real, bl: _RealSequence, bf: _RealSequence
) -> list[float]:
    """Magnification of a star with a tabulated brightness profile, as a ring sum.

    l: separations in stellar radii; re, rstar: one common unit; bl: radii in
    stellar radii, ascending from 0 to 1; bf: the surface brightness at each
    radius, interpolated linearly and zero outside [bl[0], bl[-1]] (a table
    starting above 0 leaves the centre dark). The normaliser is the table's
    own flux, so the scale of bf does not matter. Resolves limb darkening, as
    integrated_heyrovsky_magnification does for the linear law.

    Raises pyo3_runtime.PanicException (a BaseException) if bl and bf differ
    in length, then ValueError if bl holds a NaN or is not in ascending order
    (equal neighbours are allowed), both even for an empty l. NaN for every
    separation if the table has no flux (empty, all zero, wholly outside
    [0, 1]), and by the NaN rule of integrated_heyrovsky_magnification.
    """

def discrete_flux_map_heyrovsky_magnification(
    l: _RealSequence, re: _Real, rstar: _Real, bl: _RealSequence, bf: _RealSequence
) -> list[float]:
    """Magnification of a star given as thin rings with weights.

    l: separations in stellar radii; re, rstar: one common unit; bl: ring
    radii in stellar radii; bf: the weight of each ring, used as given. For
    each separation, the sum over j of
    bf[j] * heyrovsky_magnification(l, bl[j], re, rstar), not normalised: the
    weights must already hold the ring areas and sum to 1. Resolves limb
    darkening as rings. An empty table gives zeros; a ring radius equal to a
    separation gives +inf. The rings may come in any order.

    Raises pyo3_runtime.PanicException (a BaseException) if bl and bf differ
    in length, even for an empty l; RuntimeError with the kernel's text if a
    ring fails (for example a negative radius). NaN for a star of negative
    size (rstar / re < 0).
    """
