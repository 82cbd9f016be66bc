// Fixed-point formats: rounding and overflow rules, the report lines, names
// and refusals; and the frame around every exported function: statuses,
// failures turned into framed messages (error flag 1, others 0), nothing
// thrown across the C boundary.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "fixedpoint/ffp_context.h"
#include "interface/entry_frame.h"

namespace {

constexpr int kBoth = WARN_PRECISION | WARN_OVERFLOW;

FFPContext ctx(int w, int f, int rnd, int ovf, int sign = SIGN_SIGNED, int warn = WARN_NONE) {
    return FFPContext(w, f, RndMode(rnd), OvfMode(ovf), SignMode(sign), WarnMode(warn));
}

// The value, and a zero never negative.
void expect_value(FFPContext c, double in, double want) {
    const double got = c.do_restrict(in);
    EXPECT_EQ(got, want) << c.describe(true) << " " << in;
    EXPECT_FALSE(want == 0.0 && std::signbit(got)) << c.describe(true) << " " << in << " gave negative zero";
}

template <typename F>
std::string failure_text(F f) {
    try { f(); } catch (const FFPException& e) { return e.what(); }
    return "(no exception)";
}

}  // namespace

TEST(FixedPoint, EveryRoundingModeOnHalvesAndNonHalvesOfBothSigns) {
    const double in[12] = {-3.5, -2.75, -2.5, -2.25, -0.5, -0.25, 0.25, 0.5, 2.25, 2.5, 2.75, 3.5};
    const double rounded[][12] = {  // RND_TO_ZERO .. RND_HALF_TO_ZERO; none and check keep the input
        {-3, -2, -2, -2, 0, 0, 0, 0, 2, 2, 2, 3}, {-4, -3, -3, -3, -1, -1, 1, 1, 3, 3, 3, 4},    // to zero, to inf
        {-4, -3, -3, -3, -1, -1, 0, 0, 2, 2, 2, 3}, {-3, -2, -2, -2, 0, 0, 1, 1, 3, 3, 3, 4},    // down, up
        {-4, -3, -2, -2, 0, 0, 0, 0, 2, 2, 3, 4}, {-3, -3, -3, -2, -1, 0, 0, 1, 2, 3, 3, 3},     // to even, to odd
        {-4, -3, -3, -2, -1, 0, 0, 1, 2, 3, 3, 4}, {-4, -3, -3, -2, -1, 0, 0, 0, 2, 2, 3, 3},    // posix, half down
        {-3, -3, -2, -2, 0, 0, 0, 1, 2, 3, 3, 4}, {-3, -3, -2, -2, 0, 0, 0, 0, 2, 2, 3, 3}};     // half up, to zero
    for (int mode = RND_NONE; mode <= RND_HALF_TO_ZERO; ++mode)
        for (int sign : {SIGN_SIGNED, SIGN_UNSIGNED})  // unsigned: the positive inputs only
            for (int i = sign == SIGN_UNSIGNED ? 6 : 0; i < 12; ++i)
                expect_value(ctx(16, 0, mode, OVF_WRAP, sign), in[i], mode < 2 ? in[i] : rounded[mode - 2][i]);
    // Ties stay exact at the top of the double range; just off a half is no tie.
    const double big = std::ldexp(1.0, 51);
    expect_value(ctx(53, 0, RND_TO_EVEN, OVF_WRAP), big + 1.5, big + 2);
    expect_value(ctx(53, 0, RND_TO_ODD, OVF_WRAP), -big - 0.5, -big - 1);
    expect_value(ctx(16, 0, RND_POSIX, OVF_WRAP), std::nextafter(2.5, 0.0), 2);
    for (int mode = RND_NONE; mode <= RND_HALF_TO_ZERO; ++mode)  // integers and zeros pass unreported
        for (double x : {-0.0, -128.0}) expect_value(ctx(8, 3, mode, OVF_CLIP, 0, kBoth | WARN_THROW), x, x);
}

TEST(FixedPoint, WrapClipCheckAndNoneOnSignedAndUnsignedFormats) {
    const double p52 = std::ldexp(1.0, 52);
    const int S = SIGN_SIGNED, U = SIGN_UNSIGNED, W = OVF_WRAP, C = OVF_CLIP;
    const std::tuple<int, int, int, double, double> rows[] = {  // width, sign, overflow mode, in, out
        {8, S, W, 130, -126}, {8, S, W, -129, 127}, {8, S, W, 383, 127}, {8, S, W, 130.5, -125.5}, {8, U, W, 300, 44},
        {8, U, W, -257, 255}, {8, U, W, -0.5, 255.5}, {1, S, W, 1, -1}, {1, U, W, -2, 0}, {53, S, W, p52, -p52},
        {53, U, W, -1, 2 * p52 - 1}, {8, S, C, 200, 127}, {8, S, C, -200, -128}, {1, U, C, -5, 0},
        {8, S, OVF_CHECK, 200, 200}, {8, S, OVF_NONE, -200, -200},
        {53, S, W, -HUGE_VAL, 0}, {8, U, W, HUGE_VAL, 0}};  // a multiple of 2^972 scaled past the double range
    for (const auto& r : rows)
        expect_value(ctx(std::get<0>(r), 0, RND_NONE, std::get<2>(r), std::get<1>(r)), std::get<3>(r), std::get<4>(r));
}

TEST(FixedPoint, ReportLinesInRealUnitsPrintedLikePercentG) {
    std::pair<FFPContext, const char*> cases[] = {
        {ctx(8, 1, RND_POSIX, OVF_CLIP, SIGN_SIGNED, kBoth),  // precision first; overflow quotes the rounded value
         "65 too large for IFIX_8_1 (overflowed to 63.5)\n617284 too precise for IFIX_8_1 (rounded to 617284)\n"
         "617284 too large for IFIX_8_1 (overflowed to 63.5)"},
        {ctx(8, 0, RND_CHECK, OVF_CHECK, SIGN_SIGNED, kBoth), "130 too large for IFIX_8_0 (overflow disabled)\n"
         "1.23457e+06 too precise for IFIX_8_0 (was not rounded)\n"
         "1.23457e+06 too large for IFIX_8_0 (overflow disabled)"},
        {ctx(8, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_ONCE | kBoth),  // the first of each kind only
         "130 too large for IFIX_8_0 (overflowed to -126)\n"
         "1.23457e+06 too precise for IFIX_8_0 (rounded to 1.23457e+06)"}};
    for (auto& c : cases) {
        for (double x : {130.0, 1234567.5}) c.first.do_restrict(x);
        EXPECT_EQ(c.first.getMessages(), c.second);
    }
    FFPContext thrower = ctx(8, 1, RND_POSIX, OVF_CLIP, SIGN_SIGNED, kBoth | WARN_THROW);  // at the first line
    EXPECT_EQ(failure_text([&] { thrower.do_restrict(300.5); }), "150.25 too precise for IFIX_8_1 (rounded to 150.5)");
    FFPContext all = ctx(8, 0, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, WARN_RANGE | kBoth);
    all.do_tofix(160.4, -128.0, 127.0), all.do_fromfix(13.0, true);
    EXPECT_EQ(all.getMessages(), "to_fix: 160.4 (IFIX_8_0) exceeded range of target type\n"
                                 "160.4 too precise for IFIX_8_0 (rounded to 160)\n"
                                 "160 too large for IFIX_8_0 (overflowed to -96)\n"
                                 "from_fix: input had more precision than target type IFIX_8_0 (became 13)");
}

TEST(FixedPoint, NamesAndRefusals) {
    const std::pair<std::tuple<int, int, int, int, int>, const char*> refused[] = {  // width, frac, rnd, ovf, sign
        {{54, 0, RND_DOWN, OVF_WRAP, 0}, "Bad format specified (IFIX_54_0)"},
        {{0, -1, 12, OVF_WRAP, 1}, "Bad format specified (UFIX_0_-1)"},  // the format is checked first
        {{8, 0, RND_DOWN, OVF_WRAP, 2}, "Bad sign mode specified"},
        {{8, 0, 12, OVF_WRAP, 0}, "Bad rounding mode specified"},
        {{8, 0, RND_DOWN, 4, 0}, "Bad overflow mode specified"}};
    for (const auto& r : refused)
        EXPECT_EQ(failure_text([&] { std::apply([](auto... a) { ctx(a...); }, r.first); }), r.second);
    // A refused format keeps the new width only; refused modes are kept and act as none.
    FFPContext kept = ctx(16, 4, RND_DOWN, OVF_WRAP, SIGN_SIGNED, kBoth);
    EXPECT_THROW(kept.setFormat(54, 7, SIGN_UNSIGNED), FFPException);
    EXPECT_THROW(kept.setRoundingMode(RndMode(-1)), FFPException);
    EXPECT_THROW(kept.setOverflowMode(OvfMode(-1)), FFPException);
    EXPECT_EQ(kept.describe(true) + " " + std::to_string(kept.do_restrict(300000.25)) + kept.getMessages(),
              "IFIX_54_4-RND_UNKNOWN-OVF_UNKNOWN 300000.250000");
    kept.setFormat(53, -3, SIGN_UNSIGNED).setRoundingMode(RND_HALF_TO_ZERO).setOverflowMode(OVF_CLIP);
    EXPECT_EQ(std::make_tuple(kept.describe(true), kept.getMaxInt(), kept.getMinInt(), kept.getScale()),
              std::make_tuple("UFIX_53_-3-RND_HALF_TO_ZERO-OVF_CLIP", 0x1p53 - 1, 0.0, 0.125));
}

// Every form of the block test and copy against the one-value test: each
// odd value in turn at every place of blocks long enough for every form's
// vectors and tails; the copy turns a negative zero positive and changes
// nothing else.
TEST(FixedPoint, EveryQuietBlockFormAgreesWithTheOneValueTest) {
    const FFPContext::QuietRange q = ctx(16, 0, RND_DOWN, OVF_WRAP).quiet_range();
    const double odd[] = {0.5, -0.0, 32768.0, -32769.0, NAN, INFINITY, -INFINITY, 1e300, -32768.25, 32767.0};
    for (size_t n : {size_t(1), size_t(7), size_t(16), size_t(37)})
        for (size_t at = 0; at < n; ++at)
            for (double v : odd) {
                std::vector<double> in(n), want(n);
                for (size_t i = 0; i < n; ++i) in[i] = i % 2 ? -32768.0 + 17.0 * i : 32767.0 - 13.0 * i;
                in[at] = v;
                want = in;
                want[at] += 0.0;
                for (size_t form = 0; form < FFPContext::QuietRange::normalise_forms(); ++form) {
                    std::vector<double> out(n, 9.0);
                    const auto run = [&](double* to) {
                        return FFPContext::QuietRange::normalise_in_form(form, in.data(), to, n, q.lo, q.hi, q.whole);
                    };
                    EXPECT_EQ(std::make_pair(run(nullptr), run(out.data())),
                              std::make_pair(q.holds(v) && !std::signbit(v), q.holds(v)))
                        << form << " " << n << " " << at << " " << v;
                    EXPECT_EQ(std::memcmp(out.data(), want.data(), n * sizeof(double)), 0) << form << " " << v;
                }
            }
}

static void record(void* log, int flag, const char* text) {
    static_cast<std::vector<std::string>*>(log)->push_back(std::to_string(flag) + ":" + text);
}

TEST(EntryFrame, StatusesFailuresAndFraming) {
    std::vector<std::string> log;
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_default_config(&config);
    ModelHandle model, other;
    model.logger = std::make_unique<ZebLogger>(record, &log, "t");
    other.logger = std::make_unique<ZebLogger>([](void*, int, const char*) { throw std::runtime_error("host"); },
                                               nullptr, "t");
    ZebLogger quiet(nullptr, nullptr, "t");
    model.model = std::make_unique<FIR>(&config, model.logger.get(), &quiet);
    ZebLogger& logger = *model.logger;
    zeb_fir_v7_1* const handle = to_handle(&model);
    EXPECT_EQ(call_model(handle, "fb", [&](FIR& m) { return &m == model.model.get() ? 7 : 0; }), 7);  // a result
    EXPECT_EQ(call_model(nullptr, "fb", [](FIR&) { return 0; }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FIRException("Invalid output width"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw std::logic_error("not runtime"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw 42; }), 1);
    EXPECT_EQ(call_handle(to_handle(&other), "fb", [](ModelHandle&) -> int { throw FIRException("x"); }), 1);
    logger.warn("w"), logger.note("n");
    EXPECT_EQ(quiet.error("e"), "t ERROR: e");  // no callback: the text is still formed
    EXPECT_EQ(log, (std::vector<std::string>{"1:t ERROR: Invalid output width", "1:t ERROR: fb", "1:t ERROR: fb",
                                             "0:t WARNING: w", "0:t NOTE: n"}));
}
