"""process() and the streaming calls against zeb-fir on the same
configuration and stimulus."""
import numpy as np

import zebfir
from conftest import CONFIGS, run_tool, stimulus, write_config


def test_process_equals_zeb_fir_however_the_input_is_cut(tmp_path, config_name):
    cfg = write_config(tmp_path / f"{config_name}.cfg", CONFIGS[config_name])
    f = zebfir.Filter.from_file(cfg)
    hilbert = f.config["filter_type"] == "HILBERT"
    ints = stimulus(f)
    got_int = f.process(ints, output="int", input="int")
    assert got_int.dtype == (object if f.output_format[0] > 63 else np.int64)
    assert np.array_equal(got_int, run_tool(tmp_path, cfg, ints, "int", hilbert))
    f.reset()
    x = np.ldexp(ints.astype(np.float64), -f.config["data_fract_width"])
    got_real = f.process(x, output="complex" if hilbert else "real")
    assert np.array_equal(got_real, run_tool(tmp_path, cfg, ints, "real", hilbert))
    # Keyword fields, chunked sends and single-slot reads give the same outputs.
    g = zebfir.Filter(**CONFIGS[config_name])
    cuts = [0, 1, 2, 9, 9, 20, 33, 48]
    chunks = [g.process(ints[a:b], output="int", input="int") for a, b in zip(cuts, cuts[1:])]
    assert np.array_equal(np.concatenate(chunks), got_int)
    g.reset()
    slots = []
    for slot in ints.reshape(-1, ints.shape[-1]):
        g.send_slot(slot, input="int")
        while (out := g.read_slot(output="int")) is not None:
            slots.append(out)
    assert np.array_equal(np.array(slots).reshape(got_int.shape), got_int)


def test_one_dimensional_input_and_runtime_packets():
    with zebfir.Filter(coeff=[[1, 2, 3], [10, 0, -10]], reloadable=1) as f:
        assert f.config["num_coeffs"] == 3 and f.config["coeff_sets"] == 2
        impulse = np.array([1.0, 0, 0])
        assert f.process(impulse).tolist() == [1, 2, 3]
        f.config(fsel=1)
        assert f.process(impulse).tolist() == [10, 0, -10]
        f.reload(1, [4, 5, 6])
        f.config(fsel=1)
        assert f.process(impulse).tolist() == [4, 5, 6]
        f.reset()
        assert f.process(impulse).tolist() == [1, 2, 3]
