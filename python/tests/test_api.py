"""Introspection, integer input, threads, responses and import hygiene."""
import subprocess
import sys
import threading

import numpy as np
import pytest

import zebfir
from conftest import CONFIGS, stimulus


@pytest.mark.parametrize("fields, acc, out_format, gmp", [
    ({}, 24, (24, 0), False),
    ({"reloadable": 1}, 37, (37, 0), False),
    ({"output_rounding_mode": "round_half_up", "output_width": 16}, 24, (16, 0), False),
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


def test_import_leaves_matplotlib_alone():
    code = "import sys, zebfir; zebfir.Filter(); sys.exit('matplotlib' in sys.modules)"
    assert subprocess.run([sys.executable, "-c", code]).returncode == 0
