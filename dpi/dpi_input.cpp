// Input: single slots and whole vectors, as integers in input LSBs or as
// sample values.
#include "handle_registry.h"
#include "zeb_fir_v7_1_dpi.h"

using zebdpi::DpiModel;
using zebdpi::with_model;

extern "C" {

int zeb_fir_v7_1_dpi_put_int(void* model, int path, long long value) {
    return with_model(__func__, model, [=](DpiModel& m) { m.put_slot(path, m.sample_of(value)); });
}

int zeb_fir_v7_1_dpi_put_real(void* model, int path, double value) {
    return with_model(__func__, model, [=](DpiModel& m) { m.put_slot(path, value); });
}

int zeb_fir_v7_1_dpi_send_slot(void* model) {
    return with_model(__func__, model, [](DpiModel& m) { m.send_slot(); });
}

int zeb_fir_v7_1_dpi_put_vector_int(void* model, int path, int slot, long long value) {
    return with_model(__func__, model, [=](DpiModel& m) { m.put_vector(path, slot, m.sample_of(value)); });
}

int zeb_fir_v7_1_dpi_put_vector_real(void* model, int path, int slot, double value) {
    return with_model(__func__, model, [=](DpiModel& m) { m.put_vector(path, slot, value); });
}

int zeb_fir_v7_1_dpi_send_vector(void* model) {
    return with_model(__func__, model, [](DpiModel& m) { m.send_vector(); });
}

}  // extern "C"
