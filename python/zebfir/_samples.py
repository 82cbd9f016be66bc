"""Samples across the C interface: NumPy arrays as input records, output
records as NumPy arrays, GMP integers as Python ints."""
import ctypes
import math

import numpy as np

from ._clib import LIMB_BYTES, Mpz, lib
from .errors import InputError

_MPZ = np.dtype(Mpz)
_FLOAT64 = np.dtype(np.float64)
_SAFE_DOUBLE = 2**53


def prepare_record(record, dims):
    """Gives a caller-owned record its dimension store, once: the fields
    show() leaves alone."""
    record.dim = ctypes.cast(dims, ctypes.POINTER(ctypes.c_size_t))
    record.dim_capacity = len(dims)
    record.owner = 1  # never grown or freed by the library
    record.ops = None
    return record


def show(record, dims, address, size, lengths):
    """Makes a prepared record show size elements at address."""
    record.data = address if size else None
    record.data_size = record.data_capacity = size
    count = len(lengths)
    dims[:count] = lengths
    record.dim_size = count
    return record


def point_record(record, dims, array, lengths):
    """Makes a caller-owned record show a C-contiguous array without a copy."""
    return show(prepare_record(record, dims), dims, array.ctypes.data if array.size else None, array.size, lengths)


class Staging:
    """A filter's own store for small input packets: copying one there costs
    less than finding the address of the caller's array."""

    SIZE = 1024  # elements

    def __init__(self):
        self._store = np.empty(self.SIZE, dtype=np.float64)
        self._address = self._store.ctypes.data

    def show(self, record, dims, array, lengths):
        """Makes a prepared record show a C-contiguous float64 array, copied
        here when it is small."""
        size = array.size
        if size > self.SIZE:
            return show(record, dims, array.ctypes.data, size, lengths)
        self._store[:size] = array if array.ndim == 1 else array.reshape(-1)
        return show(record, dims, self._address, size, lengths)


def shown(value):
    """A value as a message shows it: repr, but a huge integer by its size
    (Python refuses to print more than 4300 digits)."""
    value = value.item() if isinstance(value, np.generic) else value
    if isinstance(value, int) and value.bit_length() > 64:
        return f"an integer of {value.bit_length()} bits"
    return repr(value)


def _finite_double(item):
    try:
        return math.isfinite(float(item))
    except (TypeError, ValueError, OverflowError):
        return False


def doubles(value, what, error, finite=True):
    """value as a C-contiguous float64 array, refusing with error(text) the
    first element that is no double (or, when finite, no finite one), named
    by its index."""
    try:
        # NumPy would drop an imaginary part with only a warning.
        values = None if np.iscomplexobj(value) else np.ascontiguousarray(value, dtype=np.float64)
    except (TypeError, ValueError, OverflowError):
        values = None
    if values is not None:
        if not finite or np.isfinite(values).all():
            return values
        items, index = values, tuple(np.argwhere(~np.isfinite(values))[0].tolist())
    else:  # an element converts to no double: look for it one by one
        items = np.asarray(value, dtype=object)
        index = next((i for i in np.ndindex(items.shape) if not _finite_double(items[i])), None)
        if index is None:
            return np.ascontiguousarray(value, dtype=np.float64)  # raises NumPy's own complaint
    raise error(f"{what} {index[0] if len(index) == 1 else index} is not a finite double: {shown(items[index])}")


def input_samples(x, kind, data_width, data_fract_width):
    """A float64 C-contiguous array of sample values; a copy only when x is
    not one already.  kind "int": integers in input-LSB units, brought within
    one period of 2^data_width of the range so that wide integers stay exact;
    one out of range stays out of range, for the model to wrap and count."""
    if kind == "real":
        if type(x) is np.ndarray and x.dtype is _FLOAT64 and x.flags.c_contiguous:
            return x  # what doubles() would give, without its checks
        if np.iscomplexobj(x):
            raise TypeError("input samples must be real")
        return doubles(x, "input sample", InputError, finite=False)  # NaN: see Filter._send_record
    if kind != "int":
        raise ValueError(f"input must be 'real' or 'int', not {kind!r}")
    x = np.asarray(x)
    if x.dtype.kind == "f":
        if not np.all(np.isfinite(x) <= (x == np.floor(x))):  # NaN is left to the model
            raise ValueError("input='int' takes whole numbers of input LSBs")
        return np.ascontiguousarray(np.ldexp(x, -data_fract_width), dtype=np.float64)
    if x.dtype.kind not in "iub" and x.dtype != object:
        raise TypeError(f"input='int' takes integers, not {x.dtype}")
    half = 1 << (data_width - 1) if data_width else 0
    period = 2 * half or 1
    if x.dtype == object:
        values = [int(v) for v in x.ravel()]
        low = np.array([v & (period - 1) for v in values], dtype=np.int64).reshape(x.shape)
        side = np.array([(v >= half) - (v < -half) for v in values], dtype=np.int64).reshape(x.shape)
    else:
        x = x.astype(np.int64)
        low, side = x & (period - 1), (x >= half).astype(np.int64) - (x < -half)
    # data_width is at most 49 bits, so three halves of a period are exact doubles.
    x = np.where(low >= half, low - period, low) + side * period
    return np.ascontiguousarray(np.ldexp(x.astype(np.float64), -data_fract_width))


class _Store:
    """A store moved out of a library-grown record; freed with the array."""

    def __init__(self, address, count, typestr):
        self._address = address
        self._free = lib.array_real_ops_free  # the built-in table's free, kept for interpreter shutdown
        self.__array_interface__ = {"data": (address, False), "shape": (count,),
                                    "typestr": typestr, "version": 3}

    def __del__(self):
        self._free(None, self._address)


def take_store(record, shape, typestr):
    """The record's elements as an array that owns them, without a copy; the
    record is left empty, so the library allocates afresh next time."""
    r = record.contents
    count = int(np.prod(shape))
    if count == 0:
        return np.empty(shape, dtype=typestr)
    values = np.asarray(_Store(r.data, count, typestr)).reshape(shape)
    r.data, r.data_size, r.data_capacity = None, 0, 0
    return values


class SinkReader:
    """Takes the elements of a library-grown record as arrays that own them.
    Small takes are copied out of a view of the record's store, kept while
    the store stays where it is, and the store stays for the next call;
    larger ones move the store out (take_store)."""

    COPY_LIMIT = 1 << 15  # elements; up to here a copy costs less than a new store per call

    def __init__(self, record, typestr):
        self._record, self._fields = record, record.contents
        self._typestr, self._dtype = typestr, np.dtype(typestr)
        self._view, self._viewed = None, None

    def take(self, shape, count):
        """The first count elements as an array of shape."""
        if count > self.COPY_LIMIT:
            return take_store(self._record, shape, self._typestr)
        if count == 0:
            return np.empty(shape, dtype=self._dtype)
        r = self._fields
        store = (r.data, r.data_capacity)
        if store != self._viewed:  # a store grown, moved out or new since the last take
            size = r.data_capacity * self._dtype.itemsize
            self._view = np.frombuffer((ctypes.c_char * size).from_address(r.data), dtype=self._dtype)
            self._viewed = store
        return self._view[:count].reshape(shape).copy()


def mpz_ints(address, count, shape, wide):
    """count GMP integers at address as int64 (or Python ints when wide)."""
    if count == 0:
        values = []
    else:
        view = np.frombuffer((ctypes.c_char * (count * _MPZ.itemsize)).from_address(address), dtype=_MPZ)
        values = []
        # Limbs are stored least significant first; on a little-endian
        # machine their bytes read as one little-endian number.
        for size, limbs in zip(view["size"].tolist(), view["limbs"].tolist()):
            v = int.from_bytes(ctypes.string_at(limbs, LIMB_BYTES * abs(size)), "little") if size else 0
            values.append(-v if size < 0 else v)
    if not wide:
        try:
            return np.array(values, dtype=np.int64).reshape(shape)
        except OverflowError:
            pass
    out = np.empty(len(values), dtype=object)
    out[:] = values
    return out.reshape(shape)


def _truncated_double(v):
    """GMP's mpz_get_d: the double nearest v toward zero."""
    v = int(v)
    a = abs(v)
    if a < _SAFE_DOUBLE:
        return float(v)
    shift = a.bit_length() - 53
    return math.copysign(math.ldexp(a >> shift, shift), v)


def ints_to_real(values, fract_width):
    """Integers in output-LSB units as the model's real output: converted
    to double toward zero, then divided by 2^fract_width."""
    if values.dtype == np.int64 and (values.size == 0 or np.abs(values).max() < _SAFE_DOUBLE):
        doubles = values.astype(np.float64)
    else:
        doubles = np.frompyfunc(_truncated_double, 1, 1)(values).astype(np.float64)
    return np.ldexp(doubles, -fract_width)
