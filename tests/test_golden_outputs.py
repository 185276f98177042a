"""Every case of the corpus gives, bit for bit, the outcome recorded in
tests/data/golden_outputs.json: results as float bit patterns, failures as
exception type and arguments. The file was recorded from the unoptimised
build (tools/record_golden_outputs.py), so any change of the implementation
that moves a single bit or an error shows up here.

The bits are those of x86-64 Linux with the GNU C library: the models call
the C library's log, log1p, atan, asin, pow and cbrt, which another library
or processor may round differently in the last bit. Elsewhere the comparison
skips, and the comparison of optimised and unoptimised builds
(test_build_independence.py) still holds each build to the same bits."""

import json
import pathlib

import pytest

import varduxel

from tests.support import bits, corpus

RECORDED = json.loads((pathlib.Path(__file__).parent / "data" / "golden_outputs.json").read_text())
GOLDEN = RECORDED["cases"]
GROUPS = corpus.groups()


def test_golden_file_matches_the_corpus():
    # The corpus is rebuilt from code; a changed case list would compare the
    # wrong inputs against the recorded outcomes.
    assert list(GOLDEN) == [case.id for case in corpus.cases()]


@pytest.mark.skipif(RECORDED["platform"] != bits.platform_name(),
                    reason=f"the golden bits are those of {RECORDED['platform']}, whose C library functions "
                    f"(log, atan, ...) this {bits.platform_name()} may round differently")
@pytest.mark.parametrize("group", list(GROUPS))
def test_outcomes_are_bit_identical(group):
    mismatches = []
    for case in GROUPS[group]:
        outcome = corpus.run_case(case, varduxel)
        if outcome != GOLDEN[case.id]:
            mismatches.append((case.id, case.function, GOLDEN[case.id], outcome))
    assert not mismatches, f"{len(mismatches)} of {len(GROUPS[group])} cases differ; first: {mismatches[:3]}"
