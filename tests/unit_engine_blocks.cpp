// The engine's block paths (whole packets in blocks, whole-vector reads in
// blocks) read what the sample-by-sample paths read: streams.h checks every
// way of cutting the work; here, on GMP kernels the integer mode reads what
// its 64- and 128-bit kernels read.  And once warm, neither the filter fed one
// sample or a block at a time nor the engine taking whole packets and giving
// whole vectors touches the heap: counted through the global allocation
// functions and GMP's memory functions.  Wrap counts against an independent
// count from the reference model, in every arithmetic, whether the stream
// goes in whole packets or in single slots; outputs that rounding takes past
// the top of the range wrap to the same bits in every arithmetic.
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
#include "zeb_fir_v7_1_inspect.h"

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
        std::vector<double> in(rows * (cols + 3)), fast(cols * (rows + 2), -1.0), slow(fast), by_output(fast);
        for (double& v : in) v = static_cast<double>(gen());
        transpose_block(in.data(), cols + 3, rows, cols, fast.data(), rows + 2);
        transpose_block_by_output(in.data(), cols + 3, rows, cols, by_output.data(), rows + 2);
        transpose_block_generic(in.data(), cols + 3, rows, cols, slow.data(), rows + 2);
        EXPECT_EQ(fast, slow) << rows << " x " << cols;
        EXPECT_EQ(by_output, slow) << rows << " x " << cols;
        EXPECT_EQ(slow[(cols - 1) * (rows + 2) + rows - 1], in[(rows - 1) * (cols + 3) + cols - 1]);
        EXPECT_EQ(slow[rows], -1.0);  // the stride's spare room stays untouched
        // Scaled on the way, where every scaled value is a whole number
        // within the range (a negative zero leaves as +0); refused by both
        // forms wherever one value is not.
        std::vector<const double*> from(rows);
        for (size_t r = 0; r < rows; ++r) from[r] = in.data() + r * (cols + 3);
        for (double& v : in) v = static_cast<double>(static_cast<int64_t>(gen() % 2001) - 1000) * 2.0;
        in[0] = -0.0;
        const QuietScaling scaling{0.5, 0.25, FFPContext::QuietRange{-1000.0, 1000.0, true, true}};
        std::vector<double> want(fast);
        for (size_t c = 0; c < cols; ++c)
            for (size_t r = 0; r < rows; ++r) want[c * (rows + 2) + r] = (from[r][c] * 0.5 + 0.0) * 0.25;
        EXPECT_TRUE(transpose_rows_quietly(from.data(), rows, cols, scaling, fast.data(), rows + 2));
        EXPECT_TRUE(transpose_rows_quietly_generic(from.data(), rows, cols, scaling, slow.data(), rows + 2));
        EXPECT_EQ(fast, want) << rows << " x " << cols;
        EXPECT_FALSE(std::signbit(fast[0]));
        EXPECT_EQ(slow, want) << rows << " x " << cols;
        for (double odd : {3.0, 2002.0, -2002.0, std::nan("")}) {
            const size_t r = gen() % rows, c = gen() % cols;
            std::swap(in[r * (cols + 3) + c], odd);
            EXPECT_FALSE(transpose_rows_quietly(from.data(), rows, cols, scaling, fast.data(), rows + 2)) << odd;
            EXPECT_FALSE(transpose_rows_quietly_generic(from.data(), rows, cols, scaling, slow.data(), rows + 2));
            std::swap(in[r * (cols + 3) + c], odd);
        }
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

namespace {

struct Counts {
    zeb_fir_v7_1_wrap_counts total{};
    std::vector<unsigned int> input, output;  // [path + P * chan]
    std::vector<double> outputs;              // (path, slot, vector)
};

std::tuple<unsigned long long, unsigned int, unsigned int> at(const zeb_fir_v7_1_position& p) {
    return {p.vector, p.path, p.slot};
}
// The totals and the counts by channel; the first positions.
auto counts(const Counts& c) { return std::tie(c.total.input, c.total.output, c.input, c.output); }
auto firsts(const Counts& c) { return std::make_pair(at(c.total.first_input), at(c.total.first_output)); }

void note(unsigned long long& total, zeb_fir_v7_1_position& first, const zeb_fir_v7_1_position& place) {
    if (total++ == 0 || std::tie(place.vector, place.slot, place.path) < std::tie(first.vector, first.slot, first.path))
        first = place;
}

// What the model must count for x (path, slot, vector) through a fresh model,
// from vector `from` on.
Counts independent(const zeb_fir_v7_1_config& cfg, size_t V, const std::vector<double>& x, size_t from = 0) {
    const size_t P = cfg.num_paths, C = cfg.num_channels;
    const ref::Widths w = ref::widths_of(cfg);
    const mpz_class top = mpz_class(1) << (cfg.data_width - 1);
    Counts e{{}, std::vector<unsigned int>(P * C), std::vector<unsigned int>(P * C), std::vector<double>(P * C * V)};
    for (unsigned int p = 0; p < P; ++p)
        for (unsigned int c = 0; c < C; ++c) {
            std::vector<mpz_class> q;
            for (size_t v = 0; v < V; ++v) {
                const mpz_class units = ref::exact(std::floor(x[p + P * (c + C * v)]));
                if (v >= from && (units >= top || units < -top))
                    ++e.input[p + P * c], note(e.total.input, e.total.first_input, {v, p, c});
                q.push_back(ref::quantise_input(x[p + P * (c + C * v)], cfg));
            }
            const std::vector<mpz_class> acc = ref::convolve({ref::taps_of(cfg)}, 1, 1, q);
            for (size_t v = 0; v < V; ++v) {
                const mpz_class y = ref::rounded_of(acc[v], cfg, w);
                if (v >= from && y != ref::wrap(y, w.output_width))
                    ++e.output[p + P * c], note(e.total.output, e.total.first_output, {v, p, c});
                e.outputs[p + P * (c + C * v)] = ref::wrap(y, w.output_width).get_d();
            }
        }
    return e;
}

// Sends x and reads everything, in whole packets or slot by slot; the counts.
Counts run(const Model& m, size_t V, const std::vector<double>& x, bool slots) {
    const size_t P = m.config().num_paths, C = m.config().num_channels;
    Counts got;
    for (size_t i = 0; slots && i < C * V; ++i) {
        EXPECT_EQ(zeb_fir_v7_1_data_send_channel(*m, slot(P, &x[P * i]).get()), ZEB_STATUS_OK);
        Real one({P});
        EXPECT_EQ(zeb_fir_v7_1_data_get_channel(*m, one.get(), nullptr), ZEB_STATUS_OK);
        got.outputs.insert(got.outputs.end(), one->data, one->data + one->data_size);
    }
    if (!slots) { EXPECT_EQ(zeb_fir_v7_1_data_send(*m, packet(P, C, V, x).get()), ZEB_STATUS_OK); }
    if (!slots) got.outputs = get_vectors(m, P, C, V);
    EXPECT_EQ(zeb_fir_v7_1_get_wrap_counts(*m, &got.total), ZEB_STATUS_OK);
    EXPECT_EQ(got.total.coefficients, 0u);
    Uint in({}), out({});
    EXPECT_EQ(zeb_fir_v7_1_get_wrap_counts_by_channel(*m, in.get(), out.get()), ZEB_STATUS_OK);
    EXPECT_EQ(std::vector<size_t>(in->dim, in->dim + in->dim_size), (std::vector<size_t>{P, C}));
    got.input.assign(in->data, in->data + in->data_size);
    got.output.assign(out->data, out->data + out->data_size);
    return got;
}

}  // namespace

TEST(WrapCounts, EqualAnIndependentCountInEveryArithmeticHoweverTheStreamIsCut) {
    const std::vector<double> coeff = {4, 8, 4};  // a tap sum of 16: 4 accumulator bits above the data
    const struct { const char* name; unsigned int dw; Model::Create create; int arithmetic; } rows[] = {
        {"doubles", 16, zeb_fir_v7_1_create_dbg, ZEB_FIR_V7_1_ARITHMETIC_DOUBLE},
        {"128-bit integers", 49, zeb_fir_v7_1_create_dbg, ZEB_FIR_V7_1_ARITHMETIC_INT128},
        {"GMP integers", 49, create_on_gmp, ZEB_FIR_V7_1_ARITHMETIC_GMP}};
    const size_t V = 300;
    for (const auto& row : rows)
        for (bool slots : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (slots ? ", slots" : ", whole packets"));
            zeb_fir_v7_1_config cfg = config_with(coeff);
            cfg.num_paths = 2, cfg.num_channels = 3, cfg.data_width = row.dw;
            cfg.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_UP, cfg.output_width = 8;
            // Near the top of the range (three in a row round up to 128 of an
            // 8-bit output), the bottom, and beyond the input range both ways.
            const double top = std::ldexp(1.0, static_cast<int>(row.dw) - 1);
            const double picks[] = {top - 1, top - 2, top - 300, -top, 1.25 * top, -1.5 * top, 3.0};
            std::mt19937_64 gen(row.dw);
            std::vector<double> x(2 * 3 * V);
            for (double& v : x) v = picks[gen() % 7];
            Model m(cfg, false, row.create);
            zeb_fir_v7_1_info info{};
            ASSERT_EQ(zeb_fir_v7_1_get_info(*m, &info), ZEB_STATUS_OK);
            EXPECT_EQ(info.arithmetic, row.arithmetic);

            const Counts e = independent(cfg, V, x), got = run(m, V, x, slots);
            EXPECT_EQ(got.outputs, e.outputs);
            EXPECT_GT(e.total.output * e.total.input, 0u);
            EXPECT_EQ(counts(got), counts(e));
            EXPECT_EQ(firsts(got), firsts(e));

            // Cleared, the counts start again while the positions go on; reset starts both again.
            ASSERT_EQ(zeb_fir_v7_1_clear_wrap_counts(*m), ZEB_STATUS_OK);
            std::vector<double> twice = x;
            twice.insert(twice.end(), x.begin(), x.end());
            const Counts again = run(m, V, x, slots), e2 = independent(cfg, 2 * V, twice, V);
            EXPECT_EQ(counts(again), counts(e2));
            EXPECT_EQ(firsts(again), firsts(e2));
            ASSERT_EQ(zeb_fir_v7_1_reset(*m), ZEB_STATUS_OK);
            const Counts fresh = run(m, V, x, slots);
            EXPECT_EQ(std::tie(fresh.total.input, fresh.total.output), std::tie(e.total.input, e.total.output));
            EXPECT_EQ(at(fresh.total.first_output), at(e.total.first_output));
        }
}
