"""Random calls of every function with arguments of every kind a caller may
pass: each gives exactly the outcome the interface defines (see
call_model.py), the same bits whatever container holds the values, and the
same bits on every call."""

import struct

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from tests.support import call_model
from tests.support.bits import pattern

FLOATS = st.one_of(
    st.sampled_from(call_model.SPECIAL_FLOATS),
    st.floats(-4.0, 4.0),
    st.floats(0.0, 1.0).map(lambda x: 1.0 + (x - 0.5) * 4e-5),  # the near-caustic windows
    st.floats(allow_nan=True, allow_infinity=True, allow_subnormal=True),
)


class HypothesisSource:
    """The source of choices of call_model, drawn by hypothesis (so failing
    calls shrink)."""

    def __init__(self, data):
        self.data = data

    def integer(self, low, high):
        return self.data.draw(st.integers(low, high))

    def floating(self):
        return self.data.draw(FLOATS)

    def choice(self, options):
        return self.data.draw(st.sampled_from(options))


# The integrated kernel variants cost ~100 us per separation and call.
EXAMPLES = {name: 100 if name in call_model.COSTLY else 400 for name in call_model.FUNCTIONS}


@pytest.mark.parametrize("function", call_model.FUNCTIONS)
def test_every_call_gives_the_defined_outcome(function):
    @settings(max_examples=EXAMPLES[function], deadline=None,
              suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])
    @given(st.data())
    def check(data):
        call_model.check_call(call_model.draw_call(HypothesisSource(data), function))

    check()


def test_the_model_reads_floats_like_the_module():
    # The reference conversion must see through to the exact double: NaN
    # payloads, signed zeros, subnormals, and -1.0 from __float__.
    payload_nan = struct.unpack("<d", struct.pack("<Q", 0xFFF8000000001234))[0]
    for value in [payload_nan, -0.0, 5e-324, -1.0]:
        assert pattern(call_model.to_float(call_model.WithFloat(value))) == pattern(value)
    with pytest.raises(TypeError, match="^must be real number, not str$"):
        call_model.to_float("0.5")


class FixedChoice:
    def __init__(self, choice):
        self.choice = lambda options: choice


@pytest.mark.parametrize("error_kind", ["type_with_cause", "value", "user_base"])
def test_planted_errors_are_checked_by_identity(error_kind):
    # A call whose `re` raises a planted error; the model expects that very
    # error (or its remapped copy), so a module raising an equal but new
    # exception would be caught.
    error = call_model.draw_error(FixedChoice(error_kind))
    call = call_model.Call("witt_mao_magnification",
                           {"l": call_model.Arg("[0.5]", lambda: [0.5]),
                            "re": call_model.Arg("raising", lambda: call_model.RaisingFloat(error)),
                            "rstar": call_model.Arg("0.1", lambda: 0.1)}, 3, [])
    _, expected = call_model.convert(call)
    if error_kind == "type_with_cause":
        assert expected is not error and expected.args == ("argument 're': planted",)
        assert expected.__cause__ is error.__cause__
    else:
        assert expected is error
    call_model.check_call(call)
    assert not call_model.same_error(type(error)(*error.args), error)
