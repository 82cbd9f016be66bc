// End-to-end throughput: input samples per second through
// zeb_fir_v7_1_data_send (or single-slot sends) followed by
// zeb_fir_v7_1_data_get of every whole output vector, for a few typical
// configurations.  ZEB_BENCH_ITERATIONS=N fixes the iterations, so that
// valgrind --tool=callgrind counts the same work in two builds.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "zeb_fir_v7_1.h"

namespace {

const std::vector<double> kDefaultCoeff = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};

std::vector<double> random_values(std::size_t n, int64_t limit, uint64_t seed) {
    std::mt19937_64 gen(seed);
    std::vector<double> v(n);
    for (double& x : v) x = static_cast<double>(static_cast<int64_t>(gen() % static_cast<uint64_t>(2 * limit)) - limit);
    return v;
}

struct Shape {
    int filter_type = ZEB_FIR_V7_1_SINGLE_RATE;
    int rate_change = ZEB_FIR_V7_1_INTEGER_RATE;
    unsigned int L = 1, M = 1;
    unsigned int paths = 1, channels = 1;
    unsigned int data_width = 16, coeff_width = 16;
    unsigned int reloadable = 0;
    int pattern = ZEB_FIR_V7_1_PATTERN_BASIC;
    bool slots = false;  // sent slot by slot
    std::vector<double> coeff = kDefaultCoeff;
    std::size_t vectors = 1024;  // input vectors per packet
};

// One packet in, every whole output vector out, per iteration.
void run_shape(benchmark::State& state, const Shape& shape) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.filter_type = shape.filter_type;
    cfg.rate_change = shape.rate_change;
    cfg.interpolation_rate = shape.L;
    cfg.decimation_rate = shape.M;
    cfg.num_paths = shape.paths;
    cfg.num_channels = shape.channels;
    cfg.data_width = shape.data_width;
    cfg.coeff_width = shape.coeff_width;
    cfg.reloadable = shape.reloadable;
    cfg.chan_seq = shape.pattern != ZEB_FIR_V7_1_PATTERN_BASIC;
    cfg.init_pattern = shape.pattern;
    cfg.coeff = shape.coeff.data();
    cfg.num_coeffs = static_cast<unsigned int>(shape.coeff.size());
    zeb_fir_v7_1* model = zeb_fir_v7_1_create(&cfg, nullptr, nullptr);
    if (model == nullptr) {
        state.SkipWithError("model refused its configuration");
        return;
    }

    const std::size_t per_vector = static_cast<std::size_t>(shape.paths) * shape.channels;
    const std::size_t samples = per_vector * shape.vectors;
    zeb_array_real* input = zeb_fir_v7_1_zeb_array_real_create();
    zeb_fir_v7_1_zeb_array_real_reserve_dim(input, 3);
    zeb_fir_v7_1_zeb_array_real_reserve_data(input, samples);
    input->dim[0] = shape.paths;
    input->dim[1] = shape.channels;
    input->dim[2] = shape.vectors;
    input->dim_size = 3;
    input->data_size = samples;
    const std::vector<double> values =
        random_values(samples, int64_t{1} << (shape.data_width - 1), 0x5eed + shape.paths);
    for (std::size_t i = 0; i < samples; ++i) input->data[i] = values[i];

    // Room for every vector one packet can complete, and one more.
    const std::size_t max_out = shape.vectors * shape.L / shape.M + 1;
    zeb_array_real* output = zeb_fir_v7_1_zeb_array_real_create();
    zeb_fir_v7_1_zeb_array_real_reserve_dim(output, 3);
    zeb_fir_v7_1_zeb_array_real_reserve_data(output, per_vector * max_out);
    output->dim[0] = shape.paths;
    output->dim[1] = shape.channels;
    output->dim_size = 3;

    zeb_array_real* slot = zeb_fir_v7_1_zeb_array_real_create();
    zeb_fir_v7_1_zeb_array_real_reserve_dim(slot, 1);
    zeb_fir_v7_1_zeb_array_real_reserve_data(slot, shape.paths);
    slot->dim[0] = slot->data_size = shape.paths;
    slot->dim_size = 1;

    std::size_t produced = 0;
    for (auto _ : state) {
        if (shape.slots) {
            for (std::size_t i = 0; i < samples; i += shape.paths) {
                std::copy(input->data + i, input->data + i + shape.paths, slot->data);
                zeb_fir_v7_1_data_send_channel(model, slot);
            }
        } else {
            zeb_fir_v7_1_data_send(model, input);
        }
        output->dim[2] = shape.vectors * shape.L / shape.M;
        output->data_size = 0;
        zeb_fir_v7_1_data_get(model, output, nullptr);
        produced += output->data_size;
        benchmark::DoNotOptimize(output->data);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(samples));
    state.counters["outputs_per_input"] =
        static_cast<double>(produced) / static_cast<double>(state.iterations() * samples);

    zeb_fir_v7_1_zeb_array_real_destroy(slot);
    zeb_fir_v7_1_zeb_array_real_destroy(output);
    zeb_fir_v7_1_zeb_array_real_destroy(input);
    zeb_fir_v7_1_destroy(model);
}

void BM_Default21Taps(benchmark::State& state) { run_shape(state, Shape{}); }

void BM_SingleRate16Paths64Channels(benchmark::State& state) {
    Shape s;
    s.paths = 16;
    s.channels = 64;
    s.vectors = 16;
    run_shape(state, s);
}

void BM_Interpolate4With64Taps(benchmark::State& state) {
    Shape s;
    s.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    s.L = 4;
    s.coeff = random_values(64, 2000, 64);
    run_shape(state, s);
}

void BM_Decimate3With63Taps(benchmark::State& state) {
    Shape s;
    s.filter_type = ZEB_FIR_V7_1_DECIMATION;
    s.M = 3;
    s.coeff = random_values(63, 2000, 63);
    s.vectors = 1026;  // a whole number of outputs per packet
    run_shape(state, s);
}

void BM_Fractional3Over2(benchmark::State& state) {
    Shape s;
    s.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    s.rate_change = ZEB_FIR_V7_1_FIXED_FRACTIONAL;
    s.L = 3;
    s.M = 2;
    s.coeff = random_values(48, 2000, 48);
    run_shape(state, s);
}

// 30 + 30 + lg(21) = 65 accumulator bits: GMP arithmetic.
void BM_Default21TapsWide(benchmark::State& state) {
    Shape s;
    s.reloadable = 1;
    s.data_width = 30;
    s.coeff_width = 30;
    run_shape(state, s);
}

// Advanced pattern 3 (slots 0 1 0 2), interpolating by 2: whole packets,
// and single slots.
Shape pattern3_interpolate2(bool slots) {
    Shape s;
    s.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    s.L = 2;
    s.channels = 4;
    s.pattern = 3;
    s.slots = slots;
    s.vectors = slots ? 64 : 1024;
    return s;
}
void BM_Pattern3Interpolate2(benchmark::State& state) { run_shape(state, pattern3_interpolate2(false)); }
void BM_Pattern3Interpolate2Slots(benchmark::State& state) { run_shape(state, pattern3_interpolate2(true)); }

}  // namespace

int main(int argc, char** argv) {
    const std::pair<const char*, void (*)(benchmark::State&)> all[] = {
        {"BM_Default21Taps", BM_Default21Taps},
        {"BM_SingleRate16Paths64Channels", BM_SingleRate16Paths64Channels},
        {"BM_Interpolate4With64Taps", BM_Interpolate4With64Taps},
        {"BM_Decimate3With63Taps", BM_Decimate3With63Taps},
        {"BM_Fractional3Over2", BM_Fractional3Over2},
        {"BM_Default21TapsWide", BM_Default21TapsWide},
        {"BM_Pattern3Interpolate2", BM_Pattern3Interpolate2},
        {"BM_Pattern3Interpolate2Slots", BM_Pattern3Interpolate2Slots}};
    const char* fixed = std::getenv("ZEB_BENCH_ITERATIONS");
    for (const auto& [name, fn] : all) {
        benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(name, fn);
        if (fixed != nullptr) b->Iterations(std::atoll(fixed));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
