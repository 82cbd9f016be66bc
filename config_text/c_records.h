// Owning handles for the library's C records: the model and the array
// records the tool creates, each released through the library's own
// destroy function.
#ifndef ZEB_CONFIG_TEXT_C_RECORDS_H
#define ZEB_CONFIG_TEXT_C_RECORDS_H

#include <memory>

#include "tool_error.h"
#include "zeb_fir_v7_1.h"

namespace zebtool {

struct ModelDeleter {
    void operator()(zeb_fir_v7_1* model) const { zeb_fir_v7_1_destroy(model); }
};
using ModelHandle = std::unique_ptr<zeb_fir_v7_1, ModelDeleter>;

#define ZEB_TOOL_ARRAY_HANDLE(type)                                                        \
    struct type##_deleter {                                                                \
        void operator()(type* array) const { zeb_fir_v7_1_##type##_destroy(array); }       \
    };                                                                                     \
    using type##_handle = std::unique_ptr<type, type##_deleter>;                           \
    inline type##_handle make_##type()                                                     \
    {                                                                                      \
        type##_handle array(zeb_fir_v7_1_##type##_create());                               \
        if (!array)                                                                        \
            throw ToolError("out of memory creating a " #type " record");                  \
        return array;                                                                      \
    }

ZEB_TOOL_ARRAY_HANDLE(zeb_array_real)
ZEB_TOOL_ARRAY_HANDLE(zeb_array_complex)
ZEB_TOOL_ARRAY_HANDLE(zeb_array_uint)
ZEB_TOOL_ARRAY_HANDLE(zeb_array_mpz)
ZEB_TOOL_ARRAY_HANDLE(zeb_array_mpz_complex)

#undef ZEB_TOOL_ARRAY_HANDLE

// A GMP integer that clears itself.
struct MpzValue {
    mpz_t v;
    MpzValue() { mpz_init(v); }
    ~MpzValue() { mpz_clear(v); }
    MpzValue(const MpzValue&) = delete;
    MpzValue& operator=(const MpzValue&) = delete;
};

// Gives a one-dimensional record exactly these values.
template <typename Array, typename T, typename Reserve>
void fill_1d(Array& array, const T* values, std::size_t count, Reserve reserve_dim, Reserve reserve_data)
{
    if (reserve_dim(&array, 1) != ZEB_STATUS_OK || reserve_data(&array, count) != ZEB_STATUS_OK)
        throw ToolError("out of memory filling a packet array");
    array.dim_size = 1;
    array.dim[0] = count;
    array.data_size = count;
    for (std::size_t i = 0; i < count; ++i)
        array.data[i] = values[i];
}

}  // namespace zebtool

#endif
