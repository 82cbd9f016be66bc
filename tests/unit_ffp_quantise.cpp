// Rounding, overflow rules and reports of do_restrict, do_tofix and do_fromfix.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "fixedpoint/ffp_context.h"

namespace {

WarnMode warn(int bits) {
    return static_cast<WarnMode>(bits);
}

// Plain result of a value that is never exactly zero-signed wrongly.
void expect_value(double got, double want, const std::string& what) {
    EXPECT_EQ(got, want) << what;
    if (want == 0.0) {
        EXPECT_FALSE(std::signbit(got)) << what << " came back as negative zero";
    }
}

std::string thrown_text(FFPContext& ctx, double x) {
    try {
        ctx.do_restrict(x);
    } catch (const FFPException& e) {
        return e.what();
    }
    return "(no exception)";
}

}  // namespace

TEST(FfpRounding, EveryModeOnHalvesAndNonHalvesOfBothSigns) {
    const double inputs[12] = {-3.5, -2.75, -2.5, -2.25, -0.5, -0.25, 0.25, 0.5, 2.25, 2.5, 2.75, 3.5};
    struct Row {
        RndMode mode;
        double out[12];
    };
    const Row rows[] = {
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
    for (const Row& row : rows) {
        for (int sign : {SIGN_SIGNED, SIGN_UNSIGNED}) {
            // An unsigned format rounds the same way; it only takes the positive inputs.
            FFPContext ctx(16, 0, row.mode, OVF_WRAP, static_cast<SignMode>(sign), WARN_NONE);
            for (int i = sign == SIGN_UNSIGNED ? 6 : 0; i < 12; ++i) {
                expect_value(ctx.do_restrict(inputs[i]), row.out[i], ctx.describe(true) + " on " + std::to_string(inputs[i]));
            }
        }
    }
}

TEST(FfpRounding, IntegersAndZerosPassUnreportedAndZeroIsNeverNegative) {
    for (int mode = RND_NONE; mode <= RND_HALF_TO_ZERO; ++mode) {
        for (int ovf = OVF_NONE; ovf <= OVF_CLIP; ++ovf) {
            FFPContext ctx(8, 3, static_cast<RndMode>(mode), static_cast<OvfMode>(ovf), SIGN_SIGNED,
                           warn(WARN_PRECISION | WARN_OVERFLOW | WARN_THROW));
            const std::string name = ctx.describe(true);
            expect_value(ctx.do_restrict(-0.0), 0.0, name);
            expect_value(ctx.do_restrict(5.0), 5.0, name);
            expect_value(ctx.do_restrict(-128.0), -128.0, name);
            expect_value(ctx.do_fromfix(-0.0, false), 0.0, name);
            expect_value(ctx.do_tofix(-0.0, -1.0, 1.0), 0.0, name);
            EXPECT_TRUE(ctx.getMessages().empty()) << name;
        }
    }
    FFPContext trunc(8, 0, RND_TO_ZERO, OVF_NONE, SIGN_SIGNED, WARN_NONE);
    expect_value(trunc.do_restrict(-0.25), 0.0, "truncated -0.25");
    FFPContext wrap(8, 0, RND_NONE, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(wrap.do_restrict(-256.0), 0.0, "wrapped -256");
}

TEST(FfpRounding, TiesAreExactAtTheTopOfTheDoubleRange) {
    const double big = 2251799813685248.0;  // 2^51: halves still representable
    FFPContext even(53, 0, RND_TO_EVEN, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(even.do_restrict(big + 0.5), big, "2^51 + 0.5");
    expect_value(even.do_restrict(big + 1.5), big + 2.0, "2^51 + 1.5");
    expect_value(even.do_restrict(-big - 0.5), -big, "-2^51 - 0.5");
    FFPContext odd(53, 0, RND_TO_ODD, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(odd.do_restrict(big + 0.5), big + 1.0, "2^51 + 0.5");
    expect_value(odd.do_restrict(-big - 0.5), -big - 1.0, "-2^51 - 0.5");
    // Just below a half is not a tie.
    FFPContext posix(16, 0, RND_POSIX, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(posix.do_restrict(std::nextafter(2.5, 0.0)), 2.0, "below 2.5");
    expect_value(posix.do_restrict(std::nextafter(-2.5, 0.0)), -2.0, "above -2.5");
}

TEST(FfpOverflow, WrapClipAndCheckOnSignedAndUnsignedFormats) {
    FFPContext s8(8, 0, RND_NONE, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(s8.do_restrict(130.0), -126.0, "s8 130");
    expect_value(s8.do_restrict(-129.0), 127.0, "s8 -129");
    expect_value(s8.do_restrict(256.0), 0.0, "s8 256");
    expect_value(s8.do_restrict(-256.0), 0.0, "s8 -256");
    expect_value(s8.do_restrict(1000.0), -24.0, "s8 1000");
    expect_value(s8.do_restrict(130.5), -125.5, "s8 130.5 unrounded");
    expect_value(s8.do_restrict(127.0), 127.0, "s8 max");
    expect_value(s8.do_restrict(-128.0), -128.0, "s8 min");

    FFPContext u8(8, 0, RND_NONE, OVF_WRAP, SIGN_UNSIGNED, WARN_NONE);
    expect_value(u8.do_restrict(300.0), 44.0, "u8 300");
    expect_value(u8.do_restrict(-1.0), 255.0, "u8 -1");
    expect_value(u8.do_restrict(-257.0), 255.0, "u8 -257");
    expect_value(u8.do_restrict(-256.0), 0.0, "u8 -256");
    expect_value(u8.do_restrict(-0.5), 255.5, "u8 -0.5 unrounded");

    FFPContext s1(1, 0, RND_NONE, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(s1.do_restrict(1.0), -1.0, "s1 1");
    expect_value(s1.do_restrict(3.0), -1.0, "s1 3");
    expect_value(s1.do_restrict(-2.0), 0.0, "s1 -2");
    FFPContext u1(1, 0, RND_NONE, OVF_WRAP, SIGN_UNSIGNED, WARN_NONE);
    expect_value(u1.do_restrict(2.0), 0.0, "u1 2");
    expect_value(u1.do_restrict(3.0), 1.0, "u1 3");
    expect_value(u1.do_restrict(-1.0), 1.0, "u1 -1");
    expect_value(u1.do_restrict(-2.0), 0.0, "u1 -2");

    const double two52 = 4503599627370496.0;
    FFPContext s53(53, 0, RND_NONE, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(s53.do_restrict(two52), -two52, "s53 2^52");
    expect_value(s53.do_restrict(-two52 - 1.0), two52 - 1.0, "s53 -2^52-1");
    FFPContext u53(53, 0, RND_NONE, OVF_WRAP, SIGN_UNSIGNED, WARN_NONE);
    expect_value(u53.do_restrict(2.0 * two52), 0.0, "u53 2^53");
    expect_value(u53.do_restrict(-1.0), 2.0 * two52 - 1.0, "u53 -1");
    // A value scaled past the double range wraps as its exact multiple of 2^972 does.
    const double inf = std::numeric_limits<double>::infinity();
    expect_value(s53.do_restrict(-inf), 0.0, "s53 -inf");
    expect_value(u8.do_restrict(inf), 0.0, "u8 inf");

    FFPContext clip(8, 0, RND_NONE, OVF_CLIP, SIGN_SIGNED, WARN_NONE);
    expect_value(clip.do_restrict(200.0), 127.0, "clip 200");
    expect_value(clip.do_restrict(-200.0), -128.0, "clip -200");
    EXPECT_TRUE(std::isnan(clip.do_restrict(std::numeric_limits<double>::quiet_NaN())));
    FFPContext uclip(1, 0, RND_NONE, OVF_CLIP, SIGN_UNSIGNED, WARN_NONE);
    expect_value(uclip.do_restrict(5.0), 1.0, "u1 clip 5");
    expect_value(uclip.do_restrict(-5.0), 0.0, "u1 clip -5");

    FFPContext check(8, 0, RND_NONE, OVF_CHECK, SIGN_SIGNED, WARN_NONE);
    expect_value(check.do_restrict(200.0), 200.0, "check 200");
    FFPContext none(8, 0, RND_NONE, OVF_NONE, SIGN_SIGNED, WARN_OVERFLOW);
    expect_value(none.do_restrict(-200.0), -200.0, "none -200");
    EXPECT_TRUE(none.getMessages().empty());
}

TEST(FfpReports, LinesCarryValuesInRealUnitsPrintedLikePercentG) {
    FFPContext wrap(8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_OVERFLOW);
    expect_value(wrap.do_restrict(130.0), -126.0, "130");
    EXPECT_EQ(wrap.getMessages(), "130 too large for IFIX_8_0 (overflowed to -126)");
    wrap.clearMessages();
    wrap.do_restrict(1234567.0);
    EXPECT_EQ(wrap.getMessages(), "1.23457e+06 too large for IFIX_8_0 (overflowed to -121)");

    FFPContext even(8, 2, RND_TO_EVEN, OVF_WRAP, SIGN_SIGNED, WARN_PRECISION);
    expect_value(even.do_restrict(2.5), 2.0, "2.5");
    EXPECT_EQ(even.getMessages(), "0.625 too precise for IFIX_8_2 (rounded to 0.5)");

    FFPContext tiny(8, 20, RND_DOWN, OVF_WRAP, SIGN_UNSIGNED, WARN_PRECISION);
    tiny.do_restrict(1.5);
    EXPECT_EQ(tiny.getMessages(), "1.43051e-06 too precise for UFIX_8_20 (rounded to 9.53674e-07)");

    // Both reports of one call: precision first, the overflow line quoting the rounded value.
    FFPContext both(8, 1, RND_POSIX, OVF_CLIP, SIGN_SIGNED, warn(WARN_PRECISION | WARN_OVERFLOW));
    expect_value(both.do_restrict(300.5), 127.0, "300.5");
    EXPECT_EQ(both.getMessages(),
              "150.25 too precise for IFIX_8_1 (rounded to 150.5)\n"
              "150.5 too large for IFIX_8_1 (overflowed to 63.5)");

    FFPContext low(8, -2, RND_UP, OVF_CLIP, SIGN_SIGNED, WARN_OVERFLOW);
    low.do_restrict(-300.0);
    EXPECT_EQ(low.getMessages(), "-1200 too large for IFIX_8_-2 (overflowed to -512)");
}

TEST(FfpReports, CheckModesLeaveTheValueAndSaySo) {
    FFPContext ctx(8, 0, RND_CHECK, OVF_CHECK, SIGN_SIGNED, warn(WARN_PRECISION | WARN_OVERFLOW));
    expect_value(ctx.do_restrict(0.5), 0.5, "0.5");
    expect_value(ctx.do_restrict(200.0), 200.0, "200");
    expect_value(ctx.do_restrict(-300.25), -300.25, "-300.25");
    EXPECT_EQ(ctx.getMessages(),
              "0.5 too precise for IFIX_8_0 (was not rounded)\n"
              "200 too large for IFIX_8_0 (overflow disabled)\n"
              "-300.25 too precise for IFIX_8_0 (was not rounded)\n"
              "-300.25 too large for IFIX_8_0 (overflow disabled)");
}

TEST(FfpReports, OnceReportsOnlyTheFirstEventOfEachKind) {
    FFPContext every(8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_OVERFLOW);
    every.do_restrict(130.0);
    every.do_restrict(-129.0);
    EXPECT_EQ(every.getMessages(),
              "130 too large for IFIX_8_0 (overflowed to -126)\n"
              "-129 too large for IFIX_8_0 (overflowed to 127)");

    FFPContext once(8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, warn(WARN_ONCE | WARN_OVERFLOW | WARN_PRECISION));
    once.do_restrict(130.0);
    once.do_restrict(-129.0);
    once.do_restrict(1.5);
    once.do_restrict(300.5);
    EXPECT_EQ(once.getMessages(),
              "130 too large for IFIX_8_0 (overflowed to -126)\n"
              "1.5 too precise for IFIX_8_0 (rounded to 1)");
    EXPECT_EQ(once.getWarnMode(), WARN_ONCE);
    // Clearing the text does not bring the reports back.
    once.clearMessages();
    once.do_restrict(500.25);
    EXPECT_TRUE(once.getMessages().empty());
}

TEST(FfpReports, ThrowCarriesEveryAccumulatedLineAndStopsBeforeTheRangeRule) {
    FFPContext ctx(8, 1, RND_POSIX, OVF_CLIP, SIGN_SIGNED, warn(WARN_PRECISION | WARN_OVERFLOW | WARN_THROW));
    EXPECT_EQ(thrown_text(ctx, 300.5), "150.25 too precise for IFIX_8_1 (rounded to 150.5)");
    EXPECT_EQ(ctx.getMessages(), "150.25 too precise for IFIX_8_1 (rounded to 150.5)");
    EXPECT_EQ(thrown_text(ctx, 400.0),
              "150.25 too precise for IFIX_8_1 (rounded to 150.5)\n"
              "200 too large for IFIX_8_1 (overflowed to 63.5)");
    expect_value(ctx.do_restrict(3.0), 3.0, "quiet value");

    // Under WARN_ONCE the kind is cleared before the throw: the next event passes.
    FFPContext once(8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, warn(WARN_ONCE | WARN_THROW | WARN_OVERFLOW));
    EXPECT_EQ(thrown_text(once, 130.0), "130 too large for IFIX_8_0 (overflowed to -126)");
    expect_value(once.do_restrict(130.0), -126.0, "second 130");
}

TEST(FfpReports, ToFixReportsInputsOutsideTheGivenBounds) {
    FFPContext ctx(8, 2, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, WARN_RANGE);
    expect_value(ctx.do_tofix(3.3, -128.0, 127.0), 13.0, "3.3");
    EXPECT_TRUE(ctx.getMessages().empty());
    expect_value(ctx.do_tofix(40.0, -128.0, 127.0), -96.0, "40");
    expect_value(ctx.do_tofix(-40.0, -128.0, 127.0), 96.0, "-40");
    ctx.do_tofix(std::numeric_limits<double>::quiet_NaN(), -128.0, 127.0);
    EXPECT_EQ(ctx.getMessages(),
              "to_fix: 40 (IFIX_8_2) exceeded range of target type\n"
              "to_fix: -40 (IFIX_8_2) exceeded range of target type");

    // The range line comes before the context's own reports of the same value.
    FFPContext all(8, 2, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, warn(WARN_RANGE | WARN_PRECISION | WARN_OVERFLOW));
    all.do_tofix(40.1, -128.0, 127.0);
    EXPECT_EQ(all.getMessages(),
              "to_fix: 40.1 (IFIX_8_2) exceeded range of target type\n"
              "40.1 too precise for IFIX_8_2 (rounded to 40)\n"
              "40 too large for IFIX_8_2 (overflowed to -24)");

    FFPContext thrower(8, 0, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, warn(WARN_RANGE | WARN_THROW));
    EXPECT_THROW(thrower.do_tofix(1.0, 2.0, 3.0), FFPException);
    EXPECT_EQ(thrower.getMessages(), "to_fix: 1 (IFIX_8_0) exceeded range of target type");
}

TEST(FfpReports, FromFixReportsLossyInputsWhateverTheWarnMode) {
    FFPContext ctx(8, 2, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    expect_value(ctx.do_fromfix(13.0, false), 3.25, "13");
    EXPECT_TRUE(ctx.getMessages().empty());
    expect_value(ctx.do_fromfix(13.75, true), 3.25, "13.75");
    EXPECT_EQ(ctx.getMessages(), "from_fix: input had more precision than target type IFIX_8_2 (became 13.75)");

    // Under WARN_ONCE a from_fix report also silences later to_fix range reports.
    FFPContext once(8, 0, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, warn(WARN_ONCE | WARN_RANGE));
    once.do_fromfix(2.0, true);
    once.do_fromfix(3.0, true);
    once.do_tofix(500.0, 0.0, 1.0);
    EXPECT_EQ(once.getMessages(),
              "from_fix: input had more precision than target type IFIX_8_0 (became 2)\n"
              "from_fix: input had more precision than target type IFIX_8_0 (became 3)");
    EXPECT_EQ(once.getWarnMode(), WARN_ONCE);

    FFPContext thrower(8, 0, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, WARN_THROW);
    EXPECT_THROW(thrower.do_fromfix(2.0, true), FFPException);
}
