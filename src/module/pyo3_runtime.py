"""The home of varduxel's PanicException, so that it survives pickling.

varduxel raises ``pyo3_runtime.PanicException`` when a caller breaks a
precondition (a flux map's ``bl`` and ``bf`` of different lengths). Pickle
finds an exception's class by importing the module its ``__module__`` names,
and a process pool or a Dask cluster pickles every exception it hands back to
the caller. This module gives that name a home: it holds the very type that
varduxel creates, which is not an attribute of varduxel itself. varduxel never
imports it, so it is loaded only when an unpickler or a caller asks for it.
"""

import varduxel as _varduxel

__all__ = ["PanicException"]


def _panic_exception_type() -> type[BaseException]:
    # varduxel creates the type on the first broken precondition, and this is
    # the one way to reach it: tables of different lengths, no separations.
    try:
        _varduxel.discrete_flux_map_heyrovsky_magnification([], 1.0, 1.0, [0.0], [])
    except BaseException as error:  # PanicException derives from BaseException
        kind = type(error)
        if kind.__module__ == __name__ and kind.__qualname__ == "PanicException":
            return kind
        raise
    raise ImportError("varduxel did not raise PanicException for tables of different lengths")


PanicException = _panic_exception_type()
