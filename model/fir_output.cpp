// Output path: scale and round buffered kernel output and store it in the
// host's records, whole vectors or one time slot at a time.
#include <algorithm>
#include <sstream>

#include "model/fir.h"
#include "model/fir_text.h"
#include "model/host_records.h"
#include "model/output_records.h"
#include "model/wide_output.h"
#include "patterns/pattern_tables.h"

using fir_text::labelled;

std::size_t FIR::buffered(unsigned int path, unsigned int chan) const {
#if ZEB_FIR_HAVE_INT128
    if (use_int128) return out_buf_i128[path][chan].size();
#endif
    return use_mpz ? out_buf_mpz[path][chan].size() : out_buf[path][chan].size();
}

// Whole vectors held by every path and channel: a channel owning n slots
// per vector needs n samples per vector.
std::size_t FIR::available_vectors() const {
    const bool basic = CurrentPattern == ZEB_FIR_V7_1_PATTERN_BASIC;
    std::size_t vectors = buffered(0, 0);
    if (!basic) vectors /= static_cast<std::size_t>(pattern_slot_count(CurrentPattern, 0));
    for (unsigned int p = 0; p < configuration.num_paths; ++p) {
        for (unsigned int c = 0; c < configuration.num_channels; ++c) {
            std::size_t slots = 1;
            if (!basic) {
                const int32_t count = pattern_slot_count(CurrentPattern, c);
                if (count <= 0) continue;
                slots = static_cast<std::size_t>(count);
            }
            const std::size_t held = buffered(p, c) / slots;
            if (held < vectors) vectors = held;
        }
    }
    return vectors;
}

void FIR::dout_trim_mpz(mpz_class& result, const mpz_class& x) {
    if (out_rnd == RND_NONE) {
        result = x;
        return;
    }
    mpz_tdiv_qr(trim_quotient.get_mpz_t(), trim_remainder.get_mpz_t(), x.get_mpz_t(), trim_divisor.get_mpz_t());
    result = trim_quotient;
    const int sign = mpz_sgn(trim_remainder.get_mpz_t());
    if (sign == 0) return;
    // |r| against half the divisor; the integer-to-double comparison is exact.
    const double h = dout_scale / 2;
    const int beyond_half = sign > 0 ? mpz_cmp_d(trim_remainder.get_mpz_t(), h)
                                     : -mpz_cmp_d(trim_remainder.get_mpz_t(), -h);
    const bool q_odd = mpz_odd_p(trim_quotient.get_mpz_t()) != 0;
    const int step = rounding_step(out_rnd, sign, beyond_half, q_odd);
    if (step > 0) {
        result += 1;
    } else if (step < 0) {
        result -= 1;
    }
}

void FIR::round_outputs(const double* raw, double* values, std::size_t count) {
    // (raw / dout_scale) * scale in one multiplication: one of the two is 1
    // (dout_scale is 1 unless the output keeps no fraction bits, and then
    // scale is 1), and multiplying by 2^-k rounds exactly as dividing by 2^k.
    const double factor = dout_fmt.getScale() / dout_scale;
    if (factor != 1.0) {
        for (std::size_t i = 0; i < count; ++i) values[i] = raw[i] * factor;
        raw = values;
    }
    dout_fmt.restrict_quietly(raw, values, count);  // its overflow reports are never read
    const double inv_scale = dout_fmt.getInvScale();
    if (inv_scale != 1.0) {
        for (std::size_t i = 0; i < count; ++i) values[i] *= inv_scale;
    }
}

template <typename OnWide, typename OnMpz>
void FIR::take_rounded_integers(unsigned int path, unsigned int chan, std::size_t count, OnWide on_wide,
                                OnMpz on_mpz) {
#if ZEB_FIR_HAVE_INT128
    if (use_int128) {
        SampleFifo<wide_int>& buf = out_buf_i128[path][chan];
        const wide_int* raw = buf.data();
        for (std::size_t i = 0; i < count; ++i) on_wide(i, round_wide(raw[i], out_shift, out_rnd));
        buf.pop_front(count);
        return;
    }
#endif
    SampleFifo<mpz_class>& buf = out_buf_mpz[path][chan];
    for (std::size_t i = 0; i < count; ++i) {
        dout_trim_mpz(out_mpz, buf[i]);
        on_mpz(i, out_mpz);
    }
    buf.pop_front(count);
}

void FIR::take_reals(unsigned int path, unsigned int chan, std::size_t count, double* values) {
    if (use_mpz) {
        take_rounded_integers(
            path, chan, count, [&](std::size_t i, auto v) { values[i] = wide_to_double(v) / out_fract_scale; },
            [&](std::size_t i, const mpz_class& v) { values[i] = mpz_get_d(v.get_mpz_t()) / out_fract_scale; });
        return;
    }
    SampleFifo<double>& buf = out_buf[path][chan];
    round_outputs(buf.data(), values, count);
    buf.pop_front(count);
}

template <typename Put>
void FIR::take_integers(unsigned int path, unsigned int chan, std::size_t count, Put put) {
    mpz_ptr value = scratch_mpz.get_mpz_t();
    if (use_mpz) {
        take_rounded_integers(
            path, chan, count,
            [&](std::size_t i, auto v) {
                wide_to_mpz(value, v);
                put(i, value);
            },
            [&](std::size_t i, const mpz_class& v) { put(i, v.get_mpz_t()); });
        return;
    }
    out_values.resize(count);
    take_reals(path, chan, count, out_values.data());
    for (std::size_t i = 0; i < count; ++i) {
        mpz_set_d(value, out_values[i] * out_fract_scale);
        put(i, value);
    }
}

template <>
int FIR::get_chan<double>(double& value, int path, int chan) {
    take_reals(static_cast<unsigned int>(path), static_cast<unsigned int>(chan), 1, &value);
    return 0;
}

template <>
int FIR::get_chan<zeb_complex>(zeb_complex& value, int path, int chan) {
    double filtered = 0.0;
    get_chan(filtered, path, chan);
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) {
        SampleFifo<double>& line = hilbert_delay[path][chan];
        value.re = line.front();
        line.pop_front();
        value.im = filtered;
    } else {
        value.re = filtered;
        value.im = 0.0;
    }
    return 0;
}

// Integer value of the oldest sample of (path, chan), with the double mode's
// notes when the debug logger listens.
template <>
int FIR::get_chan<mpz_class>(mpz_class& value, int path, int chan) {
    const unsigned int p = static_cast<unsigned int>(path);
    const unsigned int c = static_cast<unsigned int>(chan);
    if (use_mpz || !dbg_logger->active()) {
        take_integers(p, c, 1, [&value](std::size_t, mpz_srcptr v) { mpz_set(value.get_mpz_t(), v); });
        return 0;
    }
    const double raw = out_buf[p][c].front();
    double y = 0.0;
    take_reals(p, c, 1, &y);
    mpz_set_d(value.get_mpz_t(), y * out_fract_scale);
    dbg_logger->note(labelled("Out raw: ", raw));
    dbg_logger->note(labelled("Out rounded: ", y));
    dbg_logger->note(labelled("Out scaled: ", y * out_fract_scale));
    return 0;
}

template <>
int FIR::get_chan<zeb_mpz_complex>(zeb_mpz_complex& value, int path, int chan) {
    const unsigned int p = static_cast<unsigned int>(path);
    const unsigned int c = static_cast<unsigned int>(chan);
    if (use_mpz || !dbg_logger->active()) {
        take_integers(p, c, 1, [this](std::size_t, mpz_srcptr v) { mpz_set(out_mpz.get_mpz_t(), v); });
    } else {
        const double raw = out_buf[p][c].front();
        double y = 0.0;
        take_reals(p, c, 1, &y);
        mpz_set_d(out_mpz.get_mpz_t(), y * out_fract_scale);
        dbg_logger->note(labelled("Out raw: ", raw));
        dbg_logger->note(labelled("Out rounded: ", y * out_fract_scale));
    }
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) {
        SampleFifo<double>& line = hilbert_delay[p][c];
        mpz_set_d(value.re, line.front() * data_fract_scale);
        line.pop_front();
        mpz_set(value.im, out_mpz.get_mpz_t());
    } else {
        mpz_set(value.re, out_mpz.get_mpz_t());
        mpz_set_ui(value.im, 0);
    }
    return 0;
}

template <>
int FIR::set_array_chan<zeb_array_real>(zeb_array_real& out, int path, int chan, int k) {
    double value = 0.0;
    get_chan(value, path, chan);
    return zeb_fir_v7_1_zeb_array_real_set_chan(&out, value, path, chan, k, CurrentPattern);
}

template <>
int FIR::set_array_chan<zeb_array_complex>(zeb_array_complex& out, int path, int chan, int k) {
    zeb_complex value{0.0, 0.0};
    get_chan(value, path, chan);
    return zeb_fir_v7_1_zeb_array_complex_set_chan(&out, value, path, chan, k, CurrentPattern);
}

template <>
int FIR::set_array_chan<zeb_array_mpz>(zeb_array_mpz& out, int path, int chan, int k) {
    get_chan(scratch_mpz, path, chan);
    return zeb_fir_v7_1_zeb_array_mpz_set_chan(&out, scratch_mpz.get_mpz_t(), path, chan, k, CurrentPattern);
}

template <>
int FIR::set_array_chan<zeb_array_mpz_complex>(zeb_array_mpz_complex& out, int path, int chan, int k) {
    get_chan(scratch_pair.value, path, chan);
    return zeb_fir_v7_1_zeb_array_mpz_complex_set_chan(&out, scratch_pair.value, path, chan, k, CurrentPattern);
}

void FIR::store_element(zeb_array_real& out, std::size_t index, int path, int chan) {
    get_chan(out.data[index], path, chan);
}
void FIR::store_element(zeb_array_complex& out, std::size_t index, int path, int chan) {
    get_chan(out.data[index], path, chan);
}
void FIR::store_element(zeb_array_mpz& out, std::size_t index, int path, int chan) {
    get_chan(scratch_mpz, path, chan);
    mpz_set(out.data + index, scratch_mpz.get_mpz_t());
}
void FIR::store_element(zeb_array_mpz_complex& out, std::size_t index, int path, int chan) {
    get_chan(out.data[index], path, chan);
}

template <typename T>
int FIR::data_get(T& out) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    if (chan_pos_out != 0) throw FIRException("Channel postion non-zero, cannot get a packet");
    if ((out.dim_size != 2 && out.dim_size != 3) || !lengths_held(out)) throw FIRException(fir_text::kPacketDimension);
    // Lengths must be exactly the model's: a smaller record could not take
    // every path and channel of the vectors it asks for.
    if (out.dim[0] != P || out.dim[1] != C) {
        throw FIRException(fir_text::packet_size(P, C));
    }
    const std::size_t requested = out.dim_size == 3 ? out.dim[2] : 1;
    const std::size_t available = available_vectors();
    const std::size_t vectors = requested < available ? requested : available;
    // Checked before anything leaves the buffers, so a refused read loses nothing.
    if (vectors > 0 && writable_elements(out) / (P * C) < vectors) {
        std::ostringstream text;
        text << "Output array capacity too small, expecting room for vectors: " << vectors;
        throw FIRException(text.str());
    }
    if (requested > vectors) {
        logger->warn("Getting more vectors than available, reseting array size");
        if (out.dim_size == 3) out.dim[2] = vectors;
        out.data_size = P * C * vectors;
    }
    const bool notes = dbg_logger->active();
    if (notes) dbg_logger->note(labelled("act_vectors: ", vectors));
    if (vectors == 0) return ZEB_STATUS_OK;

    if (!notes) {
        get_blocks(out, vectors);
    } else {
        // Sample by sample with its note; the k-th sample of channel c goes
        // where the channel view puts it.
        std::vector<int> counts(P * C, 0);
        for (std::size_t v = 0; v < vectors; ++v) {
            for (std::size_t p = 0; p < P; ++p) {
                for (std::size_t s = 0; s < C; ++s) {
                    const unsigned int c = channel_of_slot(static_cast<unsigned int>(s));
                    int& k = counts[p * C + c];
                    std::ostringstream note;
                    note << "Pulling path: " << p << " channel: " << c << "i: " << k;
                    dbg_logger->note(note.str());
                    if (set_array_chan(out, static_cast<int>(p), static_cast<int>(c), k) != 0) {
                        std::ostringstream text;
                        text << "Unabled to set data for path: " << p << " chan: " << c << " vector: " << k;
                        throw FIRException(text.str());
                    }
                    ++k;
                }
            }
        }
    }
    // The lengths grow as the channel-view writer grows them (the capacity
    // was checked above).
    if (out.dim_size == 3 && out.dim[2] < vectors) out.dim[2] = vectors;
    const std::size_t covered = P * C * (out.dim_size == 3 ? out.dim[2] : 1);
    if (covered > out.data_size) out.data_size = covered;
    return ZEB_STATUS_OK;
}

void FIR::prefetch_outputs(unsigned int path, unsigned int chan, std::size_t count) {
    with_bank([&](auto&, auto& buffers) {
        auto& buf = buffers[path][chan];
        const char* first = reinterpret_cast<const char*>(buf.data());
        const std::size_t bytes = std::min(count, buf.size()) * sizeof(*buf.data());
        for (std::size_t at = 0; at < bytes; at += 64) __builtin_prefetch(first + at);
    });
}

template <typename T>
void FIR::get_blocks(T& out, std::size_t vectors) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    list_owned_slots();
    // Short blocks: each one writes a sample every P * C elements of the record.
    const std::size_t chunk = block_vectors(32768);
    for (std::size_t first = 0; first < vectors; first += chunk) {
        const std::size_t last = std::min(vectors, first + chunk);
        for (unsigned int c = 0; c < C; ++c) {
            const unsigned int* owned = slot_list.data() + slot_begin[c];
            const std::size_t slots = slot_begin[c + 1] - slot_begin[c];
            if (slots == 0) continue;
            const std::size_t count = (last - first) * slots;
            for (unsigned int p = 0; p < P; ++p) {
                BlockPlace at{p + P * (owned[0] + C * first), P * C, nullptr};
                if (slots > 1) {
                    block_index.resize(count);
                    std::size_t k = 0;
                    for (std::size_t v = first; v < last; ++v) {
                        for (std::size_t i = 0; i < slots; ++i) block_index[k++] = p + P * (owned[i] + C * v);
                    }
                    at.listed = block_index.data();
                }
                // The next buffer's samples are fetched from memory while this one is converted.
                const unsigned int next_p = p + 1 < P ? p + 1 : 0;
                const unsigned int next_c = p + 1 < P ? c : c + 1;
                if (next_c < C) prefetch_outputs(next_p, next_c, count);
                store_block(out, p, c, count, at);
            }
        }
    }
}

void FIR::store_block(zeb_array_real& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    if (at.listed == nullptr && at.stride == 1) {
        take_reals(path, chan, count, out.data + at.base);
        return;
    }
    out_values.resize(count);
    take_reals(path, chan, count, out_values.data());
    for (std::size_t k = 0; k < count; ++k) out.data[at(k)] = out_values[k];
}

void FIR::store_block(zeb_array_complex& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    out_values.resize(count);
    take_reals(path, chan, count, out_values.data());
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) {
        SampleFifo<double>& line = hilbert_delay[path][chan];
        const double* in_phase = line.data();
        for (std::size_t k = 0; k < count; ++k) out.data[at(k)] = zeb_complex{in_phase[k], out_values[k]};
        line.pop_front(count);
    } else {
        for (std::size_t k = 0; k < count; ++k) out.data[at(k)] = zeb_complex{out_values[k], 0.0};
    }
}

void FIR::store_block(zeb_array_mpz& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    take_integers(path, chan, count, [&](std::size_t k, mpz_srcptr v) { mpz_set(out.data + at(k), v); });
}

void FIR::store_block(zeb_array_mpz_complex& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) {
        SampleFifo<double>& line = hilbert_delay[path][chan];
        const double* in_phase = line.data();
        take_integers(path, chan, count, [&](std::size_t k, mpz_srcptr v) {
            zeb_mpz_complex& e = out.data[at(k)];
            mpz_set_d(e.re, in_phase[k] * data_fract_scale);
            mpz_set(e.im, v);
        });
        line.pop_front(count);
    } else {
        take_integers(path, chan, count, [&](std::size_t k, mpz_srcptr v) {
            zeb_mpz_complex& e = out.data[at(k)];
            mpz_set(e.re, v);
            mpz_set_ui(e.im, 0);
        });
    }
}

template <typename T>
int FIR::data_get_chan(T& out) {
    const std::size_t P = configuration.num_paths;
    if (out.dim_size != 1 || !lengths_held(out)) throw FIRException(fir_text::kSlotDimension);
    if (out.dim[0] != P) throw FIRException(labelled("Incorrect data size, expecting num_paths: ", P));
    // Room for one sample per path, grown through the record's own table
    // when it allows it; checked before anything is taken.
    if (writable_elements(out) < P && (reserve_data(out, P) != 0 || writable_elements(out) < P)) {
        throw FIRException(labelled("Output array capacity too small, expecting num_paths: ", P));
    }

    const unsigned int s = static_cast<unsigned int>(chan_pos_out);
    unsigned int c = s;
    if (configuration.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ) {
        if (pattern_queue.empty()) {
            dbg_logger->error("No channel pattern in queue, will use the channel sequence number!!!!");
        } else {
            const zeb_fir_v7_1_pattern pattern = pattern_queue.front();
            pattern_queue.pop_front();
            c = static_cast<unsigned int>(pattern_slot_owner(pattern, s));
        }
    }
    const bool notes = dbg_logger->active();
    if (notes) dbg_logger->note(labelled("Pull channel: ", c));

    for (std::size_t p = 0; p < P; ++p) {
        if (buffered(static_cast<unsigned int>(p), c) == 0) {
            out.data_size = 0;
            return ZEB_STATUS_OK;
        }
    }
    out.data_size = P;
    for (std::size_t p = 0; p < P; ++p) store_element(out, p, static_cast<int>(p), static_cast<int>(c));
    if (++chan_pos_out == static_cast<int>(configuration.num_channels)) chan_pos_out = 0;
    if (notes) dbg_logger->note(labelled("chanCountOut: ", chan_pos_out));
    return ZEB_STATUS_OK;
}

template int FIR::data_get<zeb_array_real>(zeb_array_real&);
template int FIR::data_get<zeb_array_complex>(zeb_array_complex&);
template int FIR::data_get<zeb_array_mpz>(zeb_array_mpz&);
template int FIR::data_get<zeb_array_mpz_complex>(zeb_array_mpz_complex&);
template int FIR::data_get_chan<zeb_array_real>(zeb_array_real&);
template int FIR::data_get_chan<zeb_array_complex>(zeb_array_complex&);
template int FIR::data_get_chan<zeb_array_mpz>(zeb_array_mpz&);
template int FIR::data_get_chan<zeb_array_mpz_complex>(zeb_array_mpz_complex&);
