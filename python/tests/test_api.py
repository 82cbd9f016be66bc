"""Introspection, integer input, threads, responses, refusals and messages."""
import concurrent.futures
import dataclasses
import logging

import numpy as np
import pytest

import zebfir
from conftest import CONFIGS, stimulus


_DEFAULT_INFO = dict(data_width=16, data_fract_width=0, coeff_width=16, coeff_fract_width=0, acc_width=24,
                     output_width=24, output_fract_width=0, output_lsb_exponent=0, arithmetic="double",
                     current_pattern=175, queued_configs=0, queued_reloads=0)


@pytest.mark.parametrize("fields, act, changed", [
    ({}, None, {}),
    # 40 + ceil(log2(2^28 + 1)) = 69 bits, past doubles; the top 50 are kept, so the LSB weighs 2^19.
    ({"data_width": 40, "coeff_width": 30, "coeff": [2**28, 1], "output_rounding_mode": 4, "output_width": 50},
     None, dict(data_width=40, coeff_width=30, acc_width=69, output_width=50, output_lsb_exponent=19,
                arithmetic="int128")),
    # Reloadable: 16 + 16 + ceil(log2(3 taps)) = 34 bits; the top 12 kept, less 2 + 3 fraction bits.
    ({"coeff": [[1, 2, 1], [3, 0, 3]], "reloadable": 1, "coeff_fract_width": 2, "data_fract_width": 3,
      "output_rounding_mode": "truncate_lsbs", "output_width": 12, "chan_seq": "advanced_chan_seq",
      "num_channels": 4, "init_pattern": 3},
     lambda f: (f.reload(1, [1, 1, 1]), f.config(fsel=1)),
     dict(data_fract_width=3, coeff_fract_width=2, acc_width=34, output_width=12, output_lsb_exponent=17,
          current_pattern=3, queued_configs=1, queued_reloads=1)),
])
def test_info(fields, act, changed):
    with zebfir.Filter(**fields) as f:
        act and act(f)
        expected = {**_DEFAULT_INFO, **changed}
        assert dataclasses.asdict(f.info) == expected
        assert (f.accumulator_width, f.output_format, f.uses_gmp) == (
            expected["acc_width"], (expected["output_width"], expected["output_fract_width"]),
            expected["arithmetic"] != "double")


def quantised(values, width, fract):
    """Nearest multiple of 2^-fract (exact halves toward zero) in LSBs, wrapped
    into width bits; and how many wrapped."""
    scaled = np.ldexp(np.asarray(values, dtype=np.float64), fract)
    n = (np.sign(scaled) * np.ceil(np.abs(scaled) - 0.5)).astype(np.int64)
    wrapped = (n + 2**(width - 1)) % 2**width - 2**(width - 1)
    return wrapped.tolist(), int(np.count_nonzero(wrapped != n))


@pytest.mark.parametrize("coeff, width, fract, reload", [
    ([[100000, 1]], 8, 0, None),  # [[-96, 1]]
    ([[0.3, 0.375, 0.376, -2.6], [50, 0, 0, 0]], 8, 2, None),  # [[1, 1, 2, -10], [-56, 0, 0, 0]]
    (np.random.default_rng(1).uniform(-300, 300, (3, 7)), 10, 3, None),
    ([[1, 2, 3], [4, 5, 6]], 8, 0, [300, -1.5, 2.5]),  # the reload replaces set 1
])
def test_coefficients_as_the_kernels_hold_them(coeff, width, fract, reload):
    with zebfir.Filter(coeff=coeff, coeff_width=width, coeff_fract_width=fract, reloadable=reload is not None) as f:
        sets = list(coeff)
        if reload:
            f.reload(1, reload)
            f.config(fsel=1)
            assert f.process(np.eye(1, 3)[0]).tolist() == quantised(reload, width, fract)[0]  # set 1 in force
            sets[1] = reload
        expected = [quantised(s, width, fract) for s in sets]
        assert f.coefficients.tolist() == [taps for taps, _ in expected]
        assert f.wrap_counts.coefficients == sum(wraps for _, wraps in expected)


_SYMMETRIC = [1, 2, 4, 7, 11, 16, 11, 7, 4, 2, 1]


@pytest.mark.parametrize("fields, at, delay", [
    ({}, 5, (10, 10)),
    ({"filter_type": "decimation", "decimation_rate": 3, "coeff": _SYMMETRIC}, 6, (3, 1)),
    ({"filter_type": "interpolation", "interpolation_rate": 2, "coeff": _SYMMETRIC[2:-2]}, 4, (1.5, 3)),
    ({"filter_type": "interpolation", "rate_change": "fixed_fractional", "interpolation_rate": 3,
      "decimation_rate": 2, "coeff": _SYMMETRIC}, 5, (5 / 3, 2.5)),
])
def test_group_delay_centres_an_impulse(fields, at, delay):
    with zebfir.Filter(**fields) as f:
        assert f.group_delay == delay
        impulse = np.zeros(40)
        impulse[at] = 1
        c = f.config
        assert np.argmax(f.process(impulse)) == at * c["interpolation_rate"] / c["decimation_rate"] + delay[1]


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
    with concurrent.futures.ThreadPoolExecutor(len(names)) as pool:
        together = list(pool.map(run, names))
    assert all(np.array_equal(run(n), b) for n, b in zip(names, together))


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


@pytest.mark.parametrize("fields, nyquist", [
    ({}, None),
    ({"filter_type": "decimation", "decimation_rate": 3}, 1 / 6),  # cycles per tap
    ({"filter_type": "interpolation", "interpolation_rate": 2}, 0.5),
    (CONFIGS["fractional"], 0.25),
])
def test_plot_marks_the_output_nyquist_frequency(tmp_path, monkeypatch, fields, nyquist):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    figures = []
    monkeypatch.setattr(plt, "close", figures.append)
    zebfir.plot_response(zebfir.Filter(**fields), tmp_path / "r.png", n=16)
    marks = [line.get_xdata()[0] for line in figures[0].axes[0].lines if line.get_label() == "output Nyquist"]
    assert marks == ([] if nyquist is None else [nyquist])


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
    ({"coeff": [[1, 2, 1], [1, 2, 3]]}, lambda f: f.group_delay_of(1), zebfir.ModelError,
     f"{NAME} ERROR: Coefficient set is not linear-phase, it has no group delay: 1"),
    ({}, lambda f: f.group_delay_of(1), zebfir.ModelError, f"{NAME} ERROR: No such coefficient set: 1"),
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
