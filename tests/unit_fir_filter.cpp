// The rate-changing filter kernel: its output stream against the reference
// convolution for many rates, tap counts and ways of cutting the input; the
// window kept across coefficient changes; the timing of the
// change-configuration handler; refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "filter/fir_filter.h"
#include "reference_model.h"

namespace {

// Feeds x whole (how 0), one sample at a time (1), or in random cuts, some empty.
template <typename T>
std::vector<T> feed(FirFilter<T>& f, const std::vector<T>& x, int how = 0) {
    std::mt19937 gen(static_cast<unsigned>(x.size()) + how);
    std::vector<T> out;
    if (how == 0) f.run(x, out);
    for (size_t at = 0, n = 0; how > 0 && at < x.size(); at += n) {
        n = how == 1 ? 1 : std::min<size_t>(x.size() - at, gen() % 4 == 0 ? gen() % 40 : gen() % 4);
        f.run(x.data() + at, n, out);
    }
    return out;
}

int calls = 0;
int count_call(void*) { return ++calls; }

}  // namespace

TEST(FirFilter, OutputIsTheSampledConvolutionHoweverTheInputIsCut) {
    std::mt19937 gen(12345);
    const int rates[][2] = {{1, 1}, {4, 1}, {1, 3}, {3, 2}, {2, 3}, {5, 7}, {7, 5}, {16, 15}};
    for (const auto& r : rates) {
        const size_t l = static_cast<size_t>(r[0]);
        for (size_t k : {size_t{1}, l - 1, l, l + 1, 3 * l + 2, size_t{21}}) {
            if (k == 0) continue;
            // Doubles: integer values, so every sum is exact.  GMP: values far
            // beyond a machine word; coefficients truncated toward zero, a
            // non-finite one adds nothing.
            std::vector<double> c(k), wide(k);
            std::vector<mpz_class> taps, wide_taps, x(150), big(60);
            for (size_t i = 0; i < k; ++i) {
                c[i] = static_cast<double>(static_cast<int>(gen() % 2001) - 1000);
                wide[i] = i % 4 == 0 ? std::ldexp(c[i], 60) : i % 4 == 1 ? c[i] / 7 : i == 3 ? NAN : -c[i];
                taps.push_back(mpz_class(c[i]));
                wide_taps.push_back(mpz_class(std::isfinite(wide[i]) ? std::trunc(wide[i]) : 0.0));
            }
            std::vector<double> xd;
            for (mpz_class& v : x) v = static_cast<int>(gen() % 65536) - 32768, xd.push_back(v.get_d());
            for (mpz_class& v : big) v = (mpz_class(static_cast<int>(gen() % 2001) - 1000) << 70) + gen() % 1000;
            const unsigned L = static_cast<unsigned>(r[0]), M = static_cast<unsigned>(r[1]);
            const std::vector<mpz_class> want = ref::convolve({taps}, L, M, x);
            const std::vector<mpz_class> want_big = ref::convolve({wide_taps}, L, M, big);
            for (int how = 0; how < 3; ++how) {
                SCOPED_TRACE(testing::Message() << L << "/" << M << " taps " << k << " feed " << how);
                FirFilter<double> f(c, r[0], r[1]);
                FirFilter<mpz_class> g(wide, r[0], r[1]);
                std::vector<mpz_class> got;
                for (double y : feed(f, xd, how)) got.push_back(mpz_class(y));
                ASSERT_EQ(got, want);
                ASSERT_EQ(feed(g, big, how), want_big);
            }
        }
    }
}

#if ZEB_FIR_HAVE_INT128
mpz_class to_mpz(wide_int v) {
    const unsigned __int128 m = v < 0 ? 0 - static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
    const mpz_class r = (mpz_class(static_cast<unsigned long>(m >> 64)) << 64) + static_cast<unsigned long>(m);
    return v < 0 ? mpz_class(-r) : r;
}

// 128-bit kernels on 64-bit samples (the extremes among them), with every
// branch's sum of |coefficient| x largest sample close to the 2^126 limit.
TEST(FirFilter, Int128OutputIsExactUpToItsLimit) {
    std::mt19937_64 gen(4242);
    const int rates[][2] = {{1, 1}, {4, 1}, {1, 3}, {3, 2}, {2, 3}, {5, 7}, {7, 5}, {16, 15}};
    for (const auto& r : rates) {
        const size_t l = static_cast<size_t>(r[0]);
        for (size_t k : {l, 2 * l + 1, size_t{23}}) {
            std::vector<double> c(k);
            std::vector<mpz_class> taps, exact;
            for (double& x : c) {
                const double share = std::ldexp(static_cast<double>(gen() >> 12), -52) * 0.5 + 0.499;  // below 1
                const double per_branch = static_cast<double>((k + l - 1) / l);
                x = std::floor(std::ldexp(1.0, 63) / per_branch * share) * (gen() % 2 ? 1 : -1);
                taps.push_back(mpz_class(x));
            }
            ASSERT_TRUE(fitsInt128(c, r[0], std::uint64_t{1} << 63));
            std::vector<wide_int> x(200);
            for (size_t i = 0; i < x.size(); ++i) {
                x[i] = i % 5 == 0 ? INT64_MIN : i % 5 == 1 ? INT64_MAX : static_cast<std::int64_t>(gen());
                exact.push_back(to_mpz(x[i]));
            }
            const std::vector<mpz_class> want = ref::convolve({taps}, r[0], r[1], exact);
            for (int how = 0; how < 3; ++how) {
                FirFilter<wide_int> f(c, r[0], r[1]);
                std::vector<mpz_class> got;
                for (wide_int v : feed(f, x, how)) got.push_back(to_mpz(v));
                ASSERT_EQ(got, want) << r[0] << "/" << r[1] << " taps " << k << " feed " << how;
            }
        }
    }
}

TEST(FirFilter, Int128HoldsWhileEveryBranchSumStaysBelowTwoTo126) {
    const double p62 = std::ldexp(1.0, 62);
    const std::uint64_t p63 = std::uint64_t{1} << 63, p48 = std::uint64_t{1} << 48;
    const std::tuple<std::vector<double>, int, std::uint64_t, bool> rows[] = {  // taps, L, largest sample, fits
        {{p62, p62}, 1, p63 - 1, true},           // 2^126 - 2^63
        {{p62, p62}, 1, p63, false},              // 2^126 exactly
        {{p62, p62}, 2, p63, true},               // 2^125 per branch
        {{-p62, p62 - 1024, 0.9}, 1, p63, true},  // 0.9 truncates to 0
        {{-p62, p62, -1.5}, 1, p63, false},       // -1.5 truncates to -1: 2^63 + 1
        {{2 * p62}, 1, 1, false},                 // beyond 64 bits
        {{std::nan("")}, 1, 1, false},
        // 49-bit samples and coefficients hold below 2^30 taps per branch;
        // the same rule at a scale that fits a test: 2^62 with 2^48 below 2^16.
        {std::vector<double>(65535, p62), 1, p48, true},
        {std::vector<double>(65536, p62), 1, p48, false},
        {std::vector<double>(65536, p62), 2, p48, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fitsInt128(std::get<0>(row), std::get<1>(row), std::get<2>(row)), std::get<3>(row))
            << std::get<0>(row).size() << " taps, L " << std::get<1>(row) << ", sample " << std::get<2>(row);
    }
}
#endif

TEST(FirFilter, CoefficientChangesKeepTheWindowUntilReset) {
    // One retained sample (one tap).  Grown to three taps without reset, the
    // taps older than the block's first sample read that sample.
    FirFilter<double> f({1.0}, 1, 1);
    EXPECT_EQ(feed(f, {7.0}), (std::vector<double>{7.0}));
    f.setCoefficients(std::vector<double>{1.0, 10.0, 100.0});
    EXPECT_EQ(feed(f, {2.0, 3.0}), (std::vector<double>{772.0, 723.0}));
    EXPECT_EQ(feed(f, {5.0}), (std::vector<double>{335.0}));  // only 3 was retained
    f.reset();
    EXPECT_EQ(feed(f, {1.0, 1.0, 1.0}), (std::vector<double>{1.0, 11.0, 111.0}));
    // Shrunk below the branch count: branches past the last tap give 0.
    FirFilter<mpz_class> g({1, 2, 3, 4, 5, 6, 7, 8}, 4, 1);
    g.setCoefficients(std::vector<double>{3.0, -2.0});
    EXPECT_EQ(feed(g, {mpz_class(5)}), (std::vector<mpz_class>{15, -10, 0, 0}));
}

TEST(FirFilter, HandlerRunsBeforeABlockOnceDueAfterAnOutputOrAReset) {
    FirFilter<double> f({1.0, 1.0, 1.0}, 1, 3);
    f.set_change_config_handler(count_call, nullptr);
    // Block sizes and the calls made after each.
    for (const auto& step : {std::make_pair(0, 0), {1, 1}, {1, 1}, {1, 1}, {30, 2}, {0, 2}, {1, 3}}) {
        feed(f, std::vector<double>(static_cast<size_t>(step.first), 1.0));
        EXPECT_EQ(calls, step.second) << step.first;
    }
    f.reset();
    FirFilter<double> copy(f);  // copies keep the handler and its due state
    feed(copy, {1.0});
    EXPECT_EQ(calls, 4);
    // Refused settings leave the filter as it was.
    const std::vector<double> none;
    const std::pair<std::function<void()>, const char*> refusals[] = {
        {[&] { FirFilter<double>(none, 0, 1); }, "Invalid Filter rate"},  // checked first
        {[&] { FirFilter<mpz_class>(none, 1, 1); }, "Invalid Filter coefficients"},
        {[&] { f.setCoefficients(none); }, "Invalid Filter coefficients"},
        {[&] { f.setCoefficients(nullptr, 2); }, "Invalid Filter coefficients"},
        {[&] { f.setRate(2, 0); }, "Invalid Filter rate"}};
    for (const auto& refused : refusals) {
        try {
            refused.first();
            ADD_FAILURE() << refused.second;
        } catch (const FirFilterException& e) {
            EXPECT_STREQ(e.what(), refused.second);
        }
    }
    EXPECT_EQ(feed(f, {1.0, 2.0, 4.0}), (std::vector<double>{7.0}));
}
