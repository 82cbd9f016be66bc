"""Shared pieces: filter configurations, stimuli, and zeb-fir as the
independent reference (the C library driven through text files)."""
import os
import subprocess
from pathlib import Path

import numpy as np

TOOL = os.environ.get("ZEBFIR_TOOL", str(Path(__file__).resolve().parents[2] / "build" / "tools" / "zeb-fir"))

_TAPS = "3,-7,12,40,90,40,12,-7,3,1,-2"
_BIG = ",".join(str(v * 2**46 + 12345) for v in (1, -1, 2, 1, 1, -1))
# Fields as text, exactly as a zeb-fir --config file holds them (any case).
CONFIGS = {
    "single": {},
    "decimation": {"filter_type": "decimation", "decimation_rate": "3", "num_channels": "2", "coeff": _TAPS},
    "fractional": {"filter_type": "Interpolation", "rate_change": "fixed_fractional", "interpolation_rate": "3",
                   "decimation_rate": "2", "coeff": _TAPS, "output_rounding_mode": "ROUND_HALF_EVEN",
                   "output_width": "18"},
    "hilbert": {"filter_type": "ZEB_FIR_V7_1_HILBERT", "num_paths": "2", "data_fract_width": "4",
                "coeff": "-0.25,0,-0.5,0,-1.5,0,1.5,0,0.5,0,0.25", "coeff_fract_width": "2"},
    "paths_channels": {"num_paths": "3", "num_channels": "4", "filter_type": "interpolation",
                       "interpolation_rate": "2", "coeff": "0.5,-1.25,3.75,8,3.75,-1.25,0.5",
                       "coeff_fract_width": "3", "output_rounding_mode": "truncate_lsbs", "output_width": "16"},
    "advanced": {"chan_seq": "advanced_chan_seq", "num_channels": "4", "init_pattern": "3", "coeff": _TAPS},
    "gmp_wide": {"data_width": "49", "coeff_width": "49", "coeff": _BIG, "num_paths": "2"},
    "gmp_hilbert": {"filter_type": "hilbert", "data_width": "40", "data_fract_width": "5", "coeff_width": "30",
                    "coeff": "-70000000,0,-300000000,0,300000000,0,70000000"},
}


def write_config(path, fields):
    path.write_text("# written by the tests\n" + "".join(f"{k} = {v}  # field\n" for k, v in fields.items()))
    return path


def stimulus(f, vectors=48, seed=0):
    """Integers in input-LSB units, shape (vectors, channels, paths)."""
    c = f.config
    half = 2 ** (c["data_width"] - 1)
    rng = np.random.default_rng(seed)
    return rng.integers(-half, half, (vectors, c["num_channels"], c["num_paths"]))


def run_tool(tmp_path, config_file, ints, fmt, hilbert=False):
    """zeb-fir's output for the stimulus, shaped like process() output."""
    paths = ints.shape[-1]
    stim = tmp_path / "stim.txt"
    stim.write_text("\n".join(" ".join(map(str, row)) for row in ints.reshape(-1, paths).tolist()) + "\n")
    out = subprocess.run([TOOL, "--config", str(config_file), "--input", str(stim), "--input-format", "int",
                          "--format", fmt], check=True, capture_output=True, text=True).stdout
    parse = int if fmt == "int" else float
    rows = [[parse(v) for v in line.split()] for line in out.splitlines() if line and not line.startswith("#")]
    values = np.array(rows, dtype=object if fmt == "int" else np.float64)
    if hilbert:
        values = values.reshape(-1, paths, 2)
        values = values if fmt == "int" else values[..., 0] + 1j * values[..., 1]
    return values.reshape((-1, ints.shape[1], paths) + values.shape[2:])
