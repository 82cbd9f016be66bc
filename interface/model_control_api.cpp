// Exported control functions: reset, output sizing, sinks and callback,
// run-time configuration and reload packets.
#include "interface/entry_frame.h"
#include "interface/record_io.h"

namespace {

template <typename R>
int size_for(FIR& fir, const zeb_array_real& input, R& output) {
    zeb_fir_v7_1_config config;
    fir.get_config(config);
    const std::size_t vectors = fir.calc_size(InputView(input).sizing_vectors());
    size_output(output, config.num_paths, config.num_channels, vectors);
    return ZEB_STATUS_OK;
}

template <typename R>
int register_sink(FIR& fir, R& record) {
    return fir.set_data_sink(std::make_unique<OutputView<R>>(record));
}

}  // namespace

extern "C" {

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_reset(zeb_fir_v7_1* model) {
    if (model == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model reset", [](FIR& fir) { return fir.reset(); });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_calc_size(zeb_fir_v7_1* model, const zeb_array_real* input,
                                                      zeb_array_real* output, zeb_array_complex* output_complex) {
    if (model == nullptr || input == nullptr || (output == nullptr && output_complex == nullptr))
        return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model calc_size", [=](FIR& fir) {
        return output != nullptr ? size_for(fir, *input, *output) : size_for(fir, *input, *output_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_calc_size_mpz(zeb_fir_v7_1* model, const zeb_array_real* input,
                                                          zeb_array_mpz* output,
                                                          zeb_array_mpz_complex* output_complex) {
    if (model == nullptr || input == nullptr || (output == nullptr && output_complex == nullptr))
        return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model calc_size", [=](FIR& fir) {
        return output != nullptr ? size_for(fir, *input, *output) : size_for(fir, *input, *output_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_set_data_sink(zeb_fir_v7_1* model, zeb_array_real* sink,
                                                          zeb_array_complex* sink_complex) {
    if (model == nullptr || (sink == nullptr && sink_complex == nullptr)) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model set_data_sink", [=](FIR& fir) {
        return sink != nullptr ? register_sink(fir, *sink) : register_sink(fir, *sink_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_set_data_sink_mpz(zeb_fir_v7_1* model, zeb_array_mpz* sink,
                                                              zeb_array_mpz_complex* sink_complex) {
    if (model == nullptr || (sink == nullptr && sink_complex == nullptr)) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model set_data_sink", [=](FIR& fir) {
        return sink != nullptr ? register_sink(fir, *sink) : register_sink(fir, *sink_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_set_data_handler(zeb_fir_v7_1* model, zeb_fir_v7_1_data_handler handler,
                                                             void* arg1, void* arg2) {
    if (model == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model set_data_handler",
                      [=](FIR& fir) { return fir.set_data_handler(handler, arg1, arg2); });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_config_send(zeb_fir_v7_1* model, const zeb_fir_v7_1_cnfg_packet* packet) {
    if (model == nullptr || packet == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model config_send",
                      [packet](FIR& fir) { return fir.config_send(packet->chanpat, packet_array(packet->fsel)); });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_reload_send(zeb_fir_v7_1* model, const zeb_fir_v7_1_rld_packet* packet) {
    if (model == nullptr || packet == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model reload_send",
                      [packet](FIR& fir) { return fir.reload_send(packet->fsel, packet_array(packet->coeff)); });
}

}  // extern "C"
