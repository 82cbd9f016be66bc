// Array records of all seven element types through their C functions and
// operations tables, and the channel views that place one channel's samples
// in a (path, slot, vector) record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "array_families.h"
#include "zeb_fir_v7_1.h"

namespace {

const void* addr(const void* p) { return p; }  // GMP elements have no printer in a host-only link

// A small test value in an element of any type, and back (-999: not one).
template <typename E>
void set(E& e, long v) {
    if constexpr (std::is_same<E, __mpz_struct>::value) {
        mpz_set_si(&e, v);
    } else if constexpr (std::is_same<E, zeb_mpz_complex>::value) {
        mpz_set_si(e.re, v), mpz_set_si(e.im, -v);
    } else if constexpr (std::is_same<E, zeb_complex>::value) {
        e = {double(v), double(-v)};
    } else {
        e = static_cast<E>(v);
    }
}
template <typename E>
long get(const E& e) {
    if constexpr (std::is_same<E, __mpz_struct>::value) {
        return mpz_get_si(&e);
    } else if constexpr (std::is_same<E, zeb_mpz_complex>::value) {
        return mpz_get_si(e.im) == -mpz_get_si(e.re) ? mpz_get_si(e.re) : -999;
    } else if constexpr (std::is_same<E, zeb_complex>::value) {
        return e.im == -e.re ? long(e.re) : -999;
    } else {
        return static_cast<long>(e);
    }
}

using Family_bit = ArrayFamily<zeb_array_bit>;
using Family_real = ArrayFamily<zeb_array_real>;
using Family_complex = ArrayFamily<zeb_array_complex>;
using Family_uint = ArrayFamily<zeb_array_uint>;
using Family_uint32 = ArrayFamily<zeb_array_uint32>;
using Family_mpz = ArrayFamily<zeb_array_mpz>;
using Family_mpz_complex = ArrayFamily<zeb_array_mpz_complex>;

template <typename F>
struct ArrayFamilies : testing::Test {};
using AllFamilies = testing::Types<Family_bit, Family_real, Family_complex, Family_uint, Family_uint32, Family_mpz,
                                   Family_mpz_complex>;
TYPED_TEST_SUITE(ArrayFamilies, AllFamilies);

}  // namespace

TYPED_TEST(ArrayFamilies, ReserveGrowsExactlyAndNeverARecordItMayNotGrow) {
    using F = TypeParam;
    EXPECT_EQ(F::create_ex(nullptr), nullptr);
    typename F::Record* a = F::create();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->data_size + a->data_capacity + a->dim_size + a->dim_capacity + static_cast<size_t>(a->owner), 0u);
    EXPECT_EQ(F::reserve_data(a, 5) + F::reserve_dim(a, 3), 0);
    EXPECT_EQ(a->data_capacity * 10 + a->dim_capacity, 53u);  // no rounding up
    const auto* data = a->data;
    const auto* ops = a->ops;
    a->owner = 1;  // large enough already: 0 even when the record may not be grown
    EXPECT_EQ(F::reserve_data(a, 5) + F::reserve_data(a, 2) + F::reserve_dim(a, 3), 0);
    EXPECT_EQ(F::reserve_data(a, 6) + F::reserve_dim(a, 4), 2);
    EXPECT_EQ(F::destroy(a), a) << "an owned record is not freed";
    a->owner = 0, a->ops = nullptr;
    EXPECT_EQ(F::reserve_data(a, 6), 1);
    EXPECT_EQ(F::destroy(a), a) << "no table to free through";
    a->ops = ops;
    // A byte count beyond size_t is refused (one-byte elements only fail in realloc).
    EXPECT_EQ(F::reserve_data(a, sizeof(typename F::Elem) > 1 ? SIZE_MAX / 2 + 1 : 5) + F::reserve_dim(a, SIZE_MAX / 2),
              sizeof(typename F::Elem) > 1 ? 2 : 1);
    EXPECT_EQ(addr(a->data), addr(data));
    EXPECT_EQ(a->data_capacity * 10 + a->dim_capacity, 53u);
    EXPECT_EQ(F::reserve_data(nullptr, 1) + F::reserve_dim(nullptr, 1), 2);
    EXPECT_EQ(F::destroy(a), nullptr);
    EXPECT_EQ(F::destroy(nullptr), nullptr);
}

TYPED_TEST(ArrayFamilies, ElementsAreBoundedByDataSizeAndSub2IndIsColumnMajor) {
    using F = TypeParam;
    typename F::Record* a = F::create();
    ASSERT_EQ(F::reserve_data(a, 4), 0);
    typename F::Elem e, f;
    F::ops_create(nullptr, &e), F::ops_create(nullptr, &f);  // the built-in element operations
    EXPECT_EQ(F::set_element(a, &e, 0), 1) << "data_size still 0";
    a->data_size = 3;
    for (long i = 0; i < 3; ++i) {
        set(e, 10 + i);
        EXPECT_EQ(F::set_element(a, &e, static_cast<size_t>(i)), 0);
    }
    for (long i = 0; i < 3; ++i) {
        EXPECT_EQ(F::get_element(a, &e, static_cast<size_t>(i)), 0);
        EXPECT_EQ(get(e), 10 + i);
    }
    EXPECT_EQ(F::set_element(a, &e, 3) + F::get_element(a, &e, 3), 2) << "index equal to data_size";
    EXPECT_EQ(F::get_element(nullptr, &e, 0) + F::set_element(nullptr, &e, 0), 2);
    EXPECT_EQ(F::get_element(a, nullptr, 0) + F::set_element(a, nullptr, 0), 2);
    a->data_size = 9;  // beyond what was reserved: refused rather than read past the store
    EXPECT_EQ(F::get_element(a, &e, 5), 1);
    set(e, 3), set(f, 5);
    F::ops_swap(nullptr, &e, &f);
    EXPECT_EQ(get(e) * 10 + get(f), 53);
    F::ops_copy(nullptr, &e, &f);
    EXPECT_EQ(get(e), 3);
    F::ops_destroy(nullptr, &e), F::ops_destroy(nullptr, &f);
    // Subscript 0 fastest, over the first min(k, dim_size) subscripts; unchecked.
    ASSERT_EQ(F::reserve_dim(a, 4), 0);
    const size_t dims[] = {3, 4, 5, 7};
    std::memcpy(a->dim, dims, sizeof dims);
    EXPECT_EQ(F::sub2ind_3d(a, 1, 2, 3), 0u) << "no dimension in use";
    a->dim_size = 3;
    EXPECT_EQ(F::sub2ind_3d(a, 1, 2, 3), 43u);
    EXPECT_EQ(F::sub2ind_4d(a, 1, 2, 3, 9), 43u);
    EXPECT_EQ(F::sub2ind_2d(a, 1, 2) * 10 + F::sub2ind_1d(a, 8), 78u);
    a->dim_size = 4;
    EXPECT_EQ(F::sub2ind_4d(a, 1, 2, 3, 4), 1u + 3 * (2 + 4 * (3 + 5 * 4)));
    EXPECT_EQ(F::sub2ind_2d(a, 10, SIZE_MAX), size_t(10) + SIZE_MAX * size_t(3));  // wrapping
    EXPECT_EQ(F::sub2ind_1d(nullptr, 5), 0u);
    EXPECT_EQ(F::destroy(a), nullptr);
    // More lengths claimed than dimension slots held: none is read.
    typename F::Record* b = F::create();
    ASSERT_EQ(F::reserve_dim(b, 1), 0);
    b->dim[0] = 3;
    b->dim_size = 3;
    EXPECT_EQ(F::sub2ind_3d(b, 1, 2, 3), 0u) << "lengths beyond the dimension store";
    EXPECT_EQ(F::destroy(b), nullptr);
}

// A host table for GMP records that records which elements it initialises
// and clears, and can refuse to allocate.
struct Journal {
    std::vector<const void*> created, destroyed;
    bool fail = false;
    zeb_array_mpz_operations ops{
        [](const zeb_array_mpz_operations* o, void* p, size_t n) { return of(o).fail ? nullptr : std::realloc(p, n); },
        zeb_fir_v7_1_zeb_array_mpz_ops_free,
        [](const zeb_array_mpz_operations* o, mpz_ptr e) { of(o).created.push_back(e), mpz_init(e); },
        zeb_fir_v7_1_zeb_array_mpz_ops_elem_copy, zeb_fir_v7_1_zeb_array_mpz_ops_elem_swap,
        [](const zeb_array_mpz_operations* o, mpz_ptr e) { of(o).destroyed.push_back(e), mpz_clear(e); }, this};
    static Journal& of(const zeb_array_mpz_operations* o) { return *static_cast<Journal*>(o->context); }
};

TEST(ArrayHostTable, GrowthInitialisesOnlyNewElementsAndDestroyClearsTheCapacity) {
    Journal j;
    zeb_array_mpz* a = zeb_fir_v7_1_zeb_array_mpz_create_ex(&j.ops);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_data(a, 3), 0);
    a->data_size = 3;
    mpz_t value;
    mpz_init_set_si(value, -123456789);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_set_element(a, value, 2), 0);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_data(a, 5), 0);
    EXPECT_EQ(j.created.size(), 5u);
    EXPECT_EQ(j.created[3], addr(a->data + 3));
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_get_element(a, value, 2), 0);
    EXPECT_EQ(mpz_get_si(value), -123456789) << "existing elements are moved, not re-created";
    mpz_clear(value);
    const zeb_array_mpz before = *a;  // a failed growth changes nothing
    j.fail = true;
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_data(a, 10) + zeb_fir_v7_1_zeb_array_mpz_reserve_dim(a, 4), 2);
    EXPECT_EQ(std::memcmp(&before, a, sizeof before), 0);
    j.fail = false;
    const std::vector<const void*> all = {a->data, a->data + 1, a->data + 2, a->data + 3, a->data + 4};
    a->data_size = 1;  // the capacity, not data_size, decides what is cleared
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_destroy(a), nullptr);
    EXPECT_EQ(j.destroyed, all);
}

// ---------------------------------------------------------------- channel views

namespace {

constexpr zeb_fir_v7_1_pattern kBasic = ZEB_FIR_V7_1_PATTERN_BASIC;

// A record built by hand around host memory: three dimension slots, element i
// holding i.
struct Packet {
    std::vector<size_t> dims = std::vector<size_t>(3, 0);
    std::vector<double> store;
    zeb_array_real rec{};
    Packet(std::vector<size_t> lengths, size_t capacity, size_t size) : store(capacity) {
        for (size_t i = 0; i < capacity; ++i) store[i] = static_cast<double>(i);
        std::copy(lengths.begin(), lengths.end(), dims.begin());
        rec.data = store.data(), rec.data_size = size, rec.data_capacity = capacity;
        rec.dim = dims.data(), rec.dim_size = lengths.size(), rec.dim_capacity = 3;
    }
    double read(size_t path, size_t chan, size_t index, zeb_fir_v7_1_pattern pattern) {
        double v = -1.0;
        EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(&rec, &v, path, chan, index, pattern), ZEB_STATUS_OK)
            << path << " " << chan << " " << index << " " << pattern;
        return v;
    }
};

}  // namespace

TEST(ChannelViews, WorkedPositions) {
    Packet pk({2, 4, 3}, 24, 24);
    EXPECT_EQ(pk.read(1, 2, 2, kBasic), 21.0);
    EXPECT_EQ(pk.read(0, 0, 3, 3), 12.0);  // pattern 3 (0 1 0 2): channel 0's 4th sample, vector 1, slot 2
    EXPECT_EQ(pk.read(1, 2, 0, 3), 7.0);
    EXPECT_EQ(pk.read(0, 1, 0, 24), 4.0);  // pattern 24 (0 2 1 3 ...): channel 1's first slot (2) fits four slots
    Packet flat({2, 4}, 8, 8);
    EXPECT_EQ(flat.read(0, 0, 1, 1), 4.0);  // pattern 1 (0 1 0 1): two samples of channel 0 per vector
}

TEST(ChannelViews, RefusalsLeaveTheRecordAsItWas) {
    struct Refusal {
        const char* cause;
        std::vector<size_t> lengths;
        size_t capacity, size, path, chan, index;
        zeb_fir_v7_1_pattern pattern;
        bool reader_refuses, writer_refuses;
        std::function<void(zeb_array_real&)> spoil;
    };
    const Refusal cases[] = {
        {"four dimensions", {2, 4, 3}, 24, 24, 0, 0, 0, kBasic, true, true, [](auto& r) { r.dim_size = 4; }},
        {"channel at dim[1]", {2, 4, 3}, 24, 24, 0, 4, 0, kBasic, true, true, nullptr},
        {"channel the pattern lacks", {2, 4, 3}, 24, 24, 0, 2, 0, 2, true, true, nullptr},
        {"pattern slot past dim[1]", {1, 4, 2}, 8, 8, 0, 1, 1, 24, true, true, nullptr},
        {"vector past data_size", {2, 4, 3}, 24, 16, 0, 0, 2, kBasic, true, false, nullptr},
        {"second vector of a 2-D record", {2, 4}, 24, 24, 0, 0, 1, kBasic, true, true, nullptr},
        {"lengths promise more than capacity", {2, 4, 10}, 24, 24, 0, 0, 0, kBasic, false, true, nullptr},
        {"paths times slots overflows", {SIZE_MAX / 2 + 1, 4, 1}, 24, 24, 0, 0, 0, kBasic, true, true, nullptr},
    };
    for (const Refusal& c : cases) {
        Packet pk(c.lengths, c.capacity, c.size);
        if (c.spoil) c.spoil(pk.rec);
        const zeb_array_real before = pk.rec;
        const std::vector<size_t> dims = pk.dims;
        double v = -1.0;
        EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(&pk.rec, &v, c.path, c.chan, c.index, c.pattern),
                  c.reader_refuses ? ZEB_STATUS_ERROR : ZEB_STATUS_OK) << c.cause;
        if (c.reader_refuses) { EXPECT_EQ(v, -1.0) << c.cause; }
        if (!c.writer_refuses) continue;
        EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, 99.0, c.path, c.chan, c.index, c.pattern), 1)
            << c.cause;
        EXPECT_EQ(std::memcmp(&before, &pk.rec, sizeof before), 0) << c.cause;
        EXPECT_EQ(pk.dims, dims) << c.cause;
        for (size_t i = 0; i < pk.store.size(); ++i) ASSERT_EQ(pk.store[i], static_cast<double>(i)) << c.cause;
    }
}

// Every sample written through the writer reads back through the reader,
// and lands where the pattern's sequence row puts it: each element once.
TEST(ChannelViews, WriteThenReadOverWholeRecordsOfManyPatterns) {
    const std::pair<zeb_fir_v7_1_pattern, size_t> cases[] = {{kBasic, 8}, {0, 4},    {3, 4},    {12, 6},
                                                            {24, 8},     {45, 12}, {72, 16},  {77, 24},
                                                            {98, 24},    {118, 32}, {144, 48}, {167, 64}};
    const size_t paths = 2, vectors = 3;
    for (const auto& k : cases) {
        const size_t C = k.second, total = paths * C * vectors;
        Packet pk({paths, C, 0}, total, 0);
        std::vector<std::vector<size_t>> slots(C);
        for (size_t s = 0; s < C; ++s)
            slots[k.first == kBasic ? s : static_cast<size_t>(zeb_fir_v7_1_pattern_seq[k.first * 64 + s])].push_back(s);
        std::vector<int> written(total, 0);
        for (size_t c = 0; c < C && !slots[c].empty(); ++c)
            for (size_t p = 0; p < paths; ++p) {
                const size_t n = slots[c].size();
                for (size_t i = 0; i <= n * vectors; ++i) {
                    const double value = static_cast<double>((c * paths + p) * 1000 + i);
                    const zeb_status status = zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, value, p, c, i, k.first);
                    ASSERT_EQ(status, i == n * vectors ? 1 : 0) << k.first << " " << c << " " << i;
                    if (status != ZEB_STATUS_OK) break;
                    const size_t element = p + paths * slots[c][i % n] + paths * C * (i / n);
                    ASSERT_EQ(pk.store[element], value) << "pattern " << k.first << " chan " << c;
                    ++written[element];
                    ASSERT_EQ(pk.read(p, c, i, k.first), value);
                }
            }
        EXPECT_EQ(written, std::vector<int>(total, 1)) << "pattern " << k.first;
        EXPECT_EQ(pk.dims[2] * 1000 + pk.rec.data_size, vectors * 1000 + total);
    }
}
