// The engine's block paths (whole packets in blocks, whole-vector reads in
// blocks) read what the sample-by-sample paths read: streams.h checks every
// way of cutting the work; here, on GMP kernels the integer mode reads what
// its 64- and 128-bit kernels read.  And once warm, neither the filter fed one
// sample or a block at a time nor the engine taking whole packets and giving
// whole vectors touches the heap: counted through the global allocation
// functions and GMP's memory functions.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>

#include "streams.h"
#include "internal_create_gmp.h"
#include "interface/model_handle.h"
#include "model/block_transpose.h"
#include "model/fir.h"

using namespace host;

namespace {

struct Case {  // pattern: basic or an advanced one; int128: 128-bit kernels
    int type, rate_change, L, M, P, C, pattern, dw, dfw, cw, cfw, rounding, output_width;
    bool int128;
};

constexpr int kBasic = ZEB_FIR_V7_1_PATTERN_BASIC, kInt = ZEB_FIR_V7_1_INTEGER_RATE, kFrac = ZEB_FIR_V7_1_FIXED_FRACTIONAL;
const Case kCases[] = {
    {ZEB_FIR_V7_1_SINGLE_RATE, kInt, 1, 1, 2, 3, kBasic, 14, 2, 13, 1, ZEB_FIR_V7_1_ROUND_HALF_EVEN, 22, false},
    {ZEB_FIR_V7_1_INTERPOLATION, kFrac, 3, 2, 2, 4, 2, 16, 0, 16, 0, ZEB_FIR_V7_1_ROUND_HALF_UP, 26, false},
    {ZEB_FIR_V7_1_DECIMATION, kFrac, 2, 3, 1, 4, 0, 14, 1, 12, 0, ZEB_FIR_V7_1_FULL_PRECISION, 0, false},
    {ZEB_FIR_V7_1_HILBERT, kInt, 1, 1, 2, 2, kBasic, 16, 4, 16, 2, ZEB_FIR_V7_1_ROUND_HALF_DOWN, 20, false},
    {ZEB_FIR_V7_1_INTERPOLATION, kFrac, 3, 2, 1, 2, kBasic, 30, 3, 30, 2, ZEB_FIR_V7_1_ROUND_HALF_AWAY, 40, true},
    // The widest samples and coefficients there are: products of 2^96, sums of 2^100, within 128 bits.
    {ZEB_FIR_V7_1_DECIMATION, kInt, 1, 2, 2, 2, kBasic, 49, 0, 49, 0, ZEB_FIR_V7_1_ROUND_HALF_ODD, 70, true}};

constexpr unsigned int kTaps = 19, kSets = 3;

zeb_fir_v7_1_config config_of(const Case& c, const std::vector<double>& coeff) {
    zeb_fir_v7_1_config cfg = config_with(coeff, kSets);
    cfg.filter_type = c.type, cfg.rate_change = c.rate_change, cfg.interpolation_rate = c.L, cfg.decimation_rate = c.M;
    cfg.num_paths = c.P, cfg.num_channels = c.C, cfg.reloadable = 1, cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    if (c.pattern != kBasic) cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ, cfg.init_pattern = c.pattern;
    cfg.data_width = c.dw, cfg.data_fract_width = c.dfw, cfg.coeff_width = c.cw, cfg.coeff_fract_width = c.cfw;
    cfg.output_rounding_mode = c.rounding, cfg.output_width = c.output_width;
    return cfg;
}

TEST(EngineBlocks, GmpKernelsReadWhat128BitKernelsRead) {
    uint64_t wide = 0;
    for (uint64_t seed = 1; seed < 1000 && wide < 25 && !HasFailure(); ++seed) {
        const streams::Scenario sc = streams::draw(seed);
        Model probe(sc.config());
        if (handle_object(*probe)->model->arithmetic() != Arithmetic::int128) continue;
        ++wide;
        SCOPED_TRACE(sc.text());
        EXPECT_EQ(handle_object(*Model(sc.config(), false, create_on_gmp))->model->arithmetic(), Arithmetic::gmp);
        EXPECT_TRUE(streams::same_stream(streams::run(sc, streams::Cut::random, seed, create_on_gmp),
                                         streams::run(sc, streams::Cut::whole, seed)));
    }
    EXPECT_EQ(wide, 25u) << "too few scenarios on 128-bit kernels";
}

std::atomic<long> heap_calls{0};
const bool gmp_counted = (mp_set_memory_functions([](size_t n) { return ++heap_calls, std::malloc(n); },
    [](void* p, size_t, size_t n) { return ++heap_calls, std::realloc(p, n); }, nullptr), true);  // default free

void* counted_malloc(size_t n) { void* p = (++heap_calls, std::malloc(n ? n : 1)); return p ? p : throw std::bad_alloc(); }

}  // namespace

void* operator new(size_t n) { return counted_malloc(n); }
void* operator new[](size_t n) { return counted_malloc(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

// Once warm, whole packets and single slots in, whole vectors out read as
// reals and as integers: no heap call, in the double mode, the 128-bit
// integer mode and on GMP kernels, under patterns, and for a Hilbert filter
// read through real records.
// The packet transposes, vector form against the element-by-element one, on shapes that leave
// every kind of remainder, inside strides wider than a row.
TEST(EngineBlocks, TransposeFormsCopyEveryElementToItsPlace) {
    std::mt19937_64 gen(3);
    for (const auto& [rows, cols] : {std::pair<size_t, size_t>{1, 1}, {3, 5}, {8, 8}, {9, 13}, {17, 4}, {4, 17}, {33, 70}}) {
        std::vector<double> in(rows * (cols + 3)), fast(cols * (rows + 2), -1.0), slow(fast);
        for (double& v : in) v = static_cast<double>(gen());
        transpose_block(in.data(), cols + 3, rows, cols, fast.data(), rows + 2);
        transpose_block_generic(in.data(), cols + 3, rows, cols, slow.data(), rows + 2);
        EXPECT_EQ(fast, slow) << rows << " x " << cols;
        EXPECT_EQ(slow[(cols - 1) * (rows + 2) + rows - 1], in[(rows - 1) * (cols + 3) + cols - 1]);
        EXPECT_EQ(slow[rows], -1.0);  // the stride's spare room stays untouched
    }
}

TEST(EngineAllocations, NoneOnceWarm) {
    const long at_start = heap_calls;
    const mpz_class wide = mpz_class(1) << 200;
    ASSERT_GT(heap_calls, at_start) << "GMP allocations are not being counted";
    for (const Case& c : kCases)
        for (bool gmp_kernels : {false, c.int128}) {
            const std::vector<double> coeff = Stimulus(1).coeffs(kTaps * kSets, c.cw, c.cfw);
            Model m(config_of(c, coeff), false, gmp_kernels ? create_on_gmp : zeb_fir_v7_1_create_dbg);
            ASSERT_NE(*m, nullptr);
            m.take();  // the integer mode's creation warnings
            const size_t P = c.P, C = c.C, V = 96, out = V * c.L / c.M;  // a read takes all there is: no warning
            const std::vector<double> samples = Stimulus(2).samples(P * C * V, c.dw, c.dfw);
            const Real in = packet(P, C, V, samples);
            std::vector<Real> slots;
            for (size_t i = 0; i < C * V; ++i) slots.push_back(slot(P, &samples[P * i]));
            Real reals({P, C, out});
            Mpz integers({P, C, out});
            long before = 0;
            for (int round = 0; round < 6; ++round) {  // the last three counted
                if (round == 3) before = heap_calls;
                ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
                ASSERT_EQ(get(m, reals.get(), false), ZEB_STATUS_OK);
                for (const Real& one : slots) ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
                ASSERT_EQ(get(m, integers.get(), false), ZEB_STATUS_OK);
                ASSERT_EQ(integers->data_size, P * C * out);
            }
            EXPECT_EQ(heap_calls - before, 0) << "width " << c.dw << (gmp_kernels ? ", GMP kernels" : "");
            EXPECT_EQ(m.take(), std::vector<std::string>{});
        }
}
