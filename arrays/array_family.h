// One implementation of the array record functions for all seven element
// types.  Record is a C record (zeb_array_real, ...); its element and
// operations-table types are taken from its fields.
#ifndef ZEB_FIR_ARRAYS_ARRAY_FAMILY_H
#define ZEB_FIR_ARRAYS_ARRAY_FAMILY_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <new>
#include <type_traits>

#include "zeb_fir_v7_1.h"

template <typename Record>
struct ArrayFamily {
    using Elem = std::remove_pointer_t<decltype(Record::data)>;
    using Ops = std::remove_const_t<std::remove_pointer_t<decltype(Record::ops)>>;

    static Record* create_ex(const Ops* ops) noexcept {
        if (ops == nullptr || ops->realloc == nullptr) {
            return nullptr;
        }
        void* memory = ops->realloc(ops, nullptr, sizeof(Record));
        if (memory == nullptr) {
            return nullptr;
        }
        Record* array = new (memory) Record{};  // all stores null, all counts 0
        array->ops = ops;
        return array;
    }

    static int reserve_data(Record* array, std::size_t n) noexcept {
        if (array == nullptr) {
            return 1;
        }
        // Large enough already: answered even for records the functions may not grow.
        if (array->data_capacity >= n) {
            return 0;
        }
        void* grown = grow(array, array->data, n, sizeof(Elem));
        if (grown == nullptr) {
            return 1;  // the old store stays valid and the record unchanged
        }
        const Ops* ops = array->ops;
        array->data = static_cast<Elem*>(grown);
        if (ops->elem_create != nullptr) {
            // Only the new elements: the existing ones were moved, not re-created.
            for (std::size_t i = array->data_capacity; i < n; ++i) {
                ops->elem_create(ops, array->data + i);
            }
        }
        array->data_capacity = n;
        return 0;
    }

    static int reserve_dim(Record* array, std::size_t n) noexcept {
        if (array == nullptr) {
            return 1;
        }
        if (array->dim_capacity >= n) {
            return 0;
        }
        void* grown = grow(array, array->dim, n, sizeof(std::size_t));
        if (grown == nullptr) {
            return 1;
        }
        array->dim = static_cast<std::size_t*>(grown);
        array->dim_capacity = n;
        return 0;
    }

    // Null when the record was freed, else the record itself (null record,
    // owner set, or a table that cannot free).
    static Record* destroy(Record* array) noexcept {
        if (array == nullptr || array->owner != 0 || array->ops == nullptr || array->ops->free == nullptr) {
            return array;
        }
        const Ops* ops = array->ops;
        if (ops->elem_destroy != nullptr) {
            // Every reserved element was initialised, whatever data_size says.
            for (std::size_t i = 0; i < array->data_capacity; ++i) {
                ops->elem_destroy(ops, array->data + i);
            }
        }
        ops->free(ops, array->data);
        ops->free(ops, array->dim);
        ops->free(ops, array);
        return nullptr;
    }

    // Column-major, subscript 0 fastest; only the first min(k, dim_size)
    // subscripts take part.  Unsigned arithmetic, wrapping, unchecked.  A
    // record claiming more lengths than its dimension store holds has none
    // that can be read, like one without a store.
    template <std::size_t K>
    static std::size_t sub2ind(const Record* array, const std::array<std::size_t, K>& subs) noexcept {
        if (array == nullptr || array->dim == nullptr || array->dim_size == 0 ||
            array->dim_size > array->dim_capacity) {
            return 0;
        }
        const std::size_t used = std::min(K, array->dim_size);
        std::size_t index = subs[used - 1];
        for (std::size_t j = used - 1; j > 0; --j) {
            index = index * array->dim[j - 1] + subs[j - 1];
        }
        return index;
    }

    static int set_element(Record* array, const Elem* source, std::size_t index) noexcept {
        if (!accessible(array, index) || source == nullptr) {
            return 1;
        }
        array->ops->elem_copy(array->ops, array->data + index, source);
        return 0;
    }

    static int get_element(const Record* array, Elem* destination, std::size_t index) noexcept {
        if (!accessible(array, index) || destination == nullptr) {
            return 1;
        }
        array->ops->elem_copy(array->ops, destination, array->data + index);
        return 0;
    }

private:
    // A store of n elements of the given size holding the old store's
    // contents, or null when the record may not be grown (owner set, no
    // table), the byte count does not fit in size_t, or allocation fails.
    static void* grow(const Record* array, void* store, std::size_t n, std::size_t size) noexcept {
        const Ops* ops = array->ops;
        if (array->owner != 0 || ops == nullptr || ops->realloc == nullptr ||
            n > std::numeric_limits<std::size_t>::max() / size) {
            return nullptr;
        }
        return ops->realloc(ops, store, n * size);
    }

    // Indices are bounded by data_size; a record whose data_size claims more
    // than was reserved is refused rather than read past its store.
    static bool accessible(const Record* array, std::size_t index) noexcept {
        return array != nullptr && array->ops != nullptr && array->ops->elem_copy != nullptr &&
               array->data != nullptr && index < array->data_size && index < array->data_capacity;
    }
};

#endif
