// Output: ready slots, taken one at a time and read per path as a 64-bit
// integer, a real value or decimal text.
#include <gmpxx.h>

#include "handle_registry.h"
#include "zeb_fir_v7_1_dpi.h"

using zebdpi::DpiError;
using zebdpi::DpiModel;
using zebdpi::with_model;

namespace {

void need(const void* pointer) {
    if (!pointer) throw DpiError("null value pointer");
}

}  // namespace

extern "C" {

int zeb_fir_v7_1_dpi_ready(void* model) {
    const DpiModel* m = zebdpi::find_model(model);
    if (!m) {
        zebdpi::report_orphan(__func__, "unknown handle");
        return -1;
    }
    return m->ready() > 2147483647u ? 2147483647 : static_cast<int>(m->ready());
}

int zeb_fir_v7_1_dpi_next(void* model) {
    return with_model(__func__, model, [](DpiModel& m) { m.next(); });
}

int zeb_fir_v7_1_dpi_get_int(void* model, int path, long long* value) {
    return with_model(__func__, model, [=](DpiModel& m) {
        need(value);
        *value = m.output_int64(path);
    });
}

int zeb_fir_v7_1_dpi_get_real(void* model, int path, double* value) {
    return with_model(__func__, model, [=](DpiModel& m) {
        need(value);
        *value = m.output_real(path);
    });
}

const char* zeb_fir_v7_1_dpi_get_text(void* model, int path) {
    const char* text = "";
    with_model(__func__, model, [&text, path](DpiModel& m) { text = m.output_text(path); });
    return text;
}

int zeb_fir_v7_1_dpi_get_inphase_int(void* model, int path, long long* value) {
    return with_model(__func__, model, [=](DpiModel& m) {
        need(value);
        *value = m.inphase(path).get_si();
    });
}

}  // extern "C"
