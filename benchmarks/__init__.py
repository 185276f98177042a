"""The benchmark of varduxel against its native floors and its peers; run it
as `./dev bench` or `python -m benchmarks.run` from the repository root."""
