"""Introspection, integer input, threads, responses, refusals and messages."""
import logging
import threading

import numpy as np
import pytest

import zebfir
from conftest import CONFIGS, stimulus


@pytest.mark.parametrize("fields, acc, out_format, gmp", [
    ({}, 24, (24, 0), False),
    ({"data_width": 40, "coeff_width": 30, "coeff": [2**28, 1], "output_rounding_mode": 4, "output_width": 50},
     69, (50, 0), True),
])
def test_widths_and_arithmetic(fields, acc, out_format, gmp):
    with zebfir.Filter(**fields) as f:
        assert (f.accumulator_width, f.output_format, f.uses_gmp) == (acc, out_format, gmp)


def test_config_and_quantised_coefficients():
    # Nearest multiple of 2^-2, halves toward zero, wrapped into 8 bits.
    with zebfir.Filter(coeff=[[0.3, 0.375, 0.376, -2.6], [50, 0, 0, 0]], coeff_width=8, coeff_fract_width=2,
                       filter_type="Decimation", decimation_rate=2) as f:
        c = f.config
        assert (c["num_coeffs"], c["coeff_sets"], c["filter_type"], c["output_fract_width"]) == (4, 2, "DECIMATION", 2)
        assert f.coefficients.tolist() == [[1, 1, 2, -10], [-56, 0, 0, 0]]


def test_integer_input_wraps_like_the_model():
    with zebfir.Filter(coeff=[1], data_width=8, data_fract_width=2) as f:
        ints = np.array([5, -3, 127, 128, 2**40 + 7, -(2**62)])
        expected = [5, -3, 127, -128, 7, 0]
        assert f.process(ints, output="int", input="int").tolist() == expected
        assert f.process(ints.astype(object) + 2**70, output="int", input="int").tolist() == expected
        with pytest.raises(ValueError):
            f.process([0.5], input="int")


def test_threads_equal_running_alone():
    def run(name):
        with zebfir.Filter(**CONFIGS[name]) as f:
            ints = stimulus(f, vectors=300, seed=7)
            return np.concatenate([f.process(ints[a:a + 50], output="int", input="int") for a in range(0, 300, 50)])

    names = ["decimation", "fractional", "gmp_wide"] * 2
    alone, together = [run(n) for n in names], [None] * len(names)
    threads = [threading.Thread(target=lambda i=i: together.__setitem__(i, run(names[i]))) for i in range(len(names))]
    [t.start() for t in threads]
    [t.join() for t in threads]
    assert all(np.array_equal(a, b) for a, b in zip(alone, together))


def test_response_and_plot(tmp_path):
    exact = zebfir.response(zebfir.Filter(coeff=[1, 2, 1]), n=8)
    assert np.allclose(exact.unquantised[0], [sum(c * np.exp(-1j * np.pi * k * m / 8) for m, c in
                                                  enumerate([1, 2, 1])) for k in range(8)])
    assert exact.deviation_db[0] == -np.inf and np.array_equal(exact.quantised, exact.unquantised)
    taps = np.sinc(np.arange(-15, 16) / 4) / 4
    coarse = zebfir.Filter(coeff=taps, coeff_width=8, quantization="maximize_dynamic_range")
    fine = zebfir.Filter(coeff=taps, coeff_width=16, quantization="maximize_dynamic_range")
    r8 = zebfir.plot_response(coarse, tmp_path / "r.png")
    assert -60 < r8.deviation_db[0] < -30 and zebfir.response(fine).deviation_db[0] < r8.deviation_db[0] - 30
    assert (tmp_path / "r.png").read_bytes()[:4] == b"\x89PNG"


NAME = "pilvoran_v7_1"


@pytest.mark.parametrize("fields, text", [
    ({"speed": 3}, "unknown configuration field 'speed'"),
    ({"filter_type": "BANDPASS"}, "unknown value 'BANDPASS' for filter_type: expected SINGLE_RATE, "
                                  "INTERPOLATION, DECIMATION, HILBERT, INTERPOLATED, or a number"),
    ({"num_paths": "two"}, "bad number 'two' for num_paths: expected an integer from -2147483648 to 4294967295"),
    ({"coeff": [1.0, np.nan]}, "coefficient 1 is not a finite double: nan"),
    ({"coeff": [[1, 2], [3, 2**2000]]}, "coefficient (1, 1) is not a finite double: an integer of 2001 bits"),
    ({"coeff": [1, 2, 3], "coeff_sets": 2}, "3 coefficient values do not divide into coeff_sets = 2 sets of equal length"),
])
def test_configuration_refusals(fields, text):
    with pytest.raises(zebfir.ConfigError) as e:
        zebfir.Filter(**fields)
    assert str(e.value) == text


@pytest.mark.parametrize("fields, act, error, text", [
    ({}, lambda f: f.process(np.zeros((4, 1, 2))), zebfir.InputError,
     "input of shape (4, 1, 2): expected (vectors, 2 channels, 1 path)"),
    ({}, lambda f: f.send_slot([0.0, 1.0]), zebfir.InputError, "input slot of shape (2,): expected (1 path,)"),
    ({}, lambda f: f.process(np.array([[[0.0], [np.nan]]])), zebfir.InputError,
     "input sample (0, 1, 0) is not a finite double: nan"),
    ({"filter_type": "hilbert"}, lambda f: f.process(np.zeros((4, 2, 1)), output="real"), zebfir.ModelError,
     f"{NAME} ERROR: Hilbert filter type requires a complex data sink"),
    ({}, lambda f: f.config(fsel=[2**32]), zebfir.ConfigError,
     "bad number 4294967296 for fsel: expected an integer from 0 to 4294967295"),
    ({}, lambda f: f.config(fsel=0, pattern=2**31), zebfir.ConfigError,
     "bad number 2147483648 for pattern: expected an integer from -2147483648 to 2147483647"),
    ({}, lambda f: f.reload(2**32 + 1, [1]), zebfir.ConfigError,
     "bad number 4294967297 for reload fsel: expected an integer from 0 to 4294967295"),
    ({}, lambda f: f.reload(0, [1, np.inf]), zebfir.ConfigError, "reload coefficient 1 is not a finite double: inf"),
])
def test_refusals_leave_the_filter_usable(fields, act, error, text):
    x = np.arange(-20.0, 20.0).reshape(-1, 2, 1)
    with zebfir.Filter(num_channels=2, **fields) as reference, zebfir.Filter(num_channels=2, **fields) as f:
        with pytest.raises(error) as e:
            act(f)
        assert str(e.value) == text
        assert np.array_equal(f.process(x), reference.process(x))


def test_messages_go_to_logging_not_stdout(caplog, capsys):
    with caplog.at_level(logging.DEBUG, logger="zebfir"):
        with zebfir.Filter(name="quiet") as f:
            f.config(fsel=0)
            f.process(np.zeros(3))
    assert ("zebfir", logging.WARNING,
            "quiet WARNING: Ignoring config packet as not required for model configuration") in caplog.record_tuples
    assert ("zebfir", logging.DEBUG, "quiet NOTE: Passed basic checks") in caplog.record_tuples
    assert capsys.readouterr().out == ""
