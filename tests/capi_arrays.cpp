#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <string>
#include <vector>

#include "array_families.h"
#include "zeb_fir_v7_1.h"

namespace {

// GMP elements have no printer in a host-only link: compare addresses untyped.
inline const void* addr(const void* p) { return p; }

// ---------------------------------------------------------------- element helpers

// Puts a small test value into an element and reads it back, whatever the type.
template <typename Elem>
struct Value {
    static void init(Elem&) {}
    static void clear(Elem&) {}
    static void set(Elem& e, int v) { e = static_cast<Elem>(v); }
    static long get(const Elem& e) { return static_cast<long>(e); }
};
template <>
struct Value<zeb_complex> {
    static void init(zeb_complex&) {}
    static void clear(zeb_complex&) {}
    static void set(zeb_complex& e, int v) { e = {double(v), double(-v)}; }
    static long get(const zeb_complex& e) { return e.im == -e.re ? long(e.re) : -999; }
};
template <>
struct Value<__mpz_struct> {
    static void init(__mpz_struct& e) { mpz_init(&e); }
    static void clear(__mpz_struct& e) { mpz_clear(&e); }
    static void set(__mpz_struct& e, int v) { mpz_set_si(&e, v); }
    static long get(const __mpz_struct& e) { return mpz_get_si(&e); }
};
template <>
struct Value<zeb_mpz_complex> {
    static void init(zeb_mpz_complex& e) { mpz_init(e.re); mpz_init(e.im); }
    static void clear(zeb_mpz_complex& e) { mpz_clear(e.re); mpz_clear(e.im); }
    static void set(zeb_mpz_complex& e, int v) { mpz_set_si(e.re, v); mpz_set_si(e.im, -v); }
    static long get(const zeb_mpz_complex& e) {
        return mpz_get_si(e.im) == -mpz_get_si(e.re) ? mpz_get_si(e.re) : -999;
    }
};

using Family_bit = ArrayFamily<zeb_array_bit>;
using Family_real = ArrayFamily<zeb_array_real>;
using Family_complex = ArrayFamily<zeb_array_complex>;
using Family_uint = ArrayFamily<zeb_array_uint>;
using Family_uint32 = ArrayFamily<zeb_array_uint32>;
using Family_mpz = ArrayFamily<zeb_array_mpz>;
using Family_mpz_complex = ArrayFamily<zeb_array_mpz_complex>;

template <typename F>
struct ArrayFamilies : testing::Test {};
using AllFamilies = testing::Types<Family_bit, Family_real, Family_complex, Family_uint, Family_uint32,
                                   Family_mpz, Family_mpz_complex>;
TYPED_TEST_SUITE(ArrayFamilies, AllFamilies);

template <typename F>
void expect_empty(const typename F::Record* a) {
    EXPECT_EQ(addr(a->data), nullptr);
    EXPECT_EQ(a->data_size, 0u);
    EXPECT_EQ(a->data_capacity, 0u);
    EXPECT_EQ(a->dim, nullptr);
    EXPECT_EQ(a->dim_size, 0u);
    EXPECT_EQ(a->dim_capacity, 0u);
    EXPECT_EQ(a->owner, 0);
}

TYPED_TEST(ArrayFamilies, CreateGivesAnEmptyRecordAndNullTableGivesNull) {
    using F = TypeParam;
    EXPECT_EQ(F::create_ex(nullptr), nullptr);
    typename F::Record* a = F::create();
    ASSERT_NE(a, nullptr);
    expect_empty<F>(a);
    ASSERT_NE(a->ops, nullptr);
    EXPECT_EQ(a->ops->context, nullptr);
    const bool gmp = (a->ops->elem_create != nullptr);
    EXPECT_EQ(gmp, a->ops->elem_destroy != nullptr);
    EXPECT_EQ(F::destroy(a), nullptr);
    EXPECT_EQ(F::destroy(nullptr), nullptr);
}

TYPED_TEST(ArrayFamilies, ReserveIsExactAndAnsweredFirstFromCapacity) {
    using F = TypeParam;
    typename F::Record* a = F::create();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(F::reserve_data(a, 0), 0);
    EXPECT_EQ(addr(a->data), nullptr);
    EXPECT_EQ(F::reserve_data(a, 5), 0);
    EXPECT_EQ(a->data_capacity, 5u);  // no rounding up
    EXPECT_EQ(a->data_size, 0u);
    EXPECT_EQ(F::reserve_dim(a, 3), 0);
    EXPECT_EQ(a->dim_capacity, 3u);
    EXPECT_EQ(a->dim_size, 0u);

    // Large enough already: 0 even for a record that may not be grown.
    auto* data = a->data;
    a->owner = 1;
    EXPECT_EQ(F::reserve_data(a, 5), 0);
    EXPECT_EQ(F::reserve_data(a, 2), 0);
    EXPECT_EQ(F::reserve_dim(a, 3), 0);
    // Growing an owned record is refused and changes nothing.
    EXPECT_EQ(F::reserve_data(a, 6), 1);
    EXPECT_EQ(F::reserve_dim(a, 4), 1);
    EXPECT_EQ(addr(a->data), addr(data));
    EXPECT_EQ(a->data_capacity, 5u);
    EXPECT_EQ(a->dim_capacity, 3u);
    EXPECT_EQ(F::destroy(a), a) << "an owned record is not freed";
    a->owner = 0;

    const auto* ops = a->ops;
    a->ops = nullptr;
    EXPECT_EQ(F::reserve_data(a, 4), 0);
    EXPECT_EQ(F::reserve_data(a, 6), 1);
    EXPECT_EQ(F::reserve_dim(a, 8), 1);
    EXPECT_EQ(F::destroy(a), a) << "no table, nothing to free through";
    a->ops = ops;

    // A count whose byte size does not fit in size_t is refused (one-byte
    // elements cannot overflow; their huge request would only fail in realloc).
    if (sizeof(typename F::Elem) > 1) {
        EXPECT_EQ(F::reserve_data(a, SIZE_MAX / 2 + 1), 1);
    }
    EXPECT_EQ(F::reserve_dim(a, SIZE_MAX / 2), 1);
    EXPECT_EQ(addr(a->data), addr(data));
    EXPECT_EQ(a->data_capacity, 5u);

    EXPECT_EQ(F::reserve_data(nullptr, 1), 1);
    EXPECT_EQ(F::reserve_dim(nullptr, 1), 1);
    EXPECT_EQ(F::destroy(a), nullptr);
}

TYPED_TEST(ArrayFamilies, AccessorsAreBoundedByDataSize) {
    using F = TypeParam;
    using V = Value<typename F::Elem>;
    typename F::Record* a = F::create();
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(F::reserve_data(a, 4), 0);
    typename F::Elem e;
    V::init(e);
    V::set(e, 7);
    EXPECT_EQ(F::set_element(a, &e, 0), 1) << "data_size still 0";
    EXPECT_EQ(F::get_element(a, &e, 0), 1);
    a->data_size = 3;
    for (int i = 0; i < 3; ++i) {
        V::set(e, 10 + i);
        EXPECT_EQ(F::set_element(a, &e, static_cast<size_t>(i)), 0);
    }
    EXPECT_EQ(F::set_element(a, &e, 3), 1) << "index equal to data_size";
    for (int i = 0; i < 3; ++i) {
        V::set(e, 0);
        EXPECT_EQ(F::get_element(a, &e, static_cast<size_t>(i)), 0);
        EXPECT_EQ(V::get(e), 10 + i);
    }
    EXPECT_EQ(F::get_element(a, &e, 3), 1);
    EXPECT_EQ(F::get_element(nullptr, &e, 0), 1);
    EXPECT_EQ(F::set_element(nullptr, &e, 0), 1);
    EXPECT_EQ(F::get_element(a, nullptr, 0), 1);
    EXPECT_EQ(F::set_element(a, nullptr, 0), 1);

    // A data_size beyond what was reserved is refused instead of read past the store.
    a->data_size = 9;
    EXPECT_EQ(F::get_element(a, &e, 5), 1);
    a->data_size = 3;

    const auto* ops = a->ops;
    a->ops = nullptr;
    EXPECT_EQ(F::get_element(a, &e, 0), 1);
    a->ops = ops;
    V::clear(e);
    EXPECT_EQ(F::destroy(a), nullptr);
}

TYPED_TEST(ArrayFamilies, BuiltInElementOperationsCopyAndSwap) {
    using F = TypeParam;
    using V = Value<typename F::Elem>;
    typename F::Elem a;
    typename F::Elem b;
    V::init(a);
    V::init(b);
    V::set(a, 3);
    V::set(b, 5);
    F::ops_swap(nullptr, &a, &b);
    EXPECT_EQ(V::get(a), 5);
    EXPECT_EQ(V::get(b), 3);
    F::ops_copy(nullptr, &a, &b);
    EXPECT_EQ(V::get(a), 3);
    V::clear(a);
    V::clear(b);

    // The named create/destroy pair is usable on its own for every type.
    typename F::Elem c;
    F::ops_create(nullptr, &c);
    F::ops_destroy(nullptr, &c);
}

TYPED_TEST(ArrayFamilies, Sub2IndIsColumnMajorAndTruncated) {
    using F = TypeParam;
    typename F::Record* a = F::create();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(F::sub2ind_3d(a, 1, 2, 3), 0u) << "null dim";
    ASSERT_EQ(F::reserve_dim(a, 4), 0);
    a->dim[0] = 3;
    a->dim[1] = 4;
    a->dim[2] = 5;
    a->dim[3] = 7;
    a->dim_size = 0;
    EXPECT_EQ(F::sub2ind_3d(a, 1, 2, 3), 0u) << "no dimension";
    a->dim_size = 3;
    EXPECT_EQ(F::sub2ind_3d(a, 1, 2, 3), 43u);
    EXPECT_EQ(F::sub2ind_4d(a, 1, 2, 3, 9), 43u);
    EXPECT_EQ(F::sub2ind_1d(a, 8), 8u);
    EXPECT_EQ(F::sub2ind_2d(a, 1, 2), 7u);
    a->dim_size = 2;
    EXPECT_EQ(F::sub2ind_3d(a, 1, 2, 3), 7u);
    a->dim_size = 1;
    EXPECT_EQ(F::sub2ind_4d(a, 1, 2, 3, 4), 1u);
    a->dim_size = 4;
    EXPECT_EQ(F::sub2ind_4d(a, 1, 2, 3, 4), 1u + 3 * (2 + 4 * (3 + 5 * 4)));
    // Unchecked and wrapping: subscripts are never compared with the lengths.
    EXPECT_EQ(F::sub2ind_2d(a, 10, SIZE_MAX), size_t(10) + SIZE_MAX * size_t(3));
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

// ---------------------------------------------------------------- host-supplied tables

// Records every call a table receives, so the byte counts and the
// per-element passes can be checked exactly.
struct Journal {
    std::vector<std::string> calls;
    std::vector<size_t> realloc_bytes;
    std::vector<const void*> created;
    std::vector<const void*> destroyed;
    bool fail_next_realloc = false;
};

template <typename Ops>
Journal& journal(const Ops* ops) {
    return *static_cast<Journal*>(ops->context);
}

template <typename Ops>
void* journal_realloc(const Ops* ops, void* p, size_t bytes) {
    Journal& j = journal(ops);
    j.calls.push_back("realloc");
    j.realloc_bytes.push_back(bytes);
    if (j.fail_next_realloc) {
        j.fail_next_realloc = false;
        return nullptr;
    }
    return std::realloc(p, bytes);
}

template <typename Ops>
void journal_free(const Ops* ops, void* p) {
    journal(ops).calls.push_back(p ? "free" : "free(null)");
    std::free(p);
}

void mpz_journal_create(const zeb_array_mpz_operations* ops, mpz_ptr e) {
    journal(ops).created.push_back(e);
    mpz_init(e);
}
void mpz_journal_destroy(const zeb_array_mpz_operations* ops, mpz_ptr e) {
    journal(ops).destroyed.push_back(e);
    mpz_clear(e);
}

struct MpzJournalTable {
    Journal log;
    zeb_array_mpz_operations ops{journal_realloc<zeb_array_mpz_operations>,
                                 journal_free<zeb_array_mpz_operations>,
                                 mpz_journal_create,
                                 zeb_fir_v7_1_zeb_array_mpz_ops_elem_copy,
                                 zeb_fir_v7_1_zeb_array_mpz_ops_elem_swap,
                                 mpz_journal_destroy,
                                 &log};
};

TEST(ArrayHostTable, MpzGrowthInitialisesOnlyNewElementsAndDestroyClearsCapacity) {
    MpzJournalTable table;
    Journal& log = table.log;
    zeb_array_mpz* a = zeb_fir_v7_1_zeb_array_mpz_create_ex(&table.ops);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->ops, &table.ops);
    EXPECT_EQ(log.realloc_bytes, std::vector<size_t>{sizeof(zeb_array_mpz)});

    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_data(a, 3), 0);
    ASSERT_EQ(log.created.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(log.created[i], addr(a->data + i));
    }
    a->data_size = 3;
    mpz_t value;
    mpz_init_set_si(value, -123456789);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_set_element(a, value, 2), 0);

    log.created.clear();
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_data(a, 5), 0);
    ASSERT_EQ(log.created.size(), 2u);
    EXPECT_EQ(log.created[0], addr(a->data + 3));
    EXPECT_EQ(log.created[1], addr(a->data + 4));
    EXPECT_EQ(a->data_size, 3u);
    mpz_set_ui(value, 0);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_get_element(a, value, 2), 0);
    EXPECT_EQ(mpz_get_si(value), -123456789) << "existing elements are moved, not re-created";
    mpz_clear(value);

    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_dim(a, 2), 0);
    const std::vector<size_t> bytes = {sizeof(zeb_array_mpz), 3 * sizeof(__mpz_struct),
                                       5 * sizeof(__mpz_struct), 2 * sizeof(size_t)};
    EXPECT_EQ(log.realloc_bytes, bytes);

    log.calls.clear();
    const auto* data = a->data;
    a->data_size = 1;  // capacity, not data_size, decides what is cleared
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_destroy(a), nullptr);
    ASSERT_EQ(log.destroyed.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(log.destroyed[i], addr(data + i));
    }
    EXPECT_EQ(log.calls, (std::vector<std::string>{"free", "free", "free"}));  // data, dim, record
}

TEST(ArrayHostTable, FailedReallocLeavesTheRecordUnchanged) {
    MpzJournalTable table;
    zeb_array_mpz* a = zeb_fir_v7_1_zeb_array_mpz_create_ex(&table.ops);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_data(a, 2), 0);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_dim(a, 1), 0);
    const zeb_array_mpz before = *a;
    table.log.created.clear();

    table.log.fail_next_realloc = true;
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_data(a, 10), 1);
    table.log.fail_next_realloc = true;
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_reserve_dim(a, 4), 1);
    EXPECT_EQ(std::memcmp(&before, a, sizeof before), 0);
    EXPECT_TRUE(table.log.created.empty());

    table.log.fail_next_realloc = true;
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_create_ex(&table.ops), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_destroy(a), nullptr);
}

TEST(ArrayHostTable, PlainTypesPassExactByteCountsAndSkipElementPasses) {
    Journal log;
    const zeb_array_complex_operations ops{journal_realloc<zeb_array_complex_operations>,
                                           journal_free<zeb_array_complex_operations>,
                                           nullptr,
                                           zeb_fir_v7_1_zeb_array_complex_ops_elem_copy,
                                           zeb_fir_v7_1_zeb_array_complex_ops_elem_swap,
                                           nullptr,
                                           &log};
    zeb_array_complex* a = zeb_fir_v7_1_zeb_array_complex_create_ex(&ops);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_complex_reserve_data(a, 7), 0);
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_complex_reserve_dim(a, 3), 0);
    EXPECT_EQ(log.realloc_bytes,
              (std::vector<size_t>{sizeof(zeb_array_complex), 7 * sizeof(zeb_complex), 3 * sizeof(size_t)}));
    log.calls.clear();
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_complex_destroy(a), nullptr);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"free", "free", "free"}));

    // Destroying an empty record frees its (null) stores through the table too.
    a = zeb_fir_v7_1_zeb_array_complex_create_ex(&ops);
    ASSERT_NE(a, nullptr);
    log.calls.clear();
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_complex_destroy(a), nullptr);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"free(null)", "free(null)", "free"}));
}

}  // namespace
