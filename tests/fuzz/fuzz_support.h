// Shared pieces of the libFuzzer targets: the failure trap, the seven array
// families behind one template, owned host records, the checks made after
// every call, and values drawn from the fuzz input.
#ifndef ZEB_FIR_TESTS_FUZZ_FUZZ_SUPPORT_H
#define ZEB_FIR_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <fuzzer/FuzzedDataProvider.h>
#include <gmp.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

#include "array_families.h"
#include "zeb_fir_v7_1.h"

// A violated check aborts, so that libFuzzer reports the input that did it.
#define FUZZ_CHECK(cond) ((cond) ? (void)0 : fuzz_fail(#cond, __FILE__, __LINE__))

[[noreturn]] inline void fuzz_fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, what);
    std::abort();
}

inline int checked(int status) {
    FUZZ_CHECK(status == 0 || status == 1);
    return status;
}

// Every message must be a readable text with a 0/1 flag.
inline void fuzz_message(void*, int error, const char* msg) {
    FUZZ_CHECK(error == 0 || error == 1);
    FUZZ_CHECK(msg != nullptr && std::strlen(msg) < (1u << 16));
}

// ---------------------------------------------------------------- views

// The channel views of the four sample families; set_chan takes the sample
// by pointer here so that one call shape fits them all.
inline zeb_status view_get(const zeb_array_real* a, double* s, size_t p, size_t c, size_t i, int32_t pat) {
    return zeb_fir_v7_1_zeb_array_real_get_chan(a, s, p, c, i, pat);
}
inline zeb_status view_set(zeb_array_real* a, const double* s, size_t p, size_t c, size_t i, int32_t pat) {
    return zeb_fir_v7_1_zeb_array_real_set_chan(a, *s, p, c, i, pat);
}
inline zeb_status view_get(const zeb_array_complex* a, zeb_complex* s, size_t p, size_t c, size_t i, int32_t pat) {
    return zeb_fir_v7_1_zeb_array_complex_get_chan(a, s, p, c, i, pat);
}
inline zeb_status view_set(zeb_array_complex* a, const zeb_complex* s, size_t p, size_t c, size_t i, int32_t pat) {
    return zeb_fir_v7_1_zeb_array_complex_set_chan(a, *s, p, c, i, pat);
}
inline zeb_status view_get(const zeb_array_mpz* a, mpz_ptr s, size_t p, size_t c, size_t i, int32_t pat) {
    return zeb_fir_v7_1_zeb_array_mpz_get_chan(a, s, p, c, i, pat);
}
inline zeb_status view_set(zeb_array_mpz* a, mpz_srcptr s, size_t p, size_t c, size_t i, int32_t pat) {
    return zeb_fir_v7_1_zeb_array_mpz_set_chan(a, s, p, c, i, pat);
}
inline zeb_status view_get(const zeb_array_mpz_complex* a, zeb_mpz_complex* s, size_t p, size_t c, size_t i,
                           int32_t pat) {
    return zeb_fir_v7_1_zeb_array_mpz_complex_get_chan(a, s, p, c, i, pat);
}
inline zeb_status view_set(zeb_array_mpz_complex* a, const zeb_mpz_complex* s, size_t p, size_t c, size_t i,
                           int32_t pat) {
    return zeb_fir_v7_1_zeb_array_mpz_complex_set_chan(a, *s, p, c, i, pat);
}

// ---------------------------------------------------------------- elements

// One element of a family, initialised for the GMP types.
template <typename E>
struct Element {
    E value{};
    E* get() { return &value; }
};
template <>
struct Element<__mpz_struct> {
    mpz_t value;
    Element() { mpz_init(value); }
    ~Element() { mpz_clear(value); }
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;
    __mpz_struct* get() { return value; }
};
template <>
struct Element<zeb_mpz_complex> {
    zeb_mpz_complex value;
    Element() {
        mpz_init(value.re);
        mpz_init(value.im);
    }
    ~Element() {
        mpz_clear(value.re);
        mpz_clear(value.im);
    }
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;
    zeb_mpz_complex* get() { return &value; }
};

// Doubles are compared by their bits, so that a NaN would show as a change.
inline bool same(const double& a, const double& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool same(const zeb_complex& a, const zeb_complex& b) { return same(a.re, b.re) && same(a.im, b.im); }
inline bool same(const uint8_t& a, const uint8_t& b) { return a == b; }
inline bool same(const unsigned& a, const unsigned& b) { return a == b; }
inline bool same(const __mpz_struct& a, const __mpz_struct& b) { return mpz_cmp(&a, &b) == 0; }
inline bool same(const zeb_mpz_complex& a, const zeb_mpz_complex& b) {
    return mpz_cmp(a.re, b.re) == 0 && mpz_cmp(a.im, b.im) == 0;
}

// A value over the whole double range, its largest magnitudes included.
// Non-finite values, which the model must refuse, come only when allowed and
// then rarely.
inline double draw_value(FuzzedDataProvider& in, bool finite_only = false) {
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
        case 0: return 0.0;
        case 1: return finite_only ? 1.0 : std::numeric_limits<double>::quiet_NaN();
        case 2: return finite_only ? -1.0 : in.ConsumeBool() ? HUGE_VAL : -HUGE_VAL;
        case 3: case 4: case 5: return in.ConsumeIntegralInRange<int>(-8, 8);
        case 6: return std::ldexp(in.ConsumeIntegral<int32_t>(), in.ConsumeIntegralInRange<int>(-1100, 990));
        case 7: return in.ConsumeBool() ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
        default: return std::ldexp(in.ConsumeIntegral<int32_t>(), in.ConsumeIntegralInRange<int>(-40, 8));
    }
}

inline void draw(FuzzedDataProvider& in, double& e) { e = draw_value(in); }
inline void draw(FuzzedDataProvider& in, zeb_complex& e) {
    e.re = draw_value(in);
    e.im = draw_value(in);
}
inline void draw(FuzzedDataProvider& in, uint8_t& e) { e = in.ConsumeIntegral<uint8_t>(); }
inline void draw(FuzzedDataProvider& in, unsigned& e) { e = in.ConsumeIntegral<unsigned>(); }
inline void draw(FuzzedDataProvider& in, __mpz_struct& e) {
    mpz_set_si(&e, in.ConsumeIntegral<long>());
    mpz_mul_2exp(&e, &e, in.ConsumeIntegralInRange<unsigned>(0, 200));
}
inline void draw(FuzzedDataProvider& in, zeb_mpz_complex& e) {
    draw(in, *e.re);
    draw(in, *e.im);
}

// ---------------------------------------------------------------- records

// A host record, destroyed through its own table at the end of its scope
// (with owner cleared first: the host marked it, the host frees it).
template <typename R>
class Rec {
public:
    explicit Rec(R* record = nullptr) : r(record) {}
    ~Rec() { reset(nullptr); }
    Rec(const Rec&) = delete;
    Rec& operator=(const Rec&) = delete;
    Rec(Rec&& other) noexcept : r(other.r) { other.r = nullptr; }
    Rec& operator=(Rec&& other) noexcept {
        if (this != &other) {
            reset(other.r);
            other.r = nullptr;
        }
        return *this;
    }
    R* get() const { return r; }
    R* operator->() const { return r; }
    R* release() {
        R* out = r;
        r = nullptr;
        return out;
    }
    void reset(R* next) {
        if (r != nullptr) {
            r->owner = 0;
            if (r->data == nullptr) r->data_capacity = 0;  // a claim the host made up
            FUZZ_CHECK(ArrayFamily<R>::destroy(r) == nullptr);
        }
        r = next;
    }

private:
    R* r;
};

// Elements a record's store really has (a null store may claim room).
template <typename R>
size_t room(const R* r) {
    return r->data == nullptr ? 0 : r->data_capacity;
}

// Shape of a host record: lengths, capacities, the owner flag, and whether
// a missing store claims room all the same.
struct Shape {
    size_t dim[4] = {0, 0, 0, 0};
    size_t dim_size = 0;
    size_t dim_capacity = 0;
    size_t data_capacity = 0;
    size_t data_size = 0;
    bool owner = false;
    bool null_store = false;
};

inline size_t product(const size_t* dim, size_t n) {
    size_t p = 1;
    for (size_t i = 0; i < n; ++i) p *= dim[i];
    return p;
}

// Lengths mostly as expected (a packet the model wants), sometimes off by a
// little or of another rank; capacities and data_size around what the
// lengths promise (capacities below max_elements), and now and then fields
// that disagree: more lengths than dimension slots, a data_size beyond the
// store, a null store that claims room.
inline Shape draw_shape(FuzzedDataProvider& in, const size_t* expected, size_t rank, size_t max_elements) {
    Shape s;
    s.dim_size = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegralInRange<size_t>(0, 4) : rank;
    for (size_t i = 0; i < 4; ++i) {
        const size_t want = i < rank ? expected[i] : 1;
        s.dim[i] = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegralInRange<size_t>(0, want + 2) : want;
    }
    s.dim_capacity = s.dim_size + in.ConsumeIntegralInRange<size_t>(0, 1);
    if (s.dim_size > 0 && in.ConsumeIntegralInRange<int>(0, 15) == 0) s.dim_capacity = s.dim_size - 1;
    const size_t promised = s.dim_size == 0 ? 0 : product(s.dim, s.dim_size);
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: s.data_capacity = in.ConsumeIntegralInRange<size_t>(0, max_elements); break;
        case 1: s.data_capacity = promised > 0 ? promised - 1 : 0; break;
        default: s.data_capacity = promised; break;
    }
    if (s.data_capacity > max_elements) s.data_capacity = max_elements;
    s.data_size = in.ConsumeBool() ? promised : in.ConsumeIntegralInRange<size_t>(0, s.data_capacity + 2);
    s.owner = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    s.null_store = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    return s;
}

// A record of the given shape through the built-in table, every element
// zero, so that twins built from one shape are equal.  A null store that
// claims room is made only for plain elements: a GMP store must exist
// wherever a capacity says elements were initialised.
template <typename R>
Rec<R> build(const Shape& s) {
    using F = ArrayFamily<R>;
    Rec<R> rec(F::create());
    FUZZ_CHECK(rec.get() != nullptr);
    FUZZ_CHECK(F::reserve_dim(rec.get(), s.dim_capacity) == 0);
    for (size_t i = 0; i < s.dim_capacity && i < 4; ++i) rec->dim[i] = s.dim[i];
    rec->dim_size = s.dim_size;
    rec->data_size = s.data_size;
    using E = typename F::Elem;
    if constexpr (!std::is_same_v<E, __mpz_struct> && !std::is_same_v<E, zeb_mpz_complex>) {
        if (s.null_store) {
            rec->data_capacity = s.data_capacity;
        } else {
            FUZZ_CHECK(F::reserve_data(rec.get(), s.data_capacity) == 0);
            if (s.data_capacity > 0) std::memset(rec->data, 0, s.data_capacity * sizeof *rec->data);
        }
    } else {
        FUZZ_CHECK(F::reserve_data(rec.get(), s.data_capacity) == 0);
    }
    rec->owner = s.owner ? 1 : 0;
    return rec;
}

// Field values of a record, taken before a call to judge what it changed.
struct Snapshot {
    const void* data;
    const void* dim;
    size_t data_size, data_capacity, dim_size, dim_capacity;
    int owner;
};

template <typename R>
Snapshot snapshot(const R* r) {
    return Snapshot{r->data, r->dim, r->data_size, r->data_capacity, r->dim_size, r->dim_capacity, r->owner};
}

// What no call may do to a host record: let a count it set exceed its
// store, shrink a store, or touch the stores of a record marked owner.
// Output sizing alone may announce a data_size the host is to reserve.
template <typename R>
void check_record(const R* r, const Snapshot& before, bool sizing = false) {
    FUZZ_CHECK(sizing || r->data_size <= r->data_capacity ||
               (r->data_size == before.data_size && before.data_size > before.data_capacity));
    FUZZ_CHECK(r->dim_size <= r->dim_capacity ||
               (r->dim_size == before.dim_size && before.dim_size > before.dim_capacity));
    FUZZ_CHECK(r->data_capacity >= before.data_capacity && r->dim_capacity >= before.dim_capacity);
    FUZZ_CHECK(r->owner == before.owner);
    if (before.owner != 0) {
        FUZZ_CHECK(r->data == before.data && r->data_capacity == before.data_capacity);
        FUZZ_CHECK(r->dim == before.dim && r->dim_capacity == before.dim_capacity);
    }
}

// Two records hold the same lengths and the same elements in use.
template <typename R>
bool same_record(const R* a, const R* b) {
    if (a->data_size != b->data_size || a->dim_size != b->dim_size) return false;
    for (size_t i = 0; i < a->dim_size && i < a->dim_capacity; ++i) {
        if (a->dim[i] != b->dim[i]) return false;
    }
    if ((a->data == nullptr) != (b->data == nullptr)) return false;
    const size_t n = a->data_size < room(a) ? a->data_size : room(a);
    for (size_t i = 0; i < n; ++i) {
        if (!same(a->data[i], b->data[i])) return false;
    }
    return true;
}

#endif
