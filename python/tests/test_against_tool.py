"""process() and the streaming calls against zeb-fir on the same
configuration and stimulus."""
import ctypes
import random
import re
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import zebfir
from conftest import CONFIGS, TOOL, run_tool, stimulus, write_config
from zebfir import _fields
from zebfir._clib import cdll


@pytest.mark.parametrize("config_name", sorted(CONFIGS))
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
    # Keyword fields give the same model (the streaming calls: below).
    assert np.array_equal(zebfir.Filter(**CONFIGS[config_name]).process(ints, output="int", input="int"), got_int)


def test_fields_and_enumerators_are_those_of_the_field_table():
    table = subprocess.run([TOOL, "--list-fields"], check=True, capture_output=True, text=True).stdout
    rows = [line.split(" | ")[:2] for line in table.splitlines() if line.startswith("| `")]
    assert tuple(field.strip("|` ") for field, _ in rows) == _fields.FIELDS
    enumerated = {}  # field: (names, first value, last value)
    for field, accepted in rows:
        m = re.match(r"([A-Z_]+(?:, [A-Z_]+)*) \((\d+)(?:(?: to |, )(\d+))?\)", accepted)
        if m:
            enumerated[field.strip("|` ")] = (tuple(m[1].split(", ")), int(m[2]), int(m[3] or m[2]))
    expected = {field: (names, 0, len(names) - 1) for field, names in _fields._ENUMERATORS.items()}
    expected["init_pattern"] = (("PATTERN_BASIC",), _fields.PATTERN_BASIC, _fields.PATTERN_BASIC)
    assert enumerated == expected


def _scenario(seed):
    """A configuration biased to advanced patterns, several paths, rate changes,
    Hilbert filters and several reloadable sets; integer stimulus; packets
    before some vectors (None: before none)."""
    rng = random.Random(seed)
    lows, highs = ((ctypes.c_int32 * 65).in_dll(cdll, f"zeb_fir_v7_1_pattern_{end}") for end in ("min", "max"))
    while True:
        kind = rng.choice(["single_rate", "interpolation", "decimation", "hilbert", "fractional"])
        sets, channels, taps = rng.randint(1, 3), rng.choice([4, 6, 8, 12]), rng.choice([3, 5, 7])
        fields = {"filter_type": "interpolation" if kind == "fractional" else kind, "num_paths": rng.randint(1, 3),
                  "reloadable": rng.randint(0, 1), "config_method": rng.randint(0, 1),
                  "data_width": rng.choice([12, 16, 44]), "interpolation_rate": rng.randint(2, 4),
                  "decimation_rate": rng.randint(2, 4),
                  "coeff": [[rng.randint(-99, 99) for _ in range(taps)] for _ in range(sets)]}
        if kind == "fractional":
            fields.update(rate_change="fixed_fractional", interpolation_rate=3, decimation_rate=rng.choice([2, 4]))
        if rng.random() < 0.8:
            fields.update(chan_seq="advanced_chan_seq", num_channels=channels,
                          init_pattern=rng.randint(lows[channels], highs[channels]))
        try:
            with zebfir.Filter(**fields) as f:
                c = f.config
                ints = stimulus(f, vectors=rng.randint(5, 20), seed=seed)
        except zebfir.ConfigError:
            continue
        packets = []
        for _ in range(len(ints)):
            pattern = rng.randint(lows[channels], highs[channels]) if c["chan_seq"] != "BASIC_CHAN_SEQ" else None
            by_channel = c["config_method"] == "CONFIG_BY_CHANNEL"
            fsel = [rng.randrange(c["coeff_sets"]) for _ in range(c["num_channels"] if by_channel else 1)]
            reload = (rng.randrange(c["coeff_sets"]), [rng.randint(-99, 99) for _ in range(taps)])
            packets.append(rng.choice([None, None, None, (fsel, pattern, None), (fsel, pattern, reload)]))
        return fields, ints, packets


def _stream(f, ints, packets, cut, rng):
    """The output slots of one way of cutting the work into calls."""
    slots = []

    def read_slots(limit):
        while limit and (one := f.read_slot(output="int")) is not None:
            slots.append(one)
            limit -= 1

    def take(vectors):  # (vectors, channels, paths[, 2]) as slots
        slots.extend(vectors.reshape((-1,) + vectors.shape[2:]))

    for vector, packet in zip(ints, packets):
        if packet:
            fsel, pattern, reload = packet
            if reload:
                f.reload(*reload)
            f.config(fsel=fsel, pattern=pattern)
        at_vector = len(slots) % ints.shape[1] == 0
        if cut == "vectors" or (cut == "random" and at_vector and rng.random() < 0.5):
            take(f.process(vector[None], output="int", input="int"))
            continue
        for s in vector:
            f.send_slot(s, input="int")
            read_slots(-1 if cut == "slots" else rng.randrange(3) if cut == "random" else 0)
        if len(slots) % ints.shape[1] == 0 and cut != "slots":
            take(f.read(output="int"))
    read_slots(-1)
    return [np.asarray(s).tolist() for s in slots]


@pytest.mark.parametrize("seed", range(16))
def test_one_stream_however_the_calls_are_cut(seed):
    fields, ints, packets = _scenario(seed)
    streams = []
    for cut in ("vectors", "slots", "slots_in_vectors_out", "random"):
        with zebfir.Filter(**fields) as f:
            streams.append(_stream(f, ints, packets, cut, random.Random(seed)))
    assert all(s == streams[0] for s in streams[1:])


def test_regression_sweep_on_two_dask_workers(tmp_path, capsys):
    try:
        import distributed
    except ImportError as e:
        pytest.fail(f"the sweep test needs Dask's distributed (Debian: python3-distributed): {e}")
    sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "examples"))
    import regression_sweep
    names = ["advanced", "decimation", "fractional", "gmp_hilbert", "gmp_wide"]  # gmp_wide: 2 paths, refused
    for name in names:
        write_config(tmp_path / f"{name}.cfg", CONFIGS[name])
    (tmp_path / "noise.txt").write_text("\n".join(map(str, np.random.default_rng(3).integers(-2**15, 2**15, 96))))
    (tmp_path / "packets.txt").write_text("1\n-2\n3\n4\n@config fsel=0\n5\n6\n+7 # c\n8\n@reset\n9\n0\n1\n2\n")
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1, dashboard_address=None) as cluster:
        status = regression_sweep.main(["--configs", *(str(tmp_path / f"{n}.cfg") for n in names), "--stimuli",
                                        str(tmp_path), "--out", str(tmp_path / "out"), "--scheduler",
                                        cluster.scheduler_address])
    assert status == 1 and capsys.readouterr().out.splitlines()[1:] == [
        f"failed: gmp_wide__{s}.golden: {tmp_path / s}.txt:1: expected 2 values (one per path), found 1"
        for s in ("noise", "packets")]
    golden = sorted((tmp_path / "out").iterdir())
    assert [g.name for g in golden] == [f"{n}__{s}.golden" for n in names[:-1] for s in ("noise", "packets")]
    for g in golden:
        config, stim = g.stem.split("__")
        assert g.read_text() == subprocess.run(
            [TOOL, "--config", str(tmp_path / f"{config}.cfg"), "--input", str(tmp_path / f"{stim}.txt"),
             "--input-format", "int", "--format", "int"], check=True, capture_output=True, text=True).stdout
