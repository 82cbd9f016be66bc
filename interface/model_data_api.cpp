// Exported data functions: input packets and slots, output vectors and slots.
#include "interface/entry_frame.h"
#include "interface/record_io.h"

namespace {
const char* const kSendFallback = "Uncaught exception in FIR model data_send";
const char* const kGetFallback = "Uncaught exception in FIR model data_get";

// Reads into a record through its view, made on the stack: nothing allocated per call.
template <typename R>
int read_vectors(FIR& fir, R& record) {
    OutputView<R> view(record);
    return fir.data_get(view);
}

template <typename R>
int read_slot(FIR& fir, R& record) {
    OutputView<R> view(record);
    return fir.data_get_chan(view);
}
}  // namespace

extern "C" {

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_send(zeb_fir_v7_1* model, const zeb_array_real* input) {
    if (model == nullptr || input == nullptr) return ZEB_STATUS_ERROR;
    return call_handle(model, kSendFallback, [input](ModelHandle& object) {
        const int status = object.model->data_send(InputView(*input));
        const FIR::OutputCall call = object.model->output_call();
        if (status != ZEB_STATUS_OK || call.handler == nullptr) return status;
        // The model has finished: the callback may call it again, but must
        // not destroy it while this call is still on the stack.
        object.host_call = ModelHandle::HostCall::in_output_callback;
        return call.handler(call.data, call.arg1, call.arg2);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_send_channel(zeb_fir_v7_1* model, const zeb_array_real* input) {
    if (model == nullptr || input == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, kSendFallback, [input](FIR& fir) { return fir.data_send_chan(InputView(*input)); });
}

ZEB_FIR_V7_1_EXPORT int zeb_fir_v7_1_data_send_handler(const zeb_array_real* input, void* model, void* /*unused*/) {
    if (model == nullptr || input == nullptr) return ZEB_STATUS_ERROR;
    return zeb_fir_v7_1_data_send(static_cast<zeb_fir_v7_1*>(model), input);
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get(zeb_fir_v7_1* model, zeb_array_real* output,
                                                     zeb_array_complex* output_complex) {
    if (model == nullptr || (output == nullptr && output_complex == nullptr)) return ZEB_STATUS_ERROR;
    return call_model(model, kGetFallback, [=](FIR& fir) {
        return output != nullptr ? read_vectors(fir, *output) : read_vectors(fir, *output_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_mpz(zeb_fir_v7_1* model, zeb_array_mpz* output,
                                                         zeb_array_mpz_complex* output_complex) {
    if (model == nullptr || (output == nullptr && output_complex == nullptr)) return ZEB_STATUS_ERROR;
    return call_model(model, kGetFallback, [=](FIR& fir) {
        return output != nullptr ? read_vectors(fir, *output) : read_vectors(fir, *output_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_channel(zeb_fir_v7_1* model, zeb_array_real* output,
                                                             zeb_array_complex* output_complex) {
    if (model == nullptr || (output == nullptr && output_complex == nullptr)) return ZEB_STATUS_ERROR;
    return call_model(model, kGetFallback, [=](FIR& fir) {
        return output != nullptr ? read_slot(fir, *output) : read_slot(fir, *output_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_channel_mpz(zeb_fir_v7_1* model, zeb_array_mpz* output,
                                                                 zeb_array_mpz_complex* output_complex) {
    if (model == nullptr || (output == nullptr && output_complex == nullptr)) return ZEB_STATUS_ERROR;
    return call_model(model, kGetFallback, [=](FIR& fir) {
        return output != nullptr ? read_slot(fir, *output) : read_slot(fir, *output_complex);
    });
}

}  // extern "C"
