"""What the chosen coefficient width costs: frequency responses of the
quantised coefficient sets beside the unquantised ones."""
from typing import NamedTuple

import numpy as np


class Response(NamedTuple):
    frequency: np.ndarray     # n points from 0 to just below 0.5 cycles per tap
    quantised: np.ndarray     # (coeff_sets, n) complex responses of the model's taps
    unquantised: np.ndarray   # (coeff_sets, n) complex responses of the taps as given
    deviation_db: np.ndarray  # per set: largest |quantised - unquantised|, dB below the peak gain


def _coefficient_scale(config):
    """The factor the model applies before quantising (1 unless the dynamic
    range is maximised: the largest value fills the width, and the most
    negative one may not pass the negative limit)."""
    if config["quantization"] != "MAXIMIZE_DYNAMIC_RANGE":
        return 1.0
    values = np.asarray(config["coeff"])
    step = 2.0 ** config["coeff_fract_width"]
    top = 2.0 ** (config["coeff_width"] - 1)
    scales = []
    if values.max() > 0:
        scales.append((top - 1) / step / values.max())
    if values.min() < 0:
        scales.append(top / step / -values.min())
    return min(scales)


def response(filter, n=2048):
    """Frequency responses of every coefficient set, quantised (the model's
    taps, scaled back to the given values' gain) and as given."""
    config = filter.config
    given = np.asarray(config["coeff"]).reshape(filter.coefficients.shape)
    quantised = np.ldexp(filter.coefficients.astype(np.float64), -config["coeff_fract_width"])
    quantised /= _coefficient_scale(config)
    spectrum = lambda taps: np.fft.rfft(taps, 2 * n, axis=-1)[..., :n]
    hq, hu = spectrum(quantised), spectrum(given)
    peak = np.abs(hu).max(axis=-1)
    with np.errstate(divide="ignore"):
        deviation = 20 * np.log10(np.abs(hq - hu).max(axis=-1) / peak)
    return Response(np.arange(n) / (2.0 * n), hq, hu, deviation)


def output_nyquist(filter):
    """Half the output rate in cycles per tap, or None for a filter that
    keeps the rate.  The taps run at interpolation_rate times the input
    rate, the output at interpolation_rate / decimation_rate times it."""
    c = filter.config
    return None if c["interpolation_rate"] == c["decimation_rate"] == 1 else 0.5 / c["decimation_rate"]


def plot_response(filter, path, n=2048):
    """Draws the magnitude of both responses of every set into path (any
    format matplotlib writes), with the output Nyquist frequency of a rate
    changer as a dashed line, and returns the Response."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    r = response(filter, n)
    config = filter.config
    fig, axes = plt.subplots(len(r.quantised), 1, squeeze=False, figsize=(8, 3.5 * len(r.quantised)))
    db = lambda h: 20 * np.log10(np.maximum(np.abs(h), 1e-300))
    nyquist = output_nyquist(filter)
    for s, ax in enumerate(axes[:, 0]):
        ax.plot(r.frequency, db(r.unquantised[s]), label="as designed")
        ax.plot(r.frequency, db(r.quantised[s]), label=f"quantised to {config['coeff_width']} bits")
        floor = db(r.unquantised[s]).max() - 140
        ax.set_ylim(bottom=max(floor, min(db(r.quantised[s]).min(), db(r.unquantised[s]).min())))
        if nyquist is not None:
            ax.axvline(nyquist, color="0.4", linestyle="--", label="output Nyquist")
        ax.set_xlim(0, 0.5)
        ax.set_title(f"coefficient set {s}: largest deviation {r.deviation_db[s]:.1f} dB re peak gain")
        ax.set_xlabel("frequency (cycles per tap)")
        ax.set_ylabel("magnitude (dB)")
        ax.grid(True)
        ax.legend()
    fig.tight_layout()
    fig.savefig(path)
    plt.close(fig)
    return r
