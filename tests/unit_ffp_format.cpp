// Fixed-point formats: construction, setters, names and refusals.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "fixedpoint/ffp_context.h"

namespace {

std::string failure_text(void (*action)()) {
    try {
        action();
    } catch (const FFPException& e) {
        return e.what();
    }
    return "(no exception)";
}

}  // namespace

TEST(FfpFormat, RangeAndScaleFollowWidthFractionAndSign) {
    FFPContext ctx(16, 15, RND_TO_EVEN, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    EXPECT_EQ(ctx.getMaxInt(), 32767.0);
    EXPECT_EQ(ctx.getMinInt(), -32768.0);
    EXPECT_EQ(ctx.getScale(), 32768.0);
    EXPECT_EQ(ctx.getInvScale(), 1.0 / 32768.0);
    EXPECT_TRUE(ctx.getMessages().empty());

    ctx.setFormat(1, -3, SIGN_SIGNED);
    EXPECT_EQ(ctx.getMaxInt(), 0.0);
    EXPECT_EQ(ctx.getMinInt(), -1.0);
    EXPECT_EQ(ctx.getScale(), 0.125);
    EXPECT_EQ(ctx.getInvScale(), 8.0);
    ctx.setFormat(1, 0, SIGN_UNSIGNED);
    EXPECT_EQ(ctx.getMaxInt(), 1.0);
    EXPECT_EQ(ctx.getMinInt(), 0.0);
    ctx.setFormat(53, 0, SIGN_SIGNED);
    EXPECT_EQ(ctx.getMaxInt(), 4503599627370495.0);
    EXPECT_EQ(ctx.getMinInt(), -4503599627370496.0);
    ctx.setFormat(53, 0, SIGN_UNSIGNED);
    EXPECT_EQ(ctx.getMaxInt(), 9007199254740991.0);
    EXPECT_EQ(ctx.getMinInt(), 0.0);
    EXPECT_EQ(ctx.getWidth(), 53);
    EXPECT_EQ(ctx.getSignMode(), SIGN_UNSIGNED);
}

TEST(FfpFormat, DescribeNamesFormatAndModes) {
    FFPContext ctx(16, 15, RND_TO_EVEN, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    EXPECT_EQ(ctx.describe(false), "IFIX_16_15");
    EXPECT_EQ(ctx.describe(true), "IFIX_16_15-RND_TO_EVEN-OVF_WRAP");
    std::ostringstream os;
    os << ctx << "|";
    EXPECT_EQ(os.str(), "IFIX_16_15-RND_TO_EVEN-OVF_WRAP|");

    FFPContext unsigned_ctx(24, 0, RND_NONE, OVF_NONE, SIGN_UNSIGNED, WARN_NONE);
    EXPECT_EQ(unsigned_ctx.describe(false), "UFIX_24_0");
    EXPECT_EQ(unsigned_ctx.describe(true), "UFIX_24_0-RND_NONE-OVF_NONE");
    EXPECT_EQ(FFPContext(8, 0, RND_DOWN, OVF_WRAP, SIGN_UNSIGNED, WARN_NONE).describe(false), "UFIX_8_0");
    EXPECT_EQ(FFPContext(8, -2, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE).describe(false), "IFIX_8_-2");

    const char* const rounding[] = {"RND_NONE",    "RND_CHECK",     "RND_TO_ZERO", "RND_TO_INF",
                                    "RND_DOWN",    "RND_UP",        "RND_TO_EVEN", "RND_TO_ODD",
                                    "RND_POSIX",   "RND_HALF_DOWN", "RND_HALF_UP", "RND_HALF_TO_ZERO"};
    const char* const overflow[] = {"OVF_NONE", "OVF_CHECK", "OVF_WRAP", "OVF_CLIP"};
    for (int r = 0; r < 12; ++r) {
        for (int o = 0; o < 4; ++o) {
            ctx.setRoundingMode(static_cast<RndMode>(r)).setOverflowMode(static_cast<OvfMode>(o));
            EXPECT_EQ(ctx.describe(true), std::string("IFIX_16_15-") + rounding[r] + "-" + overflow[o]);
        }
    }
}

TEST(FfpFormat, WidthOutsideOneTo53IsRefusedWithItsName) {
    EXPECT_EQ(failure_text([] { FFPContext(60, 3, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE); }),
              "Bad format specified (IFIX_60_3)");
    EXPECT_EQ(failure_text([] { FFPContext(54, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE); }),
              "Bad format specified (IFIX_54_0)");
    EXPECT_EQ(failure_text([] { FFPContext(0, -1, RND_DOWN, OVF_WRAP, SIGN_UNSIGNED, WARN_NONE); }),
              "Bad format specified (UFIX_0_-1)");
    EXPECT_NO_THROW(FFPContext(53, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE));

    // A refused format keeps the new width but not the fraction or sign.
    FFPContext ctx(16, 4, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    EXPECT_THROW(ctx.setFormat(54, 7, SIGN_UNSIGNED), FFPException);
    EXPECT_EQ(ctx.getWidth(), 54);
    EXPECT_EQ(ctx.getFrac(), 4);
    EXPECT_EQ(ctx.getSignMode(), SIGN_SIGNED);
    EXPECT_EQ(ctx.getMaxInt(), 32767.0);
    EXPECT_EQ(ctx.describe(false), "IFIX_54_4");
}

TEST(FfpFormat, SignModeOtherThanSignedOrUnsignedIsRefusedAfterTheWidthCheck) {
    EXPECT_EQ(failure_text([] { FFPContext(8, 0, RND_DOWN, OVF_WRAP, static_cast<SignMode>(2), WARN_NONE); }),
              "Bad sign mode specified");
    EXPECT_EQ(failure_text([] { FFPContext(8, 0, RND_DOWN, OVF_WRAP, static_cast<SignMode>(-1), WARN_NONE); }),
              "Bad sign mode specified");
    EXPECT_EQ(failure_text([] { FFPContext(60, 3, RND_DOWN, OVF_WRAP, static_cast<SignMode>(2), WARN_NONE); }),
              "Bad format specified (UFIX_60_3)");

    FFPContext ctx(16, 4, RND_DOWN, OVF_WRAP, SIGN_UNSIGNED, WARN_NONE);
    EXPECT_THROW(ctx.setFormat(12, 2, static_cast<SignMode>(3)), FFPException);
    EXPECT_EQ(ctx.getWidth(), 12);
    EXPECT_EQ(ctx.getFrac(), 4);
    EXPECT_EQ(ctx.getSignMode(), SIGN_UNSIGNED);
}

TEST(FfpFormat, ModesOutsideTheirEnumerationsAreRefusedButKept) {
    EXPECT_EQ(failure_text([] { FFPContext(8, 0, static_cast<RndMode>(12), OVF_WRAP, SIGN_SIGNED, WARN_NONE); }),
              "Bad rounding mode specified");
    EXPECT_EQ(failure_text([] { FFPContext(8, 0, RND_DOWN, static_cast<OvfMode>(4), SIGN_SIGNED, WARN_NONE); }),
              "Bad overflow mode specified");
    // The format is checked first.
    EXPECT_EQ(failure_text([] { FFPContext(99, 0, static_cast<RndMode>(12), OVF_WRAP, SIGN_SIGNED, WARN_NONE); }),
              "Bad format specified (IFIX_99_0)");
    EXPECT_NO_THROW(FFPContext(8, 0, RND_HALF_TO_ZERO, OVF_CLIP, SIGN_SIGNED, WARN_NONE));

    FFPContext ctx(8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    EXPECT_THROW(ctx.setRoundingMode(static_cast<RndMode>(-1)), FFPException);
    EXPECT_EQ(ctx.getRoundingMode(), static_cast<RndMode>(-1));
    EXPECT_THROW(ctx.setOverflowMode(static_cast<OvfMode>(-1)), FFPException);
    EXPECT_EQ(ctx.getOverflowMode(), static_cast<OvfMode>(-1));
    EXPECT_EQ(ctx.describe(true), "IFIX_8_0-RND_UNKNOWN-OVF_UNKNOWN");

    // Kept unknown modes act as "none": nothing rounded, wrapped or reported.
    ctx.setWarnMode(static_cast<WarnMode>(WARN_PRECISION | WARN_OVERFLOW));
    EXPECT_EQ(ctx.do_restrict(300.25), 300.25);
    EXPECT_TRUE(ctx.getMessages().empty());
}

TEST(FfpFormat, CopiesCarryTheirMessages) {
    FFPContext ctx(8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_OVERFLOW);
    ctx.do_restrict(130.0);
    FFPContext copy(ctx);
    EXPECT_EQ(copy.getMessages(), "130 too large for IFIX_8_0 (overflowed to -126)");
    copy.clearMessages();
    EXPECT_TRUE(copy.getMessages().empty());
    EXPECT_FALSE(ctx.getMessages().empty());
}
