// Input path: quantise every sample and feed it to its path's and
// channel's kernel, in the order the hardware receives them.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "model/block_transpose.h"
#include "model/fir.h"
#include "model/fir_text.h"
#include "patterns/pattern_tables.h"

namespace {

const char* const kNotFiniteText = "Input sample is not a finite number";

// NaN or infinity has no fixed-point value; refused before anything is fed.
// x * 0 is a zero for a finite x and NaN otherwise, and a NaN survives every
// sum: no branch per sample.
bool all_finite(const double* values, std::size_t count) {
    double a0 = 0.0, a1 = 0.0, a2 = 0.0, a3 = 0.0;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        a0 += values[i] * 0.0;
        a1 += values[i + 1] * 0.0;
        a2 += values[i + 2] * 0.0;
        a3 += values[i + 3] * 0.0;
    }
    for (; i < count; ++i) a0 += values[i] * 0.0;
    return (a0 + a1) + (a2 + a3) == 0.0;
}

}  // namespace

using fir_text::labelled;

std::size_t FIR::quantise_input(const double* in, double* values, std::size_t count, std::size_t& first) {
    const double scale = din_fmt.getScale();
    if (scale != 1.0) {
        for (std::size_t i = 0; i < count; ++i) values[i] = in[i] * scale;
        in = values;
    }
    return din_fmt.restrict_quietly(in, values, count, &first);  // the input format reports nothing
}

void FIR::feed(double x, unsigned int path, unsigned int chan, unsigned int slot, std::uint64_t vector) {
    // The usual sample is already a value of the input format: only a
    // negative zero changes (as quantise_input would change it).
    const double scaled = x * din_fmt.getScale();
    if (din_quiet.holds(scaled)) {
        bank->feed(path, chan, scaled + 0.0);
        return;
    }
    std::size_t first = 0;
    if (quantise_input(&x, &x, 1, first) != 0) wraps.input.add(path, chan, 1, StreamPosition{vector, path, slot});
    bank->feed(path, chan, x);
}

int FIR::data_send(const InputRecord& input) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    if (chan_pos_in != 0) throw FIRException("Channel postion non-zero, cannot send a packet");
    std::size_t V = 0;
    const double* data = input.packet(P, C, V);
    const std::size_t per_vector = P * C;
    // Usually every sample already is a value of the input format: one pass
    // tells (and that they are finite), and the kernels then take them as
    // they are, with no quantising copy.
    const bool as_they_are = V > 0 && din_fmt.getScale() == 1.0 && din_quiet.holds_all(data, per_vector * V);
    if (V > 0 && !as_they_are && !all_finite(data, per_vector * V)) throw FIRException(kNotFiniteText);

    // Samples are taken at (path, slot, vector): while the pattern holds
    // this is where the channel view puts the channel's k-th sample, and
    // after a pattern change inside the packet it is still the sample the
    // hardware stream presents in that slot.  A queued configuration packet
    // takes effect at a sample inside the stream, so until it has, samples go
    // one by one in stream order, every path of a slot together as the
    // hardware takes them (and as single-slot sends feed them); the rest of
    // the packet goes in blocks.
    std::size_t v = 0;
    for (; v < V && !cnfg_queue.empty(); ++v) {
        const double* vector = data + v * per_vector;
        for (unsigned int s = 0; s < C; ++s) {
            chan_pos_in = static_cast<int>(s);
            const unsigned int c = channel_of_slot(s);
            for (unsigned int p = 0; p < P; ++p) feed(vector[p + P * s], p, c, s, vectors_in);
        }
        ++vectors_in;
    }
    chan_pos_in = 0;
    if (v < V) {
        for (unsigned int c = 0; c < C; ++c) {
            const std::size_t inputs = (V - v) * channel_slots(CurrentPattern, c);
            for (unsigned int p = 0; p < P; ++p) bank->reserve(p, c, inputs);
        }
        feed_blocks(data, v, V, as_they_are);
    }
    return deliver();
}

// Nothing can change between two samples while no configuration packet is
// queued (the synchronisation handler then has nothing to apply), and
// kernels share no state, so each (path, channel) takes its samples of many
// vectors at once.  Slots outer, paths inner: the paths of a slot lie side by
// side in the packet.
void FIR::feed_blocks(const double* data, std::size_t first, std::size_t last, bool as_they_are) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    const std::size_t per_vector = P * C;
    list_owned_slots(CurrentPattern);
    // Long blocks: every (path, channel) brings its kernel back into cache
    // once per block.
    const bool one_slot_each = per_vector > 1 && one_slot_per_channel();
    const std::size_t chunk = block_vectors(one_slot_each ? kRowBlockSamples : 262144);
    for (std::size_t from = first; from < last; from += chunk) {
        const std::size_t to = std::min(last, from + chunk);
        if (one_slot_each) {
            feed_rows(data + from * per_vector, to - from, vectors_in + (from - first), as_they_are);
            continue;
        }
        for (unsigned int c = 0; c < C; ++c) {
            const unsigned int* owned = slot_list.data() + slot_begin[c];
            const std::size_t slots = slot_begin[c + 1] - slot_begin[c];
            if (slots == 0) continue;
            const std::size_t count = (to - from) * slots;
            block_values.resize(count);
            for (unsigned int p = 0; p < P; ++p) {
                double* next = block_values.data();
                const double* vector = data + from * per_vector + p;
                std::size_t wrapped = 0, k = 0;
                if (per_vector == 1 && as_they_are) {
                    bank->feed_block(p, c, vector, count);
                    continue;
                }
                if (per_vector == 1) {
                    wrapped = quantise_input(vector, next, count, k);  // copies as it goes
                } else {
                    for (std::size_t v = from; v < to; ++v, vector += per_vector) {
                        for (std::size_t i = 0; i < slots; ++i) *next++ = vector[P * owned[i]];
                    }
                    wrapped = quantise_input(block_values.data(), block_values.data(), count, k);
                }
                if (wrapped != 0) {
                    const StreamPosition at{vectors_in + (from - first) + k / slots, p, owned[k % slots]};
                    wraps.input.add(p, c, wrapped, at);
                }
                bank->feed_block(p, c, block_values.data(), count);
            }
        }
    }
    vectors_in += last - first;
}

// Every channel owns one slot: the block becomes one row per (path, slot),
// each quantised and fed in one piece.
void FIR::feed_rows(const double* data, std::size_t vectors, std::uint64_t first_vector, bool as_they_are) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    const std::size_t stride = row_stride(vectors);
    double* const rows = line_aligned_rows(block_values, P * C * stride);
    transpose_block(data, P * C, vectors, P * C, rows, stride);
    for (unsigned int c = 0; c < C; ++c) {
        const unsigned int s = slot_list[slot_begin[c]];
        for (unsigned int p = 0; p < P; ++p) {
            double* row = rows + (p + P * s) * stride;
            std::size_t k = 0;
            const std::size_t wrapped = as_they_are ? 0 : quantise_input(row, row, vectors, k);
            if (wrapped != 0) wraps.input.add(p, c, wrapped, StreamPosition{first_vector + k, p, s});
            bank->feed_block(p, c, row, vectors);
        }
    }
}

int FIR::data_send_chan(const InputRecord& input) {
    const unsigned int P = configuration.num_paths;
    const double* data = input.slot(P);
    for (unsigned int p = 0; p < P; ++p) {
        if (!std::isfinite(data[p])) throw FIRException(kNotFiniteText);
    }

    const unsigned int s = static_cast<unsigned int>(chan_pos_in);
    const unsigned int c = channel_of_slot(s);
    // Trace notes only: each output keeps the pattern it was produced under
    // by itself (fir_output.cpp).
    const bool notes = dbg_logger->active();
    const bool advanced = notes && configuration.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    const std::size_t before = advanced ? bank->buffered(0, c) : 0;
    if (advanced) dbg_logger->note(labelled("Starting buffer size: ", before));
    if (notes) dbg_logger->note(labelled("Push channel: ", c));
    for (unsigned int p = 0; p < P; ++p) feed(data[p], p, c, s, vectors_in);
    if (advanced) {
        const std::size_t after = bank->buffered(0, c);
        dbg_logger->note(labelled("End buffer size: ", after));
        for (std::size_t i = before; i < after; ++i) {
            dbg_logger->note(labelled("Stored channel pattern: ", CurrentPattern));
        }
    }
    next_input_slot();
    return ZEB_STATUS_OK;
}
