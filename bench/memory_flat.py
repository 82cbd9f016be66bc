"""Memory of long streams: the resident set size after every tenth of the work.

Two runs, each 10^7 samples unless a count is given:
  slots    a 4-channel model under advanced pattern 3 (slots 0 1 0 2),
           interpolating by 2, fed one slot per call, its output read as
           whole vectors after every 4096 slots;
  hilbert  a Hilbert filter fed packets of 4096 samples, its output read
           through real records (which carry no in-phase part).
Memory must stay flat: the model keeps no more than the output waiting to be
read.  Run by hand, never by the test suite, once per library to compare:

    ZEBFIR_LIBRARY=build/libzeb_fir_v7_1.so PYTHONPATH=python /usr/bin/python3 bench/memory_flat.py
"""
import ctypes
import sys

import numpy as np

from zebfir import _clib, _samples

BLOCK = 4096


def rss_mb():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def model(**fields):
    config = _clib.Config()
    _clib.lib.default_config(ctypes.byref(config))
    config.name = b"memory"
    coeff = np.array([1.0, 2.0, 3.0, 2.0, 1.0])
    config.coeff, config.num_coeffs = coeff.ctypes.data_as(ctypes.POINTER(ctypes.c_double)), len(coeff)
    for name, value in fields.items():
        setattr(config, name, value)
    handle = _clib.lib.create(ctypes.byref(config), _clib.MessageHandler(), None)
    if not handle:
        sys.exit("the model refused the configuration")
    return handle


def record(array, lengths):
    return _samples.point_record(_clib.ArrayRecord(), (ctypes.c_size_t * 3)(), array, lengths)


def report(name, samples, steps):
    print(f"{name}: {samples} samples, RSS MB at start and after each tenth: " +
          " ".join(f"{mb:.0f}" for mb in steps), flush=True)


def slots(samples, get):
    m = model(filter_type=1, interpolation_rate=2, chan_seq=1, num_channels=4, init_pattern=3)
    one = record(np.ones(1), (1,))
    out = np.empty(2 * BLOCK)
    into = record(out, (1, 4, len(out) // 4))
    steps = [rss_mb()]
    for i in range(1, samples + 1):
        _clib.lib.data_send_channel(m, ctypes.byref(one))
        if i % BLOCK == 0:
            into.dim[2] = len(out) // 4
            get(m, ctypes.byref(into), None)
        if i % (samples // 10) == 0:
            steps.append(rss_mb())
    _clib.lib.destroy(m)
    report("slots", samples, steps)


def hilbert(samples, get):
    m = model(filter_type=3, num_coeffs=5)
    packet = record(np.ones(BLOCK), (1, 1, BLOCK))
    out = np.empty(BLOCK)
    into = record(out, (1, 1, BLOCK))
    steps = [rss_mb()]
    for i in range(1, samples // BLOCK + 1):
        _clib.lib.data_send(m, ctypes.byref(packet))
        into.dim[2] = BLOCK
        get(m, ctypes.byref(into), None)
        if i % max(1, samples // BLOCK // 10) == 0:
            steps.append(rss_mb())
    _clib.lib.destroy(m)
    report("hilbert", samples, steps)


def main():
    samples = int(float(sys.argv[1])) if len(sys.argv) > 1 else 10**7
    get = _clib.cdll.zeb_fir_v7_1_data_get
    get.restype, get.argtypes = ctypes.c_int, [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p]
    print("library:", _clib.LIBRARY_PATH)
    slots(samples, get)
    hilbert(samples, get)


if __name__ == "__main__":
    main()
