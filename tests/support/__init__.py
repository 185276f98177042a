"""Helpers shared by the tests, the benchmark and the tools: one description
of the module's functions (functions), first-principles mpmath references
(reference), the deterministic corpus of calls (corpus) and the kernels'
seeded arguments with their recorded bits (kernel_corpus), bit-for-bit
comparison (bits), checks for the elliptic kernels (kernel_checks), a model
of the argument conversion (call_model), the sanitizer probe (sanitizers), a
fresh interpreter for isolated runs (isolated_python) and the loading of
loose Python files as modules (scripts). Import them as
``from tests.support import reference`` with the repository root on the path,
as pytest and ``python -m`` from the root both arrange."""
