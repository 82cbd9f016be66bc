// Every C function of one array family under one name, so that a template
// over the record type covers all seven families, and a host table that
// journals the elements it initialises, copies to and clears and can be told to
// refuse allocation.
#ifndef ZEB_FIR_TESTS_ARRAY_FAMILIES_H
#define ZEB_FIR_TESTS_ARRAY_FAMILIES_H

#include <cstdlib>
#include <type_traits>
#include <utility>
#include <vector>

#include "zeb_fir_v7_1.h"

template <typename R>
struct ArrayFamily;

#define ZEB_ARRAY_FN(word, fn) static constexpr auto fn = zeb_fir_v7_1_zeb_array_##word##_##fn;
#define ZEB_ARRAY_FAMILY(word)                                                                                    \
    template <>                                                                                                  \
    struct ArrayFamily<zeb_array_##word> {                                                                       \
        using Ops = zeb_array_##word##_operations;                                                               \
        using Elem = std::remove_pointer_t<decltype(zeb_array_##word::data)>;                                    \
        ZEB_ARRAY_FN(word, create) ZEB_ARRAY_FN(word, create_ex) ZEB_ARRAY_FN(word, destroy)                     \
        ZEB_ARRAY_FN(word, reserve_data) ZEB_ARRAY_FN(word, reserve_dim) ZEB_ARRAY_FN(word, ops_elem_copy)       \
        ZEB_ARRAY_FN(word, set_element) ZEB_ARRAY_FN(word, get_element) ZEB_ARRAY_FN(word, sub2ind_1d)           \
        ZEB_ARRAY_FN(word, sub2ind_2d) ZEB_ARRAY_FN(word, sub2ind_3d) ZEB_ARRAY_FN(word, sub2ind_4d)             \
        ZEB_ARRAY_FN(word, ops_elem_create) ZEB_ARRAY_FN(word, ops_elem_swap) ZEB_ARRAY_FN(word, ops_elem_destroy) \
    };
ZEB_ARRAY_FAMILY(bit) ZEB_ARRAY_FAMILY(real) ZEB_ARRAY_FAMILY(complex) ZEB_ARRAY_FAMILY(uint)
ZEB_ARRAY_FAMILY(uint32) ZEB_ARRAY_FAMILY(mpz) ZEB_ARRAY_FAMILY(mpz_complex)

template <typename R, typename F = ArrayFamily<R>, typename Ops = typename F::Ops, typename E = typename F::Elem>
struct Journal {
    std::vector<const void*> created, destroyed;
    std::vector<std::pair<const void*, const void*>> copied;  // destination, source
    bool fail = false;
    Ops ops{[](const Ops* o, void* p, size_t n) { return of(o).fail ? nullptr : std::realloc(p, n); },
            [](const Ops*, void* p) { std::free(p); },
            [](const Ops* o, E* e) { of(o).created.push_back(e), F::ops_elem_create(o, e); },
            [](const Ops* o, E* d, const E* s) { of(o).copied.push_back({d, s}), F::ops_elem_copy(o, d, s); },
            F::ops_elem_swap, [](const Ops* o, E* e) { of(o).destroyed.push_back(e), F::ops_elem_destroy(o, e); },
            this};
    static Journal& of(const Ops* o) { return *static_cast<Journal*>(o->context); }
};

#endif
