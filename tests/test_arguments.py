"""Calling the module's functions: argument binding, conversion of floats and
sequences, error remapping, result lists, error mapping and memory
exhaustion. Magnitudes are checked elsewhere, and leaks in test_leaks.py;
here only types, lengths, messages and identities are."""

import array
import collections
import itertools
import os
import sys
from fractions import Fraction

import numpy as np
import pytest

import varduxel

from tests.support import functions
from tests.support.bits import pattern, patterns
from tests.support.isolated_python import run_python
from tests.support.sanitizers import skip_under_sanitizer

witt_mao = varduxel.witt_mao_magnification
FLUX_MAP_FUNCTIONS = [f.name for f in functions.FUNCTIONS if f.entry.table]


def outcome(function, *args, **kwargs):
    """The result as float bit patterns, or the exception type and args."""
    try:
        return patterns(function(*args, **kwargs))
    except Exception as error:
        return type(error), error.args


def registered(name):
    return getattr(varduxel, name)


def raised(function, *args, **kwargs):
    with pytest.raises(BaseException) as info:
        function(*args, **kwargs)
    return info.value


class Spy:
    """A float-like object that logs its name when converted."""

    def __init__(self, log, name, value=0.5):
        self.log, self.name, self.value = log, name, value

    def __float__(self):
        self.log.append(self.name)
        return self.value


class Raising:
    """A float-like object whose conversion raises the given exception."""

    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error


# Binding


PREFIX = "witt_mao_magnification() "


@pytest.mark.parametrize("args, kwargs, message", [
    ((), {}, PREFIX + "missing 3 required positional arguments: 'l', 're', and 'rstar'"),
    (([1.0],), {}, PREFIX + "missing 2 required positional arguments: 're' and 'rstar'"),
    (([1.0], 1.0), {}, PREFIX + "missing 1 required positional argument: 'rstar'"),
    ((), {"re": 1.0}, PREFIX + "missing 2 required positional arguments: 'l' and 'rstar'"),
    (([1.0],), {"rstar": 0.1}, PREFIX + "missing 1 required positional argument: 're'"),
    (([1.0], 1.0, 0.1, 5), {}, PREFIX + "takes 3 positional arguments but 4 were given"),
    (([1.0], 1.0, 0.1, 5, 6), {"re": 2.0, "x": 1}, PREFIX + "takes 3 positional arguments but 5 were given"),
    (([1.0], 1.0, 0.1), {"re": 2.0}, PREFIX + "got multiple values for argument 're'"),
    (([1.0],), {"l": [2.0]}, PREFIX + "got multiple values for argument 'l'"),
    (([1.0], 1.0, 0.1), {"x": 1}, PREFIX + "got an unexpected keyword argument 'x'"),
    (([1.0],), {"re": 1.0, "r": 1}, PREFIX + "got an unexpected keyword argument 'r'"),
    (([1.0],), {"rstar\0": 1}, PREFIX + "got an unexpected keyword argument 'rstar\0'"),
    (([1.0],), {"\udc80": 1}, PREFIX + "got an unexpected keyword argument '\udc80'"),
    # Keywords are looked at in the order written, before missing parameters.
    (([1.0], 1.0), {"re": 2.0, "x": 1}, PREFIX + "got multiple values for argument 're'"),
    (([1.0], 1.0), {"x": 1, "re": 2.0}, PREFIX + "got an unexpected keyword argument 'x'"),
    (([1.0],), {"y": 1}, PREFIX + "got an unexpected keyword argument 'y'"),
    # Binding comes before any conversion.
    (("not a vector",), {"re": "x"}, PREFIX + "missing 1 required positional argument: 'rstar'"),
])
def test_binding_errors(args, kwargs, message):
    error = raised(witt_mao, *args, **kwargs)
    assert type(error) is TypeError
    assert error.args == (message,)


def test_every_parameter_binds_by_keyword_in_any_order():
    values = {"l": [0.5, 1.0], "re": 1.0, "rstar": 0.1}
    expected = outcome(witt_mao, *values.values())
    for names in itertools.permutations(values):
        assert outcome(witt_mao, **{name: values[name] for name in names}) == expected
    assert outcome(witt_mao, [0.5, 1.0], rstar=0.1, re=1.0) == expected


def test_a_binding_error_converts_nothing():
    log = []
    raised(witt_mao, [Spy(log, "l0")], Spy(log, "re"), Spy(log, "rstar"), x=1)
    assert log == []


# Conversion


class StrSubclass(str):
    pass


class DictSubclass(dict):
    def __getitem__(self, key):
        return 1.0


class Outer:
    class Inner:
        pass


def numbers():
    yield 1.0


@pytest.mark.parametrize("l, text", [
    ("123", "Can't extract `str` to `Vec`"),
    ("", "Can't extract `str` to `Vec`"),
    (StrSubclass("1"), "Can't extract `str` to `Vec`"),
    ({1: 2}, "'dict' object cannot be converted to 'Sequence'"),
    (DictSubclass(a=1), "'DictSubclass' object cannot be converted to 'Sequence'"),
    (collections.OrderedDict(), "'OrderedDict' object cannot be converted to 'Sequence'"),
    ({1.0}, "'set' object cannot be converted to 'Sequence'"),
    (1, "'int' object cannot be converted to 'Sequence'"),
    (0.5, "'float' object cannot be converted to 'Sequence'"),
    (None, "'NoneType' object cannot be converted to 'Sequence'"),
    (numbers(), "'generator' object cannot be converted to 'Sequence'"),
    (iter([1.0]), "'list_iterator' object cannot be converted to 'Sequence'"),
    (Outer.Inner(), "'Outer.Inner' object cannot be converted to 'Sequence'"),
    ([1.0, "a"], "must be real number, not str"),
    ((1.0, None), "must be real number, not NoneType"),
    ([[1.0]], "must be real number, not list"),
])
def test_vector_conversion_errors(l, text):
    error = raised(witt_mao, l, 1.0, 0.1)
    assert type(error) is TypeError
    assert error.args == ("argument 'l': " + text,)
    assert error.__cause__ is None


@pytest.mark.parametrize("name", ["re", "rstar"])
@pytest.mark.parametrize("value, text", [
    ("1.0", "must be real number, not str"),
    (None, "must be real number, not NoneType"),
    ([1.0], "must be real number, not list"),
    (1j, "must be real number, not complex"),
])
def test_float_conversion_errors(name, value, text):
    arguments = {"l": [0.5], "re": 1.0, "rstar": 0.1, name: value}
    error = raised(witt_mao, **arguments)
    assert type(error) is TypeError
    assert error.args == (f"argument '{name}': {text}",)


@pytest.mark.parametrize("name", ["l", "re", "rstar"])
def test_an_exact_type_error_is_prefixed_and_keeps_its_cause(name):
    cause = ValueError("inner")
    error = TypeError("outer")
    error.__cause__ = cause
    bad = Raising(error)
    arguments = {"l": [0.5], "re": 1.0, "rstar": 0.1, name: [0.5, bad] if name == "l" else bad}
    remapped = raised(witt_mao, **arguments)
    assert type(remapped) is TypeError and remapped is not error
    assert remapped.args == (f"argument '{name}': outer",)
    assert remapped.__cause__ is cause


class TypeErrorSubclass(TypeError):
    pass


@pytest.mark.parametrize("error", [TypeErrorSubclass("sub"), ValueError("value"), ZeroDivisionError("zero"),
                                   KeyboardInterrupt()])
@pytest.mark.parametrize("name", ["l", "re"])
def test_any_other_conversion_error_passes_unchanged(error, name):
    bad = Raising(error)
    arguments = {"l": [0.5], "re": 1.0, "rstar": 0.1, name: [bad] if name == "l" else bad}
    assert raised(witt_mao, **arguments) is error


@pytest.mark.parametrize("arguments", [([10**400], 1.0, 0.1), ([0.5], -10**400, 0.1), ([0.5], 1.0, 10**400)])
def test_an_integer_too_large_raises_overflow_error_unchanged(arguments):
    error = raised(witt_mao, *arguments)
    assert type(error) is OverflowError
    assert error.args == ("int too large to convert to float",)


class FailingIteration:
    """A sequence whose iteration raises the given exception."""

    def __init__(self, error):
        self.error = error

    def __len__(self):
        return 1

    def __getitem__(self, index):
        raise self.error


def test_iteration_errors_are_remapped_like_conversion_errors():
    error = raised(witt_mao, FailingIteration(TypeError("no items")), 1.0, 0.1)
    assert type(error) is TypeError and error.args == ("argument 'l': no items",)
    lookup = LookupError("gone")
    assert raised(witt_mao, FailingIteration(lookup), 1.0, 0.1) is lookup


@pytest.mark.parametrize("keywords", list(itertools.permutations(["l", "re", "rstar"])))
def test_parameters_convert_in_declaration_order(keywords):
    log = []
    arguments = {"l": [Spy(log, "l0"), Spy(log, "l1")], "re": Spy(log, "re", 1.0), "rstar": Spy(log, "rstar")}
    witt_mao(**{name: arguments[name] for name in keywords})
    assert log == ["l0", "l1", "re", "rstar"]

    # The first failure ends the conversion, whatever order the caller wrote.
    log.clear()
    arguments = {"l": [Spy(log, "l0"), "x", Spy(log, "l2")], "re": "bad", "rstar": Spy(log, "rstar")}
    error = raised(witt_mao, **{name: arguments[name] for name in keywords})
    assert error.args == ("argument 'l': must be real number, not str",)
    assert log == ["l0"]


class UserSequence(collections.abc.Sequence):
    def __init__(self, items):
        self.items = list(items)

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        return self.items[index]


class RaisingLength(UserSequence):
    def __len__(self):
        raise ValueError("no length")


class HugeLength(UserSequence):
    def __len__(self):
        return sys.maxsize


class HugeLengthList(list):
    def __len__(self):
        return sys.maxsize


class IndexOnly:
    """The old sequence protocol: __getitem__ until IndexError, no __len__."""

    def __getitem__(self, index):
        return [1.0, 2.0, 3.0][index]


@pytest.mark.parametrize("l", [
    [1.0, 2.0, 3.0],
    (1.0, 2.0, 3.0),
    range(1, 4),
    b"\x01\x02\x03",
    bytearray(b"\x01\x02\x03"),
    array.array("d", [1.0, 2.0, 3.0]),
    array.array("i", [1, 2, 3]),
    np.array([1.0, 2.0, 3.0]),
    np.array([1, 2, 3], dtype=np.int32),
    memoryview(array.array("d", [1.0, 2.0, 3.0])),
    collections.deque([1.0, 2.0, 3.0]),
    UserSequence([1.0, 2.0, 3.0]),
    RaisingLength([1.0, 2.0, 3.0]),
    HugeLength([1.0, 2.0, 3.0]),
    HugeLengthList([1.0, 2.0, 3.0]),
    IndexOnly(),
    [True, 2, Fraction(3)],
    [np.float64(1.0), np.float32(2.0), np.int64(3)],
], ids=lambda l: type(l).__name__)
def test_any_sequence_of_numbers_is_a_vector(l):
    assert outcome(witt_mao, l, 1.0, 0.1) == outcome(witt_mao, [1.0, 2.0, 3.0], 1.0, 0.1)


class FloatSubclass(float):
    pass


class Indexable:
    def __index__(self):
        return 1


@pytest.mark.parametrize("value", [1, True, FloatSubclass(1.0), np.float64(1.0), np.int32(1), Fraction(1),
                                   Indexable(), Spy([], "one", 1.0)], ids=lambda v: type(v).__name__)
def test_anything_with_a_float_value_is_a_float(value):
    expected = outcome(witt_mao, [0.5, 2.0], 1.0, 1.0)
    assert outcome(witt_mao, [0.5, 2.0], value, value) == expected
    assert outcome(witt_mao, [0.5, value], 1.0, 1.0) == outcome(witt_mao, [0.5, 1.0], 1.0, 1.0)


def test_minus_one_without_an_exception_is_a_value():
    # PyFloat_AsDouble signals failure with -1.0, so -1.0 itself must get through.
    assert outcome(witt_mao, [0.5], Spy([], "re", -1.0), 0.1) == outcome(witt_mao, [0.5], -1.0, 0.1)


def test_the_circle_kernel_takes_and_gives_single_floats():
    kernel = registered("heyrovsky_magnification")
    assert type(kernel(1.0, 0.5, 1.0, 0.1)) is float
    assert type(kernel(l=1, r=True, re=Fraction(1), rstar=0.1)) is float
    assert raised(kernel, [1.0], 0.5, 1.0, 0.1).args == ("argument 'l': must be real number, not list",)


@pytest.mark.parametrize("name", FLUX_MAP_FUNCTIONS)
def test_flux_map_functions_take_two_more_vectors(name):
    function = registered(name)
    assert raised(function, [0.5]).args == (
        f"{name}() missing 4 required positional arguments: 're', 'rstar', 'bl', and 'bf'",)
    assert raised(function, [0.5], 1.0, 0.1, [0.0, 1.0], "x").args == ("argument 'bf': Can't extract `str` to `Vec`",)
    assert raised(function, [0.5], 1.0, 0.1, {}, "x").args == ("argument 'bl': 'dict' object cannot be converted "
                                                               "to 'Sequence'",)
    result = function(range(3), 1.0, 0.1, (0.0, 1.0), np.array([1.0, 1.0]))
    assert type(result) is list and len(result) == 3 and all(type(x) is float for x in result)


# Results and errors


@pytest.mark.parametrize("l", [[0.5], [0.5, 1.0, 2.0, 0.0, 1e3], np.linspace(0.0, 3.0, 101)])
def test_a_result_is_a_new_list_of_floats_in_order(l):
    result = witt_mao(l, 1.0, 0.1)
    assert type(result) is list and len(result) == len(l)
    assert all(type(x) is float for x in result)
    assert result is not l
    # Element i depends on l[i] alone.
    assert patterns(result) == [pattern(witt_mao([v], 1.0, 0.1)[0]) for v in l]


@pytest.mark.parametrize("l", [[], (), range(0), b"", np.array([]), UserSequence([])], ids=lambda l: type(l).__name__)
@pytest.mark.parametrize("function", [f for f in functions.FUNCTIONS if f.is_vector("l")], ids=str)
def test_an_empty_vector_gives_an_empty_list(function, l):
    arguments = function.arguments(l=l)
    first, second = function(**arguments), function(**arguments)
    assert first == [] and type(first) is list and first is not second


@pytest.mark.parametrize("l", [[-1.0], [0.5, -1.0, 2.0]])
def test_a_kernel_error_raises_runtime_error_with_its_text(l):
    error = raised(witt_mao, l, 1.0, 0.1)
    assert type(error) is RuntimeError
    assert error.args == ("elliprj: Fail to converge",)


PANIC_DOC_TAIL = ("\n\nLike SystemExit, this exception is derived from BaseException so that\n"
                  "it will typically propagate all the way through the stack and cause the\n"
                  "Python interpreter to exit.\n")


@pytest.mark.parametrize("name", FLUX_MAP_FUNCTIONS)
def test_unequal_table_lengths_raise_panic_exception(name):
    function = registered(name)
    with pytest.raises(BaseException) as info:
        try:
            function([], 1.0, 0.1, [0.0, 0.5, 1.0], [1.0, 1.0])
        except Exception:  # a panic must not be caught as an ordinary error
            pytest.fail("PanicException was caught by 'except Exception'")
    panic = type(info.value)
    assert (panic.__module__, panic.__qualname__, panic.__bases__) == ("pyo3_runtime", "PanicException",
                                                                       (BaseException,))
    assert info.value.args == ("assertion `left == right` failed\n  left: 3\n right: 2",)
    assert str(info.value) == info.value.args[0]
    first_line, _, tail = panic.__doc__[1:].partition("\n")
    assert panic.__doc__[0] == "\n" and first_line.endswith(".") and "\n" + tail == PANIC_DOC_TAIL
    assert "PanicException" not in vars(varduxel)
    # The type is created once.
    assert type(raised(function, [1.0], 1.0, 0.1, [], [1.0])) is panic


# Memory


MEMORY_CHILD = """
import resource, sys
import varduxel

def mapped_bytes():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmSize:"):
                return int(line.split()[1]) * 1024

l = eval(sys.argv[1])
limit = mapped_bytes() + int(sys.argv[2]) * 2**20
resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
try:
    varduxel.witt_mao_magnification(l, 1.0, 0.1)
except MemoryError:
    print("MemoryError")
"""


@pytest.mark.skipif(not os.path.exists("/proc/self/status"), reason="needs /proc to measure the address space")
@skip_under_sanitizer("its shadow memory takes terabytes of address space, so RLIMIT_AS cannot bound it")
@pytest.mark.parametrize("l, headroom_mib", [
    # The exact reservation for a list of 20 million (160 MiB) fails.
    ("[0.5] * 20_000_000", 64),
    # A range reserves only a little; growing the vector fails.
    ("range(20_000_000)", 64),
    # The input and result vectors (16 MiB each) fit, but the result list with
    # its 2 million floats (64 MiB) does not: still MemoryError, not a panic.
    ("[0.5] * 2_000_000", 56),
])
def test_running_out_of_memory_raises_memory_error(l, headroom_mib):
    process = run_python(MEMORY_CHILD, l, str(headroom_mib))
    assert (process.returncode, process.stdout, process.stderr) == (0, "MemoryError\n", "")
