"""Time per point of one method: thread CPU time (time.thread_time), the
best of several runs, on as many points of the light curve as a time budget
allows. CPU time of the thread leaves out the time other processes hold the
core, the main noise on a shared machine; every method runs on one thread."""

import time

import numpy as np


def _run_time(call):
    start = time.thread_time()
    result = call()
    return time.thread_time() - start, result


def time_per_point(make_call, l, rho, budget, max_repeats=7):
    """Seconds per point of make_call on the separations l (or an evenly
    strided subset of them when the whole curve would not fit the budget),
    and the number of points timed."""
    probe = l[:: max(1, len(l) // 8)]
    call = make_call(probe, rho)
    call()  # warm up: first-call set-up of the method, caches, imports
    elapsed, _ = _run_time(call)
    per_point = max(elapsed / len(probe), 1e-9)
    count = int(min(len(l), max(len(probe), budget / (2 * per_point))))
    points = l[np.linspace(0, len(l) - 1, count).round().astype(int)] if count < len(l) else l
    call = make_call(points, rho)
    best = float("inf")
    spent = 0.0
    for _ in range(max_repeats):
        elapsed, _ = _run_time(call)
        best = min(best, elapsed)
        spent += elapsed
        if spent > budget:
            break
    return best / len(points), len(points)
