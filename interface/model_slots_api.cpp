// Exported slot reads beyond the block's interface (zeb_fir_v7_1_slots.h).
#include <algorithm>

#include "interface/entry_frame.h"
#include "interface/record_io.h"
#include "model/fir_slot_lane.h"
#include "zeb_fir_v7_1_slots.h"

namespace {
const char* const kGetFallback = "Uncaught exception in FIR model data_get";

// One slot the general way, for a slot the lane declines: through a slot
// record of the library's own over a stack store, so that the read checks
// and counts exactly what a host's slot read would.
int read_general_slot(FIR& fir, double* into, bool& read) {
    const unsigned int P = fir.num_paths();
    double store[FIR::kMaxPaths];
    std::size_t length = P;
    zeb_array_real slot{store, 0, FIR::kMaxPaths, &length, 1, 1, 1, nullptr};
    OutputView<zeb_array_real> view(slot);
    const int status = fir.data_get_chan(view);
    read = status == ZEB_STATUS_OK && slot.data_size == P;
    if (read) std::copy(store, store + P, into);
    return status;
}

int read_ready_slots(FIR& fir, double* values, std::size_t max_slots, std::size_t& count) {
    const std::size_t P = fir.num_paths();
    while (count < max_slots) {
        double* into = values + count * P;
        const SlotLane::Take got = fir.take_slot_by_lane(into);
        if (got == SlotLane::Take::none) break;
        if (got == SlotLane::Take::declined) {
            bool read = false;
            const int status = read_general_slot(fir, into, read);
            if (status != ZEB_STATUS_OK) return status;
            if (!read) break;
        }
        ++count;  // counted as soon as it is read: a failure after it keeps it
    }
    return ZEB_STATUS_OK;
}
}  // namespace

extern "C" {

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_channels(zeb_fir_v7_1* model, double* values, size_t max_slots,
                                                              size_t* slots) {
    if (model == nullptr || slots == nullptr || (values == nullptr && max_slots > 0)) return ZEB_STATUS_ERROR;
    *slots = 0;
    return call_model(model, kGetFallback, [=](FIR& fir) { return read_ready_slots(fir, values, max_slots, *slots); });
}

}  // extern "C"
