// Every C function of one array family under one name, so that a template
// over the record type covers all seven families.
#ifndef ZEB_FIR_TESTS_ARRAY_FAMILIES_H
#define ZEB_FIR_TESTS_ARRAY_FAMILIES_H

#include <type_traits>

#include "zeb_fir_v7_1.h"

template <typename R>
struct ArrayFamily;

#define ZEB_ARRAY_FAMILY(word)                                                              \
    template <>                                                                             \
    struct ArrayFamily<zeb_array_##word> {                                                  \
        using Record = zeb_array_##word;                                                    \
        using Ops = zeb_array_##word##_operations;                                          \
        using Elem = std::remove_pointer_t<decltype(Record::data)>;                         \
        static constexpr auto create = zeb_fir_v7_1_zeb_array_##word##_create;              \
        static constexpr auto create_ex = zeb_fir_v7_1_zeb_array_##word##_create_ex;        \
        static constexpr auto reserve_data = zeb_fir_v7_1_zeb_array_##word##_reserve_data;  \
        static constexpr auto reserve_dim = zeb_fir_v7_1_zeb_array_##word##_reserve_dim;    \
        static constexpr auto destroy = zeb_fir_v7_1_zeb_array_##word##_destroy;            \
        static constexpr auto sub2ind_1d = zeb_fir_v7_1_zeb_array_##word##_sub2ind_1d;      \
        static constexpr auto sub2ind_2d = zeb_fir_v7_1_zeb_array_##word##_sub2ind_2d;      \
        static constexpr auto sub2ind_3d = zeb_fir_v7_1_zeb_array_##word##_sub2ind_3d;      \
        static constexpr auto sub2ind_4d = zeb_fir_v7_1_zeb_array_##word##_sub2ind_4d;      \
        static constexpr auto set_element = zeb_fir_v7_1_zeb_array_##word##_set_element;    \
        static constexpr auto get_element = zeb_fir_v7_1_zeb_array_##word##_get_element;    \
        static constexpr auto ops_copy = zeb_fir_v7_1_zeb_array_##word##_ops_elem_copy;     \
        static constexpr auto ops_swap = zeb_fir_v7_1_zeb_array_##word##_ops_elem_swap;     \
        static constexpr auto ops_create = zeb_fir_v7_1_zeb_array_##word##_ops_elem_create; \
        static constexpr auto ops_destroy = zeb_fir_v7_1_zeb_array_##word##_ops_elem_destroy; \
    };
ZEB_ARRAY_FAMILY(bit)
ZEB_ARRAY_FAMILY(real)
ZEB_ARRAY_FAMILY(complex)
ZEB_ARRAY_FAMILY(uint)
ZEB_ARRAY_FAMILY(uint32)
ZEB_ARRAY_FAMILY(mpz)
ZEB_ARRAY_FAMILY(mpz_complex)
#undef ZEB_ARRAY_FAMILY

#endif
