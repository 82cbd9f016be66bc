#include <cstdlib>
#include <type_traits>

#include "arrays/array_element_ops.h"
#include "arrays/array_ops_tables.h"
#include "zeb_fir_v7_1.h"

// The named element operations of one array type and its built-in table.
// The table argument is ignored by every built-in operation.
#define ZEB_ARRAY_BUILTIN_OPS(word)                                                                                    \
    using word##_elem = std::remove_pointer_t<decltype(zeb_array_##word::data)>;                                       \
    void* zeb_fir_v7_1_zeb_array_##word##_ops_realloc(const zeb_array_##word##_operations*, void* ptr, size_t size) {  \
        return std::realloc(ptr, size);                                                                                \
    }                                                                                                                  \
    void zeb_fir_v7_1_zeb_array_##word##_ops_free(const zeb_array_##word##_operations*, void* ptr) { std::free(ptr); } \
    void zeb_fir_v7_1_zeb_array_##word##_ops_elem_create(const zeb_array_##word##_operations*, word##_elem* elem) {    \
        ElementOps<word##_elem>::create(elem);                                                                         \
    }                                                                                                                  \
    void zeb_fir_v7_1_zeb_array_##word##_ops_elem_copy(const zeb_array_##word##_operations*, word##_elem* dst,         \
                                                       const word##_elem* src) {                                       \
        ElementOps<word##_elem>::copy(dst, src);                                                                       \
    }                                                                                                                  \
    void zeb_fir_v7_1_zeb_array_##word##_ops_elem_swap(const zeb_array_##word##_operations*, word##_elem* a,           \
                                                       word##_elem* b) {                                               \
        ElementOps<word##_elem>::swap(a, b);                                                                           \
    }                                                                                                                  \
    void zeb_fir_v7_1_zeb_array_##word##_ops_elem_destroy(const zeb_array_##word##_operations*, word##_elem* elem) {   \
        ElementOps<word##_elem>::destroy(elem);                                                                        \
    }                                                                                                                  \
    const zeb_array_##word##_operations zeb_fir_v7_1_zeb_array_##word##_ops = {                                        \
        zeb_fir_v7_1_zeb_array_##word##_ops_realloc,                                                                   \
        zeb_fir_v7_1_zeb_array_##word##_ops_free,                                                                      \
        ElementOps<word##_elem>::needs_lifetime ? zeb_fir_v7_1_zeb_array_##word##_ops_elem_create : nullptr,           \
        zeb_fir_v7_1_zeb_array_##word##_ops_elem_copy,                                                                 \
        zeb_fir_v7_1_zeb_array_##word##_ops_elem_swap,                                                                 \
        ElementOps<word##_elem>::needs_lifetime ? zeb_fir_v7_1_zeb_array_##word##_ops_elem_destroy : nullptr,          \
        nullptr};

ZEB_ARRAY_BUILTIN_OPS(bit)
ZEB_ARRAY_BUILTIN_OPS(real)
ZEB_ARRAY_BUILTIN_OPS(complex)
ZEB_ARRAY_BUILTIN_OPS(uint)
ZEB_ARRAY_BUILTIN_OPS(uint32)
ZEB_ARRAY_BUILTIN_OPS(mpz)
ZEB_ARRAY_BUILTIN_OPS(mpz_complex)
