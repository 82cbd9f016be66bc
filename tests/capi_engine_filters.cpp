// End to end through the C interface: every filter type, rate, width,
// rounding mode and arithmetic mode against the reference model.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine_harness.h"
#include "reference_model.h"
#include "zeb_fir_v7_1.h"

using namespace harness;

namespace {

zeb_fir_v7_1_config config_with(const std::vector<double>& coeff) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.coeff = coeff.data();
    cfg.num_coeffs = static_cast<unsigned int>(coeff.size());
    return cfg;
}

void set_widths(zeb_fir_v7_1_config& cfg, unsigned int dw, unsigned int dfw, unsigned int cw, unsigned int cfw) {
    cfg.data_width = dw;
    cfg.data_fract_width = dfw;
    cfg.coeff_width = cw;
    cfg.coeff_fract_width = cfw;
}

// An otherwise default record with deterministic coefficients of one format.
struct RandomFilter {
    RandomFilter(uint64_t seed, size_t taps, unsigned int dw, unsigned int dfw, unsigned int cw, unsigned int cfw)
        : coeff(Stimulus(seed).coeffs(taps, cw, cfw)), cfg(config_with(coeff)) {
        set_widths(cfg, dw, dfw, cw, cfw);
    }
    RandomFilter(const RandomFilter&) = delete;
    RandomFilter& operator=(const RandomFilter&) = delete;
    std::vector<double> coeff;
    zeb_fir_v7_1_config cfg;
};

// Output of a single-path, single-channel model fed `input` one vector at a time.
std::vector<double> impulse_response(const zeb_fir_v7_1_config& cfg, size_t length) {
    std::vector<double> input(length, 0.0);
    input[0] = 1.0;
    Model m(cfg);
    Real in = packet(1, 1, length, input);
    EXPECT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    Real out({1, 1, length});
    EXPECT_EQ(zeb_fir_v7_1_data_get(*m, out.get(), nullptr), ZEB_STATUS_OK);
    return std::vector<double>(out->data, out->data + out->data_size);
}

// Raw accumulators of path 0, channel 0 for the stimulus check_packet_run
// feeds a single-channel model: used to prove that ties were exercised.
std::vector<mpz_class> raw_sums(const zeb_fir_v7_1_config& cfg, size_t V, uint64_t seed) {
    Stimulus stimulus(seed);
    std::vector<mpz_class> q;
    for (double x : stimulus.samples(cfg.num_paths * cfg.num_channels * V, cfg.data_width, cfg.data_fract_width))
        q.push_back(ref::quantise_input(x, cfg));
    std::vector<mpz_class> first;
    for (size_t i = 0; i < q.size(); i += cfg.num_paths * cfg.num_channels) first.push_back(q[i]);
    const ref::Rates r = ref::rates_of(cfg);
    return ref::convolve(ref::taps_of(cfg), r.L, r.M, first);
}

// Counts exact ties (dropped bits exactly one half) of positive and negative sums.
void expect_ties_both_signs(const std::vector<mpz_class>& sums, int dropped) {
    int positive = 0, negative = 0;
    for (const mpz_class& s : sums) {
        mpz_class r;
        mpz_fdiv_r_2exp(r.get_mpz_t(), s.get_mpz_t(), static_cast<mp_bitcnt_t>(dropped));
        if (r != mpz_class(1) << (dropped - 1)) continue;
        (s > 0 ? positive : negative)++;
    }
    EXPECT_GT(positive, 0);
    EXPECT_GT(negative, 0);
}

// Impulse response of the default coefficients after `lead` zero taps.
std::vector<double> default_response(size_t lead, size_t length) {
    std::vector<double> response(lead, 0.0);
    response.insert(response.end(), kDefaultCoeff.begin(), kDefaultCoeff.end());
    response.resize(length, 0.0);
    return response;
}

}  // namespace

TEST(EngineSingleRate, DefaultRecordGivesItsCoefficientsAsImpulseResponse) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    EXPECT_EQ(impulse_response(cfg, 30), default_response(0, 30));
    check_packet_run(cfg, 64, 1);
}

TEST(EngineSingleRate, PathsAndChannelsCarryTheirOwnData) {
    RandomFilter f(2, 17, 12, 3, 10, 4);
    zeb_fir_v7_1_config& cfg = f.cfg;
    cfg.num_paths = 3;
    cfg.num_channels = 5;
    check_packet_run(cfg, 24, 3);
}

TEST(EngineSingleRate, ComplexReadOfARealFilterHasZeroImaginaryPart) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.num_paths = 2;
    Stimulus stimulus(4);
    const std::vector<double> values = stimulus.samples(2 * 10, 16, 0);
    const Expectation e(cfg, basic_order(1), 10, values);
    Model m(cfg);
    Real in = packet(2, 1, 10, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    Complex a({2, 1, 4});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, nullptr, a.get()), ZEB_STATUS_OK);
    expect_vectors(e, *a.get(), 0, 4, false, 0);
    MpzComplex b({2, 1, 6});
    ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(*m, nullptr, b.get()), ZEB_STATUS_OK);
    expect_vectors(e, *b.get(), 4, 6, false);
}

TEST(EngineSingleRate, CoefficientPaddingDelaysTheResponse) {
    zeb_fir_v7_1_config cfg = config_with(kDefaultCoeff);
    cfg.coeff_padding = 3;
    EXPECT_EQ(impulse_response(cfg, 30), default_response(3, 30));
    cfg.num_channels = 2;
    check_packet_run(cfg, 40, 5);
}

TEST(EngineSingleRate, EveryCoefficientSetCountsForTheAccumulatorButSetZeroFilters) {
    // Set 1 sums to 1000: 16 + lg(1000) = 26 bits, while set 0 alone needs 24.
    std::vector<double> coeff = kDefaultCoeff;
    for (size_t i = 0; i < kDefaultCoeff.size(); ++i) coeff.push_back(i == 10 ? 1000.0 : 0.0);
    zeb_fir_v7_1_config cfg = config_with(coeff);
    cfg.num_coeffs = 21;
    cfg.coeff_sets = 2;
    Model m(cfg);
    EXPECT_EQ(m.config().output_width, 26u);
    EXPECT_EQ(impulse_response(cfg, 25), default_response(0, 25));
    check_packet_run(cfg, 30, 6);
}

TEST(EngineRates, IntegerInterpolationByFour) {
    // 23 taps: branches 0 to 2 have six taps, branch 3 five.
    RandomFilter f(7, 23, 16, 2, 14, 3);
    zeb_fir_v7_1_config& cfg = f.cfg;
    cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    cfg.interpolation_rate = 4;
    cfg.decimation_rate = 3;  // ignored by an integer rate change
    cfg.num_paths = 2;
    cfg.num_channels = 3;
    check_packet_run(cfg, 20, 8);
    EXPECT_EQ(Model(cfg).config().decimation_rate, 1u);
}

TEST(EngineRates, IntegerDecimationByThree) {
    RandomFilter f(9, 25, 18, 5, 12, 0);
    zeb_fir_v7_1_config& cfg = f.cfg;
    cfg.filter_type = ZEB_FIR_V7_1_DECIMATION;
    cfg.decimation_rate = 3;
    cfg.interpolation_rate = 4;  // ignored by an integer rate change
    cfg.num_paths = 2;
    cfg.num_channels = 2;
    check_packet_run(cfg, 31, 10);  // 31 inputs per channel: 10 outputs, one input left over
    EXPECT_EQ(Model(cfg).config().interpolation_rate, 1u);
}

TEST(EngineRates, FixedFractionalRates) {
    struct Case {
        int type;
        unsigned int L, M;
    };
    for (const Case& c : {Case{ZEB_FIR_V7_1_INTERPOLATION, 3, 2}, Case{ZEB_FIR_V7_1_DECIMATION, 2, 3},
                          Case{ZEB_FIR_V7_1_DECIMATION, 5, 7}, Case{ZEB_FIR_V7_1_INTERPOLATION, 7, 5}}) {
        SCOPED_TRACE(testing::Message() << c.L << "/" << c.M);
        RandomFilter f(11 + c.L, 31, 14, 1, 15, 2);
        zeb_fir_v7_1_config& cfg = f.cfg;
        cfg.filter_type = c.type;
        cfg.rate_change = ZEB_FIR_V7_1_FIXED_FRACTIONAL;
        cfg.interpolation_rate = c.L;
        cfg.decimation_rate = c.M;
        cfg.num_paths = 2;
        cfg.num_channels = 2;
        check_packet_run(cfg, 23, 12 + c.M);
    }
}

TEST(EngineRates, FewerCoefficientsThanTheInterpolationRate) {
    // Three taps, interpolation by 8: five of the eight branches have none.
    const std::vector<double> coeff = {3, -5, 7};
    zeb_fir_v7_1_config cfg = config_with(coeff);
    cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    cfg.interpolation_rate = 8;
    cfg.num_channels = 2;
    check_packet_run(cfg, 10, 18);
}

TEST(EngineHilbert, ComplexReadsPairTheDelayedInputWithTheFilteredInput) {
    const std::vector<double> coeff = {-0.25, 0, -0.5, 0, -1.5, 0, 1.5, 0, 0.5, 0, 0.25};
    zeb_fir_v7_1_config cfg = config_with(coeff);
    set_widths(cfg, 12, 2, 10, 3);
    cfg.filter_type = ZEB_FIR_V7_1_HILBERT;
    cfg.coeff_padding = 2;
    cfg.num_paths = 2;
    cfg.num_channels = 3;
    check_packet_run(cfg, 30, 13);

    // In-phase part: the quantised input delayed by 5 + 2 samples.
    cfg.num_paths = 1;
    cfg.num_channels = 1;
    std::vector<double> input(12);
    for (size_t i = 0; i < input.size(); ++i) input[i] = 1.3 * static_cast<double>(i + 1);
    Model m(cfg);
    Real in = packet(1, 1, 12, input);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    Complex a({1, 1, 12});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, nullptr, a.get()), ZEB_STATUS_OK);
    for (size_t i = 0; i < 12; ++i) {
        const double delayed = i < 7 ? 0.0 : std::floor(input[i - 7] * 4) / 4;
        EXPECT_EQ(a->data[i].re, delayed) << i;
    }
}

TEST(EngineHilbert, RealReadsLeaveTheInPhaseLineAlone) {
    const std::vector<double> coeff = {-1, 0, -3, 0, 3, 0, 1};
    zeb_fir_v7_1_config cfg = config_with(coeff);
    cfg.filter_type = ZEB_FIR_V7_1_HILBERT;
    Stimulus stimulus(19);
    const std::vector<double> values = stimulus.samples(12, 16, 0);
    const Expectation e(cfg, basic_order(1), 12, values);
    Model m(cfg);
    Real in = packet(1, 1, 12, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    Real first({1, 1, 4});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, first.get(), nullptr), ZEB_STATUS_OK);
    expect_vectors(e, *first.get(), 0, 4);
    // The complex read then pairs the oldest in-phase values with newer outputs.
    Complex rest({1, 1, 8});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, nullptr, rest.get()), ZEB_STATUS_OK);
    for (size_t j = 4; j < 12; ++j) {
        EXPECT_EQ(rest->data[j - 4].re, ref::real_of(e.in_phase(0, 0, j - 4), 0)) << j;
        EXPECT_EQ(rest->data[j - 4].im, e.real(0, 0, j)) << j;
    }
}

TEST(EngineHilbert, WideModeComplexIntegers) {
    RandomFilter f(14, 15, 30, 9, 40, 6);
    zeb_fir_v7_1_config& cfg = f.cfg;
    cfg.filter_type = ZEB_FIR_V7_1_HILBERT;
    cfg.num_channels = 2;
    ASSERT_GT(ref::widths_of(cfg).acc_width, 52);
    check_packet_run(cfg, 25, 15);
}

TEST(EngineInterpolated, ZeroPackingSpreadsTheTaps) {
    const std::vector<double> coeff = {1, 2, -3, 4};
    zeb_fir_v7_1_config cfg = config_with(coeff);
    cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATED;
    cfg.zero_packing_factor = 3;
    cfg.coeff_padding = 1;
    cfg.interpolation_rate = 5;  // ignored by this filter type
    const std::vector<double> expected = {0, 0, 0, 1, 0, 0, 2, 0, 0, -3, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(impulse_response(cfg, 16), expected);

    RandomFilter f(16, 7, 11, 0, 9, 1);
    f.cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATED;
    f.cfg.zero_packing_factor = 4;
    f.cfg.coeff_padding = 2;
    f.cfg.num_paths = 3;
    check_packet_run(f.cfg, 50, 17);
}

TEST(EngineRounding, EveryModeInDoubleMode) {
    RandomFilter f(18, 9, 10, 0, 12, 0);
    zeb_fir_v7_1_config& cfg = f.cfg;
    cfg.num_channels = 2;
    const int acc = ref::widths_of(cfg).acc_width;
    for (int mode = ZEB_FIR_V7_1_FULL_PRECISION; mode <= ZEB_FIR_V7_1_ROUND_HALF_UP; ++mode) {
        SCOPED_TRACE(mode);
        cfg.output_rounding_mode = mode;
        cfg.output_width = static_cast<unsigned int>(acc - 2);
        check_packet_run(cfg, 120, 19);
        // Many dropped bits, with fractional bits in the format.
        zeb_fir_v7_1_config fine = cfg;
        set_widths(fine, 10, 4, 12, 5);
        fine.output_width = static_cast<unsigned int>(ref::widths_of(fine).acc_width - 12);
        check_packet_run(fine, 60, 20);
    }
    cfg.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_EVEN;
    expect_ties_both_signs(raw_sums(cfg, 120, 19), 2);
}

TEST(EngineRounding, EveryModeInWideModeAbove64Bits) {
    RandomFilter f(21, 9, 40, 1, 40, 2);
    zeb_fir_v7_1_config& cfg = f.cfg;
    cfg.num_paths = 2;
    const int acc = ref::widths_of(cfg).acc_width;
    ASSERT_GT(acc, 80);
    for (int mode = ZEB_FIR_V7_1_FULL_PRECISION; mode <= ZEB_FIR_V7_1_ROUND_HALF_UP; ++mode) {
        SCOPED_TRACE(mode);
        cfg.output_rounding_mode = mode;
        cfg.output_width = static_cast<unsigned int>(acc - 3);
        check_packet_run(cfg, 90, 22);
        zeb_fir_v7_1_config narrow = cfg;
        narrow.output_width = 20;
        check_packet_run(narrow, 20, 23);
    }
    cfg.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_EVEN;
    expect_ties_both_signs(raw_sums(cfg, 90, 22), 3);
}

TEST(EngineWidths, DataAndCoefficientWidthsFromTwoTo49Bits) {
    struct Case {
        unsigned int dw, dfw, cw, cfw, taps;
        int mode;
        int dropped;
    };
    const Case cases[] = {
        {2, 0, 2, 0, 5, ZEB_FIR_V7_1_FULL_PRECISION, 0},   {2, 1, 3, 1, 4, ZEB_FIR_V7_1_ROUND_HALF_EVEN, 1},
        {3, 0, 49, 20, 6, ZEB_FIR_V7_1_FULL_PRECISION, 0}, {49, 10, 2, 0, 7, ZEB_FIR_V7_1_TRUNCATE_LSBS, 5},
        {49, 0, 3, 0, 5, ZEB_FIR_V7_1_FULL_PRECISION, 0},  {24, 8, 24, 12, 11, ZEB_FIR_V7_1_ROUND_HALF_AWAY, 9},
        {31, 0, 17, 5, 8, ZEB_FIR_V7_1_ROUND_HALF_UP, 30}, {17, 17, 31, 31, 6, ZEB_FIR_V7_1_ROUND_HALF_DOWN, 4},
        {49, 49, 49, 49, 13, ZEB_FIR_V7_1_FULL_PRECISION, 0}, {8, 3, 44, 0, 9, ZEB_FIR_V7_1_ROUND_HALF_ODD, 40},
    };
    uint64_t seed = 30;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "data " << c.dw << "." << c.dfw << " coeff " << c.cw << "." << c.cfw);
        RandomFilter f(seed++, c.taps, c.dw, c.dfw, c.cw, c.cfw);
        zeb_fir_v7_1_config& cfg = f.cfg;
        cfg.output_rounding_mode = c.mode;
        cfg.output_width = static_cast<unsigned int>(ref::widths_of(cfg).acc_width - c.dropped);
        cfg.num_channels = 2;
        check_packet_run(cfg, 40, seed++);
    }
}

TEST(EngineWidths, WideModeWithFractionalBitsReadsRealValues) {
    RandomFilter f(50, 21, 47, 13, 45, 7);
    zeb_fir_v7_1_config& cfg = f.cfg;
    cfg.num_paths = 2;
    cfg.num_channels = 2;
    const ref::Widths w = ref::widths_of(cfg);
    ASSERT_GT(w.acc_width, 90);
    EXPECT_EQ(w.out_fract, 20);
    check_packet_run(cfg, 40, 51);
    cfg.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_EVEN;
    cfg.output_width = static_cast<unsigned int>(w.acc_width - 8);
    check_packet_run(cfg, 40, 52);
}

TEST(EngineWidths, OnlyDoubleModeWrapsAnAccumulatorThatReachesItsTop) {
    // A power-of-two coefficient sum times the most negative input is one
    // more than the accumulator holds.
    auto run = [](unsigned int cw, unsigned int taps) {
        const std::vector<double> coeff(taps, -std::ldexp(1.0, static_cast<int>(cw) - 1));
        zeb_fir_v7_1_config cfg = config_with(coeff);
        set_widths(cfg, 8, 0, cw, 0);
        Model m(cfg);
        const std::vector<double> input(taps, -128.0);
        Real in = packet(1, 1, taps, input);
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
        Mpz out({1, 1, taps});
        EXPECT_EQ(zeb_fir_v7_1_data_get_mpz(*m, out.get(), nullptr), ZEB_STATUS_OK);
        const Expectation e(cfg, basic_order(1), taps, input);
        for (size_t i = 0; i < taps; ++i) EXPECT_EQ(mpz_class(out->data + i), e.out(0, 0, i)) << i;
        return std::make_pair(m.config().output_width, mpz_class(out->data + taps - 1));
    };
    // 16 x 2^15 = 2^19: 27-bit accumulator, 2^26 wraps to -2^26.
    auto narrow = run(16, 16);
    EXPECT_EQ(narrow.first, 27u);
    EXPECT_EQ(narrow.second, mpz_class(-(mpz_class(1) << 26)));
    // 4 x 2^48 = 2^50: 58-bit accumulator in GMP mode keeps 2^57.
    auto wide = run(49, 4);
    EXPECT_EQ(wide.first, 58u);
    EXPECT_EQ(wide.second, mpz_class(mpz_class(1) << 57));
}

TEST(EngineQuantisation, CoefficientsRoundToNearestWithHalvesTowardZeroAndWrap) {
    const std::vector<double> coeff = {2.5, 2.6, -2.5, -2.6, 0.4, 200, 127.5, -128.4, -0.0};
    zeb_fir_v7_1_config cfg = config_with(coeff);
    cfg.coeff_width = 8;
    const std::vector<double> expected = {2, 3, -2, -3, 0, -56, 127, -128, 0, 0};
    EXPECT_EQ(impulse_response(cfg, 10), expected);

    const std::vector<double> fine = {0.3, 0.375, 0.376, -0.375};
    cfg = config_with(fine);
    cfg.coeff_fract_width = 2;
    cfg.coeff_width = 8;
    EXPECT_EQ(impulse_response(cfg, 4), (std::vector<double>{0.25, 0.25, 0.5, -0.25}));
}

TEST(EngineQuantisation, InputsRoundDownAndWrap) {
    const std::vector<double> one = {1};
    zeb_fir_v7_1_config cfg = config_with(one);
    const std::vector<double> input = {1.7, -1.2, 32768, 40000, -32769};
    Model m(cfg);
    Real in = packet(1, 1, 5, input);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    Real out({1, 1, 5});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, out.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(std::vector<double>(out->data, out->data + 5), (std::vector<double>{1, -2, -32768, -25536, 32767}));

    cfg.data_fract_width = 4;
    Model f(cfg);
    const std::vector<double> small = {0.03, 0.07, -0.03};
    Real in2 = packet(1, 1, 3, small);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*f, in2.get()), ZEB_STATUS_OK);
    Real out2({1, 1, 3});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*f, out2.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(std::vector<double>(out2->data, out2->data + 3), (std::vector<double>{0, 0.0625, -0.0625}));
}

TEST(EngineQuantisation, MaximizeDynamicRangeUsesTheSmallerScale) {
    struct Case {
        std::vector<double> coeff;
        unsigned int cw, cfw;
        std::string scale_note;
        std::vector<double> quantised;
    };
    const Case cases[] = {
        {{1, 2, 4, 2, 1}, 8, 0, "31.75", {32, 63, 127, 63, 32}},
        {{-8, 3, 1}, 8, 0, "16", {-128, 48, 16}},         // the most negative sets the scale
        {{-3, 8}, 8, 0, "15.875", {-48, 127}},            // the largest sets it
        {{0.5, -0.25, 0.125}, 10, 2, "255.5", {127.75, -63.75, 32}},
        {{-2, -1, 0}, 6, 0, "16", {-32, -16, 0}},         // no positive value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale_note);
        zeb_fir_v7_1_config cfg = config_with(c.coeff);
        cfg.quantization = ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE;
        cfg.coeff_width = c.cw;
        cfg.coeff_fract_width = c.cfw;
        Model m(cfg, true);
        bool noted = false;
        for (const Message& msg : m.log)
            noted = noted || msg.text == "pilvoran_v7_1 NOTE: Coefficient scaling: " + c.scale_note;
        EXPECT_TRUE(noted);
        std::vector<double> expected = c.quantised;
        expected.resize(8, 0.0);
        EXPECT_EQ(impulse_response(cfg, 8), expected);
        cfg.num_channels = 3;
        check_packet_run(cfg, 20, 60);
    }
}

TEST(EngineQuantisation, MaximizeDynamicRangeRefusesAllZeroCoefficients) {
    const std::vector<double> zeros(5, 0.0);
    zeb_fir_v7_1_config cfg = config_with(zeros);
    cfg.quantization = ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE;
    Model m(cfg, true);
    EXPECT_EQ(*m, nullptr);
    ASSERT_FALSE(m.log.empty());
    const Message& last = m.log.back();
    EXPECT_EQ(last.source, 0);
    EXPECT_EQ(last.flag, 1);
    EXPECT_EQ(last.text, "Cannot maximize dynamic range: all coefficients are zero");
    cfg.quantization = ZEB_FIR_V7_1_QUANTIZE_ONLY;
    Model plain(cfg);
    EXPECT_NE(*plain, nullptr);
}

// A zero-bit output holds nothing: refused in the integer mode as in the
// double mode (where the output format itself cannot be built).
TEST(EngineQuantisation, ZeroOutputWidthWithRoundingIsRefusedInBothModes) {
    const std::vector<double> taps = {3, -5, 7};
    for (unsigned int width : {16u, 40u}) {
        zeb_fir_v7_1_config cfg = config_with(taps);
        cfg.data_width = width;
        cfg.coeff_width = width;
        cfg.reloadable = 1;  // accumulator 2 * width + 2: 34 bits (doubles) or 82 (integers)
        cfg.output_rounding_mode = ZEB_FIR_V7_1_TRUNCATE_LSBS;
        cfg.output_width = 0;
        Model m(cfg, true);
        EXPECT_EQ(*m, nullptr) << width;
        ASSERT_FALSE(m.log.empty());
        EXPECT_EQ(m.log.back().flag, 1);
        EXPECT_EQ(m.log.back().text, width == 16 ? "Bad format specified (IFIX_0_0)" : "Invalid output width");
    }
}
