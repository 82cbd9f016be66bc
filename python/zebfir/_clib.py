"""The shared library and GMP through ctypes: records, prototypes, loading.

The records mirror include/zeb_fir_v7_1.h and include/zeb_fir_v7_1_inspect.h.  Every array family has the same
record layout, so one Structure serves them all; only the element type of
the store differs.
"""
import ctypes
import ctypes.util
import os
from pathlib import Path

LIBRARY_NAME = "libzeb_fir_v7_1.so"
LIBRARY_VARIABLE = "ZEBFIR_LIBRARY"

c_size_p = ctypes.POINTER(ctypes.c_size_t)


class ArrayRecord(ctypes.Structure):
    _fields_ = [
        ("data", ctypes.c_void_p),
        ("data_size", ctypes.c_size_t),
        ("data_capacity", ctypes.c_size_t),
        ("dim", c_size_p),
        ("dim_size", ctypes.c_size_t),
        ("dim_capacity", ctypes.c_size_t),
        ("owner", ctypes.c_int),
        ("ops", ctypes.c_void_p),
    ]


ArrayRecordPointer = ctypes.POINTER(ArrayRecord)


class Config(ctypes.Structure):
    _fields_ = [
        ("name", ctypes.c_char_p),
        ("filter_type", ctypes.c_int),
        ("rate_change", ctypes.c_int),
        ("interpolation_rate", ctypes.c_uint),
        ("decimation_rate", ctypes.c_uint),
        ("zero_packing_factor", ctypes.c_uint),
        ("coeff", ctypes.POINTER(ctypes.c_double)),
        ("coeff_padding", ctypes.c_uint),
        ("num_coeffs", ctypes.c_uint),
        ("coeff_sets", ctypes.c_uint),
        ("reloadable", ctypes.c_uint),
        ("is_halfband", ctypes.c_uint),
        ("quantization", ctypes.c_int),
        ("coeff_width", ctypes.c_uint),
        ("coeff_fract_width", ctypes.c_uint),
        ("chan_seq", ctypes.c_int),
        ("num_channels", ctypes.c_uint),
        ("init_pattern", ctypes.c_int32),
        ("num_paths", ctypes.c_uint),
        ("data_width", ctypes.c_uint),
        ("data_fract_width", ctypes.c_uint),
        ("output_rounding_mode", ctypes.c_int),
        ("output_width", ctypes.c_uint),
        ("output_fract_width", ctypes.c_uint),
        ("config_method", ctypes.c_int),
    ]


class ConfigPacket(ctypes.Structure):
    _fields_ = [("chanpat", ctypes.c_int32), ("fsel", ctypes.POINTER(ArrayRecord))]


class ReloadPacket(ctypes.Structure):
    _fields_ = [("fsel", ctypes.c_uint), ("coeff", ctypes.POINTER(ArrayRecord))]


class Info(ctypes.Structure):
    _fields_ = [(name, ctypes.c_uint) for name in ("data_width", "data_fract_width", "coeff_width",
                                                   "coeff_fract_width")] + [
        ("acc_width", ctypes.c_int),
        ("output_width", ctypes.c_uint),
        ("output_fract_width", ctypes.c_uint),
        ("output_lsb_exponent", ctypes.c_int),
        ("arithmetic", ctypes.c_int),
        ("current_pattern", ctypes.c_int),
        ("queued_configs", ctypes.c_size_t),
        ("queued_reloads", ctypes.c_size_t),
    ]


class Position(ctypes.Structure):
    _fields_ = [("vector", ctypes.c_ulonglong), ("path", ctypes.c_uint), ("slot", ctypes.c_uint)]


class WrapCounts(ctypes.Structure):
    _fields_ = [("input", ctypes.c_ulonglong), ("output", ctypes.c_ulonglong), ("coefficients", ctypes.c_ulonglong),
                ("first_input", Position), ("first_output", Position)]


class Mpz(ctypes.Structure):
    """gmp.h's __mpz_struct: allocated limbs, signed used limbs, limbs."""
    _fields_ = [("alloc", ctypes.c_int), ("size", ctypes.c_int), ("limbs", ctypes.c_void_p)]


MessageHandler = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p)

_model = ctypes.c_void_p
_record = ctypes.POINTER(ArrayRecord)
_status = ctypes.c_int

_PROTOTYPES = {
    "default_config": (_status, [ctypes.POINTER(Config)]),
    "get_version": (ctypes.c_char_p, []),
    "create": (_model, [ctypes.POINTER(Config), MessageHandler, ctypes.c_void_p]),
    "create_dbg": (_model, [ctypes.POINTER(Config), MessageHandler, ctypes.c_void_p,
                            MessageHandler, ctypes.c_void_p]),
    "destroy": (_status, [_model]),
    "reset": (_status, [_model]),
    "data_send": (_status, [_model, _record]),
    "data_send_channel": (_status, [_model, _record]),
    "data_get_channel": (_status, [_model, _record, _record]),
    "data_get_channel_mpz": (_status, [_model, _record, _record]),
    "set_data_sink": (_status, [_model, _record, _record]),
    "set_data_sink_mpz": (_status, [_model, _record, _record]),
    "config_send": (_status, [_model, ctypes.POINTER(ConfigPacket)]),
    "reload_send": (_status, [_model, ctypes.POINTER(ReloadPacket)]),
    "get_config": (_status, [_model, ctypes.POINTER(Config)]),
    "get_info": (_status, [_model, ctypes.POINTER(Info)]),
    "get_coefficients": (_status, [_model, ctypes.c_uint, _record]),
    "get_group_delay": (_status, [_model, ctypes.c_uint, ctypes.POINTER(ctypes.c_double),
                                  ctypes.POINTER(ctypes.c_double)]),
    "get_wrap_counts": (_status, [_model, ctypes.POINTER(WrapCounts)]),
    "clear_wrap_counts": (_status, [_model]),
    "get_wrap_counts_by_channel": (_status, [_model, _record, _record]),
}
ARRAY_FAMILIES = ("real", "complex", "mpz", "mpz_complex", "uint")


def _library_candidates():
    given = os.environ.get(LIBRARY_VARIABLE)
    if given:
        return [given]  # an explicit choice is never second-guessed
    package = Path(__file__).resolve().parent
    return [str(package / LIBRARY_NAME),                        # carried by the install
            str(package.parent.parent / "build" / LIBRARY_NAME),  # source tree after the main build
            ctypes.util.find_library("zeb_fir_v7_1") or LIBRARY_NAME]  # installed with cmake --install


def _load():
    tried = []
    for candidate in _library_candidates():
        if os.sep in candidate and not os.path.exists(candidate):
            tried.append(candidate + " (missing)")
            continue
        try:
            return ctypes.CDLL(candidate)
        except OSError as e:
            tried.append(f"{candidate} ({e})")
    raise ImportError("zebfir cannot load " + LIBRARY_NAME + "; tried: " + "; ".join(tried) +
                      ". Set " + LIBRARY_VARIABLE + " to the library's path.")


class _Functions:
    """The model functions without their zeb_fir_v7_1_ prefix, the array
    functions as array_<family>_<operation>."""

    def __init__(self, cdll):
        for name, (restype, argtypes) in _PROTOTYPES.items():
            fn = getattr(cdll, "zeb_fir_v7_1_" + name)
            fn.restype, fn.argtypes = restype, argtypes
            setattr(self, name, fn)
        for family in ARRAY_FAMILIES:
            prefix = f"zeb_fir_v7_1_zeb_array_{family}_"
            for op, restype, argtypes in (("create", _record, []),
                                          ("destroy", _record, [_record]),
                                          ("reserve_data", _status, [_record, ctypes.c_size_t]),
                                          ("reserve_dim", _status, [_record, ctypes.c_size_t]),
                                          ("ops_free", None, [ctypes.c_void_p, ctypes.c_void_p])):
                fn = getattr(cdll, prefix + op)
                fn.restype, fn.argtypes = restype, argtypes
                setattr(self, f"array_{family}_{op}", fn)


cdll = _load()
lib = _Functions(cdll)
LIBRARY_PATH = cdll._name


def _gmp_limb_bytes():
    gmp = ctypes.CDLL(ctypes.util.find_library("gmp") or "libgmp.so.10")
    return ctypes.c_int.in_dll(gmp, "__gmp_bits_per_limb").value // 8


LIMB_BYTES = _gmp_limb_bytes()


def new_record(family, dims=None, capacity=0):
    """A record made by the library's own create (built-in table), owned by
    the caller; with dims, the lengths set and room for capacity elements."""
    record = getattr(lib, f"array_{family}_create")()
    if not record:
        raise MemoryError(f"cannot create a zeb_array_{family} record")
    if dims is not None:
        if (getattr(lib, f"array_{family}_reserve_dim")(record, len(dims)) or
                getattr(lib, f"array_{family}_reserve_data")(record, capacity)):
            getattr(lib, f"array_{family}_destroy")(record)
            raise MemoryError(f"cannot reserve a zeb_array_{family} record")
        record.contents.dim_size = len(dims)
        for i, n in enumerate(dims):
            record.contents.dim[i] = n
    return record


def destroy_record(family, record):
    getattr(lib, f"array_{family}_destroy")(record)
