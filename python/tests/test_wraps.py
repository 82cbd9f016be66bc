"""Wrap counts against an independent count, and strict filters."""
import numpy as np
import pytest

import zebfir


def wrap(values, width):
    return (values + 2**(width - 1)) % 2**width - 2**(width - 1)


def expected_run(ints, coeff, data_width, output_width):
    """Single rate, ROUND_HALF_UP: the outputs in output LSBs and, per place
    (vector, slot, path), whether the input and the output wrapped."""
    x = wrap(ints, data_width)
    acc = np.zeros(x.shape, dtype=object)
    for k, c in enumerate(coeff):
        acc[k:] += c * x[:len(x) - k]
    shift = data_width + (sum(map(abs, coeff)) - 1).bit_length() - output_width  # accumulator bits kept
    rounded = (acc + 2**(shift - 1)) // 2**shift
    out = wrap(rounded, output_width)
    return out, x != ints, out != rounded


def counted(wrapped):
    first = zebfir.Position(*np.argwhere(wrapped)[0][[0, 2, 1]].tolist()) if wrapped.any() else None
    return int(wrapped.sum()), first, wrapped.sum(axis=0).T.tolist()


def stimulus(rng, shape, half):
    """Mostly near the top, so that sums round past it, and a quarter out of range."""
    top = rng.integers(half - half // 256, half, shape)
    return np.where(rng.random(shape) < 0.25, rng.integers(-2 * half, 2 * half, shape), top).astype(object)


@pytest.mark.parametrize("fields, paths, channels, kind", [
    ({"coeff": [1, 1]}, 1, 3, "real"),  # 17-bit accumulator: doubles
    ({"coeff": [3, 1]}, 2, 3, "real"),
    ({"data_width": 40, "coeff": [8191, 8191], "coeff_width": 14}, 2, 1, "int"),  # 54 bits: integers
])
def test_wrap_counts_equal_an_independent_count(fields, paths, channels, kind):
    data_width = fields.get("data_width", 16)
    ints = stimulus(np.random.default_rng(paths), (40, channels, paths), 2**(data_width - 1))
    out, input_wraps, output_wraps = expected_run(ints, fields["coeff"], data_width, 8)
    with zebfir.Filter(num_paths=paths, num_channels=channels, output_rounding_mode="round_half_up", output_width=8,
                       **fields) as f:
        for part in (slice(0, 15), slice(15, 40)):  # positions go on after a clear
            x = ints[part].astype(np.int64 if kind == "int" else np.float64)
            assert f.process(x, output="int", input=kind).tolist() == out[part].tolist()
            c = f.wrap_counts
            got = [(c.input, c.first_input, c.input_by_channel.tolist()),
                   (c.output, c.first_output, c.output_by_channel.tolist())]
            inside = (np.arange(len(ints)) >= part.start) & (np.arange(len(ints)) < part.stop)
            expected = [counted(w & inside[:, None, None]) for w in (input_wraps, output_wraps)]
            if paths > 1 and channels > 1:  # the first of wraps on other paths and slots: ordered path first
                got, expected = [g[::2] for g in got], [e[::2] for e in expected]
            assert got == expected and c.output > 0
            f.clear_wrap_counts()


_TOP = {"coeff": [1, 1], "output_rounding_mode": "round_half_up", "output_width": 8}  # 32767 + 32767 rounds to 128


@pytest.mark.parametrize("fields, act, value, text, output", [
    ({"coeff": [200, 1], "coeff_width": 8, "quantization": "quantize_only"}, None, 0, "wrapped: coefficients 1",
     None),
    ({"coeff": [1]}, lambda f, v: f.process(np.array([0, v, 0])), 40000, "wrapped: input 1 (first at vector 1, path 0, slot 0)",
     [0, -25536, 0]),
    ({"num_channels": 2}, lambda f, v: f.send(np.array([0, 0, 0, v]).reshape(2, 2, 1), input="int"), 40000,
     "wrapped: input 1 (first at vector 1, path 0, slot 1)", None),
    ({"num_paths": 2}, lambda f, v: f.send_slot([0, v]), 40000,
     "wrapped: input 1 (first at vector 0, path 1, slot 0)", None),
    (_TOP, lambda f, v: f.process(np.array([v, v, 0])), 32767,
     "wrapped: output 1 (first at vector 1, path 0, slot 0)", [64, -128, 64]),
    (_TOP, lambda f, v: [f.send_slot(s) for s in (v, v)] + [f.read_slot(output="int") for _ in "ab"], 32767,
     "wrapped: output 1 (first at vector 1, path 0, slot 0)", [-128]),
])
def test_strict_filters_raise_on_the_first_wrap(fields, act, value, text, output):
    with pytest.raises(zebfir.WrapError) as e:
        with zebfir.Filter(strict=True, **fields) as f:
            act(f, value // 2)  # clean
            f.reset()
            act(f, value)
    assert str(e.value) == text and isinstance(e.value, zebfir.Error)
    assert e.value.counts.input + e.value.counts.output + e.value.counts.coefficients == 1
    assert (None if e.value.output is None else e.value.output.tolist()) == output
