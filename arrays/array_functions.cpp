#include <array>

#include "arrays/array_family.h"
#include "arrays/array_ops_tables.h"
#include "zeb_fir_v7_1.h"

// The C functions of one array type, forwarding to ArrayFamily.
#define ZEB_ARRAY_FUNCTIONS(word)                                                                                     \
    using word##_family = ArrayFamily<zeb_array_##word>;                                                              \
    zeb_array_##word* zeb_fir_v7_1_zeb_array_##word##_create_ex(const zeb_array_##word##_operations* ops) {           \
        return word##_family::create_ex(ops);                                                                         \
    }                                                                                                                 \
    zeb_array_##word* zeb_fir_v7_1_zeb_array_##word##_create(void) {                                                  \
        return word##_family::create_ex(&zeb_fir_v7_1_zeb_array_##word##_ops);                                        \
    }                                                                                                                 \
    zeb_status zeb_fir_v7_1_zeb_array_##word##_reserve_data(zeb_array_##word* array, size_t n) {                      \
        return word##_family::reserve_data(array, n);                                                                 \
    }                                                                                                                 \
    zeb_status zeb_fir_v7_1_zeb_array_##word##_reserve_dim(zeb_array_##word* array, size_t n) {                       \
        return word##_family::reserve_dim(array, n);                                                                  \
    }                                                                                                                 \
    zeb_array_##word* zeb_fir_v7_1_zeb_array_##word##_destroy(zeb_array_##word* array) {                              \
        return word##_family::destroy(array);                                                                         \
    }                                                                                                                 \
    size_t zeb_fir_v7_1_zeb_array_##word##_sub2ind_1d(const zeb_array_##word* array, size_t i0) {                     \
        return word##_family::sub2ind(array, std::array<size_t, 1>{i0});                                              \
    }                                                                                                                 \
    size_t zeb_fir_v7_1_zeb_array_##word##_sub2ind_2d(const zeb_array_##word* array, size_t i0, size_t i1) {          \
        return word##_family::sub2ind(array, std::array<size_t, 2>{i0, i1});                                          \
    }                                                                                                                 \
    size_t zeb_fir_v7_1_zeb_array_##word##_sub2ind_3d(const zeb_array_##word* array, size_t i0, size_t i1,            \
                                                      size_t i2) {                                                    \
        return word##_family::sub2ind(array, std::array<size_t, 3>{i0, i1, i2});                                      \
    }                                                                                                                 \
    size_t zeb_fir_v7_1_zeb_array_##word##_sub2ind_4d(const zeb_array_##word* array, size_t i0, size_t i1, size_t i2, \
                                                      size_t i3) {                                                    \
        return word##_family::sub2ind(array, std::array<size_t, 4>{i0, i1, i2, i3});                                  \
    }                                                                                                                 \
    zeb_status zeb_fir_v7_1_zeb_array_##word##_set_element(zeb_array_##word* array, const word##_family::Elem* src,   \
                                                           size_t index) {                                            \
        return word##_family::set_element(array, src, index);                                                         \
    }                                                                                                                 \
    zeb_status zeb_fir_v7_1_zeb_array_##word##_get_element(const zeb_array_##word* array, word##_family::Elem* dst,   \
                                                           size_t index) {                                            \
        return word##_family::get_element(array, dst, index);                                                         \
    }

ZEB_ARRAY_FUNCTIONS(bit)
ZEB_ARRAY_FUNCTIONS(real)
ZEB_ARRAY_FUNCTIONS(complex)
ZEB_ARRAY_FUNCTIONS(uint)
ZEB_ARRAY_FUNCTIONS(uint32)
ZEB_ARRAY_FUNCTIONS(mpz)
ZEB_ARRAY_FUNCTIONS(mpz_complex)
