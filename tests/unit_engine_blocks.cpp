// Whole packets go through the engine in blocks while no configuration
// packet is queued, and whole-vector reads convert in blocks unless the
// debug logger listens.  Each case feeds one stream, with its configuration
// and reload packets, once in whole packets cut at random (some turns sent
// slot by slot) and once slot by slot with the debug logger on, reading whole
// vectors of every record type after each step; the reads and the messages
// must agree to the bit.  In the integer mode the same runs on GMP kernels
// must agree with the 128-bit ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "host.h"
#include "model/fir.h"

using namespace host;

namespace {

struct Case {
    const char* name;
    int type;
    int rate_change;
    unsigned int L, M;
    unsigned int P, C;
    int pattern;  // ZEB_FIR_V7_1_PATTERN_BASIC or the first of two advanced patterns used in turn
    unsigned int dw, dfw, cw, cfw;
    int rounding;
    unsigned int output_width;
    bool int128;  // the integer mode, on 128-bit kernels
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

constexpr int kBasic = ZEB_FIR_V7_1_PATTERN_BASIC;
constexpr int kInt = ZEB_FIR_V7_1_INTEGER_RATE;
constexpr int kFrac = ZEB_FIR_V7_1_FIXED_FRACTIONAL;

const Case kCases[] = {
    {"single rate, rounded to even", ZEB_FIR_V7_1_SINGLE_RATE, kInt, 1, 1, 2, 3, kBasic, 14, 2, 13, 1,
     ZEB_FIR_V7_1_ROUND_HALF_EVEN, 22, false},
    {"decimation by 3", ZEB_FIR_V7_1_DECIMATION, kInt, 1, 3, 1, 2, kBasic, 16, 0, 16, 0,
     ZEB_FIR_V7_1_FULL_PRECISION, 0, false},
    {"interpolation by 4, truncated", ZEB_FIR_V7_1_INTERPOLATION, kInt, 4, 1, 2, 1, kBasic, 12, 3, 14, 2,
     ZEB_FIR_V7_1_TRUNCATE_LSBS, 24, false},
    {"3/2 under patterns", ZEB_FIR_V7_1_INTERPOLATION, kFrac, 3, 2, 2, 4, 2, 16, 0, 16, 0,
     ZEB_FIR_V7_1_ROUND_HALF_UP, 26, false},
    {"2/3 under patterns", ZEB_FIR_V7_1_DECIMATION, kFrac, 2, 3, 1, 4, 0, 14, 1, 12, 0,
     ZEB_FIR_V7_1_FULL_PRECISION, 0, false},
    {"Hilbert", ZEB_FIR_V7_1_HILBERT, kInt, 1, 1, 2, 2, kBasic, 16, 4, 16, 2, ZEB_FIR_V7_1_ROUND_HALF_DOWN, 20,
     false},
    {"integer mode, 3/2", ZEB_FIR_V7_1_INTERPOLATION, kFrac, 3, 2, 1, 2, kBasic, 30, 3, 30, 2,
     ZEB_FIR_V7_1_ROUND_HALF_AWAY, 40, true},
    // The widest samples and coefficients there are: products of 2^96,
    // sums of 2^100, all within the 128-bit kernels.
    {"integer mode at full width, decimation by 2", ZEB_FIR_V7_1_DECIMATION, kInt, 1, 2, 2, 2, kBasic, 49, 0, 49, 0,
     ZEB_FIR_V7_1_ROUND_HALF_ODD, 70, true},
    {"integer mode at full width, Hilbert", ZEB_FIR_V7_1_HILBERT, kInt, 1, 1, 1, 2, kBasic, 49, 5, 49, 7,
     ZEB_FIR_V7_1_FULL_PRECISION, 0, true},
};

constexpr unsigned int kTaps = 19;
constexpr unsigned int kSets = 3;
constexpr std::size_t kVectors = 220;
constexpr std::size_t kReadRoom = 450;  // vectors a read asks for: more than any step completes

// One step of a stream: a packet of some vectors (0 for a side packet), sent
// whole or slot by slot, optionally preceded by a configuration or reload packet.
struct Step {
    std::size_t vectors;
    bool slot_by_slot;
    int side;  // 0 none, 1 configuration packet, 2 reload packet
};

std::vector<Step> steps_of(uint64_t seed) {
    std::mt19937_64 gen(seed);
    const std::size_t sizes[] = {0, 1, 2, 5, 33, 40, 70};
    std::vector<Step> steps;
    std::size_t fed = 0;
    while (fed < kVectors) {
        Step s{std::min(kVectors - fed, sizes[gen() % 7]), gen() % 6 == 0, static_cast<int>(gen() % 5 < 2 ? gen() % 3 : 0)};
        fed += s.vectors;
        steps.push_back(s);
    }
    return steps;
}

zeb_fir_v7_1_config config_of(const Case& c, const std::vector<double>& coeff) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.filter_type = c.type;
    cfg.rate_change = c.rate_change;
    cfg.interpolation_rate = c.L;
    cfg.decimation_rate = c.M;
    cfg.num_paths = c.P;
    cfg.num_channels = c.C;
    if (c.pattern != kBasic) {
        cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
        cfg.init_pattern = c.pattern;
    }
    cfg.data_width = c.dw;
    cfg.data_fract_width = c.dfw;
    cfg.coeff_width = c.cw;
    cfg.coeff_fract_width = c.cfw;
    cfg.output_rounding_mode = c.rounding;
    cfg.output_width = c.output_width;
    cfg.reloadable = 1;
    cfg.coeff_sets = kSets;
    cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    cfg.coeff = coeff.data();
    cfg.num_coeffs = kTaps;
    return cfg;
}

std::string text_of(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%a", x);
    return text;
}

// Reads every whole vector held, in the record type chosen by `turn`, and
// writes what the record holds afterwards.
void read_all(zeb_fir_v7_1* m, std::size_t P, std::size_t C, int turn, std::vector<std::string>& out) {
    out.push_back("read " + std::to_string(turn % 4));
    auto lengths = [&](const auto& a) {
        out.push_back(std::to_string(a.dim[2]) + " " + std::to_string(a.data_size));
    };
    switch (turn % 4) {
        case 0: {
            Real a({P, C, kReadRoom});
            ASSERT_EQ(zeb_fir_v7_1_data_get(m, a.get(), nullptr), ZEB_STATUS_OK);
            lengths(*a.get());
            for (std::size_t i = 0; i < a->data_size; ++i) out.push_back(text_of(a->data[i]));
            break;
        }
        case 1: {
            Complex a({P, C, kReadRoom});
            ASSERT_EQ(zeb_fir_v7_1_data_get(m, nullptr, a.get()), ZEB_STATUS_OK);
            lengths(*a.get());
            for (std::size_t i = 0; i < a->data_size; ++i)
                out.push_back(text_of(a->data[i].re) + " " + text_of(a->data[i].im));
            break;
        }
        case 2: {
            Mpz a({P, C, kReadRoom});
            ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(m, a.get(), nullptr), ZEB_STATUS_OK);
            lengths(*a.get());
            for (std::size_t i = 0; i < a->data_size; ++i) out.push_back(mpz_class(a->data + i).get_str());
            break;
        }
        default: {
            MpzComplex a({P, C, kReadRoom});
            ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(m, nullptr, a.get()), ZEB_STATUS_OK);
            lengths(*a.get());
            for (std::size_t i = 0; i < a->data_size; ++i)
                out.push_back(mpz_class(a->data[i].re).get_str() + " " + mpz_class(a->data[i].im).get_str());
            break;
        }
    }
}

// Everything the host sees of one run: reads, then the messages.
std::vector<std::string> run(const Case& c, const zeb_fir_v7_1_config& cfg, const std::vector<double>& samples,
                             const std::vector<Step>& steps, bool whole_packets, bool gmp_kernels) {
    Model m(cfg, !whole_packets);
    EXPECT_NE(*m, nullptr);
    if (*m == nullptr) return {};
    FIR& fir = *reinterpret_cast<FIR*>(*m);
    EXPECT_EQ(fir.uses_int128(), c.int128);
    if (gmp_kernels) fir.use_gmp_kernels();

    const std::size_t P = c.P, C = c.C;
    std::mt19937_64 gen(99);
    Stimulus side(7);
    std::vector<std::string> seen;
    std::size_t at = 0;
    int turn = 0;
    for (const Step& s : steps) {
        if (s.side == 1) {
            std::vector<unsigned int> fsel(C);
            for (unsigned int& f : fsel) f = static_cast<unsigned int>(gen() % kSets);
            Array<zeb_array_uint> sel({C});
            for (std::size_t i = 0; i < C; ++i) sel->data[i] = fsel[i];
            sel->data_size = C;
            const int pattern = c.pattern == kBasic ? kBasic : c.pattern + static_cast<int>(gen() % 3);
            zeb_fir_v7_1_cnfg_packet packet{pattern, sel.get()};
            EXPECT_EQ(zeb_fir_v7_1_config_send(*m, &packet), ZEB_STATUS_OK);
        } else if (s.side == 2) {
            Real values({kTaps});
            const std::vector<double> coeff = side.coeffs(kTaps, c.cw, c.cfw);
            for (std::size_t i = 0; i < kTaps; ++i) values->data[i] = coeff[i];
            values->data_size = kTaps;
            zeb_fir_v7_1_rld_packet packet{static_cast<unsigned int>(gen() % kSets), values.get()};
            EXPECT_EQ(zeb_fir_v7_1_reload_send(*m, &packet), ZEB_STATUS_OK);
        }
        if (whole_packets && !s.slot_by_slot) {
            Real in = packet(P, C, s.vectors, samples, at * P * C);
            EXPECT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
        } else {
            for (std::size_t v = at; v < at + s.vectors; ++v)
                for (std::size_t slot_index = 0; slot_index < C; ++slot_index) {
                    Real one = slot(P, &samples[P * slot_index + P * C * v]);
                    EXPECT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
                }
        }
        at += s.vectors;
        read_all(*m, P, C, turn++, seen);
    }
    for (const Message& message : m.log)
        if (message.source == 0) seen.push_back(message.text);
    return seen;
}

class EngineBlocks : public testing::TestWithParam<Case> {};

TEST_P(EngineBlocks, WholePacketsEqualSampleBySample) {
    const Case& c = GetParam();
    Stimulus stimulus(static_cast<uint64_t>(c.dw * 131 + c.L * 7 + c.M));
    const std::vector<double> coeff = stimulus.coeffs(kTaps * kSets, c.cw, c.cfw);
    const zeb_fir_v7_1_config cfg = config_of(c, coeff);
    const std::vector<double> samples = stimulus.samples(c.P * c.C * kVectors, c.dw, c.dfw);
    for (uint64_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(testing::Message() << "cuts " << seed);
        const std::vector<Step> steps = steps_of(seed);
        const std::vector<std::string> slots = run(c, cfg, samples, steps, false, false);
        ASSERT_GT(slots.size(), steps.size());
        EXPECT_EQ(run(c, cfg, samples, steps, true, false), slots);
        if (c.int128) {
            EXPECT_EQ(run(c, cfg, samples, steps, true, true), slots);
            EXPECT_EQ(run(c, cfg, samples, steps, false, true), slots);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineBlocks, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

}  // namespace
