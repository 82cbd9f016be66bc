// End to end through the C interface: every filter type, rate, width,
// rounding mode, arithmetic mode and channel pattern against the reference
// model, fed and read in every way the interface offers; worked examples
// that check the reference itself; and one output stream however the host
// cuts its calls (streams.h): random scenarios, and rows of scenarios with
// packets that once lost or moved samples.
#include <array>
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "streams.h"

using namespace streams;

namespace {

struct Case {
    std::string name;
    std::vector<double> coeff;  // empty: `taps` random values of the coefficient format
    size_t taps;
    unsigned int dw, dfw, cw, cfw;
    size_t V;
    Change setup;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

Change rated(int type, int change, unsigned int L, unsigned int M, unsigned int P = 2, unsigned int C = 2) {
    return [=](zeb_fir_v7_1_config& c) { host::rate(type, change, L, M)(c), c.num_paths = P, c.num_channels = C; };
}
Change rounding(int mode, int dropped, unsigned int P, unsigned int C) {
    return [=](zeb_fir_v7_1_config& c) {
        c.output_rounding_mode = mode, c.num_paths = P, c.num_channels = C;
        c.output_width = static_cast<unsigned int>(ref::widths_of(c).acc_width - dropped);
    };
}

std::vector<Case> cases() {
    const int I = ZEB_FIR_V7_1_INTERPOLATION, D = ZEB_FIR_V7_1_DECIMATION, S = ZEB_FIR_V7_1_SINGLE_RATE;
    const int F = ZEB_FIR_V7_1_FIXED_FRACTIONAL, N = ZEB_FIR_V7_1_INTEGER_RATE, H = ZEB_FIR_V7_1_HILBERT;
    // Set 1 sums to 1000: 26 accumulator bits where set 0 alone needs 24.
    std::vector<double> two_sets = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};
    two_sets.resize(42, 0.0);
    two_sets[31] = 1000;
    std::vector<Case> all = {
        {"DefaultRecord", {}, 0, 16, 0, 16, 0, 64, rated(S, N, 1, 1, 1, 1)},
        {"ThreePathsFiveChannels", {}, 17, 12, 3, 10, 4, 24, rated(S, N, 1, 1, 3, 5)},
        // Enough rows for reads to go straight from the kernels' buffers,
        // with a row and a vector beyond the vector tiles; then rounded.
        {"ElevenPathsThreeChannels", {}, 13, 12, 3, 10, 4, 37, rated(S, N, 1, 1, 11, 3)},
        {"ElevenPathsThreeChannelsRounded", {}, 13, 12, 3, 10, 4, 37, rounding(4, 3, 11, 3)},
        {"CoefficientPadding", {}, 0, 16, 0, 16, 0, 40, [](auto& c) { c.coeff_padding = 3, c.num_channels = 2; }},
        {"TwoSetsCountForTheAccumulator", two_sets, 0, 16, 0, 16, 0, 30,
         [](auto& c) { c.num_coeffs = 21, c.coeff_sets = 2; }},
        {"InterpolationBy4", {}, 23, 16, 2, 14, 3, 20, rated(I, N, 4, 3, 2, 3)},
        {"DecimationBy3", {}, 25, 18, 5, 12, 0, 31, rated(D, N, 4, 3)},
        {"Fractional3Over2", {}, 31, 14, 1, 15, 2, 23, rated(I, F, 3, 2)},
        {"Fractional2Over3", {}, 31, 14, 1, 15, 2, 23, rated(D, F, 2, 3)},
        {"Fractional5Over7", {}, 31, 14, 1, 15, 2, 23, rated(D, F, 5, 7)},
        {"Fractional7Over5", {}, 31, 14, 1, 15, 2, 23, rated(I, F, 7, 5)},
        {"FewerTapsThanBranches", {3, -5, 7}, 0, 16, 0, 16, 0, 10, rated(I, N, 8, 1, 1, 2)},
        {"Hilbert", {-0.25, 0, -0.5, 0, -1.5, 0, 1.5, 0, 0.5, 0, 0.25}, 0, 12, 2, 10, 3, 30,
         [=](auto& c) { rated(H, N, 1, 1, 2, 3)(c), c.coeff_padding = 2; }},
        {"HilbertWide", {}, 15, 30, 9, 40, 6, 25, rated(H, N, 1, 1, 1, 2)},
        {"ZeroPacking", {}, 7, 11, 0, 9, 1, 50,
         [](auto& c) {
             c.filter_type = 4, c.zero_packing_factor = 4, c.coeff_padding = 2, c.num_paths = 3;
             c.interpolation_rate = 5;  // not used by this type
         }},
        {"WideWithFractionalBits", {}, 21, 47, 13, 45, 7, 40, rated(S, N, 1, 1)},
        {"WideRoundedWithFractionalBits", {}, 21, 47, 13, 45, 7, 40, rounding(4, 8, 2, 2)},  // half to even
        // The widest samples and coefficients: products of 2^96 on 128-bit kernels.
        {"IntegerModeAtFullWidth", {}, 19, 49, 0, 49, 0, 90,
         [](auto& c) { rated(I, N, 3, 1)(c), c.reloadable = 1, c.output_rounding_mode = 4, c.output_width = 60; }},
    };
    // Every output rounding mode, in doubles (few and many dropped bits) and
    // in integers above 64 bits.
    for (int mode = ZEB_FIR_V7_1_FULL_PRECISION; mode <= ZEB_FIR_V7_1_ROUND_HALF_UP; ++mode) {
        const std::string m = "RoundingMode" + std::to_string(mode);
        all.push_back({m, {}, 9, 10, 0, 12, 0, 120, rounding(mode, 2, 1, 2)});
        all.push_back({m + "Fine", {}, 9, 10, 4, 12, 5, 60, rounding(mode, 12, 1, 2)});
        all.push_back({m + "Wide", {}, 9, 40, 1, 40, 2, 90, rounding(mode, 3, 2, 1)});
        all.push_back({m + "WideNarrow", {}, 9, 40, 1, 40, 2, 20,
                       [=](auto& c) { c.output_rounding_mode = mode, c.output_width = 20, c.num_paths = 2; }});
    }
    // Data and coefficient widths from 2 to 49 bits: dw, dfw, cw, cfw, taps, rounding mode, dropped bits.
    const unsigned int widths[][7] = {{2, 0, 2, 0, 5, 0, 0},     {2, 1, 3, 1, 4, 4, 1},     {3, 0, 49, 20, 6, 0, 0},
                                      {49, 10, 2, 0, 7, 1, 5},   {49, 0, 3, 0, 5, 0, 0},    {24, 8, 24, 12, 11, 3, 9},
                                      {31, 0, 17, 5, 8, 7, 30},  {17, 17, 31, 31, 6, 6, 4}, {49, 49, 49, 49, 13, 0, 0},
                                      {8, 3, 44, 0, 9, 5, 40}};
    for (const auto& w : widths) {
        const int mode = static_cast<int>(w[5]), dropped = static_cast<int>(w[6]);
        all.push_back({"Widths" + std::to_string(w[0]) + "_" + std::to_string(w[1]) + "_" + std::to_string(w[2]) + "_" +
                           std::to_string(w[3]),
                       {}, w[4], w[0], w[1], w[2], w[3], 40, rounding(mode, dropped, 1, 2)});
    }
    // Maximised dynamic range: the smaller of the scales of the largest and
    // of the most negative value.
    const std::pair<std::vector<double>, unsigned int> ranges[] = {
        {{1, 2, 4, 2, 1}, 8}, {{-8, 3, 1}, 8}, {{-3, 8}, 8}, {{0.5, -0.25, 0.125}, 10}, {{-2, -1, 0}, 6}};
    for (const auto& r : ranges)
        all.push_back({"MaximizedRange" + std::to_string(all.size()), r.first, 0, 16, 0, r.second,
                       r.second == 10 ? 2u : 0u, 20, [](auto& c) { c.quantization = 2, c.num_channels = 3; }});
    // Channels owning several slots of an advanced pattern: id, type, rate change, L, M, channels.
    const std::array<int, 6> patterns[] = {{3, S, N, 1, 1, 4},   {3, I, N, 2, 1, 4},   {18, D, N, 1, 3, 8},
                                           {18, I, F, 3, 2, 8},  {45, S, N, 1, 1, 12}, {45, D, N, 1, 2, 12},
                                           {64, I, N, 4, 1, 16}};
    for (const auto& q : patterns) {
        const auto L = static_cast<unsigned int>(q[3]), M = static_cast<unsigned int>(q[4]);
        const auto C = static_cast<unsigned int>(q[5]);
        const Change change = [=](auto& c) { rated(q[1], q[2], L, M, 2, C)(c), c.chan_seq = 1, c.init_pattern = q[0]; };
        const std::string name =
            "Pattern" + std::to_string(q[0]) + "Rate" + std::to_string(L) + "Over" + std::to_string(M);
        all.push_back({name, {}, 19, 14, 2, 13, 1, 13, change});
    }
    return all;
}

class Filtering : public testing::TestWithParam<Case> {};

TEST_P(Filtering, MatchesTheReference) {
    const Case& c = GetParam();
    std::vector<double> coeff = c.coeff;
    if (coeff.empty() && c.taps > 0) coeff = Stimulus(c.taps * 7 + c.dw).coeffs(c.taps, c.cw, c.cfw);
    zeb_fir_v7_1_config cfg = coeff.empty() ? changed([](auto&) {}) : config_with(coeff);
    cfg.data_width = c.dw, cfg.data_fract_width = c.dfw, cfg.coeff_width = c.cw, cfg.coeff_fract_width = c.cfw;
    c.setup(cfg);
    check_run(cfg, c.V, c.V * 31 + c.taps);
}

INSTANTIATE_TEST_SUITE_P(All, Filtering, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// Single path and channel, fed `input` in one packet and read as reals.
std::vector<double> response(const zeb_fir_v7_1_config& cfg, const std::vector<double>& input) {
    Model m(cfg);
    EXPECT_EQ(zeb_fir_v7_1_data_send(*m, packet(1, 1, input.size(), input).get()), ZEB_STATUS_OK);
    return get_vectors(m, 1, 1, input.size());
}

}  // namespace

// Worked examples, written out by hand: they check the reference's rules.
TEST(WorkedExamples, QuantisedTapsAndInputs) {
    const auto maximised = [](unsigned int cw, unsigned int cfw) -> Change {
        return [=](auto& c) { c.quantization = 2, c.coeff_width = cw, c.coeff_fract_width = cfw; };
    };
    const std::tuple<std::vector<double>, Change, std::vector<double>, std::vector<double>> examples[] = {
        // coefficients, change, input (none: an impulse), output
        // Nearest, halves toward zero, then wrapped to 8 bits.
        {{2.5, 2.6, -2.5, -2.6, 0.4, 200, 127.5, -128.4, -0.0}, [](auto& c) { c.coeff_width = 8; }, {},
         {2, 3, -2, -3, 0, -56, 127, -128, 0, 0}},
        {{0.3, 0.375, 0.376, -0.375}, [](auto& c) { c.coeff_width = 8, c.coeff_fract_width = 2; }, {},
         {0.25, 0.25, 0.5, -0.25}},
        {{1, 2, -3, 4}, [](auto& c) { c.filter_type = 4, c.zero_packing_factor = 3, c.coeff_padding = 1; }, {},
         {0, 0, 0, 1, 0, 0, 2, 0, 0, -3, 0, 0, 4, 0, 0, 0}},
        {{1, 2, 4, 2, 1}, maximised(8, 0), {}, {32, 63, 127, 63, 32, 0}},
        {{-8, 3, 1}, maximised(8, 0), {}, {-128, 48, 16, 0}},
        {{-3, 8}, maximised(8, 0), {}, {-48, 127, 0}},
        {{0.5, -0.25, 0.125}, maximised(10, 2), {}, {127.75, -63.75, 32, 0}},
        // Inputs round down and wrap, a huge finite one too: DBL_MAX is a multiple of 2^16.
        {{1}, [](auto&) {}, {1.7, -1.2, 32768, 40000, -32769, DBL_MAX}, {1, -2, -32768, -25536, 32767, 0}},
        {{1}, [](auto& c) { c.data_fract_width = 4; }, {0.03, 0.07, -0.03}, {0, 0.0625, -0.0625}},
    };
    for (const auto& [coeff, change, input, want] : examples) {
        zeb_fir_v7_1_config cfg = config_with(coeff);
        change(cfg);
        std::vector<double> x = input;
        if (x.empty()) x.assign(want.size(), 0.0), x[0] = 1;
        EXPECT_EQ(response(cfg, x), want) << coeff[0];
    }
}

// A power-of-two tap sum times the most negative input is one more than the
// accumulator holds: 2^26 wraps in 27 bits, 2^57 in the integer mode's 58.
TEST(WorkedExamples, BothModesWrapAnAccumulatorThatReachesItsTop) {
    for (int cw : {16, 49}) {
        const size_t taps = cw == 16 ? 16 : 4;
        const std::vector<double> coeff(taps, -std::ldexp(1.0, cw - 1));
        zeb_fir_v7_1_config cfg = config_with(coeff);
        cfg.data_width = 8, cfg.coeff_width = static_cast<unsigned int>(cw);
        EXPECT_EQ(response(cfg, std::vector<double>(taps, -128.0)).back(), -std::ldexp(1.0, cw == 16 ? 26 : 57));
    }
}


TEST(OneStream, EveryCutReadsTheSameSlots) {
    for (uint64_t seed = 1; seed <= 300 && !HasFailure(); ++seed) {
        SCOPED_TRACE(testing::Message() << "scenario " << seed);
        check_streams(draw(seed, seed % 4 != 0), seed);
    }
}

// Several ready slots at once: null arguments are refused silently, an
// empty array reads nothing, and a full one leaves the rest for the next call.
TEST(OneStream, ReadySlotsReadUpToTheRoomGiven) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    Model m(cfg);
    for (double x : {1.0, 2.0, 3.0}) ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, slot(1, &x).get()), ZEB_STATUS_OK);
    std::vector<double> values(10, 0.0);
    size_t n = 9;
    EXPECT_EQ(zeb_fir_v7_1_data_get_channels(nullptr, &values[0], 4, &n) +
                  zeb_fir_v7_1_data_get_channels(*m, &values[0], 4, nullptr) +
                  zeb_fir_v7_1_data_get_channels(*m, nullptr, 1, &n),
              3 * ZEB_STATUS_ERROR);
    std::vector<size_t> counts;
    size_t read = 0;
    for (size_t room : {0, 2, 4, 4}) {
        EXPECT_EQ(zeb_fir_v7_1_data_get_channels(*m, room == 0 ? nullptr : &values[read], room, &n), 0);
        counts.push_back(n);
        read += n;
    }
    EXPECT_EQ(counts, (std::vector<size_t>{0, 2, 1, 0}));
    EXPECT_EQ(values, (std::vector<double>{6, 12, 14, 0, 0, 0, 0, 0, 0, 0}));  // taps 6, 0, -4 of the default
    EXPECT_EQ(m.take(), std::vector<std::string>{});
}

// Every cut equal, and the values read (path fastest, slot by slot) as given.
TEST(OneStream, ScenariosThatOnceLostOrMovedSamples) {
    const Packet set1{false, 1, {1}, {}}, set0{false, 1, {0}, {}};
    const std::vector<double> ramp = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33};
    const std::tuple<const char*, std::function<void(zeb_fir_v7_1_config&)>, std::vector<double>, size_t,
                     std::vector<std::pair<size_t, Packet>>, std::vector<double>>
        rows[] = {
            // what went wrong, configuration, coefficients (set after set), vectors, packets, values read
            {"a whole packet fed path 1 after a packet path 0 applied inside the vector",
             [](auto& c) { c.num_paths = 2, c.chan_seq = 1, c.num_channels = 4, c.init_pattern = 1, c.coeff_sets = 2; },
             {1, 10}, 1, {{0, set1}, {0, set0}}, {10, 10, 10, 10, 1, 1, 1, 1}},
            {"whole vectors read at the end under the new pattern lost 12, 13, 22, 23",
             [](auto& c) { c.chan_seq = 1, c.num_channels = 4, c.init_pattern = 4; }, {1}, 4, {{2, set0}}, ramp},
        };
    for (const auto& [what, change, coeff, V, packets, want] : rows) {
        SCOPED_TRACE(what);
        zeb_fir_v7_1_config cfg = config_with(coeff);
        change(cfg);
        cfg.num_coeffs /= cfg.coeff_sets;
        Scenario sc = quiet_scenario(cfg, V, want == ramp ? ramp : std::vector<double>(want.size(), 1));
        for (const auto& [v, k] : packets) sc.before[v].push_back(k);
        check_streams(sc, 7);
        std::vector<double> read;
        for (const auto& slot : run(sc, Cut::slots, 7))
            for (const Element& e : slot) read.push_back(e.out);
        EXPECT_EQ(read, want);
    }
}
