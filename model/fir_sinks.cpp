// Output sizing, data sinks, the output callback and the configuration copy.
#include <sstream>

#include "model/fir.h"
#include "model/fir_text.h"
#include "model/host_records.h"
#include "model/output_records.h"
#include "patterns/pattern_tables.h"

template <typename O>
int FIR::calc_size(const zeb_array_real& input, O& output) {
    std::size_t V = 1;
    if (input.dim_size == 3) {
        if (!lengths_held(input)) throw FIRException(fir_text::kPacketDimension);
        V = input.dim[2];
    }
    const std::size_t L = configuration.interpolation_rate;
    const std::size_t M = configuration.decimation_rate;
    const std::size_t P = configuration.num_paths;
    const std::size_t C = configuration.num_channels;
    long long N;
    if (CurrentPattern == ZEB_FIR_V7_1_PATTERN_BASIC) {
        N = static_cast<long long>((V * L) / M);
    } else {
        const long long Q = pattern_slot_count(CurrentPattern, 0);
        N = static_cast<long long>((V * static_cast<std::size_t>(Q) * L) / M) / Q;
    }
    if (output.dim_size == 2 && N > 1) throw FIRException("Unable to size output structure, require 3 dimensions");

    // Never write past the dimension store: grow it through the record's
    // own table where that is allowed.
    const bool single_vector = output.dim_size == 2 && N == 1;
    const std::size_t slots = single_vector ? 2 : 3;
    if (output.dim == nullptr || output.dim_capacity < slots) {
        if (reserve_dim(output, slots) != 0 || output.dim == nullptr)
            throw FIRException("Unable to size output structure, cannot reserve dimensions");
    }
    output.dim[0] = P;
    output.dim[1] = C;
    if (single_vector) {
        output.data_size = P * C;
    } else {
        output.dim[2] = static_cast<std::size_t>(N);
        output.data_size = P * C * static_cast<std::size_t>(N);
    }
    return ZEB_STATUS_OK;
}

template int FIR::calc_size<zeb_array_real>(const zeb_array_real&, zeb_array_real&);
template int FIR::calc_size<zeb_array_complex>(const zeb_array_real&, zeb_array_complex&);
template int FIR::calc_size<zeb_array_mpz>(const zeb_array_real&, zeb_array_mpz&);
template int FIR::calc_size<zeb_array_mpz_complex>(const zeb_array_real&, zeb_array_mpz_complex&);

// At most one sink is registered: registering one drops the others.
void FIR::clear_sinks() {
    data_sink = nullptr;
    data_sink_complex = nullptr;
    data_sink_mpz = nullptr;
    data_sink_mpz_complex = nullptr;
}

void FIR::refuse_real_sink_for_hilbert() const {
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT)
        throw FIRException("Hilbert filter type requires a complex data sink");
}

int FIR::set_data_sink(zeb_array_real* sink) {
    refuse_real_sink_for_hilbert();
    clear_sinks();
    data_sink = sink;
    return ZEB_STATUS_OK;
}

int FIR::set_data_sink(zeb_array_complex* sink) {
    clear_sinks();
    data_sink_complex = sink;
    return ZEB_STATUS_OK;
}

int FIR::set_data_sink(zeb_array_mpz* sink) {
    refuse_real_sink_for_hilbert();
    clear_sinks();
    data_sink_mpz = sink;
    return ZEB_STATUS_OK;
}

int FIR::set_data_sink(zeb_array_mpz_complex* sink) {
    clear_sinks();
    data_sink_mpz_complex = sink;
    return ZEB_STATUS_OK;
}

int FIR::set_data_handler(zeb_fir_v7_1_data_handler handler, void* arg1, void* arg2) {
    data_handler = handler;
    data_handler_arg1 = arg1;
    data_handler_arg2 = arg2;
    return ZEB_STATUS_OK;
}

template <typename T>
void FIR::fill_sink(T* sink, const char* suffix, const zeb_array_real& input, std::size_t vectors) {
    auto fail = [suffix](const char* what) { throw FIRException(std::string(what) + suffix); };
    try {
        // A sink the host marked as its own (owner set) keeps that mark and
        // is never grown: it must already be large enough.
        if (reserve_dim(*sink, 3) != 0 || sink->dim == nullptr) fail("Unable to reserve dimension for data_sink");
        sink->dim_size = 3;
        if (calc_size(input, *sink) != 0) fail("Unable to calculate size for data_sink");
        const std::size_t needed = sink->dim[0] * sink->dim[1] * vectors;
        if (reserve_data(*sink, needed) != 0 || writable_elements(*sink) < needed)
            fail("Unable to reserve data for data_sink");
        sink->dim[2] = vectors;
        sink->data_size = needed;
        if (data_get(*sink) != 0) fail("Unable to fill data_sink");
    } catch (...) {
        // Whatever failed, the record must not announce a vector it did not
        // receive.  Without a third length slot only data_size can say so.
        sink->data_size = 0;
        if (sink->dim_size == 3 && lengths_held(*sink)) sink->dim[2] = 0;
        throw;
    }
}

int FIR::deliver(const zeb_array_real& input) {
    const std::size_t vectors = available_vectors();
    if (data_sink != nullptr) {
        fill_sink(data_sink, "", input, vectors);
        if (data_handler != nullptr) return ZEB_STATUS_OK;  // the handle layer calls it
    }
    if (data_sink_complex != nullptr) fill_sink(data_sink_complex, "_complex", input, vectors);
    if (data_sink_mpz != nullptr) fill_sink(data_sink_mpz, "_mpz", input, vectors);
    if (data_sink_mpz_complex != nullptr) fill_sink(data_sink_mpz_complex, "_mpz_complex", input, vectors);
    return ZEB_STATUS_OK;
}

FIR::OutputCall FIR::output_call() const {
    if (data_sink == nullptr || data_handler == nullptr) return OutputCall{nullptr, nullptr, nullptr, nullptr};
    return OutputCall{data_handler, data_sink, data_handler_arg1, data_handler_arg2};
}
