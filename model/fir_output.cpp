// Output path: scale and round buffered kernel output and store it in the
// host's records, whole vectors or one time slot at a time.
#include <algorithm>
#include <sstream>

#include "model/fir.h"
#include "model/fir_text.h"
#include "model/host_records.h"
#include "model/output_records.h"
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

void FIR::store_element(zeb_array_real& out, std::size_t index, unsigned int path, unsigned int chan) {
    bank->take_reals(path, chan, 1, out.data + index);
    bank->skip_in_phase(path, chan, 1);
}

void FIR::store_element(zeb_array_complex& out, std::size_t index, unsigned int path, unsigned int chan) {
    BlockPlace at{index, 1, nullptr};
    store_block(out, path, chan, 1, at);
}

void FIR::store_element(zeb_array_mpz& out, std::size_t index, unsigned int path, unsigned int chan) {
    bank->take_integer_noted(path, chan, out.data + index, *dbg_logger, true);
    bank->skip_in_phase(path, chan, 1);
}

void FIR::store_element(zeb_array_mpz_complex& out, std::size_t index, unsigned int path, unsigned int chan) {
    bank->take_integer_noted(path, chan, out_mpz.get_mpz_t(), *dbg_logger, false);
    zeb_mpz_complex& e = out.data[index];
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) {
        SampleFifo<double>& line = bank->in_phase(path, chan);
        mpz_set_d(e.re, line.front() * data_fract_scale);
        line.pop_front();
        mpz_set(e.im, out_mpz.get_mpz_t());
    } else {
        mpz_set(e.re, out_mpz.get_mpz_t());
        mpz_set_ui(e.im, 0);
    }
}

namespace {
// What a slot without a sample reads as.
void store_zero(zeb_array_real& out, std::size_t index) { out.data[index] = 0.0; }
void store_zero(zeb_array_complex& out, std::size_t index) { out.data[index] = zeb_complex{0.0, 0.0}; }
void store_zero(zeb_array_mpz& out, std::size_t index) { mpz_set_ui(out.data + index, 0); }
void store_zero(zeb_array_mpz_complex& out, std::size_t index) {
    mpz_set_ui(out.data[index].re, 0);
    mpz_set_ui(out.data[index].im, 0);
}
}  // namespace

// One vector slot by slot, in the order paths, then slots; `note_counts`
// (when the debug logger listens) counts each path's and channel's samples
// for its notes.
template <typename T>
void FIR::read_vector_by_slots(T& out, std::size_t vector, std::vector<int>* note_counts) {
    const unsigned int P = configuration.num_paths;
    const unsigned int C = configuration.num_channels;
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
                store_element(out, index, p, source.chan);
            } else {
                store_zero(out, index);
            }
        }
    }
    if (!closed_runs.empty()) closed_runs.finished_vectors(1);
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
    // The lengths grow as the channel-view writer grows them (the capacity
    // was checked above).
    if (out.dim_size == 3 && out.dim[2] < vectors) out.dim[2] = vectors;
    const std::size_t covered = P * C * (out.dim_size == 3 ? out.dim[2] : 1);
    if (covered > out.data_size) out.data_size = covered;
    return ZEB_STATUS_OK;
}

template <typename T>
void FIR::get_blocks(T& out, zeb_fir_v7_1_pattern pattern, std::size_t at, std::size_t vectors) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    list_owned_slots(pattern);
    // Short blocks: each one writes a sample every P * C elements of the record.
    const std::size_t chunk = block_vectors(32768);
    for (std::size_t first = at; first < at + vectors; first += chunk) {
        const std::size_t last = std::min(at + vectors, first + chunk);
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
                // The next buffer's samples are fetched from memory while this one is converted.
                const unsigned int next_p = p + 1 < P ? p + 1 : 0;
                const unsigned int next_c = p + 1 < P ? c : c + 1;
                if (next_c < C) bank->prefetch(next_p, next_c, count);
                store_block(out, p, c, count, place);
            }
        }
    }
}

void FIR::store_block(zeb_array_real& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    bank->skip_in_phase(path, chan, count);
    if (at.listed == nullptr && at.stride == 1) {
        bank->take_reals(path, chan, count, out.data + at.base);
        return;
    }
    out_values.resize(count);
    bank->take_reals(path, chan, count, out_values.data());
    for (std::size_t k = 0; k < count; ++k) out.data[at(k)] = out_values[k];
}

void FIR::store_block(zeb_array_complex& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    out_values.resize(count);
    bank->take_reals(path, chan, count, out_values.data());
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) {
        SampleFifo<double>& line = bank->in_phase(path, chan);
        const double* in_phase = line.data();
        for (std::size_t k = 0; k < count; ++k) out.data[at(k)] = zeb_complex{in_phase[k], out_values[k]};
        line.pop_front(count);
    } else {
        for (std::size_t k = 0; k < count; ++k) out.data[at(k)] = zeb_complex{out_values[k], 0.0};
    }
}

void FIR::store_block(zeb_array_mpz& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    bank->skip_in_phase(path, chan, count);
    take_integers(path, chan, count, [&](std::size_t k, mpz_srcptr v) { mpz_set(out.data + at(k), v); });
}

void FIR::store_block(zeb_array_mpz_complex& out, unsigned int path, unsigned int chan, std::size_t count,
                      const BlockPlace& at) {
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) {
        SampleFifo<double>& line = bank->in_phase(path, chan);
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
    const SlotSource source = next_slot(s);
    const bool notes = dbg_logger->active();
    if (notes) dbg_logger->note(labelled("Pull channel: ", source.chan));
    if (!source.ready) {
        out.data_size = 0;
        return ZEB_STATUS_OK;
    }
    out.data_size = P;
    for (unsigned int p = 0; p < P; ++p) {
        if (source.filled) {
            store_element(out, p, p, source.chan);
        } else {
            store_zero(out, p);
        }
    }
    slot_taken(s, source);
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
