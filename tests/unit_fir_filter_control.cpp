// Filter configuration: refusals, reset, gain, coefficient changes without
// reset, and the timing of the change-configuration handler.
#include <gtest/gtest.h>
#include <gmpxx.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "filter/fir_filter.h"

namespace {

template <typename Action>
std::string failure_text(Action action) {
    try {
        action();
    } catch (const FirFilterException& e) {
        return e.what();
    }
    return "(no exception)";
}

std::vector<double> run_block(FirFilter<double>& f, const std::vector<double>& x) {
    std::vector<double> out;
    f.run(x, out);
    return out;
}

// Counts calls; optionally reconfigures the filter it watches.
struct Watcher {
    FirFilter<double>* filter = nullptr;
    int calls = 0;
    std::vector<double> new_coefficients;
    int new_rate = 0;

    static int handle(void* arg) {
        Watcher* w = static_cast<Watcher*>(arg);
        ++w->calls;
        if (!w->new_coefficients.empty()) {
            w->filter->setCoefficients(w->new_coefficients);
        }
        if (w->new_rate != 0) {
            w->filter->setRate(w->new_rate, 1);
        }
        return 0;
    }
};

}  // namespace

TEST(FirFilterControl, RateIsCheckedBeforeCoefficients) {
    const std::vector<double> none;
    EXPECT_EQ(failure_text([&] { FirFilter<double>(none, 0, 1); }), "Invalid Filter rate");
    EXPECT_EQ(failure_text([&] { FirFilter<double>(none, 1, -2); }), "Invalid Filter rate");
    EXPECT_EQ(failure_text([&] { FirFilter<mpz_class>(none, 1, 1); }), "Invalid Filter coefficients");
    EXPECT_EQ(failure_text([&] { FirFilter<double>({1.0}, 1, 0); }), "Invalid Filter rate");
}

TEST(FirFilterControl, RefusedSettersLeaveTheFilterUnchanged) {
    const std::vector<double> c = {1.0, 2.0, 3.0};
    FirFilter<double> f(c, 1, 1);
    FirFilter<double> untouched(c, 1, 1);
    run_block(f, {1.0, 5.0});
    run_block(untouched, {1.0, 5.0});

    const double two[] = {7.0, 8.0};
    EXPECT_EQ(failure_text([&] { f.setCoefficients(std::vector<double>()); }), "Invalid Filter coefficients");
    EXPECT_EQ(failure_text([&] { f.setCoefficients(two, 0); }), "Invalid Filter coefficients");
    EXPECT_EQ(failure_text([&] { f.setCoefficients(nullptr, 2); }), "Invalid Filter coefficients");
    EXPECT_EQ(failure_text([&] { f.setRate(0, 1); }), "Invalid Filter rate");
    EXPECT_EQ(failure_text([&] { f.setRate(2, -1); }), "Invalid Filter rate");
    EXPECT_EQ(f.getRateNumerator(), 1);
    EXPECT_EQ(f.getRateDenominator(), 1);
    EXPECT_EQ(f.getCoefficients(), c);
    EXPECT_EQ(run_block(f, {2.0, 3.0}), run_block(untouched, {2.0, 3.0}));
}

TEST(FirFilterControl, PointerFormTakesTheFirstCountValuesEvenFromItsOwnCoefficients) {
    FirFilter<double> f({1.0, 2.0, 3.0, 4.0}, 1, 1);
    f.setCoefficients(f.getCoefficients().data() + 1, 2);
    EXPECT_EQ(f.getCoefficients(), (std::vector<double>{2.0, 3.0}));
}

TEST(FirFilterControl, CalcGainIsTheLargestAbsoluteBranchSum) {
    EXPECT_EQ(FirFilter<double>({1, -3, 2, 2}, 2, 1).calcGain(), 5.0);
    EXPECT_EQ(FirFilter<double>({1, -3, 2, 2}, 1, 4).calcGain(), 8.0);
    EXPECT_EQ(FirFilter<mpz_class>({-1, 0, 0, 0.5}, 4, 3).calcGain(), 1.0);
    EXPECT_EQ(FirFilter<double>({0.0}, 3, 1).calcGain(), 0.0);
}

TEST(FirFilterControl, ResetAndSetRateRestartFromZeroHistory) {
    FirFilter<double> f({1.0, 10.0, 100.0}, 1, 1);
    EXPECT_EQ(run_block(f, {1.0, 2.0}), (std::vector<double>{1.0, 12.0}));
    f.reset();
    EXPECT_EQ(run_block(f, {3.0}), (std::vector<double>{3.0}));
    f.setRate(1, 2);
    EXPECT_EQ(f.getRateDenominator(), 2);
    EXPECT_EQ(run_block(f, {4.0, 5.0}), (std::vector<double>{45.0}));
}

TEST(FirFilterControl, CoefficientChangesWithoutResetKeepTheRetainedWindowLength) {
    // One retained sample (1 coefficient).  Grown to 3 coefficients without
    // reset, the taps older than the block's first sample read that sample.
    FirFilter<double> f({1.0}, 1, 1);
    EXPECT_EQ(run_block(f, {7.0}), (std::vector<double>{7.0}));
    f.setCoefficients(std::vector<double>{1.0, 10.0, 100.0});
    // Stream 7 | 2 3: 2 + 10*7 + 100*7, then 3 + 10*2 + 100*7.
    EXPECT_EQ(run_block(f, {2.0, 3.0}), (std::vector<double>{772.0, 723.0}));
    // Only 3 is retained: 5 + 10*3 + 100*3.
    EXPECT_EQ(run_block(f, {5.0}), (std::vector<double>{335.0}));
    f.reset();
    EXPECT_EQ(run_block(f, {1.0, 1.0, 1.0}), (std::vector<double>{1.0, 11.0, 111.0}));

    // Shrunk below the branch count: branches past the last coefficient give 0.
    FirFilter<mpz_class> g({1, 2, 3, 4, 5, 6, 7, 8}, 4, 1);
    g.setCoefficients(std::vector<double>{3.0, -2.0});
    std::vector<mpz_class> out;
    g.run(std::vector<mpz_class>{mpz_class(5)}, out);
    EXPECT_EQ(out, (std::vector<mpz_class>{15, -10, 0, 0}));
}

TEST(FirFilterControl, EditsThroughGetCoefficientsTakeEffectAtOnce) {
    FirFilter<double> f({1.0}, 1, 1);
    f.getCoefficients()[0] = 2.5;
    EXPECT_EQ(run_block(f, {4.0}), (std::vector<double>{10.0}));

    FirFilter<mpz_class> g({3.0, 1.0}, 1, 1);
    std::vector<mpz_class> out;
    g.run(std::vector<mpz_class>{mpz_class(1)}, out);
    g.getCoefficients()[1] = -1e20;  // beyond a machine word
    g.run(std::vector<mpz_class>{mpz_class(2)}, out);
    g.getCoefficients().clear();  // no taps at all: silence, safely
    g.run(std::vector<mpz_class>{mpz_class(3)}, out);
    EXPECT_EQ(out, (std::vector<mpz_class>{3, 6 - mpz_class("100000000000000000000"), 0}));
}

TEST(FirFilterControl, GmpCoefficientsAreTruncatedTowardZeroAndNonFiniteOnesAddNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    FirFilter<mpz_class> f({2.9, -2.9, nan, inf, -0.5}, 1, 1);
    std::vector<mpz_class> out;
    f.run(std::vector<mpz_class>{mpz_class(1), mpz_class(0), mpz_class(0), mpz_class(0), mpz_class(0)}, out);
    EXPECT_EQ(out, (std::vector<mpz_class>{2, -2, 0, 0, 0}));
}

TEST(FirFilterControl, FewerCoefficientsThanBranchesStillFilterEachSample) {
    // No retained window; each branch has at most one tap, on the newest sample.
    FirFilter<double> f({2.0, 3.0}, 4, 1);
    EXPECT_EQ(run_block(f, {1.0, 10.0}), (std::vector<double>{2, 3, 0, 0, 20, 30, 0, 0}));
    FirFilter<double> g({2.0, 3.0}, 3, 2);
    std::vector<double> singles;
    for (double x : {1.0, 10.0, 100.0, 1000.0}) {
        g.run(&x, 1, singles);
    }
    // Branches 0, 2, 1, 0, 2, 1; branch 2 has no coefficient.
    EXPECT_EQ(singles, (std::vector<double>{2, 0, 30, 200, 0, 3000}));
}

TEST(FirFilterControl, HandlerRunsOncePerBlockAfterAnOutputOrReset) {
    FirFilter<double> f({1.0, 1.0, 1.0}, 1, 3);
    Watcher w;
    EXPECT_TRUE(f.isSyncPending());
    f.set_change_config_handler(&Watcher::handle, &w);
    EXPECT_TRUE(f.isSyncPending());

    run_block(f, {});
    EXPECT_EQ(w.calls, 0);  // empty blocks never call it
    run_block(f, {1.0});
    EXPECT_EQ(w.calls, 1);  // due since construction
    EXPECT_FALSE(f.isSyncPending());
    run_block(f, {1.0});
    EXPECT_EQ(w.calls, 1);  // no output since: not due
    EXPECT_EQ(run_block(f, {1.0}).size(), 1u);
    EXPECT_EQ(w.calls, 1);
    EXPECT_TRUE(f.isSyncPending());
    EXPECT_EQ(run_block(f, std::vector<double>(30, 1.0)).size(), 10u);
    EXPECT_EQ(w.calls, 2);  // once for a block with many outputs
    run_block(f, {});
    EXPECT_EQ(w.calls, 2);
    run_block(f, {1.0});
    EXPECT_EQ(w.calls, 3);
    f.reset();
    run_block(f, {1.0});
    EXPECT_EQ(w.calls, 4);
    f.set_change_config_handler(nullptr, nullptr);
    run_block(f, {1.0, 1.0});
    EXPECT_TRUE(f.isSyncPending());  // stays due without a handler
}

TEST(FirFilterControl, HandlerActsBeforeTheBlockIsConsumed) {
    FirFilter<double> f({1.0}, 1, 1);
    Watcher w;
    w.filter = &f;
    w.new_coefficients = {5.0};
    f.set_change_config_handler(&Watcher::handle, &w);
    EXPECT_EQ(run_block(f, {2.0, 3.0}), (std::vector<double>{10.0, 15.0}));

    // A rate change in the handler applies to the same block.
    FirFilter<double> g({1.0, 2.0}, 1, 1);
    Watcher v;
    v.filter = &g;
    v.new_rate = 2;
    g.set_change_config_handler(&Watcher::handle, &v);
    EXPECT_EQ(run_block(g, {3.0}), (std::vector<double>{3.0, 6.0}));
    EXPECT_EQ(g.getRateNumerator(), 2);
}

TEST(FirFilterControl, CopiesKeepTheHandlerAndItsState) {
    FirFilter<double> f({1.0}, 1, 1);
    Watcher w;
    f.set_change_config_handler(&Watcher::handle, &w);
    run_block(f, {1.0});
    FirFilter<double> copy(f);
    run_block(copy, {1.0});
    run_block(f, {1.0});
    EXPECT_EQ(w.calls, 3);
}

TEST(FirFilterControl, MovedFromFiltersStayUsable) {
    FirFilter<double> f({1.0, 2.0, 3.0}, 2, 1);
    run_block(f, {1.0, 2.0});
    FirFilter<double> moved(std::move(f));
    EXPECT_EQ(run_block(moved, {3.0}), (std::vector<double>{3.0 + 3 * 2.0, 2 * 3.0}));
    run_block(f, {1.0, 2.0, 3.0});  // no defined output, but no stray reads either
    f = moved;
    EXPECT_EQ(run_block(f, {1.0}), run_block(moved, {1.0}));

    FirFilter<mpz_class> g({1.0, 2.0, 3.0}, 1, 2);
    FirFilter<mpz_class> taken({1.0}, 1, 1);
    taken = std::move(g);
    std::vector<mpz_class> out;
    g.run(std::vector<mpz_class>{mpz_class(1), mpz_class(2), mpz_class(3)}, out);
    taken.run(std::vector<mpz_class>{mpz_class(1), mpz_class(2), mpz_class(3)}, out);
    EXPECT_EQ(out.back(), mpz_class(2 + 2 * 1));  // decimating by 2: newest tap on the second sample
}
