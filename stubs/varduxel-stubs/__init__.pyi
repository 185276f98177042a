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

def witt_mao_magnification(l: _RealSequence, re: _Real, rstar: _Real) -> list[float]: ...
def integrated_witt_mao_magnification(l: _RealSequence, re: _Real, rstar: _Real) -> list[float]: ...
def integrated_flux_map_witt_mao_magnification(
    l: _RealSequence, re: _Real, rstar: _Real, bl: _RealSequence, bf: _RealSequence
) -> list[float]: ...
def heyrovsky_magnification(l: _Real, r: _Real, re: _Real, rstar: _Real) -> float: ...
def integrated_heyrovsky_magnification(l: _RealSequence, re: _Real, rstar: _Real) -> list[float]: ...
def integrated_flux_map_heyrovsky_magnification(
    l: _RealSequence, re: _Real, rstar: _Real, bl: _RealSequence, bf: _RealSequence
) -> list[float]: ...
def discrete_flux_map_heyrovsky_magnification(
    l: _RealSequence, re: _Real, rstar: _Real, bl: _RealSequence, bf: _RealSequence
) -> list[float]: ...
