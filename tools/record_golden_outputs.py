#!/usr/bin/env python3
"""Records the outcome of every case of tests/support/corpus.py, as computed by the
importable `varduxel`, into tests/data/golden_outputs.json.

Run it once against a build whose results are trusted; test_golden_outputs.py
then holds every later build to those outcomes bit for bit. Rerun it only when
a result is meant to change, and say why in the commit.

    PYTHONPATH=<folder with the built module> python -m tools.record_golden_outputs

from the repository root.
"""

import argparse
import json
import pathlib

from tests.support import bits, corpus

ROOT = pathlib.Path(__file__).resolve().parent.parent


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=pathlib.Path, default=ROOT / "tests" / "data" / "golden_outputs.json")
    args = parser.parse_args()

    import varduxel

    outcomes = corpus.run_corpus(varduxel)
    # One case per line keeps the file diffable.
    lines = [f"{json.dumps(case_id)}: {json.dumps(outcome, separators=(',', ':'))}"
             for case_id, outcome in outcomes.items()]
    args.output.parent.mkdir(parents=True, exist_ok=True)
    args.output.write_text(f'{{"platform": {json.dumps(bits.platform_name())}, "cases": {{\n'
                           + ",\n".join(lines) + "\n}}\n")
    print(f"{len(outcomes)} cases from {varduxel.__file__} -> {args.output}")


if __name__ == "__main__":
    main()
