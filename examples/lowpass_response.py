"""Designs a low-pass filter with SciPy, quantises it through the model and
saves a plot of what the chosen coefficient width costs.

    python3 examples/lowpass_response.py [plot.png]
"""
import sys

import numpy as np
from scipy import signal

import zebfir

taps = signal.firwin(41, cutoff=0.2, window=("kaiser", 8.0))  # cutoff in units of the Nyquist rate
path = sys.argv[1] if len(sys.argv) > 1 else "lowpass_response.png"

with zebfir.Filter(coeff=taps, coeff_width=12, quantization="maximize_dynamic_range",
                   output_rounding_mode="round_half_even", output_width=16) as f:
    r = zebfir.plot_response(f, path)
    tone = np.round(2000 * np.sin(2 * np.pi * 0.02 * np.arange(400)))  # in the passband
    out = f.process(tone, output="int")
    print(f"{len(taps)} taps quantised to {f.config['coeff_width']} bits: "
          f"largest deviation {r.deviation_db[0]:.1f} dB below the peak gain")
    print(f"accumulator {f.accumulator_width} bits, output IFIX_{f.output_format[0]}_{f.output_format[1]}, "
          f"tone peak in {int(abs(tone).max())} LSBs, out {int(abs(out[100:]).max())} LSBs")
    print(f"plot saved to {path}")
