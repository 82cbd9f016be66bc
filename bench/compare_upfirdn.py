#!/usr/bin/python3
"""Side-by-side throughput of the model and scipy.signal.upfirdn.

Runs seven filter shapes through the shared library (ctypes: one whole packet
in with zeb_fir_v7_1_data_send, every whole output vector out with
zeb_fir_v7_1_data_get) and through scipy.signal.upfirdn (float64) on the same
integer data and coefficients, so that upfirdn is exact too.  Per case it
prints input samples per second of both, their ratio, and whether the
outputs are bit-identical.  Best of N timed runs after one warm-up; the
model is reset (untimed) before every run, so each run filters the packet
from a fresh state and the last one is compared.  With --cold every run has
a model of its own, created untimed, as a user's first call meets it: its
buffers grow inside the timed packet.  Times are the process's
CPU time by default (both sides are single-threaded, so on an idle machine
this is the elapsed time, and on a shared one it leaves out the time other
programs take); --clock wall measures elapsed time instead.

Needs Debian's python3 with python3-numpy and python3-scipy; run by hand:

    /usr/bin/python3 bench/compare_upfirdn.py build-release/libzeb_fir_v7_1.so
"""
import argparse
import ctypes as C
import sys
import time

import numpy as np
from scipy.signal import upfirdn

DEFAULT_COEFF = [6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6]

SINGLE_RATE, INTERPOLATION, DECIMATION = 0, 1, 2
INTEGER_RATE, FIXED_FRACTIONAL = 0, 1


class Config(C.Structure):
    _fields_ = [
        ("name", C.c_char_p), ("filter_type", C.c_int), ("rate_change", C.c_int),
        ("interpolation_rate", C.c_uint), ("decimation_rate", C.c_uint), ("zero_packing_factor", C.c_uint),
        ("coeff", C.POINTER(C.c_double)), ("coeff_padding", C.c_uint), ("num_coeffs", C.c_uint),
        ("coeff_sets", C.c_uint), ("reloadable", C.c_uint), ("is_halfband", C.c_uint),
        ("quantization", C.c_int), ("coeff_width", C.c_uint), ("coeff_fract_width", C.c_uint),
        ("chan_seq", C.c_int), ("num_channels", C.c_uint), ("init_pattern", C.c_int32),
        ("num_paths", C.c_uint), ("data_width", C.c_uint), ("data_fract_width", C.c_uint),
        ("output_rounding_mode", C.c_int), ("output_width", C.c_uint), ("output_fract_width", C.c_uint),
        ("config_method", C.c_int),
    ]


class RealArray(C.Structure):
    _fields_ = [
        ("data", C.POINTER(C.c_double)), ("data_size", C.c_size_t), ("data_capacity", C.c_size_t),
        ("dim", C.POINTER(C.c_size_t)), ("dim_size", C.c_size_t), ("dim_capacity", C.c_size_t),
        ("owner", C.c_int), ("ops", C.c_void_p),
    ]


def load(path):
    lib = C.CDLL(path)
    lib.zeb_fir_v7_1_default_config.argtypes = [C.POINTER(Config)]
    lib.zeb_fir_v7_1_create.argtypes = [C.POINTER(Config), C.c_void_p, C.c_void_p]
    lib.zeb_fir_v7_1_create.restype = C.c_void_p
    for fn in ("destroy", "reset"):
        getattr(lib, "zeb_fir_v7_1_" + fn).argtypes = [C.c_void_p]
    lib.zeb_fir_v7_1_data_send.argtypes = [C.c_void_p, C.POINTER(RealArray)]
    lib.zeb_fir_v7_1_data_get.argtypes = [C.c_void_p, C.POINTER(RealArray), C.c_void_p]
    lib.zeb_fir_v7_1_get_config.argtypes = [C.c_void_p, C.POINTER(Config)]
    lib.zeb_fir_v7_1_zeb_array_real_create.restype = C.POINTER(RealArray)
    lib.zeb_fir_v7_1_zeb_array_real_reserve_data.argtypes = [C.POINTER(RealArray), C.c_size_t]
    lib.zeb_fir_v7_1_zeb_array_real_reserve_dim.argtypes = [C.POINTER(RealArray), C.c_size_t]
    lib.zeb_fir_v7_1_zeb_array_real_destroy.argtypes = [C.POINTER(RealArray)]
    return lib


class Record:
    """A three-dimensional real record owned by the library, seen as a numpy array."""

    def __init__(self, lib, dims, capacity):
        self.lib = lib
        self.rec = lib.zeb_fir_v7_1_zeb_array_real_create()
        if lib.zeb_fir_v7_1_zeb_array_real_reserve_dim(self.rec, 3) != 0 or \
                lib.zeb_fir_v7_1_zeb_array_real_reserve_data(self.rec, capacity) != 0:
            raise MemoryError("cannot reserve a record of %d elements" % capacity)
        self.set_dims(dims)
        self.values = np.ctypeslib.as_array(self.rec.contents.data, shape=(capacity,))

    def set_dims(self, dims):
        r = self.rec.contents
        for i, d in enumerate(dims):
            r.dim[i] = d
        r.dim_size = 3

    def close(self):
        self.lib.zeb_fir_v7_1_zeb_array_real_destroy(self.rec)


class Case:
    def __init__(self, title, coeff, paths=1, channels=1, L=1, M=1, filter_type=SINGLE_RATE,
                 rate_change=INTEGER_RATE, width=16, reloadable=0, data_bits=None):
        self.title, self.coeff = title, np.asarray(coeff, dtype=np.float64)
        self.paths, self.channels, self.L, self.M = paths, channels, L, M
        self.filter_type, self.rate_change, self.width, self.reloadable = filter_type, rate_change, width, reloadable
        # Input values lie within +-2^data_bits (default: the whole port).
        self.data_bits = width - 1 if data_bits is None else data_bits


def random_ints(rng, n, limit):
    return rng.integers(-limit, limit, size=n).astype(np.float64)


def cases():
    rng = np.random.default_rng(11)
    return [
        Case("default 21 taps, 1/1", DEFAULT_COEFF),
        Case("16 paths x 64 channels, 21 taps", DEFAULT_COEFF, paths=16, channels=64),
        Case("64 taps, interpolate x4 (input rate)", random_ints(rng, 64, 2000), L=4, filter_type=INTERPOLATION),
        Case("63 taps, decimate /3 (input rate)", random_ints(rng, 63, 2000), M=3, filter_type=DECIMATION),
        Case("21 taps, 3/2", DEFAULT_COEFF, L=3, M=2, filter_type=INTERPOLATION, rate_change=FIXED_FRACTIONAL),
        Case("21 taps, integer mode (30-bit data and coefficients)", DEFAULT_COEFF, width=30, reloadable=1),
        # The accumulator is sized for any reloaded set of 49-bit
        # coefficients; values within 2^43 keep every sum exact in upfirdn's
        # doubles.
        Case("21 taps, integer mode, 103-bit accumulator (49-bit)", DEFAULT_COEFF, width=49, reloadable=1,
             data_bits=43),
    ]


def model_config(lib, case):
    cfg = Config()
    lib.zeb_fir_v7_1_default_config(C.byref(cfg))
    cfg.filter_type, cfg.rate_change = case.filter_type, case.rate_change
    cfg.interpolation_rate, cfg.decimation_rate = case.L, case.M
    cfg.coeff = case.coeff.ctypes.data_as(C.POINTER(C.c_double))
    cfg.num_coeffs = len(case.coeff)
    cfg.num_paths, cfg.num_channels = case.paths, case.channels
    cfg.data_width = cfg.coeff_width = case.width
    cfg.reloadable = case.reloadable
    return cfg


CLOCK = time.process_time


def reference(case, x):
    """upfirdn output aligned with the model's outputs, and the timed call.

    x holds one row per (path, channel), time along the row (upfirdn's
    fastest layout).  Output m of the model sits at position m*M + offset of
    the up-sampled stream (offset M-1 unless L > M); upfirdn's output n sits
    at n*M.  Leading zero samples shift the stream so both grids meet; the
    outputs they add at the front are dropped."""
    L, M = case.L, case.M
    offset = 0 if L > M else M - 1
    pre = 0 if offset == 0 else pow(L, -1, M)  # pre*L = 1 (mod M): offset + pre*L lands on the grid
    if pre:
        x = np.concatenate([np.zeros(x.shape[:-1] + (pre,)), x], axis=-1)
    drop = (offset + pre * L) // M
    t0 = CLOCK()
    y = upfirdn(case.coeff, x, up=L, down=M, axis=-1)
    return y[..., drop:], CLOCK() - t0


def same_bits(a, b):
    # Adding +0.0 turns a negative zero into a positive one.
    return a.shape == b.shape and np.array_equal((a + 0.0).view(np.int64), (b + 0.0).view(np.int64))


def create(lib, cfg, case):
    model = lib.zeb_fir_v7_1_create(C.byref(cfg), None, None)
    if not model:
        raise RuntimeError("model refused the configuration of " + case.title)
    return model


def run_case(lib, case, vectors, reps, cold=False):
    P, Cn, V = case.paths, case.channels, vectors
    cfg = model_config(lib, case)
    model = create(lib, cfg, case)
    samples = P * Cn * V
    wanted = V * case.L // case.M
    inp = Record(lib, (P, Cn, V), samples)
    out = Record(lib, (P, Cn, wanted), P * Cn * wanted)
    try:
        rng = np.random.default_rng(1234)
        inp.values[:] = rng.integers(-(1 << case.data_bits), 1 << case.data_bits, size=samples)
        inp.rec.contents.data_size = samples

        best_model = float("inf")
        for rep in range(reps + 1):
            if cold:
                lib.zeb_fir_v7_1_destroy(model)
                model = None
                model = create(lib, cfg, case)
            else:
                lib.zeb_fir_v7_1_reset(model)
            out.set_dims((P, Cn, wanted))
            out.rec.contents.data_size = 0
            t0 = CLOCK()
            if lib.zeb_fir_v7_1_data_send(model, inp.rec) != 0 or lib.zeb_fir_v7_1_data_get(model, out.rec, None) != 0:
                raise RuntimeError("model call failed in " + case.title)
            elapsed = CLOCK() - t0
            if rep > 0:
                best_model = min(best_model, elapsed)
        got_vectors = out.rec.contents.dim[2]
        # Records are (path, slot, vector), path fastest: one row per (slot, path).
        got = out.values[:P * Cn * got_vectors].reshape(got_vectors, Cn * P).T

        x = np.ascontiguousarray(inp.values[:samples].reshape(V, Cn * P).T)
        best_ref = float("inf")
        for rep in range(reps + 1):
            y, elapsed = reference(case, x)
            if rep > 0:
                best_ref = min(best_ref, elapsed)
            if rep < reps:
                del y
        identical = got_vectors > 0 and same_bits(got, y[:, :got_vectors])
        del y
    finally:
        out.close()
        inp.close()
        if model:
            lib.zeb_fir_v7_1_destroy(model)
    return samples / best_model / 1e6, samples / best_ref / 1e6, identical


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("library", help="path of libzeb_fir_v7_1.so (a Release build)")
    parser.add_argument("--vectors-log2", type=int, default=18,
                        help="input samples per path and channel per packet, as a power of two (default 18)")
    parser.add_argument("--reps", type=int, default=5, help="timed runs per case, best one counts (default 5)")
    parser.add_argument("--cases", default="", help="comma-separated case numbers (1-7) to run; default all")
    parser.add_argument("--clock", choices=("cpu", "wall"), default="cpu",
                        help="process CPU time (default) or elapsed time")
    parser.add_argument("--cold", action="store_true",
                        help="a fresh model for every run (created untimed) instead of a reset one")
    args = parser.parse_args()
    global CLOCK
    CLOCK = time.process_time if args.clock == "cpu" else time.perf_counter

    lib = load(args.library)
    all_cases = cases()
    chosen = {int(c) for c in args.cases.split(",") if c} or set(range(1, len(all_cases) + 1))
    print("input samples per path and channel per packet: %d, best of %d after a warm-up, %s time%s"
          % (1 << args.vectors_log2, args.reps, "CPU" if args.clock == "cpu" else "elapsed",
             ", a fresh model per run" if args.cold else ""))
    print("%-53s %12s %14s %7s  %s" % ("case", "model Msps", "upfirdn Msps", "ratio", "bit-identical"))
    all_identical = True
    for number, case in enumerate(all_cases, start=1):
        if number not in chosen:
            continue
        model_msps, ref_msps, identical = run_case(lib, case, 1 << args.vectors_log2, args.reps, args.cold)
        all_identical = all_identical and identical
        print("%-53s %12.1f %14.1f %7.2f  %s" % (case.title, model_msps, ref_msps, model_msps / ref_msps,
                                                "yes" if identical else "no"))
        sys.stdout.flush()
    return 0 if all_identical else 1


if __name__ == "__main__":
    sys.exit(main())
