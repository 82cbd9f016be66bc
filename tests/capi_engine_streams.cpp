// End to end through the C interface: advanced channel patterns, single
// slots, the pattern queue, and the same stream cut into packets in
// different ways.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_harness.h"
#include "reference_model.h"
#include "zeb_fir_v7_1.h"

using namespace harness;

namespace {

// Slot owners of a few patterns, as the hardware lists them.
const std::vector<int> kPattern3 = {0, 1, 0, 2};
const std::vector<int> kPattern18 = {0, 1, 0, 2, 0, 1, 0, 2};
const std::vector<int> kPattern45 = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6};
const std::vector<int> kPattern64 = {0, 2, 1, 3, 0, 4, 1, 5, 0, 2, 1, 3, 0, 4, 1, 5};

zeb_fir_v7_1_config base_config(const std::vector<double>& coeff, unsigned int paths, unsigned int channels) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.coeff = coeff.data();
    cfg.num_coeffs = static_cast<unsigned int>(coeff.size());
    cfg.num_paths = paths;
    cfg.num_channels = channels;
    cfg.data_width = 14;
    cfg.data_fract_width = 2;
    cfg.coeff_width = 13;
    cfg.coeff_fract_width = 1;
    return cfg;
}

void advanced(zeb_fir_v7_1_config& cfg, int pattern) {
    cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    cfg.init_pattern = pattern;
}

void set_rate(zeb_fir_v7_1_config& cfg, int type, unsigned int L, unsigned int M) {
    cfg.filter_type = type;
    cfg.rate_change = type == ZEB_FIR_V7_1_INTERPOLATION && M > 1 ? ZEB_FIR_V7_1_FIXED_FRACTIONAL
                                                                  : ZEB_FIR_V7_1_INTEGER_RATE;
    cfg.interpolation_rate = L;
    cfg.decimation_rate = M;
}

// Every whole vector a model holds, as reals (P x C x N, N taken from `expected`).
std::vector<double> read_all(const Model& m, size_t P, size_t C, size_t N) {
    Real out({P, C, N});
    EXPECT_EQ(zeb_fir_v7_1_data_get(*m, out.get(), nullptr), ZEB_STATUS_OK);
    return std::vector<double>(out->data, out->data + out->data_size);
}

// Feeds P x C x V values (path, slot, vector) slot by slot.
void send_slots(const Model& m, size_t P, size_t C, const std::vector<double>& values, size_t first_vector,
                size_t vectors) {
    for (size_t v = first_vector; v < first_vector + vectors; ++v)
        for (size_t s = 0; s < C; ++s) {
            Real one = slot(P, &values[P * s + P * C * v]);
            ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
        }
}

// Reads `turns` turns slot by slot and checks each against the expectation,
// alternating record types.
void read_slots(const Model& m, const Expectation& e, size_t first_vector, size_t turns) {
    for (size_t v = first_vector; v < first_vector + turns; ++v)
        for (size_t s = 0; s < e.C; ++s) {
            SCOPED_TRACE(testing::Message() << "slot " << s << " vector " << v);
            if ((s + v) % 2 == 0) {
                Real r({e.P});
                ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, r.get(), nullptr), ZEB_STATUS_OK);
                ASSERT_EQ(r->data_size, e.P);
                for (size_t p = 0; p < e.P; ++p) EXPECT_EQ(r->data[p], e.real(p, s, v));
            } else {
                Mpz r({e.P});
                ASSERT_EQ(zeb_fir_v7_1_data_get_channel_mpz(*m, r.get(), nullptr), ZEB_STATUS_OK);
                ASSERT_EQ(r->data_size, e.P);
                for (size_t p = 0; p < e.P; ++p) EXPECT_EQ(mpz_class(r->data + p), e.out(p, s, v));
            }
        }
}

}  // namespace

TEST(EnginePatterns, ChannelsOwningSeveralSlotsInWholePackets) {
    struct Case {
        int pattern;
        const std::vector<int>* owners;
        int type;
        unsigned int L, M;
    };
    const Case cases[] = {
        {3, &kPattern3, ZEB_FIR_V7_1_SINGLE_RATE, 1, 1},   {3, &kPattern3, ZEB_FIR_V7_1_INTERPOLATION, 2, 1},
        {18, &kPattern18, ZEB_FIR_V7_1_DECIMATION, 1, 3},  {18, &kPattern18, ZEB_FIR_V7_1_INTERPOLATION, 3, 2},
        {45, &kPattern45, ZEB_FIR_V7_1_SINGLE_RATE, 1, 1}, {45, &kPattern45, ZEB_FIR_V7_1_DECIMATION, 1, 2},
        {64, &kPattern64, ZEB_FIR_V7_1_INTERPOLATION, 4, 1},
    };
    Stimulus stimulus(100);
    const std::vector<double> coeff = stimulus.coeffs(19, 13, 1);
    uint64_t seed = 101;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern " << c.pattern << " rate " << c.L << "/" << c.M);
        zeb_fir_v7_1_config cfg = base_config(coeff, 2, static_cast<unsigned int>(c.owners->size()));
        advanced(cfg, c.pattern);
        set_rate(cfg, c.type, c.L, c.M);
        check_packet_run(cfg, 13, seed++, *c.owners);
    }
}

TEST(EnginePatterns, BlockEqualsSampleBySample) {
    struct Case {
        int pattern;  // 175: basic order
        unsigned int C;
        int type;
        unsigned int L, M;
    };
    const Case cases[] = {
        {ZEB_FIR_V7_1_PATTERN_BASIC, 3, ZEB_FIR_V7_1_DECIMATION, 1, 3},
        {ZEB_FIR_V7_1_PATTERN_BASIC, 2, ZEB_FIR_V7_1_INTERPOLATION, 2, 3},
        {ZEB_FIR_V7_1_PATTERN_BASIC, 1, ZEB_FIR_V7_1_INTERPOLATION, 5, 7},
        {18, 8, ZEB_FIR_V7_1_INTERPOLATION, 2, 1},
        {3, 4, ZEB_FIR_V7_1_DECIMATION, 1, 2},
    };
    Stimulus stimulus(110);
    const std::vector<double> coeff = stimulus.coeffs(16, 13, 1);
    const size_t P = 2, V = 21;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern " << c.pattern << " rate " << c.L << "/" << c.M);
        zeb_fir_v7_1_config cfg = base_config(coeff, P, c.C);
        if (c.pattern != ZEB_FIR_V7_1_PATTERN_BASIC) advanced(cfg, c.pattern);
        set_rate(cfg, c.type, c.L, c.M);
        const std::vector<int> owners =
            c.pattern == 3 ? kPattern3 : c.pattern == 18 ? kPattern18 : basic_order(c.C);
        const std::vector<double> values = stimulus.samples(P * c.C * V, cfg.data_width, cfg.data_fract_width);
        const Expectation e(cfg, owners, V, values);
        ASSERT_GT(e.vectors, 0u);

        Model block(cfg), vectors(cfg), slots(cfg);
        Real all = packet(P, c.C, V, values);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*block, all.get()), ZEB_STATUS_OK);
        for (size_t v = 0; v < V; ++v) {
            Real one({P, c.C});  // two lengths: one vector
            for (size_t i = 0; i < P * c.C; ++i) one->data[i] = values[v * P * c.C + i];
            one->data_size = P * c.C;
            ASSERT_EQ(zeb_fir_v7_1_data_send(*vectors, one.get()), ZEB_STATUS_OK);
        }
        send_slots(slots, P, c.C, values, 0, V);

        const std::vector<double> expected = e.reals();
        EXPECT_EQ(read_all(block, P, c.C, e.vectors), expected);
        EXPECT_EQ(read_all(vectors, P, c.C, e.vectors), expected);
        EXPECT_EQ(read_all(slots, P, c.C, e.vectors), expected);
    }
}

TEST(EngineSingleSlot, ReadsFollowTheSlotOrderInEveryType) {
    Stimulus stimulus(120);
    const std::vector<double> coeff = stimulus.coeffs(12, 13, 1);
    zeb_fir_v7_1_config cfg = base_config(coeff, 3, 3);
    set_rate(cfg, ZEB_FIR_V7_1_INTERPOLATION, 2, 1);
    const size_t V = 9;
    const std::vector<double> values = stimulus.samples(3 * 3 * V, cfg.data_width, cfg.data_fract_width);
    const Expectation e(cfg, basic_order(3), V, values);
    ASSERT_EQ(e.vectors, 2 * V);
    Model m(cfg);
    Real in = packet(3, 3, V, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    read_slots(m, e, 0, 5);
    // Complex records: the output and a zero imaginary part.
    for (size_t s = 0; s < 3; ++s) {
        Complex c({3});
        ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, nullptr, c.get()), ZEB_STATUS_OK);
        for (size_t p = 0; p < 3; ++p) {
            EXPECT_EQ(c->data[p].re, e.real(p, s, 5));
            EXPECT_EQ(c->data[p].im, 0.0);
        }
    }
    // After whole turns, whole vectors go on where the slots stopped.
    Real rest({3, 3, 2 * V - 6});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, rest.get(), nullptr), ZEB_STATUS_OK);
    expect_vectors(e, *rest.get(), 6, 2 * V - 6);
}

TEST(EngineSingleSlot, HilbertSlotsReadAsComplexAndComplexIntegers) {
    const std::vector<double> coeff = {-1, 0, -3, 0, 3, 0, 1};
    zeb_fir_v7_1_config cfg = base_config(coeff, 2, 2);
    cfg.filter_type = ZEB_FIR_V7_1_HILBERT;
    cfg.coeff_padding = 1;
    Stimulus stimulus(130);
    const size_t V = 12;
    const std::vector<double> values = stimulus.samples(2 * 2 * V, cfg.data_width, cfg.data_fract_width);
    const Expectation e(cfg, basic_order(2), V, values);
    Model m(cfg);
    send_slots(m, 2, 2, values, 0, V);
    for (size_t v = 0; v < V; ++v)
        for (size_t s = 0; s < 2; ++s) {
            if (v % 2 == 0) {
                Complex c({2});
                ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, nullptr, c.get()), ZEB_STATUS_OK);
                for (size_t p = 0; p < 2; ++p) {
                    EXPECT_EQ(c->data[p].re, ref::real_of(e.in_phase(p, s, v), 2));
                    EXPECT_EQ(c->data[p].im, e.real(p, s, v));
                }
            } else {
                MpzComplex c({2});
                ASSERT_EQ(zeb_fir_v7_1_data_get_channel_mpz(*m, nullptr, c.get()), ZEB_STATUS_OK);
                for (size_t p = 0; p < 2; ++p) {
                    EXPECT_EQ(mpz_class(c->data[p].re), e.in_phase(p, s, v));
                    EXPECT_EQ(mpz_class(c->data[p].im), e.out(p, s, v));
                }
            }
        }
}

TEST(EngineSingleSlot, PatternQueueUnderAnAdvancedPattern) {
    Stimulus stimulus(140);
    const std::vector<double> coeff = stimulus.coeffs(10, 13, 1);
    zeb_fir_v7_1_config cfg = base_config(coeff, 2, 4);
    advanced(cfg, 3);
    set_rate(cfg, ZEB_FIR_V7_1_INTERPOLATION, 2, 1);
    const size_t V = 6;
    const std::vector<double> values = stimulus.samples(2 * 4 * V, cfg.data_width, cfg.data_fract_width);
    const Expectation e(cfg, kPattern3, V, values);
    ASSERT_EQ(e.vectors, 2 * V);

    Model m(cfg, true);
    Real first = slot(2, &values[0]);
    ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, first.get()), ZEB_STATUS_OK);
    std::vector<std::string> notes;
    for (const Message& msg : m.log)
        if (msg.text.find("buffer size") != std::string::npos || msg.text.find("channel") != std::string::npos)
            notes.push_back(msg.text);
    EXPECT_EQ(notes, (std::vector<std::string>{"pilvoran_v7_1 NOTE: Starting buffer size: 0",
                                               "pilvoran_v7_1 NOTE: Push channel: 0",
                                               "pilvoran_v7_1 NOTE: End buffer size: 2",
                                               "pilvoran_v7_1 NOTE: Stored channel pattern: 3",
                                               "pilvoran_v7_1 NOTE: Stored channel pattern: 3"}));
    // The rest of the stream slot by slot, then every output slot by slot:
    // each read takes the pattern its output was produced under.
    for (size_t i = 1; i < 4 * V; ++i) {
        Real one = slot(2, &values[2 * i]);
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
    }
    m.log.clear();
    read_slots(m, e, 0, 2 * V);
    for (const Message& msg : m.log) EXPECT_EQ(msg.flag, 0) << msg.text;
}

TEST(EngineSingleSlot, LockstepSendsAndReadsUnderAPattern) {
    Stimulus stimulus(150);
    const std::vector<double> coeff = stimulus.coeffs(9, 13, 1);
    zeb_fir_v7_1_config cfg = base_config(coeff, 3, 12);
    advanced(cfg, 45);
    const size_t V = 5;
    const std::vector<double> values = stimulus.samples(3 * 12 * V, cfg.data_width, cfg.data_fract_width);
    const Expectation e(cfg, kPattern45, V, values);
    Model m(cfg);
    for (size_t v = 0; v < V; ++v)
        for (size_t s = 0; s < 12; ++s) {
            SCOPED_TRACE(testing::Message() << "slot " << s << " vector " << v);
            Real one = slot(3, &values[3 * s + 36 * v]);
            ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
            Real r({3});
            ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, r.get(), nullptr), ZEB_STATUS_OK);
            ASSERT_EQ(r->data_size, 3u);
            for (size_t p = 0; p < 3; ++p) EXPECT_EQ(r->data[p], e.real(p, s, v));
        }
}

TEST(EngineSingleSlot, WholeAndSingleSlotPathsMixed) {
    Stimulus stimulus(160);
    const std::vector<double> coeff = stimulus.coeffs(14, 13, 1);
    for (int pattern : {ZEB_FIR_V7_1_PATTERN_BASIC, 18}) {
        SCOPED_TRACE(pattern);
        zeb_fir_v7_1_config cfg = base_config(coeff, 2, 8);
        if (pattern != ZEB_FIR_V7_1_PATTERN_BASIC) advanced(cfg, pattern);
        set_rate(cfg, ZEB_FIR_V7_1_DECIMATION, 1, 2);
        const size_t V = 24;
        const std::vector<double> values = stimulus.samples(2 * 8 * V, cfg.data_width, cfg.data_fract_width);
        const Expectation e(cfg, pattern == 18 ? kPattern18 : basic_order(8), V, values);
        Model m(cfg);
        // Packets of 5 and 3 vectors, 4 vectors slot by slot, 12 more in one packet.
        Real a = packet(2, 8, 5, values, 0);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, a.get()), ZEB_STATUS_OK);
        Real b = packet(2, 8, 3, values, 2 * 8 * 5);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, b.get()), ZEB_STATUS_OK);
        send_slots(m, 2, 8, values, 8, 4);
        Real c = packet(2, 8, 12, values, 2 * 8 * 12);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, c.get()), ZEB_STATUS_OK);
        // Reads: 2 whole vectors, 3 turns of slots (basic order only: under a
        // pattern the slots need the queue of single-slot sends), the rest whole.
        size_t done = 0;
        Real w1({2, 8, 2});
        ASSERT_EQ(zeb_fir_v7_1_data_get(*m, w1.get(), nullptr), ZEB_STATUS_OK);
        expect_vectors(e, *w1.get(), 0, 2);
        done = 2;
        if (pattern == ZEB_FIR_V7_1_PATTERN_BASIC) {
            read_slots(m, e, done, 3);
            done += 3;
        }
        Real w2({2, 8, e.vectors - done});
        ASSERT_EQ(zeb_fir_v7_1_data_get(*m, w2.get(), nullptr), ZEB_STATUS_OK);
        expect_vectors(e, *w2.get(), done, e.vectors - done);
    }
}
