// The filter's output stream against an independent polyphase model, for
// many rate pairs, coefficient counts and ways of cutting the input.
#include <gtest/gtest.h>
#include <gmpxx.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "filter/fir_filter.h"

namespace {

void add_tap(double& acc, double c, double s) {
    acc = acc + c * s;
}

void add_tap(mpz_class& acc, double c, const mpz_class& s) {
    acc += mpz_class(c) * s;  // mpz_class(double) truncates toward zero
}

// Rate change as textbook resampling: insert L - 1 zeros after each input
// sample, convolve with the coefficients, keep every M-th point.  Output k
// of the convolution is c[k mod L] x[k div L] + c[k mod L + L] x[k div L - 1]
// + ..., i.e. the filter's branch k mod L with newest sample k div L.  Every
// output advances k by q L + r = M.  A fresh filter with L > M starts with
// branch 0 and the first sample (k = 0); otherwise its first output takes
// M div L samples plus one more on a branch carry, landing on k = M - 1.
// Terms are added in increasing coefficient index, the filter's
// newest-sample-first order; the products with stuffed zeros add nothing.
template <typename T>
std::vector<T> resample(const std::vector<double>& c, const std::vector<T>& x, int L, int M) {
    const long stuffed = static_cast<long>(x.size()) * L;
    std::vector<T> out;
    for (long k = L > M ? 0 : M - 1; k < stuffed; k += M) {
        T acc = 0;
        for (long i = 0; i < static_cast<long>(c.size()); ++i) {
            const long u = k - i;
            const bool sample = u >= 0 && u % L == 0;
            add_tap(acc, c[static_cast<std::size_t>(i)], sample ? x[static_cast<std::size_t>(u / L)] : T(0));
        }
        out.push_back(acc);
    }
    return out;
}

std::vector<double> random_doubles(std::mt19937& gen, std::size_t n) {
    std::vector<double> v(n);
    for (double& d : v) {
        d = std::ldexp(static_cast<double>(static_cast<std::int32_t>(gen())), -17) / 3.0;
    }
    return v;
}

// Integer-valued coefficients of up to 2^40, some not integers (truncated),
// some beyond a machine word.
std::vector<double> random_wide_coefficients(std::mt19937& gen, std::size_t n) {
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double base = static_cast<double>(static_cast<std::int32_t>(gen())) * 256.0;
        switch (i % 4) {
            case 0: v[i] = base; break;
            case 1: v[i] = base / 1000.0 + 0.75; break;
            case 2: v[i] = std::ldexp(base, 40); break;  // up to 2^79
            default: v[i] = -static_cast<double>(gen() % 100); break;
        }
    }
    return v;
}

std::vector<mpz_class> random_wide_samples(std::mt19937& gen, std::size_t n) {
    std::vector<mpz_class> v(n);
    for (mpz_class& s : v) {
        s = mpz_class(gen());
        s <<= 70;
        s += gen();
        if (gen() % 2) {
            s = -s;
        }
    }
    return v;
}

struct Rate {
    int L;
    int M;
};

const Rate rates[] = {{1, 1}, {4, 1}, {1, 3}, {3, 2}, {2, 3}, {5, 7}, {7, 5}, {16, 15}};

std::vector<std::size_t> coefficient_counts(int L) {
    std::vector<std::size_t> counts;
    const std::size_t l = static_cast<std::size_t>(L);
    for (std::size_t n : {std::size_t{1}, l - 1, l, l + 1, 3 * l, 3 * l + 2, std::size_t{21}}) {
        if (n >= 1) {
            counts.push_back(n);
        }
    }
    return counts;
}

template <typename T>
std::vector<T> feed_whole(FirFilter<T>& f, const std::vector<T>& x) {
    std::vector<T> out;
    f.run(x, out);
    return out;
}

template <typename T>
std::vector<T> feed_singly(FirFilter<T>& f, const std::vector<T>& x) {
    std::vector<T> out;
    for (const T& s : x) {
        f.run(&s, 1, out);
    }
    return out;
}

template <typename T>
std::vector<T> feed_cut(FirFilter<T>& f, const std::vector<T>& x, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<T> out;
    std::size_t at = 0;
    while (at < x.size()) {
        const std::size_t n = std::min<std::size_t>(x.size() - at, gen() % 4 == 0 ? gen() % 40 : gen() % 4);
        f.run(x.data() + at, n, out);  // n may be 0
        at += n;
    }
    return out;
}

template <typename T>
void expect_same(const std::vector<T>& got, const std::vector<T>& want, const char* how, const Rate& r, std::size_t k) {
    ASSERT_EQ(got.size(), want.size()) << how << " L/M " << r.L << "/" << r.M << " K " << k;
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i], want[i]) << how << " L/M " << r.L << "/" << r.M << " K " << k << " output " << i;
    }
}

// One stream fed whole, one sample at a time and in random cuts, each to a fresh filter.
template <typename T>
void expect_resampled(const std::vector<double>& c, const std::vector<T>& x, const Rate& r) {
    const std::vector<T> want = resample(c, x, r.L, r.M);
    FirFilter<T> whole(c, r.L, r.M);
    FirFilter<T> single(c, r.L, r.M);
    FirFilter<T> cut(c, r.L, r.M);
    expect_same(feed_whole(whole, x), want, "whole", r, c.size());
    expect_same(feed_singly(single, x), want, "single", r, c.size());
    expect_same(feed_cut(cut, x, static_cast<unsigned>(c.size() * 31 + static_cast<std::size_t>(r.L))), want, "cut", r,
                c.size());
}

}  // namespace

TEST(FirFilterStream, DoubleOutputIsTheSampledConvolutionBitForBitHoweverTheInputIsCut) {
    std::mt19937 gen(12345);
    for (const Rate& r : rates) {
        for (std::size_t k : coefficient_counts(r.L)) {
            const std::vector<double> c = random_doubles(gen, k);
            expect_resampled(c, random_doubles(gen, 150), r);
        }
    }
}

TEST(FirFilterStream, GmpOutputIsTheExactSampledConvolutionOfTruncatedCoefficients) {
    std::mt19937 gen(777);
    for (const Rate& r : rates) {
        for (std::size_t k : {static_cast<std::size_t>(r.L), static_cast<std::size_t>(2 * r.L + 1), std::size_t{13}}) {
            const std::vector<double> c = random_wide_coefficients(gen, k);
            expect_resampled(c, random_wide_samples(gen, 60), r);
        }
    }
}

// 128-bit kernels against the exact GMP reference, with 64-bit samples (the
// extremes among them) and coefficients making every branch's sum of
// |coefficient| * largest sample come close to the 2^126 limit.
mpz_class to_mpz(wide_int v) {
    const bool negative = v < 0;
    const unsigned __int128 m = negative ? 0 - static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
    mpz_class r(static_cast<unsigned long>(m >> 64));
    r <<= 64;
    r += static_cast<unsigned long>(static_cast<std::uint64_t>(m));
    return negative ? mpz_class(-r) : r;
}

TEST(FirFilterStream, Int128OutputIsExactUpToItsLimit) {
    std::mt19937_64 gen(4242);
    const double top = std::ldexp(1.0, 63);
    for (const Rate& r : rates) {
        for (std::size_t k : {static_cast<std::size_t>(r.L), static_cast<std::size_t>(2 * r.L + 1), std::size_t{23}}) {
            const std::size_t per_branch = (k + static_cast<std::size_t>(r.L) - 1) / static_cast<std::size_t>(r.L);
            std::vector<double> c(k);
            for (double& x : c) {
                const double share = std::ldexp(static_cast<double>(gen() >> 12), -52) * 0.5 + 0.499;  // below 1
                x = std::floor(top / static_cast<double>(per_branch) * share) * (gen() % 2 ? 1 : -1);
            }
            ASSERT_TRUE(fitsInt128(c, r.L, std::uint64_t{1} << 63));
            std::vector<wide_int> x(200);
            std::vector<mpz_class> exact(x.size());
            for (std::size_t i = 0; i < x.size(); ++i) {
                const std::int64_t v = i % 5 == 0 ? INT64_MIN : i % 5 == 1 ? INT64_MAX : static_cast<std::int64_t>(gen());
                x[i] = v;
                exact[i] = to_mpz(v);
            }
            const std::vector<mpz_class> want = resample(c, exact, r.L, r.M);
            FirFilter<wide_int> whole(c, r.L, r.M), single(c, r.L, r.M), cut(c, r.L, r.M);
            for (auto* got : {&whole, &single, &cut}) {
                std::vector<wide_int> out = got == &whole    ? feed_whole(*got, x)
                                            : got == &single ? feed_singly(*got, x)
                                                             : feed_cut(*got, x, static_cast<unsigned>(k));
                std::vector<mpz_class> as_mpz;
                for (wide_int v : out) as_mpz.push_back(to_mpz(v));
                expect_same(as_mpz, want, "int128", r, k);
            }
        }
    }
}

TEST(FirFilterStream, Int128HoldsWhileEveryBranchSumStaysBelowTwoTo126) {
    const double p62 = std::ldexp(1.0, 62);
    const std::uint64_t p63 = std::uint64_t{1} << 63;
    struct Row {
        std::vector<double> coefficients;
        int L;
        std::uint64_t largest_sample;
        bool fits;
    };
    const Row rows[] = {
        {{p62, p62}, 1, p63 - 1, true},    // 2^126 - 2^63
        {{p62, p62}, 1, p63, false},       // 2^126 exactly
        {{p62, p62}, 2, p63, true},        // 2^125 per branch
        {{-p62, p62 - 1024, 0.9}, 1, p63, true},   // 0.9 truncates to 0
        {{-p62, p62, -1.5}, 1, p63, false},        // -1.5 truncates to -1: 2^63 + 1
        {{std::ldexp(1.0, 63)}, 1, 1, false},      // beyond 64 bits
        {{std::nan("")}, 1, 1, false},
        // 49-bit samples and coefficients hold below 2^30 taps per branch; the
        // same rule at a scale that fits a test: 2^62 with 2^48 below 2^16.
        {std::vector<double>(65535, p62), 1, std::uint64_t{1} << 48, true},
        {std::vector<double>(65536, p62), 1, std::uint64_t{1} << 48, false},
        {std::vector<double>(65536, p62), 2, std::uint64_t{1} << 48, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fitsInt128(row.coefficients, row.L, row.largest_sample), row.fits)
            << row.coefficients.size() << " taps, L " << row.L << ", sample " << row.largest_sample;
    }
}

TEST(FirFilterStream, OutputIsAppendedAfterExistingContents) {
    FirFilter<double> f({1.0, 2.0}, 2, 1);
    std::vector<double> out = {-7.0};
    f.run(std::vector<double>{3.0}, out);
    EXPECT_EQ(out, (std::vector<double>{-7.0, 3.0, 6.0}));
    // The same vector as input and output: the block is read before it grows.
    std::vector<double> both = {5.0, 1.0};
    f.run(both, both);
    EXPECT_EQ(both, (std::vector<double>{5.0, 1.0, 5.0, 10.0, 1.0, 2.0}));
}

TEST(FirFilterStream, InterpolatorByFourFedOneSampleAtATimeUsesBranchesInOrder) {
    const std::vector<double> c = {1, 2, 3, 4, 10, 20, 30, 40};
    FirFilter<double> f(c, 4, 1);
    std::vector<double> out;
    f.run(std::vector<double>{1.0}, out);
    EXPECT_EQ(out, (std::vector<double>{1, 2, 3, 4}));
    f.run(std::vector<double>{100.0}, out);
    EXPECT_EQ(out, (std::vector<double>{1, 2, 3, 4, 110, 220, 330, 440}));
}

TEST(FirFilterStream, DecimatorByThreeWaitsForItsThirdSample) {
    FirFilter<double> f({1.0, 10.0, 100.0}, 1, 3);
    std::vector<double> out;
    f.run(std::vector<double>{1.0, 2.0}, out);
    EXPECT_TRUE(out.empty());
    f.run(std::vector<double>{3.0}, out);
    EXPECT_EQ(out, (std::vector<double>{123.0}));  // 3 + 10 * 2 + 100 * 1
}

TEST(FirFilterStream, CopyTakenMidStreamContinuesIdentically) {
    std::mt19937 gen(99);
    const std::vector<double> c = random_doubles(gen, 23);
    const std::vector<double> x = random_doubles(gen, 120);
    const std::vector<double> head(x.begin(), x.begin() + 37);
    const std::vector<double> tail(x.begin() + 37, x.end());
    const std::vector<double> want = resample(c, x, 3, 2);

    FirFilter<double> f(c, 3, 2);
    std::vector<double> out;
    f.run(head, out);
    FirFilter<double> copy(f);
    FirFilter<double> assigned({1.0}, 1, 1);
    assigned = f;
    std::vector<double> copy_out = out;
    std::vector<double> assigned_out = out;
    f.run(tail, out);
    copy.run(tail, copy_out);
    assigned.run(tail, assigned_out);
    EXPECT_EQ(out, want);
    EXPECT_EQ(copy_out, want);
    EXPECT_EQ(assigned_out, want);

    std::mt19937 wide_gen(5);
    const std::vector<double> wc = random_wide_coefficients(wide_gen, 9);
    const std::vector<mpz_class> wx = random_wide_samples(wide_gen, 30);
    FirFilter<mpz_class> w(wc, 2, 3);
    std::vector<mpz_class> wout;
    w.run(std::vector<mpz_class>(wx.begin(), wx.begin() + 11), wout);
    FirFilter<mpz_class> wcopy(w);
    std::vector<mpz_class> wcopy_out = wout;
    const std::vector<mpz_class> wtail(wx.begin() + 11, wx.end());
    w.run(wtail, wout);
    wcopy.run(wtail, wcopy_out);
    EXPECT_EQ(wout, resample(wc, wx, 2, 3));
    EXPECT_EQ(wcopy_out, wout);
}
