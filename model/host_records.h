// What the model may use of an array record the host passes in.  A record's
// fields can disagree with each other; these bounds are the only way any
// operation reads its lengths or its store.
#ifndef ZEB_FIR_MODEL_HOST_RECORDS_H
#define ZEB_FIR_MODEL_HOST_RECORDS_H

#include <cstddef>

// True when the dim_size lengths can be read: they lie within the dimension
// store (a record without lengths has none to read).
template <typename Record>
bool lengths_held(const Record& r) {
    return r.dim_size == 0 || (r.dim != nullptr && r.dim_size <= r.dim_capacity);
}

// Elements that may be read: what the record claims to hold, never more than
// its store has room for.
template <typename Record>
std::size_t readable_elements(const Record& r) {
    if (r.data == nullptr) return 0;
    return r.data_size < r.data_capacity ? r.data_size : r.data_capacity;
}

// Elements that may be written: the room of a store that exists.
template <typename Record>
std::size_t writable_elements(const Record& r) {
    return r.data == nullptr ? 0 : r.data_capacity;
}

#endif
