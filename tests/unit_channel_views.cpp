// Channel views: positions under the basic order and under patterns, every
// refusal (with the record left untouched), writer growth, GMP assignment, and
// a write-then-read round trip over whole packets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include <gmp.h>

#include "zeb_fir_v7_1.h"

namespace {

constexpr std::size_t kSizeMax = std::numeric_limits<std::size_t>::max();
constexpr zeb_fir_v7_1_pattern kBasic = ZEB_FIR_V7_1_PATTERN_BASIC;

void init_element(double& e) { e = std::nan(""); }
void init_element(zeb_complex& e) { e = zeb_complex{0.0, 0.0}; }
void init_element(__mpz_struct& e) { mpz_init(&e); }
void init_element(zeb_mpz_complex& e) {
    mpz_init(e.re);
    mpz_init(e.im);
}
void clear_element(double&) {}
void clear_element(zeb_complex&) {}
void clear_element(__mpz_struct& e) { mpz_clear(&e); }
void clear_element(zeb_mpz_complex& e) {
    mpz_clear(e.re);
    mpz_clear(e.im);
}

// A record built by hand, as a host without the array functions would:
// three dimension slots, `capacity` initialised elements.
template <typename Record>
class Packet {
public:
    using Element = std::remove_pointer_t<decltype(Record::data)>;

    Packet(std::vector<std::size_t> lengths, std::size_t capacity, std::size_t size)
        : dims_(3, 0), store_(capacity) {
        for (Element& e : store_) init_element(e);
        for (std::size_t i = 0; i < lengths.size(); ++i) dims_[i] = lengths[i];
        rec = Record{};
        rec.data = store_.data();
        rec.data_size = size;
        rec.data_capacity = capacity;
        rec.dim = dims_.data();
        rec.dim_size = lengths.size();
        rec.dim_capacity = dims_.size();
    }
    ~Packet() {
        for (Element& e : store_) clear_element(e);
    }
    Packet(const Packet&) = delete;
    Packet& operator=(const Packet&) = delete;

    Record rec;

private:
    std::vector<std::size_t> dims_;
    std::vector<Element> store_;
};

using RealPacket = Packet<zeb_array_real>;

// Real packet whose element i holds the value i.
void number_elements(RealPacket& pk) {
    for (std::size_t i = 0; i < pk.rec.data_capacity; ++i) pk.rec.data[i] = static_cast<double>(i);
}

double read(const zeb_array_real* rec, std::size_t path, std::size_t chan, std::size_t index,
            zeb_fir_v7_1_pattern pattern) {
    double v = -1.0;
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(rec, &v, path, chan, index, pattern), ZEB_STATUS_OK)
        << "path " << path << " chan " << chan << " index " << index << " pattern " << pattern;
    return v;
}

TEST(ChannelViews, WorkedPositionsOfATwoByFourByThreePacket) {
    RealPacket pk({2, 4, 3}, 24, 24);
    number_elements(pk);
    EXPECT_EQ(read(&pk.rec, 1, 2, 2, kBasic), 21.0);
    // Pattern 3 (0 1 0 2): channel 0's 4th sample is in vector 1, slot 2.
    EXPECT_EQ(read(&pk.rec, 0, 0, 3, 3), 12.0);
    EXPECT_EQ(read(&pk.rec, 0, 2, 0, 3), 6.0);
    EXPECT_EQ(read(&pk.rec, 1, 2, 0, 3), 7.0);
    // Pattern 24 (0 2 1 3 0 4 1 5) on a four-slot packet: channel 1's first
    // slot (2) fits, its second (6) does not.
    EXPECT_EQ(read(&pk.rec, 0, 1, 0, 24), 4.0);

    RealPacket flat({2, 4}, 8, 8);
    number_elements(flat);
    double v = -1.0;
    EXPECT_EQ(read(&flat.rec, 1, 3, 0, kBasic), 7.0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(&flat.rec, &v, 0, 0, 1, kBasic), ZEB_STATUS_ERROR);
    // Pattern 1 (0 1 0 1): two samples of channel 0 per vector.
    EXPECT_EQ(read(&flat.rec, 0, 0, 1, 1), 4.0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(&flat.rec, &v, 0, 0, 2, 1), ZEB_STATUS_ERROR);
    EXPECT_EQ(v, -1.0);
}

struct Snapshot {
    std::size_t data_size;
    std::size_t dims[3];
    std::vector<double> values;

    explicit Snapshot(const zeb_array_real& r)
        : data_size(r.data_size), dims{r.dim[0], r.dim[1], r.dim[2]}, values(r.data, r.data + r.data_capacity) {}
    bool operator==(const Snapshot& o) const {
        return data_size == o.data_size && dims[0] == o.dims[0] && dims[1] == o.dims[1] && dims[2] == o.dims[2] &&
               values == o.values;
    }
};

struct Refusal {
    const char* cause;
    std::vector<std::size_t> lengths;
    std::size_t capacity;
    std::size_t size;
    std::size_t path, chan, index;
    zeb_fir_v7_1_pattern pattern;
    bool reader_refuses;
    bool writer_refuses;
};

TEST(ChannelViews, RefusalsLeaveThePacketAsItWas) {
    const std::size_t half = kSizeMax / 2 + 1;
    const Refusal cases[] = {
        {"one dimension", {8}, 8, 8, 0, 0, 0, kBasic, true, true},
        {"path at dim[0]", {2, 4, 3}, 24, 24, 2, 0, 0, kBasic, true, true},
        {"channel at dim[1]", {2, 4, 3}, 24, 24, 0, 4, 0, kBasic, true, true},
        {"pattern 174", {2, 4, 3}, 24, 24, 0, 0, 0, 174, true, true},
        {"pattern 176", {2, 4, 3}, 24, 24, 0, 0, 0, 176, true, true},
        {"pattern -1", {2, 4, 3}, 24, 24, 0, 0, 0, -1, true, true},
        {"pattern far out", {2, 4, 3}, 24, 24, 0, 0, 0, std::numeric_limits<int32_t>::min(), true, true},
        {"channel the pattern lacks", {2, 4, 3}, 24, 24, 0, 2, 0, 2, true, true},
        {"channel past every pattern", {1, 70, 1}, 70, 70, 0, 65, 0, 152, true, true},
        {"pattern slot past dim[1]", {1, 4, 2}, 8, 8, 0, 1, 1, 24, true, true},
        {"vector past data_size", {2, 4, 3}, 24, 16, 0, 0, 2, kBasic, true, false},
        {"vector past capacity", {2, 4, 3}, 24, 24, 0, 0, 3, kBasic, true, true},
        {"second vector of a 2-D packet", {2, 4}, 24, 24, 0, 0, 1, kBasic, true, true},
        {"data_size beyond capacity", {2, 4, 6}, 24, 48, 0, 0, 4, kBasic, true, true},
        {"lengths promise more than capacity", {2, 4, 10}, 24, 24, 0, 0, 0, kBasic, false, true},
        {"dim[2] near the size limit", {2, 4, kSizeMax}, 24, 24, 0, 0, 0, kBasic, false, true},
        {"index at the size limit", {2, 4, 3}, 24, 24, 0, 0, kSizeMax, kBasic, true, true},
        {"pattern index at the size limit", {2, 4, 3}, 24, 24, 0, 1, kSizeMax, 3, true, true},
        {"paths times slots overflows", {half, 4, 1}, 24, 24, 0, 0, 0, kBasic, true, true},
    };
    for (const Refusal& c : cases) {
        RealPacket pk(c.lengths, c.capacity, c.size);
        number_elements(pk);
        const Snapshot before(pk.rec);
        double v = -1.0;
        EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(&pk.rec, &v, c.path, c.chan, c.index, c.pattern),
                  c.reader_refuses ? ZEB_STATUS_ERROR : ZEB_STATUS_OK)
            << c.cause;
        if (c.reader_refuses) {
            EXPECT_EQ(v, -1.0) << c.cause;
        }
        if (c.writer_refuses) {
            EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, 99.0, c.path, c.chan, c.index, c.pattern),
                      ZEB_STATUS_ERROR)
                << c.cause;
            EXPECT_TRUE(Snapshot(pk.rec) == before) << c.cause;
        }
    }
}

TEST(ChannelViews, MalformedRecordsAreRefused) {
    RealPacket pk({2, 4, 3}, 24, 24);
    number_elements(pk);
    double v = -1.0;
    auto both_refuse = [&](const char* cause) {
        EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(&pk.rec, &v, 0, 0, 0, kBasic), ZEB_STATUS_ERROR) << cause;
        EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, 99.0, 0, 0, 0, kBasic), ZEB_STATUS_ERROR) << cause;
    };
    pk.rec.dim_size = 4;
    both_refuse("four dimensions");
    pk.rec.dim_size = 3;
    pk.rec.dim_capacity = 2;
    both_refuse("more dimensions than dimension slots");
    pk.rec.dim_capacity = 3;
    size_t* dims = pk.rec.dim;
    pk.rec.dim = nullptr;
    both_refuse("no dimension store");
    pk.rec.dim = dims;
    double* data = pk.rec.data;
    pk.rec.data = nullptr;
    both_refuse("no element store");
    pk.rec.data = data;
    EXPECT_EQ(pk.rec.data[0], 0.0);
    EXPECT_EQ(v, -1.0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(&pk.rec, nullptr, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
}

TEST(ChannelViews, EveryViewRefusesNullPointers) {
    double d = 0.0;
    zeb_complex z{0.0, 0.0};
    mpz_t m;
    mpz_init(m);
    zeb_mpz_complex mc;
    mpz_init(mc.re);
    mpz_init(mc.im);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_get_chan(nullptr, &d, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(nullptr, d, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_complex_get_chan(nullptr, &z, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_complex_set_chan(nullptr, z, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_get_chan(nullptr, m, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_set_chan(nullptr, m, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_complex_get_chan(nullptr, &mc, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_complex_set_chan(nullptr, mc, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);

    Packet<zeb_array_complex> zp({1, 1}, 1, 1);
    Packet<zeb_array_mpz> mp({1, 1}, 1, 1);
    Packet<zeb_array_mpz_complex> mcp({1, 1}, 1, 1);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_complex_get_chan(&zp.rec, nullptr, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_get_chan(&mp.rec, nullptr, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_set_chan(&mp.rec, nullptr, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_complex_get_chan(&mcp.rec, nullptr, 0, 0, 0, kBasic), ZEB_STATUS_ERROR);
    mpz_clear(m);
    mpz_clear(mc.re);
    mpz_clear(mc.im);
}

TEST(ChannelViews, WriterGrowsTheThirdLengthAndDataSizeButNeverShrinksThem) {
    RealPacket pk({2, 4, 1}, 24, 8);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, 5.5, 1, 3, 2, kBasic), ZEB_STATUS_OK);
    EXPECT_EQ(pk.rec.dim[2], 3u);
    EXPECT_EQ(pk.rec.data_size, 24u);
    EXPECT_EQ(pk.rec.data[1 + 2 * 3 + 8 * 2], 5.5);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, 1.5, 0, 0, 0, kBasic), ZEB_STATUS_OK);
    EXPECT_EQ(pk.rec.dim[2], 3u);
    EXPECT_EQ(pk.rec.data_size, 24u);

    // A two-dimensional packet gains data_size for its single vector only.
    RealPacket flat({2, 4}, 24, 0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&flat.rec, 2.5, 0, 1, 0, kBasic), ZEB_STATUS_OK);
    EXPECT_EQ(flat.rec.data_size, 8u);
    EXPECT_EQ(flat.rec.dim[2], 0u);
    EXPECT_EQ(flat.rec.data[2], 2.5);

    // Under pattern 0 (four slots of channel 0), sample 9 lies in vector 2.
    RealPacket fresh({1, 4, 0}, 12, 0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&fresh.rec, 7.0, 0, 0, 9, 0), ZEB_STATUS_OK);
    EXPECT_EQ(fresh.rec.dim[2], 3u);
    EXPECT_EQ(fresh.rec.data_size, 12u);
    EXPECT_EQ(fresh.rec.data[9], 7.0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&fresh.rec, 8.0, 0, 0, 12, 0), ZEB_STATUS_ERROR);
}

TEST(ChannelViews, ComplexAndGmpElementsAreAssignedWhole) {
    Packet<zeb_array_complex> zp({2, 2, 1}, 4, 4);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_complex_set_chan(&zp.rec, zeb_complex{1.25, -3.5}, 1, 1, 0, kBasic),
              ZEB_STATUS_OK);
    zeb_complex z{0.0, 0.0};
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_complex_get_chan(&zp.rec, &z, 1, 1, 0, kBasic), ZEB_STATUS_OK);
    EXPECT_EQ(z.re, 1.25);
    EXPECT_EQ(z.im, -3.5);

    // Values far beyond a machine word survive both directions.
    mpz_t big, out;
    mpz_init(big);
    mpz_init(out);
    mpz_ui_pow_ui(big, 2, 100);
    mpz_add_ui(big, big, 1);
    Packet<zeb_array_mpz> mp({1, 4, 1}, 8, 4);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_set_chan(&mp.rec, big, 0, 0, 1, 3), ZEB_STATUS_OK);  // slot 2, vector 0
    EXPECT_EQ(mp.rec.data_size, 4u);
    EXPECT_EQ(mpz_cmp(&mp.rec.data[2], big), 0);
    mpz_set_si(big, -7);  // the element holds its own copy
    EXPECT_NE(mpz_cmp(&mp.rec.data[2], big), 0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_get_chan(&mp.rec, out, 0, 0, 1, 3), ZEB_STATUS_OK);
    EXPECT_EQ(mpz_sizeinbase(out, 2), 101u);

    Packet<zeb_array_mpz_complex> mcp({1, 2, 2}, 4, 4);
    zeb_mpz_complex in, back;
    mpz_init_set_si(in.re, -12345678901LL);
    mpz_init_set_ui(in.im, 42);
    mpz_init(back.re);
    mpz_init(back.im);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_complex_set_chan(&mcp.rec, in, 0, 1, 1, kBasic), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_mpz_complex_get_chan(&mcp.rec, &back, 0, 1, 1, kBasic), ZEB_STATUS_OK);
    EXPECT_EQ(mpz_cmp(back.re, in.re), 0);
    EXPECT_EQ(mpz_cmp_ui(back.im, 42), 0);
    EXPECT_EQ(mpz_cmp(mcp.rec.data[3].re, in.re), 0);
    for (mpz_ptr p : {big, out, in.re, in.im, back.re, back.im}) mpz_clear(p);
}

// Slots of channel c found by scanning the sequence row, independent of the map.
std::vector<std::size_t> slots_of(zeb_fir_v7_1_pattern pattern, std::size_t channels, std::size_t c) {
    std::vector<std::size_t> slots;
    for (std::size_t s = 0; s < channels; ++s) {
        const bool owned = pattern == kBasic ? s == c : zeb_fir_v7_1_pattern_seq[pattern * 64 + s] == int32_t(c);
        if (owned) slots.push_back(s);
    }
    return slots;
}

TEST(ChannelViews, EverySampleWrittenThroughTheWriterReadsBackThroughTheReader) {
    struct Case {
        zeb_fir_v7_1_pattern pattern;
        std::size_t channels;
    };
    const Case cases[] = {{kBasic, 8}, {0, 4},    {3, 4},    {12, 6},   {24, 8},   {45, 12},
                          {72, 16},  {77, 24}, {98, 24}, {118, 32}, {144, 48}, {167, 64}};
    const std::size_t paths = 2;
    const std::size_t vectors = 3;
    for (const Case& k : cases) {
        const std::size_t total = paths * k.channels * vectors;
        RealPacket pk({paths, k.channels, 0}, total, 0);
        std::vector<std::vector<std::size_t>> slots;
        for (std::size_t c = 0; c < k.channels; ++c) {
            std::vector<std::size_t> s = slots_of(k.pattern, k.channels, c);
            if (s.empty()) break;
            slots.push_back(s);
        }
        std::size_t writes = 0;
        for (std::size_t c = 0; c < slots.size(); ++c) {
            const std::size_t n = slots[c].size();
            for (std::size_t p = 0; p < paths; ++p) {
                for (std::size_t i = 0; i < n * vectors; ++i) {
                    const double value = static_cast<double>((c * paths + p) * 1000 + i);
                    ASSERT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, value, p, c, i, k.pattern),
                              ZEB_STATUS_OK)
                        << "pattern " << k.pattern << " chan " << c << " index " << i;
                    const std::size_t element = p + paths * slots[c][i % n] + paths * k.channels * (i / n);
                    ASSERT_EQ(pk.rec.data[element], value) << "pattern " << k.pattern << " chan " << c;
                    ++writes;
                }
                EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_set_chan(&pk.rec, 0.0, p, c, n * vectors, k.pattern),
                          ZEB_STATUS_ERROR);
            }
        }
        // As many writes as elements, and none left unwritten: each exactly once.
        EXPECT_EQ(writes, total) << "pattern " << k.pattern;
        for (std::size_t e = 0; e < total; ++e) EXPECT_FALSE(std::isnan(pk.rec.data[e])) << "element " << e;
        EXPECT_EQ(pk.rec.dim[2], vectors);
        EXPECT_EQ(pk.rec.data_size, total);
        for (std::size_t c = 0; c < slots.size(); ++c) {
            for (std::size_t p = 0; p < paths; ++p) {
                for (std::size_t i = 0; i < slots[c].size() * vectors; ++i) {
                    ASSERT_EQ(read(&pk.rec, p, c, i, k.pattern), static_cast<double>((c * paths + p) * 1000 + i));
                }
            }
        }
    }
}

}  // namespace
