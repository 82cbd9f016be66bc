"""What a model computes with and what it wrapped, as Python values: the
functions of include/zeb_fir_v7_1_inspect.h."""
import ctypes
from dataclasses import dataclass, fields
from typing import NamedTuple, Optional

import numpy as np

from ._clib import Info as _InfoRecord
from ._clib import WrapCounts as _WrapRecord
from ._clib import destroy_record, lib, new_record

ARITHMETICS = ("double", "int128", "gmp")


@dataclass(frozen=True)
class Info:
    """Formats and state of a model when it was asked (read-only)."""
    data_width: int
    data_fract_width: int
    coeff_width: int
    coeff_fract_width: int
    acc_width: int
    output_width: int
    output_fract_width: int
    output_lsb_exponent: int  # the output LSB weighs 2^this in input-value units
    arithmetic: str           # "double", "int128" or "gmp"
    current_pattern: int
    queued_configs: int
    queued_reloads: int


class GroupDelay(NamedTuple):
    input_samples: float   # output_samples * decimation_rate / interpolation_rate
    output_samples: float  # an impulse at input i is centred at output i * L / M + this


class Position(NamedTuple):
    vector: int  # whole turns of the channel sequence since creation or reset
    path: int
    slot: int


@dataclass(frozen=True, eq=False)
class WrapCounts:
    """Wraps since creation, reset or clear_wrap_counts (read-only)."""
    input: int
    output: int
    coefficients: int
    first_input: Optional[Position]   # None when input is 0
    first_output: Optional[Position]  # None when output is 0, else in the order outputs are read
    input_by_channel: np.ndarray      # (num_paths, num_channels), saturated at 2^32 - 1
    output_by_channel: np.ndarray

    def __str__(self):
        kinds = (("input", self.input, self.first_input), ("output", self.output, self.first_output),
                 ("coefficients", self.coefficients, None))
        return "wrapped: " + (", ".join(
            f"{kind} {n}" + (f" (first at vector {at.vector}, path {at.path}, slot {at.slot})" if at else "")
            for kind, n, at in kinds if n) or "nothing")


def _elements(record, dtype):
    """A copy of a library-grown record's elements."""
    r = record.contents
    size = np.dtype(dtype).itemsize * r.data_size
    return np.frombuffer((ctypes.c_char * size).from_address(r.data), dtype).copy() if size else np.empty(0, dtype)


def info(call):
    raw = _InfoRecord()
    call(lib.get_info, ctypes.byref(raw))
    values = {f.name: getattr(raw, f.name) for f in fields(Info)}
    if 0 <= values["arithmetic"] < len(ARITHMETICS):
        values["arithmetic"] = ARITHMETICS[values["arithmetic"]]
    return Info(**values)


def coefficients(call, sets):
    """The quantised sets as integers in coefficient LSBs, shape (sets, taps)."""
    record = new_record("real")
    try:
        rows = []
        for s in range(sets):
            call(lib.get_coefficients, s, record)
            rows.append(_elements(record, np.float64))
    finally:
        destroy_record("real", record)
    return np.array(rows, dtype=np.int64)


def group_delay(call, coefficient_set):
    delay = ctypes.c_double(), ctypes.c_double()
    call(lib.get_group_delay, coefficient_set, *map(ctypes.byref, delay))
    return GroupDelay(delay[0].value, delay[1].value)


def wrap_counts(call):
    raw = _WrapRecord()
    call(lib.get_wrap_counts, ctypes.byref(raw))
    records = new_record("uint"), new_record("uint")
    try:
        call(lib.get_wrap_counts_by_channel, *records)
        # Element path + paths * channel: (paths, channels) in Fortran order.
        by_channel = [_elements(r, np.uintc).astype(np.int64).reshape(tuple(r.contents.dim[:2]), order="F")
                      for r in records]
    finally:
        for r in records:
            destroy_record("uint", r)
    first = [Position(p.vector, p.path, p.slot) if n else None
             for n, p in ((raw.input, raw.first_input), (raw.output, raw.first_output))]
    return WrapCounts(raw.input, raw.output, raw.coefficients, *first, *by_channel)
