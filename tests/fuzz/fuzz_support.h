// Shared pieces of the libFuzzer targets: the failure trap, values, elements
// and configuration records drawn from the input, owned host records of drawn
// shapes, and the checks made after every call.
#ifndef ZEB_FIR_TESTS_FUZZ_FUZZ_SUPPORT_H
#define ZEB_FIR_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "array_families.h"

// A violated check aborts, so that libFuzzer reports the input that did it.
#define FUZZ_CHECK(cond) ((cond) ? (void)0 : fuzz_fail(#cond, __FILE__, __LINE__))

[[noreturn]] inline void fuzz_fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, what);
    std::abort();
}

inline int checked(int status) { return FUZZ_CHECK(status == 0 || status == 1), status; }

// Every message must be a readable text with a 0/1 flag.
inline void fuzz_message(void*, int error, const char* msg) {
    FUZZ_CHECK((error == 0 || error == 1) && msg != nullptr && std::strlen(msg) < (1u << 16));
}

// Doubles are compared by their bits, so that a NaN would show as a change.
template <typename E>
bool same(const E& a, const E& b) {
    if constexpr (std::is_same_v<E, __mpz_struct>) return mpz_cmp(&a, &b) == 0;
    else if constexpr (std::is_same_v<E, zeb_mpz_complex>) return mpz_cmp(a.re, b.re) == 0 && mpz_cmp(a.im, b.im) == 0;
    else return std::memcmp(&a, &b, sizeof a) == 0;
}

// A value over the whole double range, its largest magnitudes included.
// Non-finite values, which the model must refuse, come only when allowed.
inline double draw_value(FuzzedDataProvider& in, bool finite_only = false) {
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
        case 0: return 0.0;
        case 1: return finite_only ? 1.0 : std::nan("");
        case 2: return finite_only ? -1.0 : in.ConsumeBool() ? HUGE_VAL : -HUGE_VAL;
        case 3: return in.ConsumeBool() ? DBL_MAX : -DBL_MAX;
        case 4: case 5: case 6: return in.ConsumeIntegralInRange<int>(-8, 8);
        case 7: return std::ldexp(in.ConsumeIntegral<int32_t>(), in.ConsumeIntegralInRange<int>(-1100, 990));
        default: return std::ldexp(in.ConsumeIntegral<int32_t>(), in.ConsumeIntegralInRange<int>(-40, 8));
    }
}

template <typename E>
void draw(FuzzedDataProvider& in, E& e) {
    if constexpr (std::is_same_v<E, __mpz_struct>)
        mpz_set_si(&e, in.ConsumeIntegral<long>()), mpz_mul_2exp(&e, &e, in.ConsumeIntegralInRange<unsigned>(0, 200));
    else if constexpr (std::is_same_v<E, zeb_mpz_complex>) draw(in, *e.re), draw(in, *e.im);
    else if constexpr (std::is_same_v<E, zeb_complex>) e = {draw_value(in), draw_value(in)};
    else if constexpr (std::is_same_v<E, double>) e = draw_value(in);
    else e = in.ConsumeIntegral<E>();
}

// A channel pattern: mostly one of those the tables give for the channel
// count (0: none asked for), else any from -1 to 176, or (hostile) any at all.
inline int32_t draw_pattern(FuzzedDataProvider& in, unsigned channels, bool hostile) {
    const int k = in.ConsumeIntegralInRange<int>(0, 3);
    if (k > 0 && channels > 0 && channels <= 64)
        return in.ConsumeIntegralInRange(zeb_fir_v7_1_pattern_min[channels], zeb_fir_v7_1_pattern_max[channels]);
    return hostile && k == 0 ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(-1, 176);
}

// A configuration record.  Tame: every filter kind, in sizes that keep a
// stream of packets fast.  Hostile: every field over its range, now and then
// just beyond it or any 32-bit value; the coefficients stay as many as the
// record says, since the model reads that many.
inline void draw_config(FuzzedDataProvider& in, zeb_fir_v7_1_config& c, std::vector<double>& coeff, bool hostile) {
    static const unsigned kChannels[] = {1, 2, 3, 4, 5, 6, 8, 12, 16, 24, 32, 48, 64, 65, 255, 256, 512, 1024};
    auto f = [&](unsigned lo, unsigned tame, unsigned wide) {
        if (!hostile) return in.ConsumeIntegralInRange(lo, tame);
        const int k = in.ConsumeIntegralInRange<int>(0, 31);
        return k == 0 ? in.ConsumeIntegral<unsigned>() : k == 1 ? wide + 1 : in.ConsumeIntegralInRange(0u, wide);
    };
    using C = zeb_fir_v7_1_config;
    static const struct { int C::*field; unsigned tame; } kChoices[] = {
        {&C::filter_type, 4}, {&C::rate_change, 1}, {&C::quantization, 2},
        {&C::chan_seq, 1},    {&C::config_method, 1}, {&C::output_rounding_mode, 7}};
    static const struct { unsigned C::*field; unsigned lo, tame, wide; } kCounts[] = {
        {&C::interpolation_rate, 0, 7, 1024}, {&C::decimation_rate, 0, 7, 1024}, {&C::zero_packing_factor, 0, 4, 8},
        {&C::reloadable, 0, 1, 1},            {&C::is_halfband, 0, 1, 1},        {&C::coeff_width, 1, 49, 49},
        {&C::num_paths, 1, 3, 16},            {&C::data_width, 1, 49, 49},       {&C::output_width, 0, 60, 128},
        {&C::coeff_fract_width, 0, 24, 64},   {&C::coeff_padding, 0, 3, 64}};
    zeb_fir_v7_1_default_config(&c);
    for (const auto& d : kChoices) c.*d.field = int(f(0, d.tame, d.tame));
    for (const auto& d : kCounts) c.*d.field = f(d.lo, d.tame, d.wide);
    c.data_fract_width = f(0, c.data_width, c.data_width);
    if (hostile && in.ConsumeBool()) c.coeff_padding = f(0, 0, 65536);
    if (hostile) c.output_fract_width = in.ConsumeIntegral<unsigned>();
    const bool any = hostile && in.ConsumeBool();
    c.num_channels = any ? f(0, 0, 1024) : kChannels[in.ConsumeIntegralInRange<size_t>(0, hostile ? 17 : 8)];
    c.init_pattern = draw_pattern(in, c.chan_seq ? c.num_channels : 0, hostile);
    c.num_coeffs = in.ConsumeIntegralInRange<unsigned>(hostile ? 0 : 1, hostile ? 256 : 24);
    c.coeff_sets = in.ConsumeIntegralInRange<unsigned>(hostile ? 0 : 1, hostile ? 16 : 3);
    coeff.resize(size_t(c.num_coeffs) * c.coeff_sets);
    const bool finite_only = !hostile || in.ConsumeIntegralInRange<int>(0, 7) != 0;
    for (double& v : coeff) v = draw_value(in, finite_only);
    c.coeff = hostile && in.ConsumeIntegralInRange<int>(0, 31) == 0 ? nullptr : coeff.data();
}

// A host record, destroyed through its own table (owner cleared first: the
// host marked it, the host frees it).
struct Destroy {
    template <typename R>
    void operator()(R* r) const {
        r->owner = 0, r->data_capacity = r->data ? r->data_capacity : 0;  // (a null store's claim the host made up)
        FUZZ_CHECK(zeb_records::Family<R>::destroy(r) == nullptr);
    }
};
template <typename R>
using Rec = std::unique_ptr<R, Destroy>;

struct Shape {
    size_t dim[4] = {1, 1, 1, 1}, dim_size = 0, dim_capacity = 0, data_capacity = 0, data_size = 0;
    bool owner = false, null_store = false;
};

// Lengths mostly as expected, sometimes off by a little or of another rank;
// capacities (at most max_elements) and data_size around what the lengths
// promise, and now and then fields that disagree: more lengths than slots,
// a data_size beyond the store, a null store that claims room.
inline Shape draw_shape(FuzzedDataProvider& in, std::initializer_list<size_t> expected, size_t max_elements) {
    Shape s;
    s.dim_size = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegralInRange<size_t>(0, 4) : expected.size();
    size_t promised = s.dim_size > 0;
    for (size_t i = 0; i < 4; ++i) {
        const size_t want = i < expected.size() ? expected.begin()[i] : 1;
        s.dim[i] = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? in.ConsumeIntegralInRange<size_t>(0, want + 2) : want;
        promised *= i < s.dim_size ? s.dim[i] : 1;
    }
    s.dim_capacity = s.dim_size + in.ConsumeBool() - (s.dim_size > 0 && in.ConsumeIntegralInRange<int>(0, 15) == 0);
    const size_t short_by = promised > 0 && in.ConsumeBool();
    s.data_capacity = in.ConsumeBool() ? promised - short_by : in.ConsumeIntegralInRange<size_t>(0, max_elements);
    s.data_capacity = std::min(s.data_capacity, max_elements);
    s.data_size = in.ConsumeBool() ? promised : in.ConsumeIntegralInRange<size_t>(0, s.data_capacity + 2);
    s.owner = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    s.null_store = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    return s;
}

// A record of the shape through the built-in table, every element zero, so
// that twins built from one shape are equal.  Only plain elements get a null
// store that claims room: a GMP store exists wherever a capacity says so.
template <typename R, typename F = zeb_records::Family<R>>
Rec<R> build(const Shape& s) {
    Rec<R> r(F::create());
    FUZZ_CHECK(r != nullptr && F::reserve_dim(r.get(), s.dim_capacity) == 0);
    std::copy(s.dim, s.dim + std::min<size_t>(s.dim_capacity, 4), r->dim);
    constexpr bool plain = std::is_arithmetic_v<typename F::Elem> || std::is_same_v<typename F::Elem, zeb_complex>;
    if (plain && s.null_store) r->data_capacity = s.data_capacity;
    else FUZZ_CHECK(F::reserve_data(r.get(), s.data_capacity) == 0);
    if (plain && r->data != nullptr) std::memset(r->data, 0, r->data_capacity * sizeof *r->data);
    r->dim_size = s.dim_size, r->data_size = s.data_size, r->owner = s.owner;
    return r;
}

// What no call may do to a host record: let a count it set exceed its store,
// shrink a store, or touch the stores of a record marked owner (b: its
// fields before the call).  Output sizing alone may announce a data_size the
// host is to reserve.
template <typename R>
void check_record(const R* r, const R& b, bool sizing = false) {
    FUZZ_CHECK(sizing || r->data_size <= r->data_capacity ||
               (r->data_size == b.data_size && b.data_size > b.data_capacity));
    FUZZ_CHECK(r->dim_size <= r->dim_capacity || (r->dim_size == b.dim_size && b.dim_size > b.dim_capacity));
    FUZZ_CHECK(r->data_capacity >= b.data_capacity && r->dim_capacity >= b.dim_capacity && r->owner == b.owner);
    FUZZ_CHECK(b.owner == 0 || (r->data == b.data && r->data_capacity == b.data_capacity));
    FUZZ_CHECK(b.owner == 0 || (r->dim == b.dim && r->dim_capacity == b.dim_capacity));
}

// Two records hold the same lengths and the same elements in use.
template <typename R>
bool same_record(const R* a, const R* b) {
    bool equal = a->data_size == b->data_size && a->dim_size == b->dim_size && !a->data == !b->data;
    for (size_t i = 0; equal && i < std::min(a->dim_size, a->dim_capacity); ++i) equal = a->dim[i] == b->dim[i];
    const size_t n = a->data == nullptr ? 0 : std::min(a->data_size, a->data_capacity);
    for (size_t i = 0; equal && i < n; ++i) equal = same(a->data[i], b->data[i]);
    return equal;
}

#endif
