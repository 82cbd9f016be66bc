// Input path: quantise every sample and feed it to its path's and
// channel's kernel, in the order the hardware receives them.
#include <cmath>
#include <sstream>

#include "model/fir.h"
#include "model/fir_text.h"
#include "model/host_records.h"
#include "patterns/pattern_tables.h"

namespace {

const char* const kShortInputText = "Input array holds fewer samples than its dimensions promise";
const char* const kNotFiniteText = "Input sample is not a finite number";

// NaN or infinity has no fixed-point value; refused before anything is fed.
bool all_finite(const double* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) return false;
    }
    return true;
}

}  // namespace

using fir_text::labelled;

void FIR::feed(double x, unsigned int path, unsigned int chan) {
    din_fmt.clearMessages();
    x = din_fmt.do_restrict(x * din_fmt.getScale()) * din_fmt.getInvScale();
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT) hilbert_delay[path][chan].push_back(x);
    if (use_mpz) {
        mpz_set_d(sample_mpz.get_mpz_t(), x * data_fract_scale);
        filters_mpz[path][chan].run(&sample_mpz, 1, out_buf_mpz[path][chan]);
    } else {
        filters[path][chan].run(&x, 1, out_buf[path][chan]);
    }
}

int FIR::data_send(const zeb_array_real& input) {
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    if (chan_pos_in != 0) throw FIRException("Channel postion non-zero, cannot send a packet");
    if ((input.dim_size != 2 && input.dim_size != 3) || !lengths_held(input))
        throw FIRException(fir_text::kPacketDimension);
    if (input.dim[0] != P || input.dim[1] != C) {
        throw FIRException(fir_text::packet_size(P, C));
    }
    const std::size_t V = input.dim_size == 3 ? input.dim[2] : 1;
    const std::size_t per_vector = P * C;
    if (V > 0 && readable_elements(input) / per_vector < V) throw FIRException(kShortInputText);
    if (V > 0 && !all_finite(input.data, per_vector * V)) throw FIRException(kNotFiniteText);

    // Samples are taken at (path, slot, vector): while the pattern holds
    // this is where the channel view puts the channel's k-th sample, and
    // after a pattern change inside the packet it is still the sample the
    // hardware stream presents in that slot.
    for (std::size_t v = 0; v < V; ++v) {
        const double* vector = input.data + v * per_vector;
        for (std::size_t p = 0; p < P; ++p) {
            for (std::size_t s = 0; s < C; ++s) {
                chan_pos_in = static_cast<int>(s);
                const unsigned int c = channel_of_slot(static_cast<unsigned int>(s));
                feed(vector[p + P * s], static_cast<unsigned int>(p), c);
            }
        }
    }
    chan_pos_in = 0;
    return deliver(input);
}

int FIR::data_send_chan(const zeb_array_real& input) {
    const std::size_t P = configuration.num_paths;
    if (input.dim_size != 1 || !lengths_held(input)) throw FIRException(fir_text::kSlotDimension);
    if (input.dim[0] != P) throw FIRException(labelled("Incorrect data size, expecting num_paths: ", P));
    if (readable_elements(input) < P) throw FIRException(kShortInputText);
    if (!all_finite(input.data, P)) throw FIRException(kNotFiniteText);

    const unsigned int s = static_cast<unsigned int>(chan_pos_in);
    const unsigned int c = channel_of_slot(s);
    const bool advanced = configuration.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    const bool notes = dbg_logger->active();

    std::size_t before = 0;
    if (advanced) {
        before = buffered(0, c);
        if (notes) dbg_logger->note(labelled("Starting buffer size: ", before));
    }
    if (notes) dbg_logger->note(labelled("Push channel: ", c));
    for (std::size_t p = 0; p < P; ++p) feed(input.data[p], static_cast<unsigned int>(p), c);
    if (advanced) {
        const std::size_t after = buffered(0, c);
        if (notes) dbg_logger->note(labelled("End buffer size: ", after));
        for (std::size_t i = before; i < after; ++i) {
            if (notes) dbg_logger->note(labelled("Stored channel pattern: ", CurrentPattern));
            pattern_queue.push_back(CurrentPattern);
        }
    }
    if (++chan_pos_in == static_cast<int>(configuration.num_channels)) chan_pos_in = 0;
    return ZEB_STATUS_OK;
}
