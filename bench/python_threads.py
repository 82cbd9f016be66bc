"""Speed-up of two zebfir.Filter objects on two threads over one thread.

The library releases the interpreter lock while it filters (ctypes drops it
around every foreign call), so separate Filter objects on separate threads
run at the same time.  Each of two filters gets the same work: SAMPLES
samples in calls of CHUNK samples.  The baseline runs both in turn on one
thread; then each runs on a thread of its own.  Printed: the best wall-clock
time of several runs of each (alternated, so both see the same machine
load) and their ratio, for large calls and for small ones (where the Python
part of each call, which holds the lock, weighs more).  Run by hand, never
by the test suite:

    ZEBFIR_LIBRARY=build/libzeb_fir_v7_1.so PYTHONPATH=python /usr/bin/python3 bench/python_threads.py
"""
import os
import threading
import time

import numpy as np

import zebfir

SAMPLES = 2**21
RUNS = 7
TAPS = 64


def work(f, x, chunk):
    for start in range(0, len(x), chunk):
        f.process(x[start:start + chunk])


def one_thread(filters, x, chunk):
    start = time.perf_counter()
    for f in filters:
        work(f, x, chunk)
    return time.perf_counter() - start


def two_threads(filters, x, chunk):
    threads = [threading.Thread(target=work, args=(f, x, chunk)) for f in filters]
    start = time.perf_counter()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return time.perf_counter() - start


def main():
    x = np.random.default_rng(1).integers(-2**15, 2**15, SAMPLES).astype(np.float64)
    taps = np.random.default_rng(2).integers(-2**15, 2**15, TAPS)
    filters = [zebfir.Filter(coeff=taps) for _ in range(2)]
    print(f"library  {zebfir.LIBRARY_PATH}")
    print(f"cores    {os.cpu_count()}, load average {os.getloadavg()[0]:.2f} at the start")
    print(f"work     2 filters of {TAPS} taps, {SAMPLES} samples each")
    for chunk in (2**16, 2**13, 2**10):
        alone = together = float("inf")
        for _ in range(RUNS):
            alone = min(alone, one_thread(filters, x, chunk))
            together = min(together, two_threads(filters, x, chunk))
        print(f"calls of {chunk:6d} samples: one thread {alone * 1e3:8.1f} ms, two threads "
              f"{together * 1e3:8.1f} ms, speed-up {alone / together:.2f}")
    for f in filters:
        f.close()


if __name__ == "__main__":
    main()
