// The rate-changing filter kernel: its output stream against the reference
// convolution for many rates, tap counts and ways of cutting the input (the
// 64- and 128-bit kernels at their limits); every form of the block loops
// against the generic one; the window kept across coefficient
// changes; the timing of the change-configuration handler; refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <cstring>
#include <random>
#include <tuple>

#include "filter/fir_filter.h"
#include "reference_model.h"

namespace {

using Out = std::vector<mpz_class>;
const int kRates[][2] = {{1, 1}, {4, 1}, {1, 3}, {3, 2}, {2, 3}, {5, 7}, {7, 5}, {16, 15}};

template <typename T> mpz_class exact(const T& v) { return mpz_class(v); }
#if ZEB_FIR_HAVE_INT128
mpz_class exact(wide_int v) { return (mpz_class(static_cast<long>(v >> 64)) << 64) + static_cast<unsigned long>(v); }
#endif
template <typename T> Out exact(const std::vector<T>& v) { Out o; for (auto& e : v) o.push_back(exact(e)); return o; }

// Outputs of x fed whole (how 0), one sample at a time (1), in random cuts, some empty (2), or
// sample by sample through run_one (3).
template <typename T>
Out feed(FirFilter<T>& f, const std::vector<T>& x, int how = 0) {
    std::mt19937 gen(static_cast<unsigned>(x.size()) + how);
    std::vector<T> out;
    if (how == 0) f.run(x, out);
    for (size_t at = 0; how == 3 && at < x.size(); ++at) f.run_one(x[at], out);
    for (size_t at = 0, n = 0; (how == 1 || how == 2) && at < x.size(); at += n) {
        n = how == 1 ? 1 : std::min<size_t>(x.size() - at, gen() % 4 == 0 ? gen() % 40 : gen() % 4);
        f.run(x.data() + at, n, out);
    }
    return exact(out);
}

// Fresh filters of these coefficients against the convolution with them truncated toward zero (a
// non-finite one adds nothing), every way of feeding; small: told their samples are 16-bit integers
// and their sums exact.
template <typename T>
void expect_convolution(const std::vector<double>& c, const int* r, const std::vector<T>& x, bool small = false) {
    Out taps;
    for (double v : c) taps.push_back(mpz_class(std::isfinite(v) ? std::trunc(v) : 0.0));
    const Out want = ref::convolve({taps}, r[0], r[1], exact(x));
    for (int how = 0; how < 4; ++how) {
        FirFilter<T> f(c, r[0], r[1]);
        f.set_small_samples(small);
        f.set_any_order(small);
        ASSERT_EQ(feed(f, x, how), want) << r[0] << "/" << r[1] << " taps " << c.size() << " feed " << how;
    }
}

int calls = 0;

}  // namespace

// Coefficients whose branch sums of magnitudes come close to 2^bits / largest sample.
std::vector<double> near_limit(std::mt19937_64& gen, size_t k, int L, int bits) {
    std::vector<double> near(k);
    const double per_branch = std::ldexp(1.0, bits) / static_cast<double>((k + L - 1) / L);
    for (double& c : near) {
        const double share = std::ldexp(static_cast<double>(gen() >> 12), -53) + 0.499;  // below 1
        c = std::floor(per_branch * share) * (gen() % 2 ? 1 : -1);
    }
    return near;
}

// Doubles: integer values, so every sum is exact.  GMP: values far beyond a machine word.  128 bits:
// 64-bit samples (the extremes among them), every branch's sum of |coefficient| x largest sample close
// to the 2^126 limit; 64 bits: the same with 32-bit samples below 2^63.
TEST(FirFilter, OutputIsTheSampledConvolutionHoweverTheInputIsCutAndIntegersHoldBelowTheirLimits) {
    std::mt19937_64 gen(12345);
    auto draw = [&](int n) { return static_cast<int>(gen() % (2 * n + 1)) - n; };
    for (const auto& r : kRates)
        for (size_t k : {size_t(1), size_t(r[0] + 1), size_t(3 * r[0] + 2), size_t(23)}) {
            std::vector<double> c(k), wide(k), xd(150);
            std::vector<mpz_class> big(60);
            for (size_t i = 0; i < k; ++i) {
                c[i] = draw(1000);
                wide[i] = i % 4 == 0 ? std::ldexp(c[i], 60) : i % 4 == 1 ? c[i] / 7 : i == 3 ? NAN : -c[i];
            }
            for (double& v : xd) v = draw(32768);
            for (mpz_class& v : big) v = (mpz_class(draw(1000)) << 70) + gen() % 1000;
            expect_convolution(c, r, xd), expect_convolution(c, r, xd, true), expect_convolution(wide, r, big);
#if ZEB_FIR_HAVE_INT128
            const std::vector<double> near = near_limit(gen, k, r[0], 63), near64 = near_limit(gen, k, r[0], 32);
            std::vector<wide_int> x(200);
            std::vector<std::int64_t> x64(200);
            for (size_t i = 0; i < 200; ++i) {
                x[i] = i % 5 > 1 ? std::int64_t(gen()) : i % 5 ? INT64_MAX : INT64_MIN;
                x64[i] = i % 5 > 1 ? std::int32_t(gen()) : i % 5 ? INT32_MAX : INT32_MIN;
            }
            ASSERT_TRUE(sums_fit(near, r[0], std::uint64_t{1} << 63, 126) && sums_fit(near64, r[0], 1u << 31, 63));
            expect_convolution(near, r, x), expect_convolution(near64, r, x64);
#endif
        }
#if ZEB_FIR_HAVE_INT128  // the limits themselves: every branch sum below 2^126, or 2^63
    const std::uint64_t p63 = std::uint64_t{1} << 63, p31 = 1u << 31;
    const double k62 = 0x1p62 - 0x1p31;  // split at 31: high part 2^31 - 1, low part 0
    const std::tuple<std::vector<double>, int, std::uint64_t, int, bool> rows[] = {  // taps, L, largest sample, bits, fits
        {{0x1p62, 0x1p62}, 1, p63 - 1, 126, true}, {{0x1p62, 0x1p62}, 1, p63, 126, false},  // 2^126 - 2^63, 2^126
        {{0x1p62, 0x1p62}, 2, p63, 126, true}, {{2 * 0x1p62}, 1, 1, 126, false}, {{std::nan("")}, 1, 1, 126, false},
        {{-0x1p62, 0x1p62 - 1024, 0.9}, 1, p63, 126, true}, {{-0x1p62, 0x1p62, -1.5}, 1, p63, 126, false},  // 0, -1
        {{0x1p31, 0x1p31}, 1, p31 - 1, 63, true}, {{0x1p31, -0x1p31}, 1, p31, 63, false},  // 2^63 - 2^32, 2^63
        {{0x1p31, 0x1p31}, 2, p31, 63, true},
        // bits -s: split at bit s; 32-bit high parts of a coefficient and of a sample; split sums below 2^63
        {{0x1p32 - 1}, 1, 1, -1, true}, {{0x1p32}, 1, 1, -1, false}, {{1}, 1, 2 * p31 - 1, -1, true},
        {{1}, 1, 2 * p31, -1, false}, {{k62, k62}, 1, 1, -31, true}, {{k62, k62, k62}, 1, 1, -31, false}};
    for (const auto& [taps, L, sample, bits, fits] : rows)
        EXPECT_EQ(bits > 0 ? sums_fit(taps, L, sample, bits) : split_sums_fit(taps, L, sample, -bits), fits)
            << taps.size() << " taps, L " << L << ", sample " << sample << ", bits " << bits;
#endif
}

// Every form of the block loops this processor has gives the bits the per-output path gives, in blocks
// of several lengths: doubles whose sums round (a reordered or fused sum shows), 64-bit sums near 2^63,
// 128-bit sums of 49-bit samples and coefficients split at bit 19 (the widest split sums near 2^63).
TEST(FirFilter, EveryBlockLoopFormGivesThePerOutputBits) {
    const std::vector<CoreForm> forms = core_forms();
    std::mt19937_64 gen(99);
    for (const auto& r : kRates)
        for (size_t k : {size_t(2), size_t(21), size_t(64)}) {
            std::vector<double> c(k), xd(700), cw(k), cs(k), xs(700);
            std::vector<std::int64_t> xi(700);
            const std::vector<double> near = near_limit(gen, k, r[0], 40);
            for (double& v : c) v = std::ldexp(static_cast<double>(std::int64_t(gen())), -63);
            const std::uint64_t top = std::uint64_t{1} << 48, per_branch = std::min(top, (top << 4) / ((k + r[0] - 1) / r[0]));
            for (double& v : cw) v = static_cast<double>(std::int64_t(gen() % (2 * per_branch)) - std::int64_t(per_branch));
            const std::int64_t small = std::min<std::int64_t>(32767, 65535 / ((k + r[0] - 1) / r[0]));
            for (double& v : cs) v = static_cast<double>(std::int64_t(gen() % (2 * small + 1)) - small);
            for (size_t i = 0; i < xd.size(); ++i) {
                xs[i] = i % 97 == 50 ? 32768.0 : i % 5 ? double(std::int64_t(gen() % 65536) - 32768) : i % 2 ? 32767 : -32768;
                xd[i] = std::ldexp(static_cast<double>(std::int64_t(gen())), -50);
                xi[i] = i % 7 ? std::int64_t(gen() % (1u << 24)) - (1 << 23) : i % 2 ? (1 << 23) : -(1 << 23);
            }
#if ZEB_FIR_HAVE_INT128
            ASSERT_TRUE(sums_fit(near, r[0], 1u << 23, 63) && split_sums_fit(cw, r[0], top, 19));
            std::vector<wide_int> xw(700);
            for (size_t i = 0; i < xw.size(); ++i)
                xw[i] = i % 5 ? std::int64_t(gen() % (2 * top)) - std::int64_t(top) : i % 2 ? top - 1 : -std::int64_t(top);
            Out want_w;
#endif
            std::vector<double> want_d, want_s;
            std::vector<std::int64_t> want_i;
            for (CoreForm form : forms)
                for (size_t block : {size_t(7), size_t(32), size_t(45), size_t(333)}) {  // 7: per output
                    ASSERT_TRUE(use_core_form(form));
                    FirFilter<double> fd(c, r[0], r[1]);
                    FirFilter<std::int64_t> fi(near, r[0], r[1]);
                    FirFilter<double> fs(cs, r[0], r[1]);  // 16-bit pairs, but for one sample in 97
                    fs.set_small_samples(true);
                    FirFilter<double> fo(cs, r[0], r[1]);  // exact sums, sample by sample
                    fo.set_any_order(true);
                    std::vector<double> yd, ys, yo;
                    for (double v : xs) fo.run_one(v, yo);
                    std::vector<std::int64_t> yi;
                    for (size_t at = 0; at < xd.size(); at += block) {
                        fd.run(xd.data() + at, std::min(block, xd.size() - at), yd);
                        fs.run(xs.data() + at, std::min(block, xs.size() - at), ys);
                        fi.run(xi.data() + at, std::min(block, xi.size() - at), yi);
                    }
#if ZEB_FIR_HAVE_INT128
                    FirFilter<wide_int> fw(cw, r[0], r[1]);
                    fw.set_split_shift(19);
                    std::vector<wide_int> yw;
                    for (size_t at = 0; at < xw.size(); at += block) fw.run(xw.data() + at, std::min(block, xw.size() - at), yw);
                    if (want_w.empty()) want_w = exact(yw);
                    EXPECT_EQ(exact(yw), want_w) << "split sums, form " << int(form) << ", blocks of " << block;
#endif
                    if (want_d.empty()) want_d = yd, want_i = yi, want_s = ys;
                    SCOPED_TRACE(testing::Message() << "form " << int(form) << ", " << r[0] << "/" << r[1] << ", taps "
                                                    << k << ", blocks of " << block);
                    ASSERT_EQ(yd.size(), want_d.size());
                    EXPECT_EQ(std::memcmp(yd.data(), want_d.data(), yd.size() * sizeof(double)), 0);
                    EXPECT_EQ(yi, want_i);
                    EXPECT_EQ(ys, want_s);
                    EXPECT_EQ(yo, want_s);
                }
        }
    use_core_form(forms.back());
}

// The pairs loop takes 16-bit integer coefficients whose magnitudes sum below 2^16 and samples of 16-bit
// integer units; it stops before the chunk of 2048 outputs that reads the first other sample.
TEST(FirFilter, PairsLoopTakesSixteenBitIntegersWithinTheirBound) {
    const size_t n = 5000, none = size_t(-1);
    const double q = 0x1p-15;  // rows: coefficients, odd sample at, odd, unit, done
    const std::tuple<std::vector<double>, size_t, double, double, size_t> rows[] = {
        {{32767, 32767, 1}, none, 0, 1, n}, {{-32768, 32767}, none, 0, 1, n}, {{32767, -32767, 2}, none, 0, 1, 0},
        {{0.5, 1}, none, 0, 1, 0}, {{32768}, none, 0, 1, 0}, {{1, 2, 3}, 2049, 32768, 1, 0},
        {{1, 2, 3}, 2050, 0.5, 1, 2048}, {{1, 2, 3}, 4500, NAN, 1, 4096}, {{1, 2, 3}, n + 1, -32769, 1, 4096},
        {{32767, -32768}, none, 0, q, n}, {{1, 2, 3}, 2050, q / 2, q, 2048}, {{1, 2, 3}, 3000, 1.0, q, 2048}};
    std::mt19937_64 gen(5);
    for (CoreForm form : core_forms())
        for (const auto& [coeff, at, odd, unit, done] : rows) {
            ASSERT_TRUE(use_core_form(form));
            const size_t taps = coeff.size();
            std::vector<double> x(n + taps - 1), out(n, 0.5);
            for (size_t i = 0; i < x.size(); ++i) x[i] = unit * (i % 3 ? double(std::int64_t(gen() % 65536) - 32768) : i % 2 ? 32767 : -32768);
            if (at != none) x[at] = odd;
            const size_t cut = at % 1000;  // samples in two pieces, cut anywhere
            const size_t got = fir_block_core_pairs(coeff.data(), SampleRun{x.data(), cut, x.data() + cut, unit}, taps, n, out.data(), 1);
            EXPECT_EQ(got, form == CoreForm::generic ? 0 : done) << "form " << int(form) << ", row " << coeff[0] << " " << at;
            for (size_t k = 0; k < got; ++k) {
                std::int64_t sum = 0;
                for (size_t j = 0; j < taps; ++j) sum += std::int64_t(coeff[j]) * std::int64_t(x[k + taps - 1 - j] / unit);
                ASSERT_EQ(out[k], double(sum) * unit) << "output " << k;
            }
        }
    use_core_form(core_forms().back());
    std::vector<double> x(5000, -32768.0);  // a filter resumes with the double loop where the pairs stop
    x[3000] = 40000.0;
    for (const int* r : {kRates[0], kRates[1]}) expect_convolution({3, -2, 1, 5, -4, 2, 7, 1}, r, x, true);
}

// One retained sample (one tap); grown to three taps without reset, the taps
// older than the block's first sample read that sample.  Shrunk below the
// branch count, the other branches give 0.  Then the handler: run before a
// block once due after an output or a reset, kept by copies; refusals change nothing.
TEST(FirFilter, WindowAcrossCoefficientChangesHandlerAndRefusals) {
    FirFilter<double> f({1.0}, 1, 1);
    EXPECT_EQ(feed(f, {7.0}), Out{7});
    f.setCoefficients(std::vector<double>{1.0, 10.0, 100.0});
    EXPECT_EQ(feed(f, {2.0, 3.0}), (Out{772, 723}));
    EXPECT_EQ(feed(f, {5.0}), Out{335});  // only 3 was retained
    FirFilter<mpz_class> g({1, 2, 3, 4, 5, 6, 7, 8}, 4, 1);
    g.setCoefficients(std::vector<double>{3.0, -2.0});
    EXPECT_EQ(feed(g, {mpz_class(5)}), (Out{15, -10, 0, 0}));
    FirFilter<double> h({1.0, 1.0, 1.0}, 1, 3);
    h.set_change_config_handler([](void*) { return ++calls; }, nullptr);
    std::vector<int> seen;  // calls after blocks of these sizes
    for (size_t n : {0, 1, 1, 1, 30, 0, 1}) feed(h, std::vector<double>(n, 1.0)), seen.push_back(calls);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 1, 1, 2, 2, 3}));
    h.reset();
    FirFilter<double> copy(h);  // copies keep the handler and its due state
    feed(copy, {1.0});
    EXPECT_EQ(calls, 4);
    const std::vector<double> none;
    const std::pair<std::function<void()>, const char*> refusals[] = {
        {[&] { FirFilter<double>(none, 0, 1); }, "Invalid Filter rate"},  // checked first
        {[&] { h.setRate(2, 0); }, "Invalid Filter rate"}, {[&] { h.setCoefficients(none); }, "Invalid Filter coefficients"},
        {[&] { FirFilter<mpz_class>(none, 1, 1); }, "Invalid Filter coefficients"},
        {[&] { h.setCoefficients(nullptr, 2); }, "Invalid Filter coefficients"}};
    for (const auto& [refuse, text] : refusals)
        try { refuse(), ADD_FAILURE() << text; } catch (const FirFilterException& e) { EXPECT_STREQ(e.what(), text); }
    EXPECT_EQ(feed(h, {1.0, 2.0, 4.0}), Out{7});
}
