// Once warm, neither the filter fed one sample or a block at a time nor the
// engine taking whole packets and giving whole vectors touches the heap:
// counted through the global allocation functions and GMP's memory
// functions.
#include <gtest/gtest.h>
#include <gmpxx.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "host.h"
#include "filter/fir_filter.h"
#include "model/fir.h"

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
    c[n / 2] = 1e19;  // beyond a machine word: the GMP instance's wide path (nothing in the 128-bit one)
    return c;
}


// Heap calls of 10 rounds over the samples in blocks of `block` (the last
// one shorter), after 20 rounds of warming up.
template <typename T>
long heap_calls_once_warm(const Shape& s, const std::vector<T>& samples, Ring<T>& ring, std::size_t block) {
    const long at_start = heap_calls;
    FirFilter<T> f(coefficients(s.taps), s.L, s.M);
    EXPECT_GT(heap_calls, at_start) << "allocations are not being counted";
    auto feed = [&](int rounds) {
        for (int round = 0; round < rounds; ++round) {
            for (std::size_t at = 0; at < samples.size(); at += block) {
                f.runSamples(samples.data() + at, std::min(block, samples.size() - at), ring);
            }
        }
    };
    feed(20);
    const long before = heap_calls;
    feed(10);
    return heap_calls - before;
}

template <typename T>
void expect_no_heap_calls_once_warm(const std::vector<T>& samples, const T& room) {
    for (const Shape& s : shapes) {
        for (std::size_t block : {std::size_t{1}, std::size_t{48}}) {
            Ring<T> ring;
            ring.slots.assign(64, room);
            EXPECT_EQ(heap_calls_once_warm(s, samples, ring, block), 0) << s.L << "/" << s.M << " block " << block;
        }
    }
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

TEST(FirFilterAlloc, DoubleAndInt128FiltersAllocateNothingOnceWarm) {
    std::vector<double> samples(97);
    std::vector<wide_int> wide(97);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<double>(static_cast<long>(i * 37 % 101) - 50) * 0.125;
        wide[i] = static_cast<wide_int>(static_cast<long>(i * 37 % 101) - 50) * (wide_int{1} << 40);
    }
    expect_no_heap_calls_once_warm(samples, 0.0);
    expect_no_heap_calls_once_warm(wide, wide_int(0));
}

void count_gmp_allocations(bool on) {
    if (on) {
        mp_get_memory_functions(&gmp_alloc, &gmp_realloc, &gmp_free);
        mp_set_memory_functions(counted_gmp_alloc, counted_gmp_realloc, gmp_free);
    } else {
        mp_set_memory_functions(gmp_alloc, gmp_realloc, gmp_free);
    }
}

TEST(FirFilterAlloc, GmpFiltersAllocateNothingOnceWarm) {
    count_gmp_allocations(true);
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
        expect_no_heap_calls_once_warm(samples, mpz_class(mpz_class(1) << 400));  // room for any output
    }
    count_gmp_allocations(false);
}

// Whole packets in and whole vectors out, read as reals and as integers, in
// the double mode, the 128-bit integer mode and on GMP kernels.
TEST(FirFilterAlloc, EnginePacketsAllocateNothingOnceWarm) {
    count_gmp_allocations(true);
    for (const bool gmp_kernels : {false, true}) {
        for (const unsigned int width : {16u, 30u}) {
            if (gmp_kernels && width == 16) continue;
            zeb_fir_v7_1_config cfg;
            zeb_fir_v7_1_default_config(&cfg);
            cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
            cfg.interpolation_rate = 2;
            cfg.num_paths = 2;
            cfg.num_channels = 3;
            cfg.data_width = width;
            cfg.coeff_width = width;
            cfg.reloadable = 1;
            cfg.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_EVEN;
            cfg.output_width = 2 * width - 4;
            host::Model m(cfg);
            ASSERT_NE(*m, nullptr);
            FIR& fir = *reinterpret_cast<FIR*>(*m);
            if (gmp_kernels) fir.use_gmp_kernels();
            EXPECT_EQ(fir.uses_int128(), width == 30 && !gmp_kernels);

            const std::size_t P = 2, C = 3, V = 100;
            host::Stimulus stimulus(width);
            const std::vector<double> values = stimulus.samples(P * C * V, width, 0);
            host::Real in = host::packet(P, C, V, values);
            host::Real reals({P, C, 2 * V});
            host::Mpz integers({P, C, 2 * V});
            auto round_trip = [&] {
                ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
                ASSERT_EQ(zeb_fir_v7_1_data_get(*m, reals.get(), nullptr), ZEB_STATUS_OK);
                ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
                ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(*m, integers.get(), nullptr), ZEB_STATUS_OK);
                ASSERT_EQ(integers->data_size, P * C * 2 * V);
            };
            for (int warm = 0; warm < 3; ++warm) round_trip();
            const long before = heap_calls;
            for (int counted = 0; counted < 3; ++counted) round_trip();
            EXPECT_EQ(heap_calls - before, 0) << "width " << width << (gmp_kernels ? ", GMP kernels" : "");
            EXPECT_TRUE(m.take().size() <= 1);  // the integer mode's creation warning
        }
    }
    count_gmp_allocations(false);
}
