"""Overhead of zebfir.Filter.process over the C calls it makes.

Feeds 10^6 samples through the default filter, once through process() and
once through the same library calls made directly (create, register a real
sink, zeb_fir_v7_1_data_send of one packet, called straight through ctypes),
and prints the best of several runs of each (CPU time of the calling thread,
which other load on the machine disturbs least) and their ratio, then the fixed
cost of one call on a small packet (best of several batches).  Run by hand, never by the test suite:

    ZEBFIR_LIBRARY=build/libzeb_fir_v7_1.so PYTHONPATH=python /usr/bin/python3 bench/python_overhead.py
"""
import ctypes
import sys
import time

import numpy as np

import zebfir
from zebfir import _clib, _samples

SAMPLES = 10**6
RUNS = 11


def timed(work):
    start = time.thread_time()
    work()
    return time.thread_time() - start


def main():
    samples = int(sys.argv[1]) if len(sys.argv) > 1 else SAMPLES
    x = np.random.default_rng(1).integers(-2**15, 2**15, samples).astype(np.float64)

    # The C calls alone: one model, one sink reused, one packet per run.
    config = _clib.Config()
    _clib.lib.default_config(ctypes.byref(config))
    model = _clib.lib.create(ctypes.byref(config), _clib.MessageHandler(), None)
    sink = _clib.new_record("real")
    _clib.lib.set_data_sink(model, sink, None)
    dims = (ctypes.c_size_t * 3)()
    packet = _samples.point_record(_clib.ArrayRecord(), dims, x, (1, 1, samples))
    send = _clib.lib.data_send
    f = zebfir.Filter()
    # Alternate the two so that both see the same machine load.
    c_time = py_time = float("inf")
    for _ in range(RUNS):
        c_time = min(c_time, timed(lambda: send(model, ctypes.byref(packet))))
        py_time = min(py_time, timed(lambda: f.process(x)))
    # The fixed cost of one call, on packets of 64 samples.
    small, calls = x[:64], 2000
    small_packet = _samples.point_record(_clib.ArrayRecord(), (ctypes.c_size_t * 3)(), small, (1, 1, 64))
    c_call = py_call = float("inf")
    for _ in range(5):
        c_call = min(c_call, timed(lambda: [send(model, ctypes.byref(small_packet)) for _ in range(calls)]) / calls)
        py_call = min(py_call, timed(lambda: [f.process(small) for _ in range(calls)]) / calls)
    c_out = np.ctypeslib.as_array(ctypes.cast(sink.contents.data, ctypes.POINTER(ctypes.c_double)), (samples,))
    send(model, ctypes.byref(packet))
    assert np.array_equal(f.process(x), c_out), "process() and the C calls disagree"
    f.close()
    _clib.lib.destroy(model)
    _clib.destroy_record("real", sink)

    print(f"library  {zebfir.LIBRARY_PATH}")
    print(f"samples  {samples}")
    print(f"C calls  {c_time * 1e3:9.3f} ms")
    print(f"process  {py_time * 1e3:9.3f} ms")
    print(f"ratio    {py_time / c_time:9.3f}")
    print(f"one call on 64 samples: C {c_call * 1e6:.1f} us, process {py_call * 1e6:.1f} us")


if __name__ == "__main__":
    main()
