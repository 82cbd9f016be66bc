// Exported data functions: input packets and slots, output vectors and slots.
#include "interface/entry_frame.h"
#include "interface/record_io.h"
#include "model/fir_slot_lane.h"

namespace {
const char* const kSendFallback = "Uncaught exception in FIR model data_send";
const char* const kGetFallback = "Uncaught exception in FIR model data_get";

// A slot read the short way where the model has one; the general read where
// it declines.
template <typename R>
int read_slot_by_lane(FIR& fir, R& record) {
    OutputView<R> view(record);
    const unsigned int P = fir.num_paths();
    view.check_slot_shape(P);  // may grow the record: its data is taken after
    const SlotLane::Take got = fir.take_slot_by_lane(record.data);
    if (got == SlotLane::Take::declined) return fir.data_get_chan(view);
    view.set_slot_size(got == SlotLane::Take::slot ? P : 0);
    return ZEB_STATUS_OK;
}

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

// A slot is the call a co-simulation makes every clock: the short way is
// tried here, with the record checked as the engine would check it, so
// that the usual slot crosses no further call level.
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_send_channel(zeb_fir_v7_1* model, const zeb_array_real* input) {
    if (model == nullptr || input == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, kSendFallback, [input](FIR& fir) {
        const InputView view(*input);
        if (fir.send_slot_by_lane(view.slot(fir.num_paths()))) return static_cast<int>(ZEB_STATUS_OK);
        return fir.data_send_chan(view);
    });
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
        return output != nullptr ? read_slot_by_lane(fir, *output) : read_slot(fir, *output_complex);
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_channel_mpz(zeb_fir_v7_1* model, zeb_array_mpz* output,
                                                                 zeb_array_mpz_complex* output_complex) {
    if (model == nullptr || (output == nullptr && output_complex == nullptr)) return ZEB_STATUS_ERROR;
    return call_model(model, kGetFallback, [=](FIR& fir) {
        return output != nullptr ? read_slot_by_lane(fir, *output) : read_slot(fir, *output_complex);
    });
}

}  // extern "C"
