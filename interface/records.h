// C++ view of the library's array records, over the public C functions only:
// every family's functions under one name, owning handles, and the bounds a
// record's own fields allow.  Shared by the C boundary, the tool, the DPI
// layer and the tests.
#ifndef ZEB_FIR_INTERFACE_RECORDS_H
#define ZEB_FIR_INTERFACE_RECORDS_H

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <type_traits>

#include "zeb_fir_v7_1.h"

namespace zeb_records {

template <typename R>
struct Family;

#define ZEB_RECORD_FN(word, fn) static constexpr auto fn = zeb_fir_v7_1_zeb_array_##word##_##fn;
#define ZEB_RECORD_FAMILY(word)                                                                                 \
    template <>                                                                                                 \
    struct Family<zeb_array_##word> {                                                                           \
        using Ops = zeb_array_##word##_operations;                                                              \
        using Elem = std::remove_pointer_t<decltype(zeb_array_##word::data)>;                                   \
        static constexpr const char* name = "zeb_array_" #word;                                                 \
        ZEB_RECORD_FN(word, create)                                                                             \
        ZEB_RECORD_FN(word, create_ex)                                                                          \
        ZEB_RECORD_FN(word, destroy)                                                                            \
        ZEB_RECORD_FN(word, reserve_data) ZEB_RECORD_FN(word, reserve_dim) ZEB_RECORD_FN(word, ops_elem_copy)   \
            ZEB_RECORD_FN(word, set_element) ZEB_RECORD_FN(word, get_element) ZEB_RECORD_FN(word, sub2ind_1d)   \
                ZEB_RECORD_FN(word, sub2ind_2d) ZEB_RECORD_FN(word, sub2ind_3d) ZEB_RECORD_FN(word, sub2ind_4d) \
                    ZEB_RECORD_FN(word, ops_elem_create) ZEB_RECORD_FN(word, ops_elem_swap)                     \
                        ZEB_RECORD_FN(word, ops_elem_destroy)                                                   \
    };
ZEB_RECORD_FAMILY(bit)
ZEB_RECORD_FAMILY(real)
ZEB_RECORD_FAMILY(complex)
ZEB_RECORD_FAMILY(uint)
ZEB_RECORD_FAMILY(uint32)
ZEB_RECORD_FAMILY(mpz)
ZEB_RECORD_FAMILY(mpz_complex)
#undef ZEB_RECORD_FAMILY
#undef ZEB_RECORD_FN

// Growth through the record's own operations table.
template <typename R>
zeb_status reserve_data(R& r, std::size_t n) {
    return Family<R>::reserve_data(&r, n);
}
template <typename R>
zeb_status reserve_dim(R& r, std::size_t n) {
    return Family<R>::reserve_dim(&r, n);
}

// A record released through its family's destroy function.
template <typename R>
struct Destroy {
    void operator()(R* r) const { Family<R>::destroy(r); }
};
// The model itself, released through zeb_fir_v7_1_destroy.
template <>
struct Destroy<zeb_fir_v7_1> {
    void operator()(zeb_fir_v7_1* m) const { zeb_fir_v7_1_destroy(m); }
};
template <typename R>
using Owned = std::unique_ptr<R, Destroy<R>>;

// A new empty record, or an empty handle when the library is out of memory.
template <typename R>
Owned<R> make() {
    return Owned<R>(Family<R>::create());
}

// Gives a record the lengths dims and data_size their product, with room
// for exactly that; ZEB_STATUS_ERROR when the library is out of memory or
// the record's stores (a host's own, which the library does not grow) are
// too small.
template <typename R>
zeb_status shape(R& r, std::initializer_list<std::size_t> dims) {
    std::size_t count = 1;
    for (std::size_t d : dims) count *= d;
    if (reserve_dim(r, dims.size()) != ZEB_STATUS_OK || reserve_data(r, count) != ZEB_STATUS_OK || r.dim == nullptr ||
        r.dim_capacity < dims.size() || (count > 0 && (r.data == nullptr || r.data_capacity < count))) {
        return ZEB_STATUS_ERROR;
    }
    std::copy(dims.begin(), dims.end(), r.dim);
    r.dim_size = dims.size();
    r.data_size = count;
    return ZEB_STATUS_OK;
}

// Gives a one-dimensional record exactly these values.
template <typename R, typename T>
zeb_status fill_1d(R& r, const T* values, std::size_t count) {
    if (shape(r, {count}) != ZEB_STATUS_OK) return ZEB_STATUS_ERROR;
    std::copy(values, values + count, r.data);
    return ZEB_STATUS_OK;
}

// A record's fields can disagree with each other; these bounds are the only
// way to read its lengths or its store.

// True when the dim_size lengths can be read: they lie within the dimension
// store (a record without lengths has none to read).
template <typename R>
bool lengths_held(const R& r) {
    return r.dim_size == 0 || (r.dim != nullptr && r.dim_size <= r.dim_capacity);
}

// Elements that may be read: what the record claims to hold, never more than
// its store has room for.
template <typename R>
std::size_t readable_elements(const R& r) {
    if (r.data == nullptr) return 0;
    return r.data_size < r.data_capacity ? r.data_size : r.data_capacity;
}

// The usual single-slot record, told inline: one length, of paths, and a
// store with room for paths elements (every check of a slot read passes).
template <typename R>
bool is_slot_of(const R& r, std::size_t paths) {
    return r.dim_size == 1 && r.dim != nullptr && r.dim_capacity >= 1 && r.dim[0] == paths && r.data != nullptr &&
           r.data_capacity >= paths;
}

// Elements that may be written: the room of a store that exists.
template <typename R>
std::size_t writable_elements(const R& r) {
    return r.data == nullptr ? 0 : r.data_capacity;
}

}  // namespace zeb_records

#endif
