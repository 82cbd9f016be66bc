// Output path: scale and round buffered kernel output and store it in the
// host's records, whole vectors or one time slot at a time.
#include <algorithm>
#include <sstream>

#include "model/block_transpose.h"
#include "model/fir.h"
#include "model/fir_text.h"
#include "patterns/pattern_tables.h"

using fir_text::labelled;

namespace {
const char* const kEmptySlotsText = "Channel pattern change leaves output slots without a sample, read as 0: ";
}  // namespace

std::size_t FIR::open_held(unsigned int chan) const {
    std::size_t held = bank->buffered(0, chan);
    for (unsigned int p = 1; p < configuration.num_paths; ++p) held = std::min(held, bank->buffered(p, chan));
    return held - closed_runs.closed_samples(chan);
}

// Vectors of the closed runs, then the whole vectors of the open run: a
// channel owning n slots per vector needs n samples per vector, in every path.
std::size_t FIR::available_vectors() const {
    std::size_t open = SIZE_MAX;
    for (unsigned int c = 0; c < configuration.num_channels; ++c) {
        const std::size_t slots = channel_slots(CurrentPattern, c);
        if (slots > 0) open = std::min(open, open_held(c) / slots);
    }
    return closed_runs.vectors() + open;
}

void FIR::close_open_run() {
    const unsigned int C = configuration.num_channels;
    std::vector<std::size_t> held(C);
    for (unsigned int c = 0; c < C; ++c) held[c] = open_held(c);
    // The reader is inside the open run's current vector only when no
    // closed run comes before it.
    const unsigned int read_slots = closed_runs.empty() ? static_cast<unsigned int>(chan_pos_out) : 0;
    const std::size_t empty_slots = closed_runs.close(CurrentPattern, held, read_slots);
    if (empty_slots > 0) logger->warn(labelled(kEmptySlotsText, empty_slots));
}

FIR::SlotSource FIR::next_slot(unsigned int s) const {
    if (!closed_runs.empty()) {
        const unsigned int c = slot_channel(closed_runs.head_pattern(), s);
        return {c, true, closed_runs.head_left(c) > 0};
    }
    const unsigned int c = channel_of_slot(s);
    return {c, open_held(c) > 0, true};
}

void FIR::slot_taken(unsigned int s, const SlotSource& source) {
    if (closed_runs.empty()) return;
    if (source.filled) closed_runs.took(source.chan, 1);
    if (s + 1 == configuration.num_channels) closed_runs.finished_vectors(1);
}

void FIR::dout_trim_mpz(mpz_class& result, const mpz_class& x) const {
    mpz_class quotient, remainder;
    KernelBank::divide_rounded(result, x, mpz_class(dout_scale), dout_scale / 2, out_rnd, quotient, remainder);
}

ReadSource FIR::read_source() {
    return ReadSource{*bank,   *dbg_logger, configuration.filter_type == ZEB_FIR_V7_1_HILBERT, data_fract_scale,
                      out_mpz, out_values};
}

// One vector slot by slot, in the order paths, then slots; `note_counts`
// (when the debug logger listens) counts each path's and channel's samples
// for its notes.
void FIR::read_vector_by_slots(OutputRecord& out, std::size_t vector, std::vector<int>* note_counts) {
    const unsigned int P = configuration.num_paths;
    const unsigned int C = configuration.num_channels;
    ReadSource from = read_source();
    slot_sources.resize(C);
    for (unsigned int s = 0; s < C; ++s) {
        slot_sources[s] = next_slot(s);
        if (!closed_runs.empty() && slot_sources[s].filled) closed_runs.took(slot_sources[s].chan, 1);
    }
    for (unsigned int p = 0; p < P; ++p) {
        for (unsigned int s = 0; s < C; ++s) {
            const SlotSource& source = slot_sources[s];
            if (note_counts != nullptr) {
                int& k = (*note_counts)[p * C + source.chan];
                std::ostringstream note;
                note << "Pulling path: " << p << " channel: " << source.chan << "i: " << k++;
                dbg_logger->note(note.str());
            }
            const std::size_t index = p + P * (s + C * vector);
            if (source.filled) {
                out.element(from, index, p, source.chan);
                count_output_wraps(p, source.chan, BlockPlace{index, 0, nullptr}, vectors_out);
            } else {
                out.zero(index);
            }
        }
    }
    if (!closed_runs.empty()) closed_runs.finished_vectors(1);
}

int FIR::data_get(OutputRecord& out) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    if (chan_pos_out != 0) throw FIRException("Channel postion non-zero, cannot get a packet");
    out.check_packet_shape(P, C);
    const std::size_t requested = out.requested_vectors();
    const std::size_t available = available_vectors();
    const std::size_t vectors = requested < available ? requested : available;
    // Checked before anything leaves the buffers, so a refused read loses nothing.
    out.check_room(vectors);
    if (requested > vectors) {
        logger->warn("Getting more vectors than available, reseting array size");
        out.shrink_to(vectors);
    }
    const bool notes = dbg_logger->active();
    if (notes) dbg_logger->note(labelled("act_vectors: ", vectors));
    if (vectors == 0) return ZEB_STATUS_OK;

    if (notes) {
        // Sample by sample with its note.
        std::vector<int> counts(P * C, 0);
        for (std::size_t v = 0; v < vectors; ++v) read_vector_by_slots(out, v, &counts);
    }
    // Each closed run under its own pattern, in blocks while its vectors are
    // whole; then the open run.
    for (std::size_t v = notes ? vectors : 0; v < vectors;) {
        if (closed_runs.empty()) {
            get_blocks(out, CurrentPattern, v, vectors - v);
            break;
        }
        const zeb_fir_v7_1_pattern pattern = closed_runs.head_pattern();
        const std::size_t whole = std::min(closed_runs.head_full_vectors(), vectors - v);
        if (whole == 0) {
            read_vector_by_slots(out, v++, nullptr);  // a last vector with empty slots
            continue;
        }
        get_blocks(out, pattern, v, whole);
        for (unsigned int c = 0; c < C; ++c) closed_runs.took(c, whole * channel_slots(pattern, c));
        closed_runs.finished_vectors(whole);
        v += whole;
    }
    out.cover(vectors);
    vectors_out += vectors;
    return ZEB_STATUS_OK;
}

void FIR::count_output_wraps(unsigned int path, unsigned int chan, const BlockPlace& place,
                             std::uint64_t first_vector) {
    const std::uint64_t total = bank->output_wraps();
    if (total == bank_wraps_seen) return;
    const std::size_t P = configuration.num_paths;
    const std::size_t index = place(bank->first_wrap_of_last_take());
    const StreamPosition at{first_vector + index / (P * configuration.num_channels), path,
                            static_cast<unsigned int>(index / P % configuration.num_channels)};
    wraps.output.add(path, chan, total - bank_wraps_seen, at);
    bank_wraps_seen = total;
}

void FIR::get_blocks(OutputRecord& out, zeb_fir_v7_1_pattern pattern, std::size_t at, std::size_t vectors) {
    ReadSource from = read_source();
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    list_owned_slots(pattern);
    double* elements = out.real_elements();
    const bool one_slot_each = elements != nullptr && P * C > 1 && one_slot_per_channel();
    // Short blocks: each one writes a sample every P * C elements of the record.
    const std::size_t chunk = block_vectors(one_slot_each ? kReadRowBlockSamples : 32768);
    for (std::size_t first = at; first < at + vectors; first += chunk) {
        const std::size_t last = std::min(at + vectors, first + chunk);
        if (one_slot_each) {
            get_rows(elements + first * P * C, last - first, vectors_out + (first - at));
            continue;
        }
        for (unsigned int c = 0; c < C; ++c) {
            const unsigned int* owned = slot_list.data() + slot_begin[c];
            const std::size_t slots = slot_begin[c + 1] - slot_begin[c];
            if (slots == 0) continue;
            const std::size_t count = (last - first) * slots;
            for (unsigned int p = 0; p < P; ++p) {
                BlockPlace place{p + P * (owned[0] + C * first), P * C, nullptr};
                if (slots > 1) {
                    block_index.resize(count);
                    std::size_t k = 0;
                    for (std::size_t v = first; v < last; ++v) {
                        for (std::size_t i = 0; i < slots; ++i) block_index[k++] = p + P * (owned[i] + C * v);
                    }
                    place.listed = block_index.data();
                }
                prefetch_after(p, c, count);
                out.block(from, p, c, count, place);
                count_output_wraps(p, c, place, vectors_out);
            }
        }
    }
}

// The next buffer's samples (paths inner) are fetched from memory while this
// one is converted.
void FIR::prefetch_after(unsigned int p, unsigned int c, std::size_t count) const {
    const unsigned int P = configuration.num_paths;
    if (p + 1 < P) {
        bank->prefetch(p + 1, c, count);
    } else if (c + 1 < configuration.num_channels) {
        bank->prefetch(0, c + 1, count);
    }
}

// Every channel owns one slot: each (path, slot) is taken into a row of its
// own, and the rows go into the record together, record line after line.
void FIR::get_rows(double* elements, std::size_t vectors, std::uint64_t first_vector) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    const std::size_t rows = P * C;
    // One slot each: slot_list[c] is the slot of channel c.
    if (bank->take_rows_quietly(slot_list.data(), vectors, elements)) return;
    const std::size_t stride = row_stride(vectors);
    double* const values = line_aligned_rows(out_values, rows * stride);
    for (unsigned int c = 0; c < C; ++c) {
        const unsigned int s = slot_list[slot_begin[c]];
        for (unsigned int p = 0; p < P; ++p) {
            const std::size_t row = p + P * s;
            prefetch_after(p, c, vectors);
            bank->skip_in_phase(p, c, vectors);
            bank->take_reals(p, c, vectors, values + row * stride);
            count_output_wraps(p, c, BlockPlace{row, rows, nullptr}, first_vector);
        }
    }
    transpose_block_by_output(values, stride, rows, vectors, elements, rows);
}

int FIR::data_get_chan(OutputRecord& out) {
    const std::size_t P = configuration.num_paths;
    out.check_slot_shape(P);

    const unsigned int s = static_cast<unsigned int>(chan_pos_out);
    const SlotSource source = next_slot(s);
    const bool notes = dbg_logger->active();
    if (notes) dbg_logger->note(labelled("Pull channel: ", source.chan));
    if (!source.ready) {
        out.set_slot_size(0);
        return ZEB_STATUS_OK;
    }
    out.set_slot_size(P);
    ReadSource from = read_source();
    for (unsigned int p = 0; p < P; ++p) {
        if (source.filled) {
            out.element(from, p, p, source.chan);
            count_output_wraps(p, source.chan, BlockPlace{p + P * s, 0, nullptr}, vectors_out);
        } else {
            out.zero(p);
        }
    }
    slot_taken(s, source);
    next_output_slot();
    if (notes) dbg_logger->note(labelled("chanCountOut: ", chan_pos_out));
    return ZEB_STATUS_OK;
}
