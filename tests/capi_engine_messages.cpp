// The notes and warnings a model sends while it is created, in order, and
// the accumulator widths they report.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "zeb_fir_v7_1.h"

using namespace harness;

namespace {

std::string note(const std::string& text) { return "pilvoran_v7_1 NOTE: " + text; }
std::string warning(const std::string& text) { return "pilvoran_v7_1 WARNING: " + text; }

// Every message of a creation as "<source>/<flag> <text>", in arrival order.
std::vector<std::string> creation_messages(const zeb_fir_v7_1_config& cfg) {
    Model m(cfg, true);
    EXPECT_NE(*m, nullptr);
    std::vector<std::string> lines;
    for (const Message& msg : m.log)
        lines.push_back(std::string(msg.source ? "dbg/" : "msg/") + std::to_string(msg.flag) + " " + msg.text);
    return lines;
}

std::string dbg(const std::string& text) { return "dbg/0 " + note(text); }
std::string msg(const std::string& text) { return "msg/0 " + warning(text); }

// The " Coeff[k] : v" notes of one set, values scaled by `factor`.
std::vector<std::string> coeff_notes(const std::vector<double>& values, double factor = 1.0) {
    std::vector<std::string> lines;
    for (size_t k = 0; k < values.size(); ++k) {
        const long long v = static_cast<long long>(values[k] * factor);
        lines.push_back(dbg(" Coeff[" + std::to_string(k) + "] : " + std::to_string(v)));
    }
    return lines;
}

std::vector<std::string> joined(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

zeb_fir_v7_1_config default_config() {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    return cfg;
}

}  // namespace

TEST(EngineCreationNotes, DefaultRecord) {
    const std::vector<std::string> expected =
        joined({dbg("Passed basic checks"), dbg("Max coeff sum: 252"), dbg("Calculated accumulator width: 24"),
                dbg("Output fract width: 0"), dbg("Coefficient scaling: 1"), dbg("Dout scaling: 1")},
               coeff_notes(kDefaultCoeff));
    EXPECT_EQ(creation_messages(default_config()), expected);
    // The same record through the plain creator sends nothing at all.
    zeb_fir_v7_1_config cfg = default_config();
    Model quiet(cfg);
    EXPECT_TRUE(quiet.log.empty());
    EXPECT_EQ(quiet.config().output_width, 24u);
}

TEST(EngineCreationNotes, ReloadableUsesTheWorstCase) {
    zeb_fir_v7_1_config cfg = default_config();
    cfg.reloadable = 1;
    const std::vector<std::string> expected =
        joined({dbg("Passed basic checks"), dbg("Calculated accumulator width: 37"), dbg("Output fract width: 0"),
                dbg("Coefficient scaling: 1"), dbg("Dout scaling: 1")},
               coeff_notes(kDefaultCoeff));
    EXPECT_EQ(creation_messages(cfg), expected);
}

TEST(EngineCreationNotes, InterpolationNotesEveryPhase) {
    zeb_fir_v7_1_config cfg = default_config();
    cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    cfg.interpolation_rate = 2;
    EXPECT_EQ(creation_messages(cfg),
              joined({dbg("Passed basic checks"), dbg("Max coeff sum: 120"), dbg("Max coeff sum: 132"),
                      dbg("Calculated accumulator width: 24"), dbg("Output fract width: 0"),
                      dbg("Coefficient scaling: 1"), dbg("Dout scaling: 1")},
                     coeff_notes(kDefaultCoeff)));
    cfg.interpolation_rate = 3;
    EXPECT_EQ(creation_messages(cfg),
              joined({dbg("Passed basic checks"), dbg("Max coeff sum: 76"), dbg("Max coeff sum: 100"),
                      dbg("Max coeff sum: 100"), dbg("Calculated accumulator width: 23"),
                      dbg("Output fract width: 0"), dbg("Coefficient scaling: 1"), dbg("Dout scaling: 1")},
                     coeff_notes(kDefaultCoeff)));
}

TEST(EngineCreationNotes, EveryPhaseOfEverySetShowsTheRunningMaximum) {
    std::vector<double> coeff = kDefaultCoeff;
    for (double c : kDefaultCoeff) coeff.push_back(2 * c);
    zeb_fir_v7_1_config cfg = default_config();
    cfg.coeff = coeff.data();
    cfg.coeff_sets = 2;
    cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    cfg.interpolation_rate = 2;
    const std::vector<std::string> lines = creation_messages(cfg);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 6),
              (std::vector<std::string>{dbg("Max coeff sum: 120"), dbg("Max coeff sum: 132"), dbg("Max coeff sum: 240"),
                                        dbg("Max coeff sum: 264"), dbg("Calculated accumulator width: 25")}));
    // One note per coefficient of every set.
    EXPECT_EQ(lines.size(), 1u + 4 + 4 + 42);
}

TEST(EngineCreationNotes, PatternOutsideTheChannelCountIsReplaced) {
    zeb_fir_v7_1_config cfg = default_config();
    cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    cfg.num_channels = 8;
    cfg.init_pattern = 3;  // a pattern of 4 channels
    const std::vector<std::string> lines = creation_messages(cfg);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), msg("Channel pattern ID is invalid for specified number of channels, using default value"));
    EXPECT_EQ(Model(cfg).config().init_pattern, 14);
}

TEST(EngineCreationNotes, WideModeFrom53Bits) {
    zeb_fir_v7_1_config cfg = default_config();
    cfg.reloadable = 1;
    cfg.coeff_width = 31;  // 16 + 31 + 5 = 52: still doubles
    EXPECT_EQ(creation_messages(cfg),
              joined({dbg("Passed basic checks"), dbg("Calculated accumulator width: 52"), dbg("Output fract width: 0"),
                      dbg("Coefficient scaling: 1"), dbg("Dout scaling: 1")},
                     coeff_notes(kDefaultCoeff)));
    cfg.coeff_width = 32;
    EXPECT_EQ(creation_messages(cfg),
              joined({dbg("Passed basic checks"), dbg("Calculated accumulator width: 53"), dbg("Output fract width: 0"),
                      msg("Model will use MPZ data type"), dbg("Coefficient scaling: 1"), dbg("Dout scaling: 1")},
                     coeff_notes(kDefaultCoeff)));
}

TEST(EngineCreationNotes, WideModeWithFractionalBitsScalesCoefficientsToIntegers) {
    zeb_fir_v7_1_config cfg = default_config();
    cfg.reloadable = 1;
    cfg.coeff_width = 32;
    cfg.coeff_fract_width = 3;
    EXPECT_EQ(creation_messages(cfg),
              joined({dbg("Passed basic checks"), dbg("Calculated accumulator width: 53"), dbg("Output fract width: 3"),
                      msg("Model will use MPZ data type"),
                      msg("Model inputs have fractional bits. Data and Coefficients will be scaled by fractional "
                          "width to use integer representation. Output will be integer only, use "
                          "configuration.output_fract_width to interpret output"),
                      dbg("Coefficient scaling: 8"), dbg("Dout scaling: 1")},
                     coeff_notes(kDefaultCoeff, 8)));
    // Data fractional bits alone also warn; the output counts them.
    cfg.coeff_fract_width = 0;
    cfg.data_fract_width = 2;
    const std::vector<std::string> lines = creation_messages(cfg);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[2], dbg("Output fract width: 2"));
    EXPECT_EQ(lines[4].rfind(msg("Model inputs have fractional bits."), 0), 0u);
    EXPECT_EQ(lines[5], dbg("Coefficient scaling: 1"));
}

TEST(EngineCreationNotes, AccumulatorBitsAtPowersOfTwo) {
    // Single taps and tap pairs summing to the value; 8-bit data.
    struct Case {
        std::vector<double> coeff;
        std::string sum_note;
        unsigned int acc;
    };
    const double p29 = std::ldexp(1.0, 29);
    const Case cases[] = {
        {{256}, "256", 16},
        {{257}, "257", 17},
        {{128, 128}, "256", 16},
        {{p29 - 1}, "5.36871e+08", 37},
        {{p29}, "5.36871e+08", 38},  // evaluated in doubles: 29.000000000000004 bits
        {{p29 / 2, p29 / 2}, "5.36871e+08", 38},
        {{p29 + 1}, "5.36871e+08", 38},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.coeff[0]);
        zeb_fir_v7_1_config cfg = default_config();
        cfg.coeff = c.coeff.data();
        cfg.num_coeffs = static_cast<unsigned int>(c.coeff.size());
        cfg.data_width = 8;
        cfg.coeff_width = 40;
        const std::vector<std::string> lines = creation_messages(cfg);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[1], dbg("Max coeff sum: " + c.sum_note));
        EXPECT_EQ(lines[2], dbg("Calculated accumulator width: " + std::to_string(c.acc)));
        EXPECT_EQ(Model(cfg).config().output_width, c.acc);
    }
}

TEST(EngineCreationNotes, ReloadableWorstCaseByFilterShape) {
    struct Case {
        int type;
        unsigned int L, halfband, taps;
        unsigned int acc;  // 16 + 16 + lg(taps of the widest branch)
    };
    const Case cases[] = {
        {ZEB_FIR_V7_1_SINGLE_RATE, 1, 0, 21, 37},    // 21
        {ZEB_FIR_V7_1_SINGLE_RATE, 1, 1, 21, 36},    // 11 + 1 = 12
        {ZEB_FIR_V7_1_HILBERT, 1, 0, 21, 36},        // 11
        {ZEB_FIR_V7_1_INTERPOLATION, 2, 0, 21, 36},  // ceil(21 / 2) = 11
        {ZEB_FIR_V7_1_INTERPOLATION, 4, 1, 21, 36},  // 12 - 1 = 11 (not ceil(12 / 4))
        {ZEB_FIR_V7_1_INTERPOLATION, 4, 0, 21, 35},  // ceil(21 / 4) = 6
        {ZEB_FIR_V7_1_INTERPOLATION, 4, 0, 33, 36},  // ceil(33 / 4) = 9
        {ZEB_FIR_V7_1_INTERPOLATION, 4, 0, 32, 35},  // 8
    };
    std::vector<double> coeff(33, 1.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " L " << c.L << " halfband " << c.halfband);
        zeb_fir_v7_1_config cfg = default_config();
        cfg.coeff = coeff.data();
        cfg.num_coeffs = c.taps;
        cfg.reloadable = 1;
        cfg.filter_type = c.type;
        cfg.interpolation_rate = c.L;
        cfg.is_halfband = c.halfband;
        Model m(cfg);
        ASSERT_NE(*m, nullptr);
        EXPECT_EQ(m.config().output_width, c.acc);
    }
}

TEST(EngineCreationNotes, OutputWidthAndFractionalBits) {
    zeb_fir_v7_1_config cfg = default_config();
    cfg.output_rounding_mode = ZEB_FIR_V7_1_TRUNCATE_LSBS;
    cfg.output_width = 25;  // accumulator 24
    {
        Model m(cfg);
        EXPECT_EQ(*m, nullptr);
        EXPECT_EQ(m.log.size(), 1u);
        EXPECT_EQ(m.log.at(0).text, "Invalid output width");
        EXPECT_EQ(m.log.at(0).flag, 1);
    }
    cfg.output_width = 16;
    cfg.coeff_fract_width = 5;
    cfg.data_fract_width = 4;
    Model m(cfg, true);
    ASSERT_NE(*m, nullptr);
    // Accumulator 16 + lg(252 * 32) = 29 bits; 13 dropped, 9 - 13 < 0.
    EXPECT_EQ(m.config().output_fract_width, 0u);
    EXPECT_EQ(m.log.at(3).text, note("Output fract width: 0"));
    EXPECT_EQ(m.log.at(5).text, note("Dout scaling: 16"));

    // Full precision shows the accumulator whatever the record held.
    cfg.output_rounding_mode = ZEB_FIR_V7_1_FULL_PRECISION;
    cfg.output_width = 3;
    Model full(cfg);
    EXPECT_EQ(full.config().output_width, 29u);
    EXPECT_EQ(full.config().output_fract_width, 9u);
}
