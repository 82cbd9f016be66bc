"""Refusals carry the model's own text (or zeb-fir's for field spelling) and
leave a running filter usable; messages go to logging, never to stdout."""
import logging

import numpy as np
import pytest

import zebfir

NAME = "pilvoran_v7_1"


@pytest.mark.parametrize("fields, text", [
    ({"speed": 3}, "unknown configuration field 'speed'"),
    ({"filter_type": "BANDPASS"}, "unknown value 'BANDPASS' for filter_type: expected SINGLE_RATE, "
                                  "INTERPOLATION, DECIMATION, HILBERT, INTERPOLATED, or a number"),
    ({"num_paths": "two"}, "bad number 'two' for num_paths: expected an integer from -2147483648 to 4294967295"),
    ({"data_width": -1}, "Invalid coefficient width"),
    ({"coeff": [1.0, np.nan]}, "Coefficient value is not a finite number"),
    ({"coeff": [1, 2, 3], "coeff_sets": 2}, "3 coefficient values do not divide into coeff_sets = 2 sets of equal length"),
])
def test_configuration_refusals(fields, text):
    with pytest.raises(zebfir.ConfigError) as e:
        zebfir.Filter(**fields)
    assert str(e.value) == text


def test_file_refusal_names_the_line(tmp_path):
    cfg = tmp_path / "bad.cfg"
    cfg.write_text("# a filter\nfilter_type = decimation\nrate = 4\n")
    with pytest.raises(zebfir.ConfigError, match=f"^{cfg}:3: unknown configuration field 'rate'$"):
        zebfir.Filter.from_file(cfg)


@pytest.mark.parametrize("fields, act, text", [
    ({}, lambda f: f.process(np.zeros((4, 1, 2))), "Incorrect data size, expecting num_paths: 1 by num_channels: 2"),
    ({}, lambda f: f.process(np.zeros((1, 2, 1, 1))),
     "Incorrect data array dimension, expecting num_paths by num_channels (by number of vectors)"),
    ({}, lambda f: f.process(np.array([[[0.0], [np.nan]]])), "Input sample is not a finite number"),
    ({"filter_type": "hilbert"}, lambda f: f.process(np.zeros((4, 2, 1)), output="real"),
     "Hilbert filter type requires a complex data sink"),
])
def test_model_refusals_leave_the_filter_usable(fields, act, text):
    x = np.arange(-20.0, 20.0).reshape(-1, 2, 1)
    with zebfir.Filter(num_channels=2, **fields) as reference, zebfir.Filter(num_channels=2, **fields) as f:
        with pytest.raises(zebfir.ModelError) as e:
            act(f)
        assert str(e.value) == f"{NAME} ERROR: {text}"
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
