// Fixed-point formats: rounding and overflow rules, the report lines, names
// and refusals.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "fixedpoint/ffp_context.h"

namespace {

WarnMode warn(int bits) { return static_cast<WarnMode>(bits); }

// Checks the value and that a zero never comes back negative.
void expect_value(double got, double want, const std::string& what) {
    EXPECT_EQ(got, want) << what;
    if (want == 0.0) { EXPECT_FALSE(std::signbit(got)) << what << " came back as negative zero"; }
}

template <typename Action>
std::string failure_text(Action action) {
    try {
        action();
    } catch (const FFPException& e) {
        return e.what();
    }
    return "(no exception)";
}

}  // namespace

TEST(FfpRounding, EveryModeOnHalvesAndNonHalvesOfBothSigns) {
    const double inputs[12] = {-3.5, -2.75, -2.5, -2.25, -0.5, -0.25, 0.25, 0.5, 2.25, 2.5, 2.75, 3.5};
    const std::pair<RndMode, std::array<double, 12>> rows[] = {
        {RND_TO_ZERO, {-3, -2, -2, -2, 0, 0, 0, 0, 2, 2, 2, 3}},
        {RND_TO_INF, {-4, -3, -3, -3, -1, -1, 1, 1, 3, 3, 3, 4}},
        {RND_DOWN, {-4, -3, -3, -3, -1, -1, 0, 0, 2, 2, 2, 3}},
        {RND_UP, {-3, -2, -2, -2, 0, 0, 1, 1, 3, 3, 3, 4}},
        {RND_TO_EVEN, {-4, -3, -2, -2, 0, 0, 0, 0, 2, 2, 3, 4}},
        {RND_TO_ODD, {-3, -3, -3, -2, -1, 0, 0, 1, 2, 3, 3, 3}},
        {RND_POSIX, {-4, -3, -3, -2, -1, 0, 0, 1, 2, 3, 3, 4}},
        {RND_HALF_DOWN, {-4, -3, -3, -2, -1, 0, 0, 0, 2, 2, 3, 3}},
        {RND_HALF_UP, {-3, -3, -2, -2, 0, 0, 0, 1, 2, 3, 3, 4}},
        {RND_HALF_TO_ZERO, {-3, -3, -2, -2, 0, 0, 0, 0, 2, 2, 3, 3}},
        {RND_CHECK, {-3.5, -2.75, -2.5, -2.25, -0.5, -0.25, 0.25, 0.5, 2.25, 2.5, 2.75, 3.5}},
        {RND_NONE, {-3.5, -2.75, -2.5, -2.25, -0.5, -0.25, 0.25, 0.5, 2.25, 2.5, 2.75, 3.5}},
    };
    for (const auto& row : rows) {
        for (int sign : {SIGN_SIGNED, SIGN_UNSIGNED}) {  // unsigned: the positive inputs only
            FFPContext ctx(16, 0, row.first, OVF_WRAP, static_cast<SignMode>(sign), WARN_NONE);
            for (int i = sign == SIGN_UNSIGNED ? 6 : 0; i < 12; ++i) {
                const std::string what = ctx.describe(true) + " " + std::to_string(inputs[i]);
                expect_value(ctx.do_restrict(inputs[i]), row.second[i], what);
            }
        }
    }
    // Ties stay exact at the top of the double range; just off a half is no tie.
    const double big = std::ldexp(1.0, 51);
    FFPContext even(53, 0, RND_TO_EVEN, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    FFPContext odd(53, 0, RND_TO_ODD, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    FFPContext posix(16, 0, RND_POSIX, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(even.do_restrict(big + 1.5), big + 2, "2^51+1.5");
    expect_value(odd.do_restrict(-big - 0.5), -big - 1, "-2^51-.5");
    expect_value(posix.do_restrict(std::nextafter(2.5, 0.0)), 2, "2.5-");
    // Integers and zeros pass unreported in every mode.
    for (int mode = RND_NONE; mode <= RND_HALF_TO_ZERO; ++mode) {
        FFPContext ctx(8, 3, static_cast<RndMode>(mode), OVF_CLIP, SIGN_SIGNED,
                       warn(WARN_PRECISION | WARN_OVERFLOW | WARN_THROW));
        expect_value(ctx.do_restrict(-0.0), 0.0, ctx.describe(true));
        expect_value(ctx.do_restrict(-128.0), -128.0, ctx.describe(true));
        expect_value(ctx.do_fromfix(-0.0, false), 0.0, ctx.describe(true));
    }
}

TEST(FfpOverflow, WrapClipCheckAndNoneOnSignedAndUnsignedFormats) {
    struct Case {
        int width;
        SignMode sign;
        OvfMode mode;
        double in, out;
    };
    const double two52 = std::ldexp(1.0, 52);
    const Case cases[] = {
        {8, SIGN_SIGNED, OVF_WRAP, 130, -126},       {8, SIGN_SIGNED, OVF_WRAP, -129, 127},
        {8, SIGN_SIGNED, OVF_WRAP, -256, 0},         {8, SIGN_SIGNED, OVF_WRAP, 1000, -24},
        {8, SIGN_SIGNED, OVF_WRAP, 383, 127},        {8, SIGN_SIGNED, OVF_WRAP, 130.5, -125.5},
        {8, SIGN_UNSIGNED, OVF_WRAP, 300, 44},       {8, SIGN_UNSIGNED, OVF_WRAP, -1, 255},
        {8, SIGN_UNSIGNED, OVF_WRAP, -257, 255},     {8, SIGN_UNSIGNED, OVF_WRAP, -0.5, 255.5},
        {1, SIGN_SIGNED, OVF_WRAP, 1, -1},           {1, SIGN_SIGNED, OVF_WRAP, -2, 0},
        {1, SIGN_UNSIGNED, OVF_WRAP, 3, 1},          {1, SIGN_UNSIGNED, OVF_WRAP, -2, 0},
        {53, SIGN_SIGNED, OVF_WRAP, two52, -two52},  {53, SIGN_UNSIGNED, OVF_WRAP, -1, 2 * two52 - 1},
        {8, SIGN_SIGNED, OVF_CLIP, 200, 127},        {8, SIGN_SIGNED, OVF_CLIP, -200, -128},
        {1, SIGN_UNSIGNED, OVF_CLIP, -5, 0},         {8, SIGN_SIGNED, OVF_CHECK, 200, 200},
        {8, SIGN_SIGNED, OVF_NONE, -200, -200},
        // A value scaled past the double range wraps as its exact multiple of 2^972 does.
        {53, SIGN_SIGNED, OVF_WRAP, -HUGE_VAL, 0},   {8, SIGN_UNSIGNED, OVF_WRAP, HUGE_VAL, 0},
    };
    for (const Case& c : cases) {
        FFPContext ctx(c.width, 0, RND_NONE, c.mode, c.sign, WARN_NONE);
        expect_value(ctx.do_restrict(c.in), c.out, ctx.describe(true) + " " + std::to_string(c.in));
    }
}

TEST(FfpReports, LinesCarryValuesInRealUnitsPrintedLikePercentG) {
    const WarnMode both = warn(WARN_PRECISION | WARN_OVERFLOW);
    std::pair<FFPContext, const char*> cases[] = {
        {{8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_OVERFLOW},
         "130 too large for IFIX_8_0 (overflowed to -126)\n1.23457e+06 too large for IFIX_8_0 (overflowed to -121)"},
        {{8, 20, RND_DOWN, OVF_WRAP, SIGN_UNSIGNED, WARN_PRECISION},
         "1.17738 too precise for UFIX_8_20 (rounded to 1.17737)"},
        // Precision first; the overflow line quotes the rounded value.
        {{8, 1, RND_POSIX, OVF_CLIP, SIGN_SIGNED, both},
         "65 too large for IFIX_8_1 (overflowed to 63.5)\n617284 too precise for IFIX_8_1 (rounded to 617284)\n"
         "617284 too large for IFIX_8_1 (overflowed to 63.5)"},
        {{8, 0, RND_CHECK, OVF_CHECK, SIGN_SIGNED, both},
         "130 too large for IFIX_8_0 (overflow disabled)\n1.23457e+06 too precise for IFIX_8_0 (was not rounded)\n"
         "1.23457e+06 too large for IFIX_8_0 (overflow disabled)"},
        // Once: the first event of each kind only, even after clearing.
        {{8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, warn(WARN_ONCE | both)},
         "130 too large for IFIX_8_0 (overflowed to -126)\n"
         "1.23457e+06 too precise for IFIX_8_0 (rounded to 1.23457e+06)"},
    };
    for (auto& c : cases) {
        for (double x : {130.0, 1234567.5}) c.first.do_restrict(x);
        EXPECT_EQ(c.first.getMessages(), c.second);
    }
    cases[4].first.clearMessages();
    cases[4].first.do_restrict(500.25);
    EXPECT_EQ(cases[4].first.getMessages(), "");
    // Throw carries every accumulated line.
    FFPContext thrower(8, 1, RND_POSIX, OVF_CLIP, SIGN_SIGNED, warn(both | WARN_THROW));
    EXPECT_EQ(failure_text([&] { thrower.do_restrict(300.5); }), "150.25 too precise for IFIX_8_1 (rounded to 150.5)");
    EXPECT_EQ(failure_text([&] { thrower.do_restrict(400.0); }),
              "150.25 too precise for IFIX_8_1 (rounded to 150.5)\n200 too large for IFIX_8_1 (overflowed to 63.5)");
    // to_fix reports inputs outside its bounds first; from_fix reports lossy
    // inputs whatever the mode, and under once that silences later range reports.
    FFPContext all(8, 2, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, warn(WARN_RANGE | both));
    all.do_tofix(40.1, -128.0, 127.0);
    EXPECT_EQ(all.getMessages(), "to_fix: 40.1 (IFIX_8_2) exceeded range of target type\n40.1 too precise for IFIX_8_2 "
                                 "(rounded to 40)\n40 too large for IFIX_8_2 (overflowed to -24)");
    FFPContext from(8, 0, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, warn(WARN_ONCE | WARN_RANGE));
    expect_value(from.do_fromfix(13.0, true), 13.0, "13");
    from.do_tofix(500.0, 0.0, 1.0);
    EXPECT_EQ(from.getMessages(), "from_fix: input had more precision than target type IFIX_8_0 (became 13)");
}

TEST(FfpFormat, RangesNamesAndRefusals) {
    FFPContext ctx(16, 15, RND_TO_EVEN, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    EXPECT_EQ(ctx.getMaxInt(), 32767.0);
    EXPECT_EQ(ctx.getMinInt(), -32768.0);
    EXPECT_EQ(ctx.getInvScale(), 1.0 / 32768.0);
    std::ostringstream os;
    os << ctx;
    EXPECT_EQ(os.str(), "IFIX_16_15-RND_TO_EVEN-OVF_WRAP");
    ctx.setFormat(53, -3, SIGN_UNSIGNED).setRoundingMode(RND_HALF_TO_ZERO).setOverflowMode(OVF_CLIP);
    EXPECT_EQ(ctx.getMaxInt(), 9007199254740991.0);
    EXPECT_EQ(ctx.getMinInt(), 0.0);
    EXPECT_EQ(ctx.getScale(), 0.125);
    EXPECT_EQ(ctx.describe(true), "UFIX_53_-3-RND_HALF_TO_ZERO-OVF_CLIP");
    EXPECT_EQ(ctx.describe(false), "UFIX_53_-3");

    EXPECT_EQ(failure_text([] { FFPContext(54, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE); }),
              "Bad format specified (IFIX_54_0)");
    EXPECT_EQ(failure_text([] { FFPContext(0, -1, RND_DOWN, OVF_WRAP, SIGN_UNSIGNED, WARN_NONE); }),
              "Bad format specified (UFIX_0_-1)");
    EXPECT_EQ(failure_text([] { FFPContext(8, 0, RND_DOWN, OVF_WRAP, static_cast<SignMode>(2), WARN_NONE); }),
              "Bad sign mode specified");
    EXPECT_EQ(failure_text([] { FFPContext(99, 0, static_cast<RndMode>(12), OVF_WRAP, SIGN_SIGNED, WARN_NONE); }),
              "Bad format specified (IFIX_99_0)");  // the format is checked first
    EXPECT_EQ(failure_text([] { FFPContext(8, 0, static_cast<RndMode>(12), OVF_WRAP, SIGN_SIGNED, WARN_NONE); }),
              "Bad rounding mode specified");
    EXPECT_EQ(failure_text([] { FFPContext(8, 0, RND_DOWN, static_cast<OvfMode>(4), SIGN_SIGNED, WARN_NONE); }),
              "Bad overflow mode specified");
    // A refused format keeps the new width only; refused modes are kept and act as none.
    FFPContext kept(16, 4, RND_DOWN, OVF_WRAP, SIGN_SIGNED, warn(WARN_PRECISION | WARN_OVERFLOW));
    EXPECT_THROW(kept.setFormat(54, 7, SIGN_UNSIGNED), FFPException);
    EXPECT_THROW(kept.setRoundingMode(static_cast<RndMode>(-1)), FFPException);
    EXPECT_THROW(kept.setOverflowMode(static_cast<OvfMode>(-1)), FFPException);
    EXPECT_EQ(kept.describe(true), "IFIX_54_4-RND_UNKNOWN-OVF_UNKNOWN");
    EXPECT_EQ(kept.getMaxInt(), 32767.0);
    EXPECT_EQ(kept.do_restrict(300000.25), 300000.25);
    EXPECT_EQ(kept.getMessages(), "");
}
