#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fir_test_support.h"

namespace {

using Setter = std::function<void(zeb_fir_v7_1_config&, unsigned int)>;

// Stores v in any field, as the host's raw 32-bit pattern.
#define FIELD(f) \
    #f, [](zeb_fir_v7_1_config& c, unsigned int v) { c.f = static_cast<decltype(c.f)>(v); }

struct Bound {
    const char* field;
    Setter set;
    unsigned int largest_accepted;
    const char* message;
    std::function<void(zeb_fir_v7_1_config&)> prepare;  // makes the accepted value usable
};

const std::vector<Bound>& bounds() {
    static const std::vector<Bound> table = {
        {FIELD(filter_type), 4, "Invalid filter type", nullptr},
        {FIELD(rate_change), 1, "Invalid rate change type", nullptr},
        {FIELD(interpolation_rate), 1024, "Invalid interpolation rate", nullptr},
        {FIELD(decimation_rate), 1024, "Invalid decimation rate", nullptr},
        {FIELD(zero_packing_factor), 8, "Invalid zero packing factor", nullptr},
        {FIELD(is_halfband), 1, "Invalid value for is_halfband", nullptr},
        {FIELD(reloadable), 1, "Invalid value for reloadable", nullptr},
        {FIELD(quantization), 2, "Invalid quantization type", nullptr},
        {FIELD(coeff_width), 49, "Invalid coefficient width", nullptr},
        {FIELD(chan_seq), 1, "Invalid channel sequence type",
         [](zeb_fir_v7_1_config& c) { c.num_channels = 4; }},
        {FIELD(num_channels), 256, "Invalid number of channels", nullptr},
        {FIELD(num_paths), 16, "Invalid number of paths", nullptr},
        {FIELD(data_width), 49, "Invalid coefficient width", nullptr},
        {FIELD(data_fract_width), 16, "Data fractional width must be less than or equal to the data width",
         nullptr},
        {FIELD(output_rounding_mode), 7, "Invalid output rounding type", nullptr},
        {FIELD(config_method), 1, "Invalid configuration method", nullptr},
    };
    return table;
}

TEST(FirValidate, EveryBoundAcceptsItsLimitAndRefusesOneMoreAndMinusOne) {
    for (const Bound& bound : bounds()) {
        SCOPED_TRACE(bound.field);
        FirHarness harness;
        zeb_fir_v7_1_config config = default_record();
        if (bound.prepare) {
            bound.prepare(config);
        }
        bound.set(config, bound.largest_accepted);
        EXPECT_EQ(harness.build(config), "");
        bound.set(config, bound.largest_accepted + 1);
        EXPECT_EQ(harness.build(config), bound.message);
        bound.set(config, UINT_MAX);  // -1 in an int field
        EXPECT_EQ(harness.build(config), bound.message);
    }
}

TEST(FirValidate, FirstFailingCheckWinsInTheFixedOrder) {
    // Every field invalid; repairing one at a time must walk the checks in order.
    zeb_fir_v7_1_config config = default_record();
    config.filter_type = 5;
    config.rate_change = 2;
    config.interpolation_rate = 1025;
    config.decimation_rate = 1025;
    config.zero_packing_factor = 9;
    config.is_halfband = 2;
    config.reloadable = 2;
    config.quantization = 3;
    config.coeff_width = 50;
    config.chan_seq = 2;
    config.num_channels = 300;
    config.num_paths = 17;
    config.data_width = 50;
    config.data_fract_width = 51;
    config.output_rounding_mode = 8;
    config.config_method = 2;

    struct Step {
        const char* expected;
        std::function<void(zeb_fir_v7_1_config&)> repair;
    };
    const std::vector<Step> steps = {
        {"Invalid filter type", [](auto& c) { c.filter_type = 0; }},
        {"Invalid rate change type", [](auto& c) { c.rate_change = 1; }},
        {"Invalid interpolation rate", [](auto& c) { c.interpolation_rate = 4; }},
        {"Invalid decimation rate", [](auto& c) { c.decimation_rate = 6; }},
        {"Interpolation and decimation rates must have no common factors greater than 1",
         [](auto& c) { c.decimation_rate = 3; }},
        {"Invalid zero packing factor", [](auto& c) { c.zero_packing_factor = 1; }},
        {"Invalid value for is_halfband", [](auto& c) { c.is_halfband = 0; }},
        {"Invalid value for reloadable", [](auto& c) { c.reloadable = 0; }},
        {"Invalid quantization type", [](auto& c) { c.quantization = 0; }},
        {"Invalid coefficient width", [](auto& c) { c.coeff_width = 16; }},
        {"Invalid channel sequence type", [](auto& c) { c.chan_seq = 1; }},
        {"Invalid number of channels", [](auto& c) { c.num_channels = 256; }},
        {"Invalid number of channels", [](auto& c) { c.num_channels = 8; }},  // advanced list
        {"Invalid number of paths", [](auto& c) { c.num_paths = 2; }},
        {"Invalid coefficient width", [](auto& c) { c.data_width = 16; }},
        {"Data fractional width must be less than or equal to the data width",
         [](auto& c) { c.data_fract_width = 16; }},
        {"Invalid output rounding type", [](auto& c) { c.output_rounding_mode = 0; }},
        {"Invalid configuration method", [](auto& c) { c.config_method = 0; }},
    };
    FirHarness harness;
    for (const Step& step : steps) {
        EXPECT_EQ(harness.build(config), step.expected);
        step.repair(config);
    }
    EXPECT_EQ(harness.build(config), "");
}

TEST(FirValidate, RangeChecksComeBeforeTheUnservableRefusals) {
    FirHarness harness;
    zeb_fir_v7_1_config config = default_record();
    config.num_paths = 0;
    config.coeff = nullptr;
    config.config_method = 2;
    EXPECT_EQ(harness.build(config), "Invalid configuration method");
}

TEST(FirValidate, CommonFactorCheckUsesEuclidOnlyForFractionalRates) {
    struct Case {
        int rate_change;
        unsigned int l, m;
        bool accepted;
    };
    // Single-rate filter: the rates are validated but never used afterwards.
    const Case cases[] = {
        {1, 3, 2, true},  {1, 4, 6, false}, {1, 0, 0, true},  {1, 1, 0, true},  {1, 4, 0, false},
        {1, 0, 3, false}, {1, 1024, 1023, true}, {1, 1024, 512, false}, {0, 4, 6, true}, {0, 0, 8, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate_change << ": " << c.l << "/" << c.m);
        FirHarness harness;
        zeb_fir_v7_1_config config = default_record();
        config.rate_change = c.rate_change;
        config.interpolation_rate = c.l;
        config.decimation_rate = c.m;
        EXPECT_EQ(harness.build(config),
                  c.accepted ? "" : "Interpolation and decimation rates must have no common factors greater than 1");
    }
}

TEST(FirValidate, ChannelCountsForBasicAndAdvancedSequences) {
    const unsigned int basic_ok[] = {1, 255, 256, 512, 1024};
    const unsigned int basic_bad[] = {257, 300, 511, 513, 1023, 1025, 2048};
    const unsigned int advanced_ok[] = {4, 6, 8, 12, 16, 24, 32, 48, 64};
    const unsigned int advanced_bad[] = {1, 2, 3, 5, 7, 10, 63, 65, 128, 256, 512};
    FirHarness harness;
    zeb_fir_v7_1_config config = default_record();
    for (unsigned int n : basic_ok) {
        config.num_channels = n;
        EXPECT_EQ(harness.build(config), "") << n;
    }
    for (unsigned int n : basic_bad) {
        config.num_channels = n;
        EXPECT_EQ(harness.build(config), "Invalid number of channels") << n;
    }
    config.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    for (unsigned int n : advanced_ok) {
        config.num_channels = n;
        EXPECT_EQ(harness.build(config), "") << n;
    }
    for (unsigned int n : advanced_bad) {
        config.num_channels = n;
        EXPECT_EQ(harness.build(config), "Invalid number of channels") << n;
    }
}

TEST(FirValidate, RefusesRecordsThatCannotBuildAWorkingModel) {
    struct Case {
        const char* what;
        std::function<void(zeb_fir_v7_1_config&)> change;
        const char* expected;  // "" when the record is served
    };
    const Case cases[] = {
        {"no paths", [](auto& c) { c.num_paths = 0; }, "Invalid number of paths"},
        {"no channels", [](auto& c) { c.num_channels = 0; }, "Invalid number of channels"},
        {"no paths, no channels", [](auto& c) { c.num_paths = 0; c.num_channels = 0; }, "Invalid number of paths"},
        {"no sets", [](auto& c) { c.coeff_sets = 0; }, "Invalid number of coefficient sets"},
        {"no coefficients", [](auto& c) { c.num_coeffs = 0; }, "Invalid number of coefficients"},
        {"null coeff", [](auto& c) { c.coeff = nullptr; }, "No coefficients specified"},
        {"interpolated, zpf 0", [](auto& c) { c.filter_type = 4; c.zero_packing_factor = 0; },
         "Invalid zero packing factor"},
        {"single rate, zpf 0", [](auto& c) { c.zero_packing_factor = 0; }, ""},
        {"interpolation, zpf 0", [](auto& c) { c.filter_type = 1; c.interpolation_rate = 2; c.zero_packing_factor = 0; }, ""},
        {"single rate, rates 0", [](auto& c) { c.interpolation_rate = 0; c.decimation_rate = 0; }, ""},
        {"interpolated, rates 0", [](auto& c) { c.filter_type = 4; c.interpolation_rate = 0; c.decimation_rate = 0; }, ""},
        {"hilbert, rates 0", [](auto& c) { c.filter_type = 3; c.interpolation_rate = 0; c.decimation_rate = 0; }, ""},
        {"interpolation by 0", [](auto& c) { c.filter_type = 1; c.interpolation_rate = 0; },
         "Invalid interpolation rate"},
        {"integer interpolation ignores decimation 0", [](auto& c) { c.filter_type = 1; c.interpolation_rate = 2; c.decimation_rate = 0; }, ""},
        {"fractional interpolation 1/0", [](auto& c) { c.filter_type = 1; c.rate_change = 1; c.interpolation_rate = 1; c.decimation_rate = 0; },
         "Invalid decimation rate"},
        {"decimation by 0", [](auto& c) { c.filter_type = 2; c.decimation_rate = 0; }, "Invalid decimation rate"},
        {"integer decimation ignores interpolation 0", [](auto& c) { c.filter_type = 2; c.interpolation_rate = 0; c.decimation_rate = 2; }, ""},
        {"fractional decimation 0/1", [](auto& c) { c.filter_type = 2; c.rate_change = 1; c.interpolation_rate = 0; c.decimation_rate = 1; },
         "Invalid interpolation rate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FirHarness harness;
        zeb_fir_v7_1_config config = default_record();
        c.change(config);
        EXPECT_EQ(harness.build(config), c.expected);
        if (*c.expected != '\0') {
            EXPECT_TRUE(harness.notes.messages.empty()) << "refused before the first note";
        }
    }
}

TEST(FirValidate, PassedBasicChecksIsTheFirstNoteAndSentOnce) {
    FirHarness harness;
    ASSERT_EQ(harness.build(default_record()), "");
    ASSERT_FALSE(harness.notes.messages.empty());
    EXPECT_EQ(harness.notes.messages[0], MessageCapture::Message(0, "t NOTE: Passed basic checks"));
    int count = 0;
    for (const auto& m : harness.notes.messages) {
        count += (m.second == "t NOTE: Passed basic checks");
    }
    EXPECT_EQ(count, 1);
    for (const auto& m : harness.messages.messages) {
        EXPECT_NE(m.first, 1) << m.second;
    }
}

TEST(FirValidate, CopyIsNormalisedByFilterTypeAndHostRecordUntouched) {
    struct Case {
        int filter_type, rate_change;
        unsigned int l, m, zpf;  // expected in the copy
    };
    // Host record: interpolation 5, decimation 7 (coprime), zero packing 3.
    const Case cases[] = {
        {0, 0, 1, 1, 1}, {0, 1, 1, 1, 1}, {1, 0, 5, 1, 1}, {1, 1, 5, 7, 1}, {2, 0, 1, 7, 1},
        {2, 1, 5, 7, 1}, {3, 0, 1, 1, 1}, {3, 1, 1, 1, 1}, {4, 0, 1, 1, 3}, {4, 1, 1, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.filter_type << " rate change " << c.rate_change);
        zeb_fir_v7_1_config config = default_record("norm");
        config.filter_type = c.filter_type;
        config.rate_change = c.rate_change;
        config.interpolation_rate = 5;
        config.decimation_rate = 7;
        config.zero_packing_factor = 3;
        const zeb_fir_v7_1_config before = config;
        FirHarness harness;
        ASSERT_EQ(harness.build(config), "");
        EXPECT_EQ(std::memcmp(&before, &config, sizeof config), 0);

        zeb_fir_v7_1_config out;
        std::memset(&out, 0xA5, sizeof out);
        EXPECT_EQ(harness.model->get_config(out), 0);
        EXPECT_EQ(out.interpolation_rate, c.l);
        EXPECT_EQ(out.decimation_rate, c.m);
        EXPECT_EQ(out.zero_packing_factor, c.zpf);
        EXPECT_EQ(out.filter_type, c.filter_type);
        EXPECT_EQ(out.rate_change, c.rate_change);
        EXPECT_EQ(out.coeff, nullptr);
        ASSERT_NE(out.name, nullptr);
        EXPECT_STREQ(out.name, "norm");
        EXPECT_NE(out.name, config.name) << "the model keeps its own copy of the name";
    }
}

TEST(FirValidate, CopyKeepsUnnormalisedFieldsAndOwnsTheName) {
    char host_name[] = "bench_fir";
    zeb_fir_v7_1_config config = default_record(host_name);
    config.coeff_padding = 2;
    config.coeff_sets = 1;
    config.num_coeffs = 5;
    config.reloadable = 1;
    config.is_halfband = 1;
    config.quantization = ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE;
    config.coeff_width = 18;
    config.coeff_fract_width = 17;
    config.num_channels = 3;
    config.num_paths = 2;
    config.data_width = 14;
    config.data_fract_width = 13;
    config.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_EVEN;
    config.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    FirHarness harness;
    ASSERT_EQ(harness.build(config), "");
    std::strcpy(host_name, "changed!!");

    zeb_fir_v7_1_config out;
    harness.model->get_config(out);
    EXPECT_STREQ(out.name, "bench_fir");
    EXPECT_EQ(out.coeff_padding, 2u);
    EXPECT_EQ(out.num_coeffs, 5u);
    EXPECT_EQ(out.coeff_sets, 1u);
    EXPECT_EQ(out.reloadable, 1u);
    EXPECT_EQ(out.is_halfband, 1u);
    EXPECT_EQ(out.quantization, ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE);
    EXPECT_EQ(out.coeff_width, 18u);
    EXPECT_EQ(out.coeff_fract_width, 17u);
    EXPECT_EQ(out.chan_seq, ZEB_FIR_V7_1_BASIC_CHAN_SEQ);
    EXPECT_EQ(out.num_channels, 3u);
    EXPECT_EQ(out.num_paths, 2u);
    EXPECT_EQ(out.data_width, 14u);
    EXPECT_EQ(out.data_fract_width, 13u);
    EXPECT_EQ(out.output_rounding_mode, ZEB_FIR_V7_1_ROUND_HALF_EVEN);
    EXPECT_EQ(out.config_method, ZEB_FIR_V7_1_CONFIG_BY_CHANNEL);
}

}  // namespace
