"""Configuration fields by their record names, spelled as zeb-fir takes them.

Enumerated fields take the enumerator name with or without the ZEB_FIR_V7_1_
prefix, in any case, or a number; numbers are stored as the 32-bit value the
model reads, so the model itself judges every range.
"""
import ctypes
import math
import re

import numpy as np

from ._clib import Config, lib
from ._samples import doubles, shown
from .errors import ConfigError

_ENUMERATORS = {
    "filter_type": ("SINGLE_RATE", "INTERPOLATION", "DECIMATION", "HILBERT", "INTERPOLATED"),
    "rate_change": ("INTEGER_RATE", "FIXED_FRACTIONAL"),
    "quantization": ("QUANTIZE_INTEGER", "QUANTIZE_ONLY", "MAXIMIZE_DYNAMIC_RANGE"),
    "chan_seq": ("BASIC_CHAN_SEQ", "ADVANCED_CHAN_SEQ"),
    "output_rounding_mode": ("FULL_PRECISION", "TRUNCATE_LSBS", "ROUND_HALF_TO_ZERO", "ROUND_HALF_AWAY",
                             "ROUND_HALF_EVEN", "ROUND_HALF_ODD", "ROUND_HALF_DOWN", "ROUND_HALF_UP"),
    "config_method": ("CONFIG_SINGLE", "CONFIG_BY_CHANNEL"),
}
PATTERN_BASIC = 175
_NAMED = {field: {n: v for v, n in enumerate(names)} for field, names in _ENUMERATORS.items()}
_NAMED["init_pattern"] = {"PATTERN_BASIC": PATTERN_BASIC}
FIELDS = tuple(name for name, _ in Config._fields_)
_INTEGER = re.compile(r"[+-]?[0-9]+\Z")


def enumerator_name(field, value):
    names = _ENUMERATORS.get(field, ())
    return names[value] if 0 <= value < len(names) else value


def integer(field, value, low=-2**31, high=2**32 - 1):
    """The integer value of a numeric or enumerated field, or of a packet's
    number, from low to high (by default: what a 32-bit field can hold)."""
    given = value
    if isinstance(value, str):
        bare = value.strip().upper()
        if bare.startswith("ZEB_FIR_V7_1_") and len(bare) > 13:
            bare = bare[13:]
        if bare in _NAMED.get(field, {}):
            return _NAMED[field][bare]
        if field in _NAMED and not _INTEGER.match(value.strip()):
            raise ConfigError(f"unknown value '{value}' for {field}: expected " +
                              ", ".join(_NAMED[field]) + ", or a number")
        value = int(value) if _INTEGER.match(value.strip()) else None
    if not hasattr(value, "__index__") or not low <= value.__index__() <= high:
        raise ConfigError(f"bad number {shown(given)} for {field}: expected an integer from {low} to {high}")
    return value.__index__()


def coefficient_values(value):
    """Coefficients from a comma-separated text or any array-like; a 2-D
    array is taken as sets of taps."""
    if isinstance(value, str):
        try:
            values = [float(item) for item in value.split(",")]
        except ValueError:
            values = [math.nan]
        if not all(map(math.isfinite, values)):
            raise ConfigError(f"bad coefficient list '{value}': expected numbers separated by commas")
        return np.array(values)
    values = doubles(value, "coefficient", ConfigError)
    if values.ndim > 2:
        raise ConfigError(f"coefficients must be a list or sets x taps, got shape {values.shape}")
    return values


class Builder:
    """A creation record from the defaults and field assignments."""

    def __init__(self):
        self.record = Config()
        lib.default_config(ctypes.byref(self.record))
        default_count = self.record.num_coeffs * self.record.coeff_sets
        self.coeffs = np.ctypeslib.as_array(self.record.coeff, (default_count,)).copy()
        self.name = self.record.name
        self.coeffs_given = self.num_coeffs_given = self.sets_given = False
        self.coeff_rows = None

    def assign(self, field, value):
        if field not in FIELDS:
            raise ConfigError(f"unknown configuration field '{field}'")
        if field == "name":
            self.name = str(value).encode()
        elif field == "coeff":
            values = coefficient_values(value)
            self.coeff_rows = values.shape[0] if values.ndim == 2 else None
            self.coeffs = np.ascontiguousarray(values.ravel())
            self.coeffs_given = True
        else:
            word = integer(field, value)
            setattr(self.record, field, word)  # ctypes keeps the low 32 bits, as the model reads them
            self.num_coeffs_given |= field == "num_coeffs"
            self.sets_given |= field == "coeff_sets"

    def finish(self):
        """The record, pointing at this builder's name and coefficients."""
        r = self.record
        if self.coeff_rows is not None and not self.sets_given:
            r.coeff_sets = self.coeff_rows
        have = self.coeffs.size
        if self.coeffs_given and not self.num_coeffs_given and r.coeff_sets:
            if have % r.coeff_sets:
                raise ConfigError(f"{have} coefficient values do not divide into coeff_sets = "
                                  f"{r.coeff_sets} sets of equal length")
            r.num_coeffs = have // r.coeff_sets
        # The model reads num_coeffs x coeff_sets values from the pointer.
        need = r.num_coeffs * r.coeff_sets
        sizes = f"num_coeffs x coeff_sets = {r.num_coeffs} x {r.coeff_sets} = {need}"
        if need and self.coeffs_given and need != have:
            raise ConfigError(f"{sizes} coefficient values expected, {have} given")
        if need > have:
            raise ConfigError(f"{sizes} coefficient values needed, but only the {have} default values "
                              "are available: give them with coeff=...")
        r.name = self.name
        r.coeff = self.coeffs.ctypes.data_as(ctypes.POINTER(ctypes.c_double))
        return r


def read_config_file(path):
    """The FIELD=VALUE assignments of a zeb-fir --config file, with their
    places for messages."""
    assignments = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            text = line.split("#", 1)[0].strip()
            if not text:
                continue
            where = f"{path}:{number}"
            if "=" not in text:
                raise ConfigError(f"{where}: expected FIELD=VALUE, got '{text}'")
            field, value = (part.strip() for part in text.split("=", 1))
            assignments.append((where, field, value))
    return assignments
