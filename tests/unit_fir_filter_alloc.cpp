// One-sample blocks, the engine's way of feeding the kernel, touch the heap
// no more once the kernel is warm: counted through the global allocation
// functions and GMP's memory functions.
#include <gtest/gtest.h>
#include <gmpxx.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "filter/fir_filter.h"

namespace {

std::atomic<long> heap_calls{0};
void* (*gmp_alloc)(size_t);
void* (*gmp_realloc)(void*, size_t, size_t);
void (*gmp_free)(void*, size_t);

void* counted(size_t n) {
    ++heap_calls;
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}

// Stands in for the engine's output queue: a fixed ring assigned in place.
template <typename T>
struct Ring {
    std::vector<T> slots;
    size_t next = 0;
    void push_back(const T& v) { slots[next++ % slots.size()] = v; }
};

template <typename T>
void expect_no_heap_once_warm(const T& big) {
    for (const auto& s : {std::vector<int>{1, 1, 21}, {4, 1, 64}, {1, 3, 63}, {5, 7, 23}, {16, 15, 50}}) {
        std::vector<double> c(static_cast<size_t>(s[2]));
        for (size_t i = 0; i < c.size(); ++i) c[i] = static_cast<double>(static_cast<long>(i * 7919 % 2001) - 1000);
        c[c.size() / 2] = 1e19;  // beyond a machine word: the GMP kernel's wide path
        std::vector<T> samples(97, big);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] *= static_cast<long>(i * 37 % 101) - 50;
        Ring<T> ring{std::vector<T>(64, big * big * big), 0};
        FirFilter<T> f(c, s[0], s[1]);
        long before = 0;
        for (int round = 0; round < 30; ++round) {
            if (round == 20) before = heap_calls;
            for (const T& x : samples) f.run(&x, 1, ring);
        }
        EXPECT_EQ(heap_calls - before, 0) << s[0] << "/" << s[1];
    }
}

}  // namespace

void* operator new(size_t n) { return counted(n); }
void* operator new[](size_t n) { return counted(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

TEST(FirFilterAlloc, OneSampleBlocksAllocateNothingOnceWarm) {
    const long at_start = heap_calls;
    expect_no_heap_once_warm<double>(1.0);
    EXPECT_GT(heap_calls, at_start) << "allocations are not being counted";
    mp_get_memory_functions(&gmp_alloc, &gmp_realloc, &gmp_free);
    mp_set_memory_functions([](size_t n) { return ++heap_calls, gmp_alloc(n); },
                            [](void* p, size_t o, size_t n) { return ++heap_calls, gmp_realloc(p, o, n); }, gmp_free);
    expect_no_heap_once_warm<mpz_class>(mpz_class(1) << 90);
    mp_set_memory_functions(gmp_alloc, gmp_realloc, gmp_free);
}
