// One-sample blocks, the engine's way of feeding the filter, must not touch
// the heap once the filter is warm: counted through the global allocation
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

void* counted_malloc(std::size_t n) {
    ++heap_calls;
    if (void* p = std::malloc(n == 0 ? 1 : n)) {
        return p;
    }
    throw std::bad_alloc();
}

void* (*gmp_alloc)(std::size_t);
void* (*gmp_realloc)(void*, std::size_t, std::size_t);
void (*gmp_free)(void*, std::size_t);

void* counted_gmp_alloc(std::size_t n) {
    ++heap_calls;
    return gmp_alloc(n);
}

void* counted_gmp_realloc(void* p, std::size_t old_size, std::size_t new_size) {
    ++heap_calls;
    return gmp_realloc(p, old_size, new_size);
}

// Stands in for the engine's output queue: a fixed ring assigned in place.
template <typename T>
struct Ring {
    std::vector<T> slots;
    std::size_t next = 0;
    void push_back(const T& v) {
        slots[next] = v;
        next = (next + 1) % slots.size();
    }
};

struct Shape {
    int L;
    int M;
    std::size_t taps;
};

const Shape shapes[] = {{1, 1, 21}, {4, 1, 64}, {1, 3, 63}, {5, 7, 23}, {16, 15, 50}};

std::vector<double> coefficients(std::size_t n) {
    std::vector<double> c(n);
    for (std::size_t i = 0; i < n; ++i) {
        c[i] = static_cast<double>((static_cast<long>(i) * 7919) % 2001 - 1000);
    }
    c[n / 2] = 1e19;  // beyond a machine word: the GMP instance's wide path
    return c;
}

template <typename T>
long heap_calls_of_one_sample_blocks(const Shape& s, const std::vector<T>& samples, Ring<T>& ring) {
    const long at_start = heap_calls;
    FirFilter<T> f(coefficients(s.taps), s.L, s.M);
    EXPECT_GT(heap_calls, at_start) << "allocations are not being counted";
    for (int round = 0; round < 20; ++round) {
        for (const T& x : samples) {
            f.run(&x, 1, ring);
        }
    }
    const long before = heap_calls;
    for (int round = 0; round < 10; ++round) {
        for (const T& x : samples) {
            f.run(&x, 1, ring);
        }
    }
    return heap_calls - before;
}

}  // namespace

void* operator new(std::size_t n) {
    return counted_malloc(n);
}
void* operator new[](std::size_t n) {
    return counted_malloc(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

TEST(FirFilterAlloc, DoubleOneSampleBlocksAllocateNothingOnceWarm) {
    std::vector<double> samples(97);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<double>(static_cast<long>(i * 37 % 101) - 50) * 0.125;
    }
    for (const Shape& s : shapes) {
        Ring<double> ring;
        ring.slots.assign(64, 0.0);
        EXPECT_EQ(heap_calls_of_one_sample_blocks(s, samples, ring), 0) << s.L << "/" << s.M;
    }
}

TEST(FirFilterAlloc, GmpOneSampleBlocksAllocateNothingOnceWarm) {
    mp_get_memory_functions(&gmp_alloc, &gmp_realloc, &gmp_free);
    mp_set_memory_functions(counted_gmp_alloc, counted_gmp_realloc, gmp_free);
    {
        const long at_start = heap_calls;
        std::vector<mpz_class> samples(97);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = mpz_class(1) << 90;
            samples[i] += static_cast<long>(i * 37 % 101) - 50;
            if (i % 3 == 0) {
                samples[i] = -samples[i];
            }
        }
        EXPECT_GT(heap_calls, at_start + 97) << "GMP allocations are not being counted";
        for (const Shape& s : shapes) {
            Ring<mpz_class> ring;
            ring.slots.assign(64, mpz_class(1) << 400);  // room for any output
            EXPECT_EQ(heap_calls_of_one_sample_blocks(s, samples, ring), 0) << s.L << "/" << s.M;
        }
    }
    mp_set_memory_functions(gmp_alloc, gmp_realloc, gmp_free);
}
