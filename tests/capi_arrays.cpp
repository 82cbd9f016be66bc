// Array records of all seven element types through their C functions and
// operations tables, and the channel views that place one channel's samples
// in a (path, slot, vector) record.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>

#include "array_families.h"

template <typename R>
struct ArrayFamilies : testing::Test {};
using AllFamilies = testing::Types<zeb_array_bit, zeb_array_real, zeb_array_complex, zeb_array_uint, zeb_array_uint32,
                                   zeb_array_mpz, zeb_array_mpz_complex>;
TYPED_TEST_SUITE(ArrayFamilies, AllFamilies);

// One record through a journalling host table: exact growth that creates only
// the new elements, elements bounded by data_size, refusals that change
// nothing, column-major sub2ind, and destroy clearing the whole capacity.
TYPED_TEST(ArrayFamilies, OneRecordThroughAHostTable) {
    using F = zeb_records::Family<TypeParam>;
    Journal<TypeParam> j;
    TypeParam* a = F::create_ex(&j.ops);
    ASSERT_TRUE(a != nullptr && F::create_ex(nullptr) == nullptr);
    ASSERT_EQ(F::reserve_data(a, 3) + F::reserve_dim(a, 4) + F::reserve_data(nullptr, 1), 1);
    typename F::Elem e{}, f{};
    F::ops_elem_create(nullptr, &e), F::ops_elem_create(nullptr, &f), a->data_size = 2;
    EXPECT_EQ(F::set_element(a, &e, 1) + F::get_element(a, &f, 0), 0);
    EXPECT_EQ(F::set_element(a, &e, 2) + F::get_element(a, &f, 2) + F::get_element(a, nullptr, 0), 3);  // at data_size
    a->data_size = 9;  // beyond what was reserved: refused rather than read past the store
    EXPECT_EQ(F::get_element(a, &f, 3) + F::set_element(nullptr, &e, 0), 2);
    EXPECT_EQ(j.copied, (decltype(j.copied){{a->data + 1, &e}, {&f, a->data}}));
    ASSERT_EQ(F::reserve_data(a, 5), 0);
    EXPECT_EQ(a->data_capacity * 10 + a->dim_capacity, 54u);  // exactly what was asked
    ASSERT_EQ(j.created.size(), 5u);  // only the new elements are made
    EXPECT_TRUE(j.created[3] == a->data + 3 && j.created[4] == a->data + 4);
    const TypeParam before = *a;
    j.fail = true;
    EXPECT_EQ(F::reserve_data(a, 6) + F::reserve_dim(a, 5), 2) << "the host table refuses";
    j.fail = false, a->owner = 1;  // large enough already is 0 even for a record that may not grow
    EXPECT_EQ(F::reserve_data(a, 5) + F::reserve_dim(a, 4), 0);
    EXPECT_EQ(F::reserve_data(a, 6) + F::reserve_dim(a, 5), 2) << "a host-owned record never grows";
    EXPECT_EQ(F::destroy(a), a) << "nor is freed";
    a->owner = 0;
    EXPECT_EQ(std::memcmp(&before, a, sizeof before), 0);
    // sub2ind: subscript 0 fastest, over the first min(k, dim_size) subscripts, wrapping.
    a->dim[0] = 3, a->dim[1] = 4, a->dim[2] = 5, a->dim[3] = 7, a->dim_size = 3;
    EXPECT_EQ(F::sub2ind_3d(a, 1, 2, 3) * 100 + F::sub2ind_4d(a, 1, 2, 3, 9), 4343u);
    EXPECT_EQ(F::sub2ind_2d(a, 1, 2) * 10 + F::sub2ind_1d(a, 8), 78u);
    a->dim_size = 4;
    EXPECT_EQ(F::sub2ind_4d(a, 1, 2, 3, SIZE_MAX), 1 + 3 * (2 + 4 * (3 + 5 * SIZE_MAX)));
    a->dim_size = 5;
    EXPECT_EQ(F::sub2ind_1d(a, 5), 0u) << "more lengths than dimension slots";
    const std::vector<const void*> all = {a->data, a->data + 1, a->data + 2, a->data + 3, a->data + 4};
    a->data_size = 1;  // the capacity, not data_size, decides what is cleared
    EXPECT_EQ(F::destroy(a), nullptr);
    EXPECT_EQ(j.destroyed, all);
    F::ops_elem_destroy(nullptr, &e), F::ops_elem_destroy(nullptr, &f);
    TypeParam* b = F::create();  // the built-in table
    EXPECT_TRUE(b != nullptr && F::reserve_data(b, 2) == 0 && F::destroy(b) == nullptr);
}

constexpr int32_t kBasic = ZEB_FIR_V7_1_PATTERN_BASIC;

// A record around host memory, element i holding i, at least three dimension slots.
struct Packet {
    std::vector<size_t> dims;
    std::vector<double> store;
    zeb_array_real rec;
    Packet(const std::vector<size_t>& lengths, size_t capacity, size_t size) : dims(lengths), store(capacity) {
        dims.resize(lengths.size() < 3 ? 3 : lengths.size()), std::iota(store.begin(), store.end(), 0.0);
        rec = {store.data(), size, capacity, dims.data(), lengths.size(), dims.size(), 0, nullptr};
    }
    double read(size_t path, size_t chan, size_t index, int32_t pattern, double v = -1.0) const {
        return zeb_fir_v7_1_zeb_array_real_get_chan(&rec, &v, path, chan, index, pattern) == 0 ? v : -2.0;
    }
};

// Worked positions of a small packet, then a write to the same place: it
// reads back, or its refusal leaves the record as it was.
TEST(ChannelViews, WorkedPositionsRefusalsAndWholeRecords) {
    struct Row {  // value read there, -2: refused; unless the write is refused, 99 written there reads back
        std::vector<size_t> lengths; size_t capacity, size, path, chan, index; int32_t pattern; double value; int refused;
    };
    const Row rows[] = {
        {{2, 4}, 8, 8, 0, 0, 1, 1, 4, 0},        // pattern 1 (0 1 0 1): channel 0 twice per vector
        {{2, 4, 3, 1}, 24, 24, 0, 0, 0, kBasic, -2, 1},               // four dimensions
        {{2, 4, 3}, 24, 24, 0, 4, 0, kBasic, -2, 1},                  // channel at dim[1]
        {{2, 4, 3}, 24, 24, 0, 2, 0, 2, -2, 1},                       // channel the pattern lacks
        {{1, 4, 2}, 8, 8, 0, 1, 1, 24, -2, 1},                        // pattern slot past dim[1]
        {{2, 4, 3}, 24, 16, 0, 0, 2, kBasic, -2, 0},                  // vector past data_size: written
        {{2, 4}, 24, 24, 0, 0, 1, kBasic, -2, 1},                     // second vector of a 2-D record
        {{2, 4, 10}, 24, 24, 0, 0, 0, kBasic, 0, 1},                  // lengths promise more than capacity
        {{SIZE_MAX / 2 + 1, 4, 1}, 24, 24, 0, 0, 0, kBasic, -2, 1},  // paths times slots overflows
    };
    for (const Row& c : rows) {
        Packet pk(c.lengths, c.capacity, c.size);
        const Packet fresh(c.lengths, c.capacity, c.size);
        const zeb_array_real before = pk.rec;
        EXPECT_EQ(pk.read(c.path, c.chan, c.index, c.pattern), c.value) << &c - rows;
        const int status = zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, 99.0, c.path, c.chan, c.index, c.pattern);
        EXPECT_EQ(status, c.refused) << &c - rows;
        const bool same = pk.dims == fresh.dims && pk.store == fresh.store && !memcmp(&before, &pk.rec, sizeof(before));
        EXPECT_TRUE(status == 0 ? pk.read(c.path, c.chan, c.index, c.pattern) == 99.0 : same) << &c - rows;
    }
    // Over whole records of many patterns every sample written through the writer reads back through the
    // reader, and lands where the pattern's sequence row puts it: each element once.
    const std::pair<int32_t, size_t> cases[] = {{kBasic, 8}, {0, 4},   {3, 4},   {12, 6},   {24, 8},   {45, 12},
                                                {72, 16},    {77, 24}, {98, 24}, {118, 32}, {144, 48}, {167, 64}};
    const size_t P = 2, V = 3;
    for (const auto& [pattern, C] : cases) {
        Packet pk({P, C, 0}, P * C * V, 0);
        std::vector<std::vector<size_t>> slots(C);  // each channel's slots, in order
        for (size_t s = 0; s < C; ++s)
            slots[pattern == kBasic ? s : size_t(zeb_fir_v7_1_pattern_seq[pattern * 64 + s])].push_back(s);
        std::vector<int> written(P * C * V, 0);
        for (size_t c = 0; c < C && !slots[c].empty(); ++c)
            for (size_t p = 0, n = slots[c].size(); p < P; ++p)
                for (size_t i = 0; i <= n * V; ++i) {
                    const double value = double((c * P + p) * 1000 + i);
                    const int refused = zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, value, p, c, i, pattern);
                    ASSERT_EQ(refused, int(i == n * V)) << pattern << ' ' << c << ' ' << i;  // one past the end
                    if (refused) break;
                    const size_t at = p + P * slots[c][i % n] + P * C * (i / n);
                    ASSERT_TRUE(pk.store[at] == value && pk.read(p, c, i, pattern) == value) << pattern << ' ' << i;
                    ++written[at];
                }
        EXPECT_EQ(written, std::vector<int>(P * C * V, 1)) << "pattern " << pattern;
        EXPECT_EQ(pk.dims[2] * 1000 + pk.rec.data_size, V * 1000 + P * C * V);
    }
}
