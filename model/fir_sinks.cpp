// Output sizing, the data sink and the output callback.
#include "model/fir.h"
#include "patterns/pattern_tables.h"

std::size_t FIR::calc_size(std::size_t input_vectors) const {
    const std::size_t V = input_vectors;
    const std::size_t L = configuration.interpolation_rate;
    const std::size_t M = configuration.decimation_rate;
    if (CurrentPattern == ZEB_FIR_V7_1_PATTERN_BASIC) return (V * L) / M;
    const std::size_t Q = static_cast<std::size_t>(pattern_slot_count(CurrentPattern, 0));
    return ((V * Q * L) / M) / Q;
}

// At most one sink is registered: registering one drops the other.
int FIR::set_data_sink(std::unique_ptr<OutputSink> new_sink) {
    if (configuration.filter_type == ZEB_FIR_V7_1_HILBERT &&
        (new_sink->kind() == OutputRecord::Kind::real || new_sink->kind() == OutputRecord::Kind::integer))
        throw FIRException("Hilbert filter type requires a complex data sink");
    sink = std::move(new_sink);
    return ZEB_STATUS_OK;
}

int FIR::set_data_handler(zeb_fir_v7_1_data_handler handler, void* arg1, void* arg2) {
    data_handler = handler;
    data_handler_arg1 = arg1;
    data_handler_arg2 = arg2;
    return ZEB_STATUS_OK;
}

// The sink takes every whole vector there is.
int FIR::deliver() {
    if (!sink) return ZEB_STATUS_OK;
    try {
        sink->prepare(configuration.num_paths, configuration.num_channels, available_vectors());
        data_get(*sink);
    } catch (...) {
        sink->announce_nothing();
        throw;
    }
    return ZEB_STATUS_OK;
}

FIR::OutputCall FIR::output_call() const {
    const zeb_array_real* data = sink ? sink->real_record() : nullptr;
    if (data == nullptr || data_handler == nullptr) return OutputCall{nullptr, nullptr, nullptr, nullptr};
    return OutputCall{data_handler, data, data_handler_arg1, data_handler_arg2};
}
