#!/usr/bin/env python3
"""Records the outcome of every case of tests/corpus.py, as computed by the
importable `varduxel`, into tests/data/golden_outputs.json.

Run it once against a build whose results are trusted; test_golden_outputs.py
then holds every later build to those outcomes bit for bit. Rerun it only when
a result is meant to change, and say why in the commit.

    PYTHONPATH=<folder with the built module> python tools/record_golden_outputs.py
"""

import argparse
import json
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))

import corpus  # noqa: E402


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
    args.output.write_text('{"cases": {\n' + ",\n".join(lines) + "\n}}\n")
    print(f"{len(outcomes)} cases from {varduxel.__file__} -> {args.output}")


if __name__ == "__main__":
    main()
