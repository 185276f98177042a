"""Calls of the module's functions with arbitrary arguments, and what each
call is allowed to give. Shared by the property tests and the fuzzer.

A call is drawn from a source of choices (hypothesis data or fuzzer bytes).
Every argument is described by an `Arg`, which builds a fresh object each
time, so that objects consumed by conversion (iterators, generators) can be
built once for the Python model of the conversion below and once more for
the module.

`check_call` converts the arguments in pure Python exactly as the interface
defines (float conversion through PyFloat_AsDouble, vectors by iteration,
parameters in declaration order, exact TypeErrors remapped with the
parameter's name), then holds the module to it:
- a failing conversion must raise that very error;
- otherwise the result must be bit for bit the result of the same values
  passed as plain floats and lists, every time, and that result must be a
  list of floats of the length of `l` (a float for the circle kernel), a
  RuntimeError with a kernel's message where kernel errors can surface,
  PanicException exactly when a flux map's tables differ in length, or
  ValueError exactly when an interpolated table's radii are NaN or out of
  order.
"""

import array
import collections
import math
import re
import sys
import warnings
from fractions import Fraction

import numpy as np

import varduxel

from tests.support import functions
from tests.support.bits import pattern

# The functions (tests/support/functions.py), by name.
FUNCTIONS = functions.NAMES
PARAMETERS = {f.name: f.parameters for f in functions.FUNCTIONS}
FLUX_MAPS = {f.name for f in functions.FUNCTIONS if f.entry.table}
# The flux maps that interpolate their table refuse radii out of order.
INTERPOLATED_TABLES = {f.name for f in functions.FUNCTIONS if f.entry.table == "interpolated"}
# The integrated kernel variants turn kernel errors into NaN nodes.
NO_KERNEL_ERRORS = {f.name for f in functions.FUNCTIONS if not f.entry.kernel_errors}
COSTLY = {f.name for f in functions.FUNCTIONS if f.entry.costly}
KERNEL_MESSAGE = re.compile(r"(elliprf|elliprd|elliprj|elliprc|ellipk|ellipe|ellippi): \S")


def is_vector(function, name):
    return functions.BY_NAME[function].is_vector(name)


SPECIAL_FLOATS = [0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1e-300, 1e-5, 0.5, 1.0, 1.0 + 1e-5, 2.0,
                  -1.0, -0.5, 1e300, 1.7976931348623157e308, math.inf, -math.inf, math.nan, -math.nan]


# The objects a caller may pass.


class FloatSubclass(float):
    pass


class StrSubclass(str):
    pass


class TypeErrorSubclass(TypeError):
    pass


class UserError(Exception):
    pass


class UserBaseError(BaseException):
    pass


class WithFloat:
    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value


class WithIndex:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class RaisingFloat:
    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error.with_traceback(None)


class RaisingIndex:
    def __init__(self, error):
        self.error = error

    def __index__(self):
        raise self.error.with_traceback(None)


class Sequence(collections.abc.Sequence):
    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        return self.items[index]


class GetItemOnly:
    """The old protocol: indexing until IndexError, no __len__."""

    def __init__(self, items):
        self.items = items

    def __getitem__(self, index):
        return self.items[index]


class GeneratorBacked:
    """A sequence whose items come from a generator; indexing is refused."""

    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        raise AssertionError("a sequence must be read by iteration")

    def __iter__(self):
        return (item for item in self.items)


class OddLength(GeneratorBacked):
    """__len__ lies, raises or returns nonsense; iteration decides."""

    def __init__(self, items, length):
        super().__init__(items)
        self.length = length

    def __len__(self):
        if isinstance(self.length, BaseException):
            raise self.length.with_traceback(None)
        return self.length


class FailingIteration(GeneratorBacked):
    """Iteration raises the planted error after `count` items."""

    def __init__(self, items, count, error):
        super().__init__(items)
        self.count, self.error = count, error

    def __iter__(self):
        def generate():
            yield from self.items[:self.count]
            raise self.error.with_traceback(None)
        return generate()


class NoIterator(GeneratorBacked):
    def __iter__(self):
        return 5


class IterRaises(GeneratorBacked):
    def __init__(self, items, error):
        super().__init__(items)
        self.error = error

    def __iter__(self):
        raise self.error.with_traceback(None)


class IterableOnly:
    """Iterable but not a sequence."""

    def __iter__(self):
        return iter([0.5])


class DictWithItems(dict):
    def __getitem__(self, key):
        return 0.5


class ReversedArray(np.ndarray):
    """An ndarray subclass whose iteration differs from its buffer."""

    def __iter__(self):
        return iter(np.asarray(self)[::-1].tolist())


class ReversedDoubles(array.array):
    def __iter__(self):
        return iter(self.tolist()[::-1])


class Mutator:
    """Converts to `value`, and first changes the list it sits in (appends,
    pops or clears it), which conversion must survive and follow exactly as
    iteration would."""

    def __init__(self, value, action):
        self.value, self.action, self.container = value, action, None

    def __float__(self):
        if self.action == "append":
            self.container.append(0.25)
        elif self.action == "pop" and self.container:
            self.container.pop()
        elif self.action == "clear":
            self.container.clear()
        return self.value


def mutating_list(items, position, action):
    objects = [item.build() for item in items]
    mutator = Mutator(0.75, action)
    objects.insert(position, mutator)
    mutator.container = objects
    return objects


def released_memoryview():
    view = memoryview(array.array("d", [0.5]))
    view.release()
    return view


class Arg:
    """One argument: `build()` makes a fresh object, `label` describes it."""

    def __init__(self, label, build):
        self.label, self.build = label, build

    def __repr__(self):
        return self.label


def plant(error):
    """Marks an error raised by a caller's object: the module must raise that
    very instance (or, for an exact TypeError, a remapped copy of it)."""
    error.planted = True
    return error


# Drawing arguments from a source of choices: anything with integer(low,
# high), floating() and choice(options).


def draw_error(source):
    kind = source.choice(["type_with_cause", "type", "type_subclass", "value", "zero_division", "overflow",
                          "memory", "user", "user_base"])
    if kind == "type_with_cause":
        error = TypeError("planted")
        error.__cause__ = ValueError("cause")
        return plant(error)
    return plant({"type": TypeError, "type_subclass": TypeErrorSubclass, "value": ValueError,
                  "zero_division": ZeroDivisionError, "overflow": OverflowError, "memory": MemoryError,
                  "user": UserError, "user_base": UserBaseError}[kind]("planted " + kind))


def draw_integer(source):
    if source.integer(0, 19) == 0:
        return source.choice([10**400, -(10**400), 2**1024, 2**1023, -(2**63)])
    return source.integer(-3, 3)


def one_in(source, n):
    return source.integer(1, n) == 1


PLAIN = "float"
# Objects that convert (unless their value is out of range) ...
GOOD_NUMBERS = [PLAIN] * 6 + ["float_subclass", "int", "bool", "fraction", "np_float64", "np_float32", "np_int64",
                              "with_float", "float_returns_subclass", "with_index"]
# ... and objects whose conversion fails.
BAD_NUMBERS = ["float_returns_int", "index_returns_float", "raising_float", "raising_index", "junk", "np_array"]


def draw_number(source, good=None):
    """One float-like object (or something that is not one). `good` forces
    the choice between the two kinds; by default one in ten is bad."""
    if good is None:
        good = not one_in(source, 10)
    kind = source.choice(GOOD_NUMBERS if good else BAD_NUMBERS)
    if kind == "int":
        i = draw_integer(source)
        return Arg(f"{i}", lambda: i)
    if kind == "bool":
        b = source.choice([False, True])
        return Arg(f"{b}", lambda: b)
    if kind == "with_index":
        i = draw_integer(source)
        return Arg(f"WithIndex({i})", lambda: WithIndex(i))
    if kind == "np_int64":
        i = source.integer(-(2**63), 2**63 - 1)
        return Arg(f"np.int64({i})", lambda: np.int64(i))
    if kind in ("raising_float", "raising_index"):
        error = draw_error(source)
        cls = RaisingFloat if kind == "raising_float" else RaisingIndex
        return Arg(f"{cls.__name__}({error!r})", lambda: cls(error))
    if kind == "junk":
        junk = source.choice(["str", "none", "list", "complex", "bytes", "object"])
        make = {"str": lambda: "0.5", "none": lambda: None, "list": lambda: [0.5], "complex": lambda: 1j,
                "bytes": lambda: b"1", "object": object}[junk]
        return Arg(f"junk:{junk}", make)
    if kind == "float_returns_int":
        return Arg("WithFloat(1)", lambda: WithFloat(1))
    if kind == "index_returns_float":
        return Arg("WithIndex(0.5)", lambda: WithIndex(0.5))
    v = source.floating()
    make = {
        PLAIN: lambda: v,
        "float_subclass": lambda: FloatSubclass(v),
        "fraction": lambda: Fraction(v) if math.isfinite(v) else v,
        "np_float64": lambda: np.float64(v),
        "np_float32": lambda: np.float32(v),
        "with_float": lambda: WithFloat(v),
        "float_returns_subclass": lambda: WithFloat(FloatSubclass(v)),
        "np_array": lambda: np.array([v]),
    }[kind]
    return Arg(f"{kind}({v!r})", make)


# Containers of arbitrary objects, of floats only and of small integers only ...
OBJECT_CONTAINERS = ["list"] * 4 + ["tuple", "deque", "sequence", "getitem_only", "generator_backed", "odd_length",
                                    "mutating_list"]
FLOAT_CONTAINERS = ["array_d", "memoryview", "ndarray", "ndarray_f32", "ndarray_strided", "ndarray_reversed",
                    "ndarray_big_endian", "ndarray_subclass", "array_subclass", "memoryview_cast"]
INTEGER_CONTAINERS = ["bytes", "bytearray", "range", "array_i", "ndarray_i64"]
# ... and arguments that fail as a whole.
BAD_CONTAINERS = ["failing_iteration", "no_iterator", "iter_raises", "not_a_sequence", "str", "ndarray_column",
                  "ndarray_0d", "released_memoryview"]


def draw_vector(source, max_length, length=None):
    """A sequence argument (or, one time in ten, something that fails as a
    whole). `length` fixes the number of items."""
    if one_in(source, 10):
        kind = source.choice(BAD_CONTAINERS)
    else:
        kind = source.choice(source.choice([OBJECT_CONTAINERS, FLOAT_CONTAINERS, INTEGER_CONTAINERS]))
    n = source.integer(0, max_length) if length is None else length
    if kind in ("bytes", "bytearray", "array_i", "ndarray_i64"):
        ints = [source.integer(0, 255) for _ in range(n)]
        make = {"bytes": lambda: bytes(ints), "bytearray": lambda: bytearray(ints),
                "array_i": lambda: array.array("i", ints), "ndarray_i64": lambda: np.array(ints, dtype=np.int64)}
        return Arg(f"{kind}({ints})", make[kind])
    if kind == "range":
        start, step = draw_integer(source), source.choice([1, 2, -1, 10**300])
        return Arg(f"range({start}, +{n}*{step})", lambda: range(start, start + n * step, step))
    if kind in FLOAT_CONTAINERS or kind in ("ndarray_column", "ndarray_0d"):
        values = [source.floating() for _ in range(n)]
        make = {
            "array_d": lambda: array.array("d", values),
            "memoryview": lambda: memoryview(array.array("d", values)),
            "memoryview_cast": lambda: memoryview(array.array("d", values).tobytes()).cast("d"),
            "ndarray": lambda: np.array(values, dtype=np.float64),
            "ndarray_f32": lambda: np.array(values, dtype=np.float32),
            "ndarray_strided": lambda: np.repeat(np.array(values, dtype=np.float64), 2)[::2],
            "ndarray_reversed": lambda: np.array(values, dtype=np.float64)[::-1],
            "ndarray_big_endian": lambda: np.array(values, dtype=">f8"),
            "ndarray_subclass": lambda: np.array(values, dtype=np.float64).view(ReversedArray),
            "array_subclass": lambda: ReversedDoubles("d", values),
            "ndarray_column": lambda: np.array(values, dtype=np.float64).reshape(-1, 1),
            "ndarray_0d": lambda: np.array(values[0] if values else 0.5),
        }[kind]
        return Arg(f"{kind}({values!r})", make)
    if kind == "released_memoryview":
        return Arg(kind, released_memoryview)
    if kind == "not_a_sequence":
        other = source.choice(["dict", "dict_subclass", "set", "frozenset", "int", "float", "none", "generator",
                               "iterator", "iterable_only"])
        make = {"dict": lambda: {0: 0.5}, "dict_subclass": lambda: DictWithItems(a=1), "set": lambda: {0.5},
                "frozenset": lambda: frozenset(), "int": lambda: 3, "float": lambda: 0.5, "none": lambda: None,
                "generator": lambda: (x for x in [0.5]), "iterator": lambda: iter([0.5]),
                "iterable_only": IterableOnly}[other]
        return Arg(f"not a sequence: {other}", make)
    if kind == "str":
        text = source.choice(["", "0.5", "ab"])
        subclass = source.choice([False, True])
        return Arg(f"str({text!r})", lambda: StrSubclass(text) if subclass else text)

    # Mostly elements that all convert, so that results get compared too.
    good = True if not one_in(source, 8) else None
    items = [draw_number(source, good) for _ in range(n)]
    label = f"{kind}{items}"

    def elements():
        return [item.build() for item in items]

    if kind == "mutating_list":
        position, action = source.integer(0, n), source.choice(["append", "pop", "clear"])
        return Arg(f"list{items} with Mutator({action}) at {position}",
                   lambda: mutating_list(items, position, action))
    if kind == "odd_length":
        length = source.choice([0, 1, 10**6, sys.maxsize, -1, "nonsense", "raises"])
        if length == "raises":
            length = draw_error(source)
        return Arg(f"OddLength(len={length!r}, {items})", lambda: OddLength(elements(), length))
    if kind == "failing_iteration":
        count, error = source.integer(0, n), draw_error(source)
        return Arg(f"FailingIteration(after {count}, {error!r}, {items})",
                   lambda: FailingIteration(elements(), count, error))
    if kind == "iter_raises":
        error = draw_error(source)
        return Arg(f"IterRaises({error!r})", lambda: IterRaises(elements(), error))
    make = {
        "list": elements,
        "tuple": lambda: tuple(elements()),
        "deque": lambda: collections.deque(elements()),
        "sequence": lambda: Sequence(elements()),
        "getitem_only": lambda: GetItemOnly(elements()),
        "generator_backed": lambda: GeneratorBacked(elements()),
        "no_iterator": lambda: NoIterator(elements()),
    }[kind]
    return Arg(label, make)


TABLE_LENGTH = 6


def draw_argument(source, function, name, length=None):
    if is_vector(function, name):
        max_length = TABLE_LENGTH if name != "l" else 2 if function in COSTLY else 8
        return draw_vector(source, max_length, length)
    if one_in(source, 40):
        return draw_vector(source, 2)  # a sequence where a float belongs
    return draw_number(source)


class Call:
    def __init__(self, function, arguments, positional, keywords):
        self.function = function
        self.arguments = arguments      # {parameter: Arg}
        self.positional = positional    # how many go by position
        self.keywords = keywords        # the others, in the order written

    def invoke(self):
        """Builds fresh objects and calls the module; returns (result, error)."""
        parameters = PARAMETERS[self.function]
        objects = {name: self.arguments[name].build() for name in parameters}
        args = [objects[name] for name in parameters[:self.positional]]
        kwargs = {name: objects[name] for name in self.keywords}
        return capture(getattr(varduxel, self.function), *args, **kwargs)

    def __repr__(self):
        written = [repr(self.arguments[name]) for name in PARAMETERS[self.function][:self.positional]]
        written += [f"{name}={self.arguments[name]!r}" for name in self.keywords]
        return f"{self.function}({', '.join(written)})"


def draw_call(source, function=None):
    function = function if function is not None else source.choice(FUNCTIONS)
    parameters = PARAMETERS[function]
    # The two tables of a flux map mostly have one length.
    table_length = source.integer(0, TABLE_LENGTH) if not one_in(source, 5) else None
    arguments = {name: draw_argument(source, function, name, table_length if name in ("bl", "bf") else None)
                 for name in parameters}
    positional = source.integer(0, len(parameters))
    remaining = list(parameters[positional:])
    keywords = []
    while remaining:
        keywords.append(remaining.pop(source.integer(0, len(remaining) - 1)))
    return Call(function, arguments, positional, keywords)


# The conversion as the interface defines it, in Python. math.ldexp(x, 0)
# reads x exactly as the module does (an exact float directly, anything else
# through PyFloat_AsDouble) and returns it unchanged, NaN payloads included.


def to_float(obj):
    return math.ldexp(obj, 0)


def is_sequence(obj):
    # PySequence_Check for the objects drawn above: a type with item access
    # that is not a dict.
    return hasattr(type(obj), "__getitem__") and not isinstance(obj, dict)


def to_vector(obj):
    if isinstance(obj, str):
        raise TypeError("Can't extract `str` to `Vec`")
    if not is_sequence(obj):
        raise TypeError(f"'{type(obj).__qualname__}' object cannot be converted to 'Sequence'")
    return [to_float(item) for item in obj]


def remapped(name, error):
    if type(error) is not TypeError:
        return error
    replacement = TypeError(f"argument '{name}': {error}")
    replacement.__cause__ = error.__cause__
    return replacement


def convert(call):
    """(values, None) with the converted values by parameter name, or
    (None, error) with the error the call must raise."""
    values = {}
    for name in PARAMETERS[call.function]:
        convert_one = to_vector if is_vector(call.function, name) else to_float
        try:
            values[name] = convert_one(call.arguments[name].build())
        except Exception as error:
            return None, remapped(name, error)
        except UserBaseError as error:
            return None, error
    return values, None


def capture(function, *args, **kwargs):
    try:
        return function(*args, **kwargs), None
    except (KeyboardInterrupt, SystemExit):
        raise
    except BaseException as error:
        return None, error


def outcome_key(outcome):
    """An outcome in a form that compares bit for bit."""
    result, error = outcome
    if error is not None:
        return ("error", type(error), error.args)
    if type(result) is list:
        return ("list", [(type(x), pattern(x)) for x in result])
    return (type(result), pattern(result))


def describe(outcome):
    result, error = outcome
    return repr(error) if error is not None else repr(result)


def table_refusal(bl):
    """The ValueError text for the first radius of `bl` that is NaN or below
    its predecessor, or None for radii in ascending order."""
    for i, radius in enumerate(bl):
        if math.isnan(radius):
            return f"bl[{i}] is NaN"
        if i > 0 and radius < bl[i - 1]:
            return f"bl must be in ascending order: bl[{i}] < bl[{i - 1}]"
    return None


def check_allowed(function, values, outcome):
    """The outcome of a call whose arguments converted to `values` is one the
    interface allows."""
    result, error = outcome
    if function in FLUX_MAPS and len(values["bl"]) != len(values["bf"]):
        assert type(error).__name__ == "PanicException" and type(error).__module__ == "pyo3_runtime", \
            describe(outcome)
        assert error.args == ("assertion `left == right` failed\n"
                              f"  left: {len(values['bl'])}\n right: {len(values['bf'])}",)
        return
    if function in INTERPOLATED_TABLES and table_refusal(values["bl"]) is not None:
        assert type(error) is ValueError and error.args == (table_refusal(values["bl"]),), describe(outcome)
        return
    if error is not None:
        if isinstance(error, MemoryError):
            return
        assert type(error) is RuntimeError and function not in NO_KERNEL_ERRORS, describe(outcome)
        assert len(error.args) == 1 and KERNEL_MESSAGE.match(error.args[0]), describe(outcome)
        return
    if not functions.BY_NAME[function].returns_list:
        assert type(result) is float
    else:
        assert type(result) is list and len(result) == len(values["l"]), describe(outcome)
        assert all(type(x) is float for x in result)


def same_error(actual, expected):
    if getattr(expected, "planted", False):
        return actual is expected
    return (type(actual) is type(expected) and actual.args == expected.args
            and actual.__cause__ is expected.__cause__)


def check_call(call):
    """Calls the module and asserts that the outcome is the defined one."""
    with warnings.catch_warnings():
        # Deprecated conversions (a __float__ returning a float subclass)
        # warn; the value is used all the same.
        warnings.simplefilter("ignore")
        values, expected_error = convert(call)
        outcome = call.invoke()
        if expected_error is not None:
            assert outcome[1] is not None and same_error(outcome[1], expected_error), \
                f"{call}: expected {expected_error!r}, got {describe(outcome)}"
            return
        plain = capture(getattr(varduxel, call.function), **values)
        check_allowed(call.function, values, plain)
        assert outcome_key(outcome) == outcome_key(plain), \
            f"{call}: {describe(outcome)} differs from {describe(plain)} for the plain values {values}"
        assert outcome_key(call.invoke()) == outcome_key(outcome), f"{call}: a second call differs"
