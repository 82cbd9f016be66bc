// Array records the model creates for itself (copies of packet contents),
// released through their own operations table when the owner goes away.
#ifndef ZEB_FIR_MODEL_OWNED_ARRAY_H
#define ZEB_FIR_MODEL_OWNED_ARRAY_H

#include <memory>

#include "zeb_fir_v7_1.h"

struct UintArrayDeleter {
    void operator()(zeb_array_uint* array) const { zeb_fir_v7_1_zeb_array_uint_destroy(array); }
};
struct RealArrayDeleter {
    void operator()(zeb_array_real* array) const { zeb_fir_v7_1_zeb_array_real_destroy(array); }
};

using OwnedUintArray = std::unique_ptr<zeb_array_uint, UintArrayDeleter>;
using OwnedRealArray = std::unique_ptr<zeb_array_real, RealArrayDeleter>;

#endif
