#!/usr/bin/env python3
"""Injects known faults into the library one at a time and records which tests catch each.

The tracked tree is copied to a scratch directory and built once; then, per fault, one exact
text of one source file is replaced, the build is brought up to date, ctest runs, and the file
is restored.  A fault whose text does not occur exactly once is reported as "does not apply".

  python3 tests/inject_faults.py                    # every fault, Markdown table on stdout
  python3 tests/inject_faults.py --tests-from REV   # the same, with tests/ of a git revision
  python3 tests/inject_faults.py --only gmp-tie,lost-read --all-names
"""
import argparse, os, shutil, subprocess, sys, tempfile

# (id, file, old text, new text, what the fault does)
FAULTS = [
    ('phase-interp', 'filter/fir_filter.cpp', 'rate_numerator - rate_denominator : rate_numerator - 1;',
     'rate_numerator - rate_denominator - 1 : rate_numerator - 1;', 'interpolator starts one polyphase branch early'),
    ('decim-first', 'filter/fir_filter.cpp', 'rate_numerator - rate_denominator : rate_numerator - 1;',
     'rate_numerator - rate_denominator : rate_numerator;', 'first decimation step one input too long'),
    ('decim-size', 'model/fir_sinks.cpp', 'return (V * L) / M;', 'return (V * L + M - 1) / M;', 'output sizing rounds the decimated count up'),
    ('rnd-swap', 'fixedpoint/rounding.cpp', 'RND_HALF_DOWN,    RND_HALF_UP}', 'RND_HALF_UP,    RND_HALF_DOWN}',
     'output rounding modes half-down and half-up swapped'),
    ('gmp-tie', 'model/kernel_bank.cpp', ': -mpz_cmp_d(r.get_mpz_t(), -half);', ': mpz_cmp_d(r.get_mpz_t(), -half);',
     'GMP kernels: negative outputs compared with the wrong half in rounding'),
    ('wide-tie', 'model/kernel_bank.cpp', 'beyond_half = r < half ? -1 : (r > half ? 1 : 0);',
     'beyond_half = r < half ? -1 : 1;', '128-bit kernels: ties rounded as if beyond half'),
    ('int-step', 'fixedpoint/rounding.h', 'case EVEN_FLOOR: return q_odd ? -1 : 0;', 'case EVEN_FLOOR: return q_odd ? 0 : -1;',
     'integer rounding: negative ties to even go to odd'),
    ('bank-in-phase', 'model/kernel_bank.cpp', 'line[i] = values[i] * formats_.din_inv_scale;', 'line[i] = values[i];',
     'Hilbert in-phase values kept in input LSBs'),
    ('bank-block-scale', 'model/kernel_bank.cpp', 'to_samples(values, count);\n                values = block_.data();', '',
     'double kernels fed blocks in input LSBs'),
    ('bank-gmp-choice', 'model/fir_coefficients.cpp', 'kernels == Arithmetic::int128 && kernel_sums_fit(126)',
     'kernels != Arithmetic::real && kernel_sums_fit(126)', 'the GMP switch at creation is ignored'),
    ('narrow-choice', 'model/fir_coefficients.cpp', 'arithmetic == Arithmetic::int128 && kernel_sums_fit(63),',
     'arithmetic == Arithmetic::int128 && kernel_sums_fit(126),', '64-bit kernels wherever 128-bit ones fit'),
    ('lost-read', 'model/fir_output.cpp', '    out.check_room(vectors);\n',
     '    try { out.check_room(vectors); } catch (...) { double lost; bank->take_reals(0, 0, 1, &lost); throw; }\n',
     'a refused whole-vector read drops a sample'),
    ('pattern-row', 'patterns/pattern_tables.cpp', '/*  40 */ 0, 1, 0, 2, 0, 3,', '/*  40 */ 0, 1, 0, 3, 0, 2,',
     'two slots of pattern 40 swapped'),
    ('cnfg-late', 'filter/fir_filter.cpp', 'sync_pending = true;\n    step_quotient',
     'sync_pending = false;\n    step_quotient', 'packet sent before data applied one sample late'),
    ('hilbert-delay', 'model/fir_coefficients.cpp', '(cfg.num_coeffs + 1) / 2 - 1 +',
     '(cfg.num_coeffs + 1) / 2 +', 'Hilbert in-phase delay one sample long'),
    ('sink-owner', 'interface/record_io.cpp', '    if (zeb_records::reserve_dim(record_, 3) != 0',
     '    record_.owner = 0;\n    if (zeb_records::reserve_dim(record_, 3) != 0', "a sink's owner flag cleared"),
    ('msg-typo', 'model/fir_runtime_config.cpp', 'fsel values specificed', 'fsel values specified', 'message text "corrected"'),
    ('msg-text', 'model/fir_sinks.cpp', '"Hilbert filter type requires', '"Hilbert filter requires', 'message text shortened'),
    ('validate-order', 'model/fir_validate.cpp',
     '    refuse_if(chan_seq == 1 && !is_advanced_channel_count(channels), "Invalid number of channels");\n'
     '    refuse_if(u32(config.num_paths) > kMaxPaths, "Invalid number of paths");\n',
     '    refuse_if(u32(config.num_paths) > kMaxPaths, "Invalid number of paths");\n'
     '    refuse_if(chan_seq == 1 && !is_advanced_channel_count(channels), "Invalid number of channels");\n',
     'two validation checks swapped'),
    ('input-wrap', 'model/fir.cpp', 'din_fmt = FFPContext(dw, dfw, RND_DOWN, OVF_WRAP,',
     'din_fmt = FFPContext(dw, dfw, RND_DOWN, OVF_CLIP,', 'input saturates instead of wrapping'),
    ('coeff-symmetric', 'model/fir_coefficients.cpp', 'const double h = c < 0 ? -0.49999999999 : 0.49999999999;',
     'const double h = 0.49999999999;', 'negative coefficients rounded like positive ones'),
    ('acc-width', 'model/fir_widths.cpp', 'std::ceil(quotient)', 'std::floor(quotient) + 1',
     'accumulator bit count wrong at powers of two'),
    ('halfband-taps', 'model/fir_widths.cpp', 'taps = cfg.is_halfband ? taps - 1 : (taps + L - 1) / L;',
     'taps = (taps + L - 1) / L;', 'halfband interpolator worst case as a plain one'),
    ('mpz-bound', 'model/fir_widths.cpp', 'integer_mode = acc_width > 52;', 'integer_mode = acc_width > 53;',
     'integer mode from 54 bits instead of 53'),
    ('int128-bound', 'filter/fir_filter_block.cpp', 'sum > (limit - 1) / max_abs_sample',
     'sum > limit / max_abs_sample', '128-bit integer mode admits a branch sum of exactly 2^126'),
    ('block-lane', 'filter/fir_block_core.cpp', 'store(out + (k + a * W) * stride, stride, acc[a]);',
     'store(out + (k + a * W) * stride, stride, acc[a ? a : 1]);', 'tiled block loops write one lane group twice'),
    ('core-lane', 'filter/fir_block_core.cpp', 'std::memcpy(&x, src[j] + k, sizeof x);',
     'std::memcpy(&x, src[j] + k + 1, sizeof x);', "block loops' single vectors read one sample late"),
    ('core-tail', 'filter/fir_block_core.cpp', 'for (; k < count; ++k) {\n        T acc = 0;',
     'for (; k + 1 < count; ++k) {\n        T acc = 0;', 'block loops drop the last output of a branch'),
    ('core-order', 'filter/fir_block_core.cpp', 'const T c = coeff[j];\n            const T* s = src[j] + k;',
     'const T c = coeff[taps - 1 - j];\n            const T* s = src[taps - 1 - j] + k;',
     'tiled block loops sum the taps oldest first'),
    ('narrow-acc', 'filter/fir_filter_stream.h', 'holds for 63 bits.\n        T acc = 0;',
     'holds for 63 bits.\n        double acc = 0;', '64-bit per-output path sums in a double'),
    ('wide-lane', 'filter/fir_block_core.cpp', 'o[3 * stride] = a3;', 'o[3 * stride] = a2;',
     '128-bit block kernel writes one output twice'),
    ('dout-scale', 'model/fir_widths.cpp', 'acc_width - ow - cfw - dfw', 'acc_width - ow - cfw',
     'double-mode output scale ignores data fractional bits'),
    ('mdr-scale', 'model/fir_widths.cpp', '(std::ldexp(1.0, cw - 1) - 1.0) / std::ldexp(1.0, cfw)',
     'std::ldexp(1.0, cw - 1) / std::ldexp(1.0, cfw)', 'maximised positive coefficient one step too large'),
    ('view-index', 'arrays/channel_views.cpp', 'static_cast<unsigned>(index % n)',
     'static_cast<unsigned>((index + 1) % n)', "channel view takes the wrong slot of a channel's cycle"),
    ('sink-drop', 'model/fir_sinks.cpp', '    sink = std::move(new_sink);\n', '    if (!sink) sink = std::move(new_sink);\n',
     'registering a sink keeps the one registered before'),
    ('reset-queue', 'model/fir_reset.cpp', '    cnfg_queue.clear();\n', '', 'reset keeps queued packets'),
    ('fsel-clamp', 'model/fir_runtime_config.cpp', 'selectors[i] = S - 1;', 'selectors[i] = 0;',
     'out-of-range selector clamped to set 0'),
    ('hilbert-int', 'interface/record_io.cpp', 'mpz_set_d(e.re, line.front() * from.data_fract_scale);',
     'mpz_set_d(e.re, line.front());', 'Hilbert in-phase integers not in input LSBs'),
    ('run-pattern', 'model/fir_output.cpp', 'const unsigned int c = slot_channel(closed_runs.head_pattern(), s);',
     'const unsigned int c = channel_of_slot(s);', 'output of an earlier pattern read under the pattern in force'),
    ('run-close', 'model/fir_runtime_config.cpp', '        close_open_run();\n', '',
     'a pattern change closes no run of the output stream'),
    ('run-partial', 'model/output_runs.cpp', '(rest[c] + per_vector - 1) / per_vector', 'rest[c] / per_vector',
     "a closed run's last, part-filled vector is dropped"),
    ('hilbert-skip', 'model/kernel_bank.h', 'lines_[at(path, chan)].pop_front(count);',
     'lines_[at(path, chan)].pop_front(0 * count);',
     "real and integer reads leave a Hilbert filter's in-phase values"),
    ('path-major', 'model/fir_input.cpp',
     '        for (unsigned int s = 0; s < C; ++s) {\n'
     '            chan_pos_in = static_cast<int>(s);\n'
     '            const unsigned int c = channel_of_slot(s);\n'
     '            for (unsigned int p = 0; p < P; ++p) feed(vector[p + P * s], p, c, s, vectors_in);\n'
     '        }\n',
     '        for (unsigned int p = 0; p < P; ++p) {\n'
     '            for (unsigned int s = 0; s < C; ++s) {\n'
     '                chan_pos_in = static_cast<int>(s);\n'
     '                feed(vector[p + P * s], p, channel_of_slot(s), s, vectors_in);\n'
     '            }\n'
     '        }\n', 'a whole packet fed path by path while a packet is queued'),
    ('tool-rpath', 'tools/CMakeLists.txt', '  set_target_properties(zeb-fir PROPERTIES INSTALL_RPATH "${ZEB_TOOL_RPATH}")\n', '',
     'the installed zeb-fir cannot find the installed library'),
    ('record-cover', 'interface/record_io.cpp', 'if (covered > record_.data_size) record_.data_size = covered;',
     'if (covered > record_.data_size) record_.data_size = covered - 1;',
     'a read leaves data_size one short of the vectors it wrote'),
    ('packet-held', 'model/host_io.h', 'return dims >= 1 && length0 < readable ? length0 : readable;',
     'return readable;', "a packet's values read beyond its first length"),
    ('delay-phase', 'model/fir_inspect.cpp', 'const double phase0 = L > M ? L - M : L - 1;', 'const double phase0 = L - 1;',
     "group delay ignores an interpolator's first branch"),
    ('coeff-stride', 'model/fir_inspect.cpp', 'const std::size_t stride = packed ? z : 1;', 'const std::size_t stride = packed ? z / z : 1;',
     'inspected coefficients include packing zeros'),
    ('wide-no-wrap', 'model/kernel_bank.cpp', '(y <= wide_top_ && y >= -wide_top_ - 1)) return y;',
     '(y <= wide_top_ || y >= -wide_top_ - 1)) return y;',
     '128-bit kernels: outputs beyond the range do not wrap'),
    ('gmp-no-wrap', 'model/kernel_bank.cpp', '(rounded_value_ > top_ || rounded_value_ < bottom_)) {',
     '(rounded_value_ > top_ + 1 || rounded_value_ < bottom_)) {', 'GMP kernels: an output one above the top does not wrap'),
    ('wrap-bound', 'model/fir_coefficients.cpp', '> (top << shift);', '> (top << shift) * 2;',
     'integer kernels skip the range check where rounding up at the top can leave the range'),
    ('wrap-first-slot', 'model/fir_input.cpp', 'p, owned[k % slots]};', 'p, owned[0]};',
     "first input wrap of a block reported in the channel's first slot"),
    ('wrap-out-vector', 'model/fir_output.cpp', 'count_output_wraps(p, c, place, vectors_out);',
     'count_output_wraps(p, c, place, 0);', 'output wrap positions restart at every read'),
    ('wrap-clear', 'model/fir_reset.cpp', '    wraps.clear();\n', '', 'reset keeps the wrap counts'),
    ('coeff-wrap', 'model/fir_coefficients.cpp', 'if (q * scale != std::trunc(x * scale))', 'if (q * scale != std::round(x * scale))',
     'coefficients that round up counted as wrapped'),
    ('busy-report', 'interface/entry_frame.h', '    const HostCallMark mark(object);\n    try {\n        return',
     '    try {\n        const HostCallMark mark(object);\n        return', 'calls from an error report are not refused'),
    ('ffp-half-down', 'fixedpoint/rounding.cpp', '{BELOW, BELOW, TRUNC, TRUNC, TRUNC, ABOVE},',
     '{BELOW, BELOW, TRUNC, TRUNC, ABOVE, ABOVE},', 'fixed-point half-down rounds +0.5 up'),
    ('sub2ind', 'arrays/array_family.h', 'index = index * array->dim[j - 1]', 'index = index * array->dim[j]',
     'sub2ind multiplies by the wrong length'),
    ('array-owner', 'arrays/array_family.h', 'if (array->owner != 0 || ops == nullptr ||', 'if (ops == nullptr ||',
     'array functions grow records the host owns'),
    ('tool-part', 'tools/zeb-fir/golden_compare.cpp', 'std::to_string(complex_ ? i / 2 : i)', 'std::to_string(i)',
     'zeb-fir names the wrong path of a complex mismatch'),
    ('tool-order', 'tools/zeb-fir/stream_runner.cpp',
     '    send_packet();\n    const bool reset = command.kind == PacketCommand::Kind::Reset;\n    if (reset) wraps_.carry();\n'
     '    send_packet_command(model_.handle(), command, patterns_);\n',
     '    const bool reset = command.kind == PacketCommand::Kind::Reset;\n    if (reset) wraps_.carry();\n'
     '    send_packet_command(model_.handle(), command, patterns_);\n    send_packet();\n',
     'zeb-fir sends a packet command before the vectors that precede it'),
    ('py-shape', 'python/zebfir/filter.py', 'elif samples.ndim == 3 and samples.shape[1:] == (channels, paths):',
     'elif samples.ndim == 3:', 'zebfir hands an array of the wrong shape to the model'),
    ('py-slot-shape', 'python/zebfir/filter.py', 'if samples.shape != (paths,):', 'if samples.ndim != 1:',
     'zebfir hands a slot of the wrong length to the model'),
    ('py-range', 'python/zebfir/_fields.py', 'not low <= value.__index__() <= high:',
     'not low <= value.__index__() <= high + 1:', 'zebfir lets one number past the top of a C field'),
    ('py-nan-index', 'python/zebfir/filter.py', '            _samples.doubles(samples, "input sample", InputError)\n',
     '', 'zebfir leaves a NaN sample unnamed'),
    ('py-coeff', 'python/zebfir/_fields.py', 'values = doubles(value, "coefficient", ConfigError)',
     'values = np.asarray(value, dtype=np.float64)', 'zebfir converts coefficients unchecked'),
    ('py-strict-output', 'python/zebfir/filter.py', 'if counts.input or counts.output or counts.coefficients:',
     'if counts.input or counts.coefficients:', 'a strict zebfir filter lets output wraps pass'),
    ('py-wrap-layout', 'python/zebfir/inspection.py', 'order="F"', 'order="C"',
     'zebfir lays out the per-channel wrap counts channel first'),
    ('py-int-wrap', 'python/zebfir/_samples.py', 'np.where(low >= half, low - period, low) + side * period',
     'np.where(low >= half, low - period, low)', 'zebfir wraps integer input itself, so the model counts no wrap'),
    ('py-nyquist', 'python/zebfir/response.py', '0.5 / c["decimation_rate"]', '0.5 / c["interpolation_rate"]',
     'zebfir marks the output Nyquist frequency of a decimator at the input rate'),
    ('tool-hex-width', 'tools/zeb-fir/sample_sink.cpp', 'radix == 16 ? (width + 3) / 4 : width;',
     'radix == 16 ? (width + 2) / 4 : width;', 'zeb-fir writes one hex digit too few for widths of 4k+1 bits'),
    ('tool-bin-sign', 'tools/zeb-fir/sample_sink.cpp', 'mpz_fdiv_r_2exp(scratch, v, width);',
     'mpz_tdiv_r_2exp(scratch, v, width);', 'zeb-fir writes a negative binary or hex value with a minus sign'),
    ('tool-skip', 'tools/zeb-fir/golden_compare.cpp', 'if (skipped_ < options_.skip) {',
     'if (skipped_ + 1 < options_.skip) {', 'zeb-fir --skip N skips one golden line too few'),
    ('tool-mismatch-count', 'tools/zeb-fir/golden_compare.cpp', 'if (differing_++ < options_.max_listed) {',
     'if (differing_ < options_.max_listed && ++differing_ != 0) {',
     'zeb-fir counts only the mismatches it lists'),
    ('tool-output-in-place', 'tools/zeb-fir/output_file.cpp', '== 0 && !S_ISREG(entry.st_mode)) {',
     '== 0 && S_ISDIR(entry.st_mode)) {', 'zeb-fir --output renames over a FIFO or a symbolic link'),
    ('tool-strict', 'tools/zeb-fir/stream_runner.cpp', 'if (any_wrap(counts)) throw', 'if (!any_wrap(counts)) throw',
     'zeb-fir --strict fails a clean run and lets a wrapping one pass'),
    ('tool-acc-width', 'tools/zeb-fir/model_summary.cpp', 'plural(model.info().acc_width, "bit")',
     'plural(c.output_width, "bit")', "zeb-fir's summary takes the output width for the accumulator width"),
    ('tool-reset-wraps', 'tools/zeb-fir/stream_runner.cpp', '    if (reset) wraps_.carry();\n', '',
     'zeb-fir loses the wraps counted before an @reset'),
    ('tool-directory', 'config_text/line_reader.cpp', '== 0 && S_ISDIR(status.st_mode))',
     '== 0 && S_ISDIR(status.st_mode) && false)', 'zeb-fir and the DPI open a directory as an input file'),
    ('dpi-wrap-field', 'dpi/dpi_inspect.cpp', '{"first_output_slot", position<&Wraps::first_output, &Position::slot>}',
     '{"first_output_slot", position<&Wraps::first_output, &Position::path>}',
     'the DPI getter of the first wrapped output slot reads its path'),
    ('slot-quantise', 'model/fir_input.cpp', 'if (din_quiet.holds(scaled)) {', 'if (din_quiet.usable) {',
     'single samples skip quantisation whatever their value'),
    ('py-stale-size', 'python/zebfir/_samples.py', '    record.data_size = record.data_capacity = size\n',
     '    record.data_capacity = size\n', "zebfir's prepared input record keeps the last call's size"),
    ('py-stale-view', 'python/zebfir/_samples.py', 'if store != self._viewed:', 'if self._view is None:',
     'zebfir copies outputs out of a store the library has since replaced'),
    ('dpi-stale-handle', 'dpi/handle_registry.cpp', '        r.releases.fetch_add(1, std::memory_order_release);\n', '',
     'the DPI finds a destroyed model through the last handle it found'),
    ('dpi-ring-wrap', 'dpi/output_slots.h', 'if (slot >= capacity_) slot -= capacity_;', 'if (slot >= capacity_) slot = 0;',
     'the DPI puts a new output slot at the ring\'s start once it wraps'),
    ('rows-order', 'model/fir_input.cpp', 'rows + (p + P * s) * stride;',
     'rows + (s + C * p) * stride;', 'many-channel packets fed to kernels from the wrong rows'),
    ('rows-out-stride', 'model/fir_output.cpp', 'transpose_block_by_output(values, stride,',
     'transpose_block_by_output(values, vectors,', 'many-channel reads move rows into the record without their padding'),
    ('rows-quiet-pop', 'model/kernel_bank.cpp', '            for (SampleFifo<S>& buf : outputs_) buf.pop_front(count);\n', '',
     'a many-channel read that needs no rounding leaves its samples in the buffers'),
    ('rows-quiet-strip', 'model/block_transpose.cpp', '        if (_mm256_movemask_pd(inside) != 0xF) return false;\n', '',
     'the vector form of the rounding transpose lets values that need rounding through'),
    ('rows-quiet-tail', 'model/block_transpose.cpp', 'rows_quietly_tile(rows, r4, row_count, c0, c0 + 4, s,',
     'rows_quietly_tile(rows, r4, row_count, c0, c0 + 3, s,', 'the rounding transpose leaves out a column of the rows after the last four'),
    ('rows-quiet-zero', 'model/block_transpose.cpp', '_mm256_mul_pd(_mm256_add_pd(y, _mm256_setzero_pd()), _mm256_set1_pd(s.inv_scale))',
     '_mm256_mul_pd(y, _mm256_set1_pd(s.inv_scale))', 'the vector form of the rounding transpose keeps negative zeros'),
    ('rows-wrap-at', 'model/fir_input.cpp', 'StreamPosition{first_vector + k, p, s}', 'StreamPosition{first_vector, p, s}',
     'many-channel packets report an input wrap at the block\'s first vector'),
    ('rows-out-wrap-at', 'model/fir_output.cpp', 'BlockPlace{row, rows, nullptr}', 'BlockPlace{row, P, nullptr}',
     'many-channel reads report an output wrap at the wrong vector'),
    ('pairs-pack-stale', 'filter/fir_block_pairs.cpp', 'if (s.packed_from.size() == taps && std::equal(',
     'if (s.packed_from.size() == taps || std::equal(', 'the 16-bit pairs keep the last set packed when another of as many taps comes'),
    ('quiet512-negzero', 'fixedpoint/ffp_quantise_block.cpp',
     'inside &= _mm512_cmpneq_epi64_mask(_mm512_castpd_si512(x), negative_zeros);', '(void)negative_zeros;',
     'the AVX-512 block test lets a negative zero through'),
    ('quiet512-whole', 'fixedpoint/ffp_quantise_block.cpp', 'inside &= _mm512_cmp_pd_mask(truncated, x, _CMP_EQ_OQ);',
     'inside &= _mm512_cmp_pd_mask(truncated, x, _CMP_LE_OQ);', 'the AVX-512 block test takes positive fractions for integers'),
    ('quiet512-step', 'fixedpoint/ffp_quantise_block.cpp', '_mm512_loadu_pd(in + i + 8), kCopy',
     '_mm512_loadu_pd(in + i), kCopy', 'the AVX-512 block test and copy read the first eight values twice'),
    ('transpose-out-tail', 'model/block_transpose.cpp', '    copy_tile(in, in_stride, 0, rows, c0, cols, out, out_stride);\n}',
     '}', 'the output-ordered transpose leaves out the columns after the last four'),
    ('slots-none-read', 'interface/model_slots_api.cpp', '            if (!read) break;\n', '',
     'several ready slots at once: a general read that found none still counts a slot'),
    ('slots-room', 'interface/model_slots_api.cpp', 'while (count < max_slots)', 'while (count <= max_slots)',
     'several ready slots at once: one slot more than the room given'),
    ('dpi-slots-room', 'dpi/output_slots.h', '*room = (slot < head_ ? head_ : capacity_) - slot;',
     '*room = capacity_ - slot;', 'the DPI reads new slots over unread ones once its ring wraps'),
    ('dpi-slots-more', 'dpi/dpi_model.cpp', 'if (read < room) return;', 'return;',
     'the DPI leaves ready slots in the model when its room fills'),
    ('any-order-inexact', 'filter/fir_filter.h', 'bool any_order = false;', 'bool any_order = true;',
     'double kernels reorder sums nobody proved exact'),
    ('any-order-lane', 'filter/fir_filter_stream.h', 'a3 = a3 + coeff[(j + 3) * stride] * newest[-j - 3];',
     'a3 = a3 + coeff[(j + 3) * stride] * newest[-j - 2];', 'reordered one-output sums read a wrong sample'),
    ('slot-out-scale', 'model/kernel_bank.cpp', 'values[0] = (raw[0] * factor + 0.0) * out_scaling_.inv_scale;',
     'values[0] = raw[0] * factor + 0.0;', 'single-slot reads skip the output scale'),
    ('quiet-negzero', 'fixedpoint/ffp_quantise_block.cpp', 'kNegativeZero = std::uint64_t{1} << 63;',
     'kNegativeZero = std::uint64_t{1} << 62;',
     'packets with a negative zero go to the kernels as they are'),
    ('quiet-scale', 'model/fir_input.cpp', 'din_fmt.getScale() == 1.0 && din_quiet.holds_all',
     'din_quiet.holds_all', 'fractional inputs go to the kernels unscaled'),
    ('split-cross', 'filter/fir_block_core.cpp', 'b0 = ADD(b0, ADD(MUL(h0, l), MUL(l0, h)));',
     'b0 = ADD(b0, MUL(h0, l));', 'split sums drop one cross product in the vector lanes'),
    ('split-rest', 'filter/fir_block_core.cpp', 'b += xh[j][k] * cl[j] + xl[j][k] * ch[j];', 'b += xh[j][k] * cl[j];',
     'split sums drop one cross product in the last outputs'),
    ('split-bound', 'filter/fir_filter_block.cpp', 'b += sample_high * low + low_top * high_mag;',
     'b += sample_high * low;', 'the split bound leaves out a cross term'),
    ('split-low', 'filter/fir_filter_block.cpp', '& ((std::uint64_t{1} << shift) - 1)', '& ((std::uint64_t{1} << shift) - 2)',
     'split low parts lose their last bit'),
    ('pairs-bound', 'filter/fir_block_pairs.cpp', 'if (magnitude * 32768.0 >= 2147483648.0)',
     'if (magnitude * 16384.0 >= 2147483648.0)', 'the pairs loop takes coefficients whose sums can pass 2^31'),
    ('pairs-high', 'filter/fir_block_pairs.cpp', 'static_cast<std::uint32_t>(x[i - 1]) << 16);',
     'static_cast<std::uint32_t>(x[i]) << 16);', 'pairs carry the same sample in both halves'),
    ('pairs-range', 'filter/fir_block_pairs.cpp', 'high = _mm512_set1_pd(32767.0);', 'high = _mm512_set1_pd(32768.0);',
     'the pairs loop takes samples beyond 16 bits'),
    ('pairs-resume', 'filter/fir_filter_block.cpp', 'for (const double*& s : tap_sources) s += done;', '',
     'the double loop resumes after the pairs loop from the block\'s first sample'),
    ('pairs-stride', 'filter/fir_block_pairs.cpp', 'o[((k) + i) * stride] = lanes[i];',
     'o[(k) + i * stride] = lanes[i];', 'interpolated outputs of the pairs loop land side by side'),
    ('direct-keep', 'filter/fir_filter_block.cpp', 'static_cast<std::size_t>(drop - window_size);',
     'static_cast<std::size_t>(drop - window_size + 1);', 'a block read in place keeps one sample too few'),
    ('direct-resume', 'filter/fir_filter_block.cpp', 'window_start + N + static_cast<std::ptrdiff_t>(done);',
     'window_start + N;', 'the double loop resumes a block read in place from its first output'),
    ('transpose-lane', 'model/block_transpose.cpp', '_mm256_storeu_pd(out + out_stride, _mm256_permute2f128_pd(ab1, cd1, 0x20));',
     '_mm256_storeu_pd(out + out_stride, _mm256_permute2f128_pd(ab1, cd1, 0x31));', 'the vector transpose puts a column\'s lower half in the wrong place'),
    ('one-newest', 'filter/fir_filter_stream.h', '+ coefficients[0] * x);', '+ coefficients[0] * older[0]);',
     'a single sample\'s own product reads the sample before it'),
    ('one-keep', 'filter/fir_filter_stream.h', '            ++window_start;\n            sync_pending = true;\n            return;',
     '            sync_pending = true;\n            return;', 'a single sample leaves the window one sample behind'),
    ('pairs-unit', 'filter/fir_block_pairs.cpp', '_mm512_storeu_pd(out, _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_castsi512_si256(v)), u));',
     '_mm512_storeu_pd(out, _mm512_cvtepi32_pd(_mm512_castsi512_si256(v)));', 'the pairs loop leaves some outputs of fractional samples in sample units'),
    ('tool-line-bound', 'config_text/line_reader.cpp', 'if (line.size() + length > kMaxLineLength)',
     'if (line.size() + length > 64 * kMaxLineLength)', 'line readers accept lines 64 times too long'),
    ('oct-layout', 'matlab/mex_arrays.cpp', 'in.values[p + paths * (s + channels * vec)] = v;',
     'in.values[s + channels * (p + paths * vec)] = v;', 'the Octave binding feeds slots and paths transposed'),
    ('oct-int64', 'matlab/mex_arrays.cpp', 'return mpz_fits_slong_p(z.get_mpz_t()) ? mpz_get_si(z.get_mpz_t())',
     'return mpz_fits_slong_p(z.get_mpz_t()) ? static_cast<std::int64_t>(mpz_get_d(z.get_mpz_t()))',
     "the Octave binding's int64 output goes through a double"),
    ('lane-in-quiet', 'model/fir_slot_lane.h', '        if (!din_quiet.holds(sample)) return false;\n', '',
     'a single-path slot goes to the kernels unquantised'),
    ('lane-paths-quiet', 'model/fir_slot_lane.h', '            if (!din_quiet.holds(samples[p])) return false;\n', '',
     'a slot of several paths goes to the kernels unquantised'),
    ('lane-path', 'model/fir_slot_lane.h', 'lane->feed(p, chan, samples[p] + 0.0, idle);', 'lane->feed(0, chan, samples[p] + 0.0, idle);',
     "a slot's every path goes to path 0's kernel"),
    ('lane-idle', 'model/fir_slot_lane.h', 'const bool idle = cnfg_queue.empty();', 'const bool idle = true;',
     'slot sends pass synchronisation points with a configuration packet queued'),
    ('lane-channel', 'model/fir_slot_lane.h', 'channel_of_slot(static_cast<unsigned int>(chan_pos_in));',
     'static_cast<unsigned int>(chan_pos_in);', 'a slot goes to the kernel of its slot number under any pattern'),
    ('lane-closed', 'model/fir_slot_lane.h', 'if (lane == nullptr || !closed_runs.empty() || dbg_logger->active())',
     'if (lane == nullptr || dbg_logger->active())', 'slot reads take the open run past closed ones'),
    ('lane-int-scale', 'model/fir_slot_lane.h', 'reals[p] * lane->integer_scale()', 'reals[p]',
     'integer slot reads leave out the fraction bits'),
    ('lane-out-quiet', 'model/slot_lane.h', '        if (!out_quiet_.holds(y)) return Take::declined;\n', '',
     'a single-path slot read skips the output rounding'),
    ('lane-none', 'model/slot_lane.h', 'if (!out_quiet_.holds(y)) return Take::declined;', 'if (!out_quiet_.holds(y)) return Take::none;',
     'a slot needing rounding reads as not ready'),
    ('lane-paths-take', 'model/slot_lane.h', "values[p] = (out.front() * factor_ + 0.0) * out_inv_scale_;",
     "values[p] = (outputs_[chan].front() * factor_ + 0.0) * out_inv_scale_;", "a slot read gives path 0's value on every path"),
    ('slot-record-length', 'interface/records.h', 'r.dim[0] == paths && r.data != nullptr', 'r.data != nullptr',
     'slot records of another length are taken'),
    ('dpi-int-scale', 'dpi/dpi_model.cpp', 'current_real_[static_cast<std::size_t>(path)] * integer_scale_);',
     'current_real_[static_cast<std::size_t>(path)]);', "the DPI's 64-bit reads of a double model leave out the fraction bits"),
    ('dpi-stale', 'dpi/dpi_model.cpp', '        current_exact_ = false;\n', '',
     "the DPI's integer and text reads of a double model keep an earlier slot"),
    ('dpi-real-value', 'dpi/dpi_model.cpp', 'return current_real_[static_cast<std::size_t>(path)];  //',
     'return current_real_[static_cast<std::size_t>(path)] * integer_scale_;  //', "the DPI's real reads of a double model give output LSBs"),
    ('dot-quad', 'filter/fir_exact_dot.cpp', 'older_quad(newest, j + 4), a1);', 'older_quad(newest, j), a1);',
     'the vector single-output sum reads one quad twice'),
    ('dot-last', 'filter/fir_exact_dot.cpp', "    const double last = j < taps ? coeff[j] * newest[-static_cast<std::ptrdiff_t>(j)] : 0.0;\n    return (b[0]",
     "    const double last = 0.0;\n    return (b[0]", 'the generic single-output sum drops an odd last tap'),
    ('ffp-unsigned-wrap', 'fixedpoint/ffp_quantise.cpp', 'std::fmod(v + 1.0, span) + (span - 1.0);',
     'std::fmod(v, span) + span;', 'unsigned formats wrap a multiple of the span below zero to the span'),
    ('ffp-report-digits', 'fixedpoint/ffp_quantise.cpp', 'std::chars_format::general, 6);',
     'std::chars_format::general, 7);', 'report lines print seven significant digits'),
    ('ffp-sign-check', 'fixedpoint/ffp_format.cpp', 'if (sign != SIGN_SIGNED && sign != SIGN_UNSIGNED) {',
     'if (sign != SIGN_SIGNED && sign != SIGN_UNSIGNED && false) {', 'a sign mode of neither kind is accepted'),
    ('frame-fallback', 'interface/entry_frame.h', '    } catch (const std::runtime_error& e) {\n        report_model_error(object, e.what());\n    } catch (...) {\n        report_model_error(object, fallback);',
     '    } catch (const std::exception& e) {\n        report_model_error(object, e.what());\n    } catch (...) {\n        report_model_error(object, fallback);',
     "a model call's logic error reports its own text, not the call's"),
    ('map-slot-bound', 'patterns/pattern_tables.h', 'if (count < 1 || k >= static_cast<unsigned>(count)) return -1;',
     'if (count < 1 || k > static_cast<unsigned>(count)) return -1;', "a channel's slot past its count read from the map"),
    ('zero-pack-unused', 'model/fir_validate.cpp', 'refuse_if(filter_type == ZEB_FIR_V7_1_INTERPOLATED && config.zero_packing_factor == 0,',
     'refuse_if(config.zero_packing_factor == 0,', 'a zero packing factor of 0 refused for types that do not use it'),
    ('config-name', 'model/fir_config.cpp', 'out.name = name.c_str();', 'out.name = nullptr;',
     'the configuration copy loses the instance name'),
]


def run(cmd, cwd):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def failed_tests(build, timeout):
    log = os.path.join(build, 'Testing', 'Temporary', 'LastTestsFailed.log')
    if os.path.exists(log):
        os.remove(log)
    run(['ctest', '-j2', '--timeout', str(timeout)], build)
    return [l.split(':', 1)[1].split('  #')[0].strip() for l in open(log) if ':' in l] if os.path.exists(log) else []


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--tests-from', metavar='REV', help='use tests/ of this git revision')
    ap.add_argument('--only', metavar='ID[,ID]', help='inject only these faults')
    ap.add_argument('--work', metavar='DIR', help='scratch directory (kept; default: a fresh temporary one)')
    ap.add_argument('--timeout', type=int, default=120, help='seconds per test')
    ap.add_argument('--all-names', action='store_true', help='list every catching test, not the first three')
    args = ap.parse_args()
    repo = subprocess.check_output(['git', 'rev-parse', '--show-toplevel'],
                                   cwd=os.path.dirname(os.path.abspath(__file__)), text=True).strip()
    work = args.work or tempfile.mkdtemp(prefix='zeb-faults-')
    src, build = os.path.join(work, 'src'), os.path.join(work, 'build')
    if not os.path.isdir(build):
        for f in subprocess.check_output(['git', 'ls-files'], cwd=repo, text=True).splitlines():
            if os.path.isfile(os.path.join(repo, f)):
                os.makedirs(os.path.dirname(os.path.join(src, f)), exist_ok=True)
                shutil.copy2(os.path.join(repo, f), os.path.join(src, f))
        if args.tests_from:
            shutil.rmtree(os.path.join(src, 'tests'))
            archive = subprocess.check_output(['git', 'archive', args.tests_from, 'tests'], cwd=repo)
            subprocess.run(['tar', '-x', '-C', src], input=archive, check=True)
        run(['cmake', '-S', src, '-B', build, '-DCMAKE_BUILD_TYPE=RelWithDebInfo', '-DZEB_FIR_BUILD_BENCH=OFF'], work)
    built = run(['cmake', '--build', build, '-j2'], work)
    if built.returncode != 0:
        sys.exit('the unchanged tree does not build in ' + work + ':\n' + built.stdout[-3000:])
    already = set(failed_tests(build, args.timeout))
    print(f'# Faults injected into {repo}' + (f' (tests of {args.tests_from})' if args.tests_from else ''))
    if already:
        print(f'\nFailing without any fault (ignored below): {", ".join(sorted(already))}')
    print('\n| fault | what it does | caught by |\n|---|---|---|')
    only = set(args.only.split(',')) if args.only else None
    for fid, rel, old, new, what in FAULTS:
        if only and fid not in only:
            continue
        path = os.path.join(src, rel)
        text = open(path).read() if os.path.exists(path) else ''
        verdict = 'does not apply'
        if text.count(old) == 1:
            try:
                open(path, 'w').write(text.replace(old, new))
                verdict = 'NOT CAUGHT: does not compile'
                if run(['cmake', '--build', build, '-j2'], work).returncode == 0:
                    names = [n for n in failed_tests(build, args.timeout) if n not in already]
                    shown = names if args.all_names else names[:3]
                    verdict = f'{len(names)}: ' + ', '.join(shown) + (', ...' if len(shown) < len(names) else '')
                    verdict = verdict if names else 'NOT CAUGHT'
            finally:
                open(path, 'w').write(text)
        print(f'| {fid} | {what} | {verdict} |', flush=True)
    run(['cmake', '--build', build, '-j2'], work)


if __name__ == '__main__':
    main()
