"""A survey grid of limb-darkened light curves with Dask, on one machine or a cluster.

Every varduxel call holds the interpreter lock until it returns, and a grid
of light curves is embarrassingly parallel: each event is independent. This
script spreads a grid of events (impact parameter u0, source radius rho,
Einstein time tE; every event on the same epochs, with linear limb darkening
of coefficient 0.5, by varduxel_lightcurve.light_curve) over the workers of a
dask.distributed cluster in chunks of events, gathers the light curves into
one array, and checks it bit for bit against the same grid computed event by
event in this process. It prints the time of each way, and optionally of a
concurrent.futures process pool with the same chunks.

Chunks. A task is one light curve per event of its chunk. A chunk should be big
enough to amortise the overhead of a task (one event per task instead of
twenty cost about 2 ms more per task on a two-core machine) and small enough
that the work spreads evenly and a cancelled computation stops soon: a
varduxel call cannot be interrupted from Python, so Ctrl-C (or client.cancel)
takes effect only between calls. The default, 20 events of 1,000 epochs, is
about 20 ms of work per task with AVX-512.

By default the script starts a LocalCluster of worker processes with one
thread each (threads would wait for each other on the interpreter lock).
Give --scheduler tcp://host:8786 to use a running scheduler instead; the
workers must have varduxel installed, the same version on the same platform
for the same bits.

Run it, once varduxel (with numpy) and dask[distributed] are installed, with
``python examples/dask_light_curves.py [--events N] [--points N] [--chunk N]
[--workers N] [--pool] [--output FILE.npy]``; without ``--output`` the grid is
saved to ``build/examples/dask_light_curves.npy`` in the checkout.
"""

import argparse
import math
import os
import time

import numpy as np

from varduxel_lightcurve import light_curve

LIMB_DARKENING = 0.5  # the coefficient u of the linear law 1 - u (1 - mu)


def event_grid(events, seed=17):
    """Events as an array of rows (u0, rho, tE): u0 from 1e-3 to 0.3 and rho
    from 1e-3 to 0.1, log-uniform, tE from 5 to 100 days; a fixed seed gives
    the same grid everywhere."""
    random = np.random.default_rng(seed)
    u0 = 10.0 ** random.uniform(-3.0, math.log10(0.3), events)
    rho = 10.0 ** random.uniform(-3.0, -1.0, events)
    t_e = random.uniform(5.0, 100.0, events)
    return np.column_stack([u0, rho, t_e])


def epochs(points):
    """Epochs in days from the peak, denser near it: a peak of +-1 day holds
    half of them."""
    half = points // 2
    wide = np.linspace(-50.0, 50.0, points - half)
    peak = np.linspace(-1.0, 1.0, half)
    return np.sort(np.concatenate([wide, peak]))


def event_light_curve(event, times):
    """Magnifications of one event (u0, rho, tE) at the epochs (days from the
    peak)."""
    u0, rho, t_e = event
    return light_curve(times, 0.0, u0, t_e, rho, LIMB_DARKENING)


def chunk_of_light_curves(events, times):
    """The task: light curves of a chunk of events, one row per event."""
    return np.stack([event_light_curve(event, times) for event in events])


def chunks(grid, size):
    return [grid[start:start + size] for start in range(0, len(grid), size)]


def grid_with_dask(client, grid, times, chunk):
    """The light curves of every event of the grid, one row per event, in the
    order of the grid, computed by the cluster behind `client`."""
    times_on_cluster = client.scatter(times, broadcast=True)
    futures = client.map(chunk_of_light_curves, chunks(grid, chunk), times=times_on_cluster, pure=False)
    try:
        return np.concatenate(client.gather(futures))
    except KeyboardInterrupt:
        # Ctrl-C here stops the waiting at once; cancelling drops the chunks
        # not started, and each running one ends with its current call.
        client.cancel(futures)
        raise


def grid_with_pool(grid, times, chunk, workers):
    from concurrent.futures import ProcessPoolExecutor

    with ProcessPoolExecutor(max_workers=workers) as pool:
        parts = list(pool.map(chunk_of_light_curves, chunks(grid, chunk), [times] * math.ceil(len(grid) / chunk)))
    return np.concatenate(parts)


def grid_serially(grid, times):
    return np.stack([event_light_curve(event, times) for event in grid])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--events", type=int, default=2000, help="number of events of the grid")
    parser.add_argument("--points", type=int, default=1000, help="epochs per light curve")
    parser.add_argument("--chunk", type=int, default=20, help="events per task")
    parser.add_argument("--workers", type=int, default=os.cpu_count(), help="worker processes of the local cluster")
    parser.add_argument("--scheduler", help="address of a running scheduler, instead of a local cluster")
    parser.add_argument("--pool", action="store_true", help="time a process pool with the same chunks too")
    # Under the checkout's build/ folder, wherever it is run from.
    checkout = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(checkout, "build", "examples", "dask_light_curves.npy")
    parser.add_argument("--output", default=output, help="where to save the grid of light curves (.npy)")
    args = parser.parse_args(argv)

    from dask.distributed import Client, LocalCluster

    grid, times = event_grid(args.events), epochs(args.points)
    count = args.events * args.points
    timings = {}
    start = time.perf_counter()
    if args.scheduler:
        client, cluster = Client(args.scheduler), None
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None)
        client = Client(cluster)
    try:
        client.wait_for_workers(1)
        startup = time.perf_counter() - start
        start = time.perf_counter()
        distributed = grid_with_dask(client, grid, times, args.chunk)
        timings["Dask"] = time.perf_counter() - start
        workers = len(client.scheduler_info()["workers"])
    finally:
        client.close()
        if cluster is not None:
            cluster.close()

    if args.pool:
        start = time.perf_counter()
        pooled = grid_with_pool(grid, times, args.chunk, args.workers)
        timings["process pool"] = time.perf_counter() - start
    start = time.perf_counter()
    serial = grid_serially(grid, times)
    timings["serial"] = time.perf_counter() - start

    same = np.array_equal(distributed, serial) and (not args.pool or np.array_equal(pooled, serial))
    print(f"{args.events} events of {args.points} epochs ({count} separations), chunks of {args.chunk} events")
    for name, seconds in timings.items():
        print(f"  {name:13} {seconds:7.2f} s  {count / seconds / 1e6:6.3f} million separations per second"
              + (f" ({workers} workers)" if name == "Dask" else f" ({args.workers} workers)" if name != "serial" else ""))
    print(f"  identical to the last bit: {'yes' if same else 'NO'}")
    print(f"  (starting the cluster or connecting to it took {startup:.2f} s more)")
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    np.save(args.output, distributed)
    print(f"\nGrid saved to {os.path.abspath(args.output)}")
    if not same:
        raise SystemExit("the cluster and this process disagree")


if __name__ == "__main__":
    main()
