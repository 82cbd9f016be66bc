// Filter throughput in input samples per second: one-sample blocks (the
// engine's way of feeding) and long blocks, for both sample types.
#include <benchmark/benchmark.h>
#include <gmpxx.h>

#include <algorithm>
#include <vector>

#include "filter/fir_filter.h"

namespace {

constexpr std::size_t stream_length = 4096;

// Output queue stand-in: a ring assigned in place.
template <typename T>
struct Ring {
    std::vector<T> slots = std::vector<T>(256);
    std::size_t next = 0;
    void push_back(const T& v) {
        slots[next] = v;
        next = (next + 1) & 255;
    }
};

std::vector<double> coefficients(std::size_t n) {
    std::vector<double> c(n);
    for (std::size_t i = 0; i < n; ++i) {
        c[i] = static_cast<double>((static_cast<long>(i) * 7919) % 65535 - 32767);
    }
    return c;
}

template <typename T>
std::vector<T> samples();

template <>
std::vector<double> samples<double>() {
    std::vector<double> x(stream_length);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = static_cast<double>(static_cast<long>(i * 40503 % 65536) - 32768);
    }
    return x;
}

// Wide enough to need the GMP mode: 40-bit samples.
template <>
std::vector<mpz_class> samples<mpz_class>() {
    std::vector<mpz_class> x(stream_length);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = static_cast<long>(i * 2654435761u % 1099511627776u) - 549755813888L;
    }
    return x;
}

// Arguments: L, M, number of coefficients.
template <typename T>
FirFilter<T> filter_for(const benchmark::State& state) {
    return FirFilter<T>(coefficients(static_cast<std::size_t>(state.range(2))), static_cast<int>(state.range(0)),
                        static_cast<int>(state.range(1)));
}

// Feeds the stream in blocks of Size samples.
template <typename T, std::size_t Size>
void blocks_of(benchmark::State& state) {
    FirFilter<T> f = filter_for<T>(state);
    const std::vector<T> x = samples<T>();
    Ring<T> out;
    for (auto _ : state) {
        for (std::size_t at = 0; at < x.size(); at += Size) {
            f.run(x.data() + at, std::min(Size, x.size() - at), out);
        }
    }
    benchmark::DoNotOptimize(out.slots.data());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(x.size()));
}

void shapes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"L", "M", "taps"});
    b->Args({1, 1, 21});
    b->Args({4, 1, 64});
    b->Args({1, 3, 63});
}

}  // namespace

BENCHMARK_TEMPLATE(blocks_of, double, 1)->Apply(shapes);
BENCHMARK_TEMPLATE(blocks_of, double, stream_length)->Apply(shapes);
BENCHMARK_TEMPLATE(blocks_of, mpz_class, 1)->Apply(shapes);
BENCHMARK_TEMPLATE(blocks_of, mpz_class, stream_length)->Apply(shapes);

BENCHMARK_MAIN();
