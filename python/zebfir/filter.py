"""zebfir.Filter: one model instance driven from NumPy."""
import ctypes
import logging

import numpy as np

from . import _samples, inspection
from ._clib import (ArrayRecord, Config, ConfigPacket, MessageHandler, ReloadPacket, destroy_record, lib,
                    new_record)
from ._fields import FIELDS, PATTERN_BASIC, Builder, enumerator_name, integer, read_config_file
from .errors import ConfigError, InputError, ModelError, WrapError

log = logging.getLogger("zebfir")

_HILBERT = 3
_ADVANCED_CHAN_SEQ = 1
_INT64_BITS = 63
_OUTPUTS = ("real", "int", "complex")
_UINT_MAX = 2**32 - 1


def _count(n, noun):
    return f"{n} {noun}{'s' if n != 1 else ''}"


def _log_debug_message(_handle, error, text):
    (log.error if error else log.debug)(text.decode(errors="replace"))


_on_debug = MessageHandler(_log_debug_message)


class _ConfigView(dict):
    """A copy of the configuration that sends configuration packets when called."""

    def __init__(self, fields, send):
        super().__init__(fields)
        self._send_packet = send

    def __call__(self, fsel=None, pattern=None):
        self._send_packet(fsel, pattern)


class Filter:
    """A bit-accurate model of the filter block.

    Filter(**fields) takes every field of the configuration record by its
    name (see zeb-fir --list-fields); coeff takes any array-like (a 2-D one
    as coefficient sets x taps), and num_coeffs follows from the number of
    values unless it is given.  Samples are arrays of shape (vectors,
    channels, paths), or 1-D for one path and one channel.  With
    strict=True a wrapped coefficient, input or output sample raises
    WrapError at creation or after the call that fed or read it.
    """

    def __init__(self, *, strict=False, **fields):
        builder = Builder()
        for field, value in fields.items():
            builder.assign(field, value)
        self._create(builder, strict)

    @classmethod
    def from_file(cls, path, *, strict=False, **fields):
        """A filter from a zeb-fir --config file of FIELD=VALUE lines; fields
        given here override the file's."""
        builder = Builder()
        for where, field, value in read_config_file(path):
            try:
                builder.assign(field, value)
            except ConfigError as e:
                raise ConfigError(f"{where}: {e}") from None
        for field, value in fields.items():
            builder.assign(field, value)
        self = cls.__new__(cls)
        self._create(builder, strict)
        return self

    # ------------------------------------------------------------ lifecycle
    def _create(self, builder, strict):
        self._model = self._sink = self._slot_record = None
        record = builder.finish()
        self._messages = messages = []
        self._on_message = MessageHandler(lambda _h, error, text: messages.append(
            (error, text.decode(errors="replace"))))
        if log.isEnabledFor(logging.DEBUG):
            model = lib.create_dbg(ctypes.byref(record), self._on_message, None, _on_debug, None)
        else:
            model = lib.create(ctypes.byref(record), self._on_message, None)
        errors = self._take_messages()
        if not model:
            raise ConfigError("\n".join(errors) or "the model refused the configuration")
        self._model, self._strict = model, strict
        self._coeffs = builder.coeffs.reshape(record.coeff_sets, record.num_coeffs).copy()
        normalised = Config()
        lib.get_config(model, ctypes.byref(normalised))
        self._config = {field: self._field_value(normalised, field) for field in FIELDS}
        info = self.info
        self._acc_width = info.acc_width
        self._paths, self._channels = normalised.num_paths, normalised.num_channels
        self._hilbert = normalised.filter_type == _HILBERT
        self._gmp = info.arithmetic != "double"  # outputs are then read as GMP integers
        self._wide = normalised.output_width > _INT64_BITS
        self._family = {(False, False): "real", (False, True): "complex",
                        (True, False): "mpz", (True, True): "mpz_complex"}[self._gmp, self._hilbert]
        self._sink = new_record(self._family)
        self._sink_fields = self._sink.contents
        if not self._gmp:
            self._sink_reader = _samples.SinkReader(self._sink, "<c16" if self._hilbert else "<f8")
        set_sink = lib.set_data_sink_mpz if self._gmp else lib.set_data_sink
        self._call(set_sink, *((None, self._sink) if self._hilbert else (self._sink, None)))
        self._pattern_initial = (normalised.init_pattern if normalised.chan_seq == _ADVANCED_CHAN_SEQ
                                 else PATTERN_BASIC)
        self._pattern = self._pattern_initial
        self._slots_in = 0
        self._pending = []
        # Records that show the caller's arrays, prepared once.
        self._input = ArrayRecord()
        self._input_dims = (ctypes.c_size_t * 3)()
        _samples.prepare_record(self._input, self._input_dims)
        self._staging = _samples.Staging()
        self._input_pointer = ctypes.pointer(self._input)
        self._slot_values = np.empty(self._paths, dtype=np.complex128 if self._hilbert else np.float64)
        self._slot_out = ArrayRecord()
        self._slot_out_dims = (ctypes.c_size_t * 1)()
        _samples.point_record(self._slot_out, self._slot_out_dims, self._slot_values, (self._paths,))
        self._slot_out_pointer = ctypes.pointer(self._slot_out)
        try:
            self._checked()  # coefficients wrapped at creation
        except WrapError:
            self.close()
            raise

    def _field_value(self, normalised, field):
        if field == "name":
            return normalised.name.decode(errors="replace")
        if field == "coeff":
            return self._coeffs.ravel().tolist()
        return enumerator_name(field, getattr(normalised, field))

    def close(self):
        """Destroys the model; arrays already returned stay valid."""
        model, self._model = getattr(self, "_model", None), None
        if model:
            lib.destroy(model)  # first: it holds a pointer to the sink
        for record in (getattr(self, "_sink", None), getattr(self, "_slot_record", None)):
            if record:
                destroy_record(self._family, record)
        self._sink = self._slot_record = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:  # interpreter shutdown: the library may be gone
            pass

    # ------------------------------------------------------------ messages
    def _take_messages(self):
        """Logs warnings and returns the error texts sent since the last call."""
        errors = [text for error, text in self._messages if error]
        for error, text in self._messages:
            if not error:
                log.warning(text)
        del self._messages[:]
        return errors

    def _call(self, fn, *args):
        if self._model is None:
            raise ValueError("the filter is closed")
        status = fn(self._model, *args)
        if status == 0 and not self._messages:
            return
        warnings = [text for error, text in self._messages if not error]
        errors = self._take_messages()
        if status != 0:
            raise ModelError("\n".join(errors or warnings) or f"the model refused the call (status {status})")

    def _checked(self, output=None):
        """output, unless a strict filter has wrapped something."""
        if self._strict:
            counts = self.wrap_counts
            if counts.input or counts.output or counts.coefficients:
                raise WrapError(str(counts), counts, output)
        return output

    # ------------------------------------------------------------ samples in
    def _input_record(self, x, kind, slot):
        samples = _samples.input_samples(x, kind, self._config["data_width"], self._config["data_fract_width"])
        paths, channels = self._paths, self._channels
        if slot:
            if samples.shape != (paths,):
                raise InputError(f"input slot of shape {samples.shape}: expected ({_count(paths, 'path')},)")
            lengths = samples.shape
        elif samples.ndim == 1 and paths == channels == 1:
            lengths = (1, 1, samples.shape[0])
        elif samples.ndim == 3 and samples.shape[1:] == (channels, paths):
            lengths = samples.shape[::-1]  # C order (vectors, channels, paths) is the record's (path, slot, vector)
        else:
            # The model's own text gives the lengths in the record's order, the reverse of the array's.
            raise InputError(f"input of shape {samples.shape}: expected (vectors, {_count(channels, 'channel')}, "
                             f"{_count(paths, 'path')})" + (" or (samples,)" if paths == channels == 1 else ""))
        self._staging.show(self._input, self._input_dims, samples, lengths)
        return samples, self._input_pointer

    def send(self, x, input="real"):
        """Feeds whole vectors; their output waits for read()."""
        self._send(x, input)
        self._checked()

    def _send(self, x, input):
        samples, record = self._input_record(x, input, slot=False)
        self._send_record(lib.data_send, samples, record)
        self._pending.append(self._take_sink())
        return samples.ndim == 1

    def process(self, x, output=None, input="real"):
        """Feeds whole vectors and returns every complete output vector:
        shape (vectors, channels, paths), 1-D for 1-D input.  Another input
        shape, or a sample that is no finite double, raises InputError."""
        kind = self._output_kind(output)
        one_dimensional = self._send(x, input)
        out = self._drain(kind)
        return self._checked(out.reshape((-1,) + out.shape[3:]) if one_dimensional else out)

    def send_slot(self, samples, input="real"):
        """Feeds one time slot: one sample per path."""
        samples, record = self._input_record(np.atleast_1d(samples), input, slot=True)
        self._send_record(lib.data_send_channel, samples, record)
        self._slots_in = (self._slots_in + 1) % self._channels
        self._checked()

    def _send_record(self, fn, samples, record):
        try:
            self._call(fn, record)
        except ModelError:
            # The model refuses a NaN or an infinity before it feeds anything,
            # but does not say where it is; looking only now costs nothing
            # on the calls that succeed.
            _samples.doubles(samples, "input sample", InputError)
            raise

    # ------------------------------------------------------------ samples out
    def _output_kind(self, output):
        kind = output or ("complex" if self._hilbert else "real")
        if kind not in _OUTPUTS:
            raise ValueError(f"output must be one of {', '.join(_OUTPUTS)}, not {output!r}")
        if kind == "real" and self._hilbert:
            probe = new_record("real")  # the model itself states why
            try:
                self._call(lib.set_data_sink, probe, None)
            finally:
                destroy_record("real", probe)
        return kind

    def _take_sink(self):
        r = self._sink_fields
        per_vector = self._paths * self._channels
        vectors = r.data_size // per_vector if r.dim_size == 3 else 0
        shape = (vectors, self._channels, self._paths)
        if not self._gmp:
            return self._sink_reader.take(shape, vectors * per_vector)
        return self._mpz_values(r, shape)

    def _mpz_values(self, r, shape):
        parts = 2 if self._hilbert else 1
        count = int(np.prod(shape)) * parts
        return _samples.mpz_ints(r.data, count, shape + ((2,) if self._hilbert else ()), self._wide)

    def _drain(self, kind):
        blocks, self._pending = self._pending, []
        values = blocks[0] if len(blocks) == 1 else np.concatenate(blocks)
        return self._convert(values, kind)

    def _convert(self, values, kind):
        """Output in the requested kind from the form the model delivered:
        doubles (complex for Hilbert) in double mode, integers in GMP mode."""
        out_fract, in_fract = self._config["output_fract_width"], self._config["data_fract_width"]
        if not self._gmp:
            if kind == "int":
                if self._hilbert:
                    pair = np.stack([np.ldexp(values.real, in_fract), np.ldexp(values.imag, out_fract)], -1)
                    return pair.astype(np.int64)
                return np.ldexp(values, out_fract).astype(np.int64)
            return values if kind == "real" or self._hilbert else values.astype(np.complex128)
        if kind == "int":
            return values
        real = _samples.ints_to_real(values[..., 1] if self._hilbert else values, out_fract)
        if kind == "real":
            return real
        if self._hilbert:
            return np.ldexp(values[..., 0].astype(np.float64), -in_fract) + 1j * real
        return real.astype(np.complex128)

    def read(self, output=None):
        """Every complete output vector not yet returned, shape (vectors,
        channels, paths).  Vectors completed by send_slot() are included
        when the input stands at a vector boundary."""
        kind = self._output_kind(output)
        if self._slots_in == 0:
            self._send(np.empty((0, self._channels, self._paths)), "real")  # delivers what is buffered
        elif not self._pending:
            self._pending.append(self._take_sink_empty())
        return self._checked(self._drain(kind))

    def _take_sink_empty(self):
        shape = (0, self._channels, self._paths) + ((2,) if self._gmp and self._hilbert else ())
        if self._gmp:
            return np.empty(shape, dtype=object if self._wide else np.int64)
        return np.empty(shape, dtype=np.complex128 if self._hilbert else np.float64)

    def read_slot(self, output=None):
        """The next output time slot (one sample per path), or None when
        nothing is available yet."""
        kind = self._output_kind(output)
        complex_record = self._hilbert
        if self._gmp:
            if self._slot_record is None:
                self._slot_record = new_record(self._family, (self._paths,), self._paths)
            record = self._slot_record
            self._call(lib.data_get_channel_mpz, *((None, record) if complex_record else (record, None)))
            if record.contents.data_size == 0:
                return self._checked()
            values = self._mpz_values(record.contents, (self._paths,))
        else:
            record, pointer = self._slot_out, self._slot_out_pointer
            record.data_size = self._paths
            self._call(lib.data_get_channel, *((None, pointer) if complex_record else (pointer, None)))
            if record.data_size == 0:
                return self._checked()
            values = self._slot_values.copy()
        return self._checked(self._convert(values, kind))

    # ------------------------------------------------------------ run time
    def _config_send(self, fsel=None, pattern=None):
        # Checked before anything is kept: ctypes would silently keep the low 32 bits.
        selectors = np.array([integer("fsel", v, 0, _UINT_MAX) for v in np.ravel([] if fsel is None else fsel)],
                             dtype=np.uintc)
        if pattern is not None:
            self._pattern = integer("pattern", pattern, -2**31, 2**31 - 1)
        dims = (ctypes.c_size_t * 1)()
        record = _samples.point_record(ArrayRecord(), dims, selectors, selectors.shape)
        self._call(lib.config_send, ctypes.byref(ConfigPacket(self._pattern, ctypes.pointer(record))))

    def reload(self, fsel, coeff):
        """Queues a coefficient reload of set fsel (0 to 2^32-1); it takes
        effect with the next configuration packet."""
        fsel = integer("reload fsel", fsel, 0, _UINT_MAX)
        values = _samples.doubles(np.ravel(coeff), "reload coefficient", ConfigError)
        dims = (ctypes.c_size_t * 1)()
        record = _samples.point_record(ArrayRecord(), dims, values, values.shape)
        self._call(lib.reload_send, ctypes.byref(ReloadPacket(fsel, ctypes.pointer(record))))

    def reset(self):
        """Returns the model to its state after creation (reloaded sets stay)."""
        self._call(lib.reset)
        self._slots_in = 0
        self._pattern = self._pattern_initial

    # ------------------------------------------------------------ introspection
    @property
    def config(self):
        """The normalised configuration as a dict: enumerated fields by name,
        derived widths filled in, coeff as given.

        Called, f.config(fsel=..., pattern=...) queues a configuration packet:
        coefficient-set selectors (one, or one per channel; 0 to 2^32-1) and,
        under the advanced sequence, a channel pattern (-2^31 to 2^31-1;
        default: that of the previous packet, at first init_pattern).  A
        number outside its range raises ConfigError."""
        return _ConfigView(self._config, self._config_send)

    @property
    def accumulator_width(self):
        return self._acc_width

    @property
    def output_format(self):
        """(width, fractional bits) of the output."""
        return self._config["output_width"], self._config["output_fract_width"]

    @property
    def uses_gmp(self):
        """True when the model computes in integers (accumulator wider than 52
        bits; info.arithmetic tells which) and outputs are read as GMP integers."""
        return self._gmp

    @property
    def coefficients(self):
        """The quantised coefficient sets as the kernels hold them now (applied
        reloads included), integers in units of the coefficient LSB: shape
        (coeff_sets, num_coeffs)."""
        return inspection.coefficients(self._call, self._config["coeff_sets"])

    @property
    def info(self):
        """The model's formats and state now: a read-only zebfir.Info."""
        return inspection.info(self._call)

    @property
    def group_delay(self):
        """GroupDelay(input_samples, output_samples) of coefficient set 0."""
        return self.group_delay_of(0)

    def group_delay_of(self, coefficient_set):
        """GroupDelay of a linear-phase set; another set raises ModelError."""
        return inspection.group_delay(self._call, integer("coefficient set", coefficient_set, 0, _UINT_MAX))

    @property
    def wrap_counts(self):
        """Wraps since creation, reset() or clear_wrap_counts(): a zebfir.WrapCounts."""
        return inspection.wrap_counts(self._call)

    def clear_wrap_counts(self):
        """Sets every wrap count to 0; stream positions go on."""
        self._call(lib.clear_wrap_counts)
