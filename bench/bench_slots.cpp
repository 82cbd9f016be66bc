// The fixed cost of a call: one single-slot send and one single-slot read of
// the default filter per iteration (what a co-simulation does every clock),
// through the C interface and through the DPI layer.  Items are samples.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "zeb_fir_v7_1.h"
#include "zeb_fir_v7_1_dpi.h"

namespace {

// Input values cycle through a few hundred steps of a full-scale pattern.
double stimulus(std::uint64_t i) { return static_cast<double>(static_cast<int>((i * 2654435761u) % 65536u) - 32768); }

zeb_array_real* slot_record() {
    zeb_array_real* slot = zeb_fir_v7_1_zeb_array_real_create();
    zeb_fir_v7_1_zeb_array_real_reserve_dim(slot, 1);
    zeb_fir_v7_1_zeb_array_real_reserve_data(slot, 1);
    slot->dim[0] = slot->data_size = 1;
    slot->dim_size = 1;
    return slot;
}

void BM_SlotSendRead(benchmark::State& state) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    zeb_fir_v7_1* model = zeb_fir_v7_1_create(&cfg, nullptr, nullptr);
    zeb_array_real* in = slot_record();
    zeb_array_real* out = slot_record();
    std::uint64_t i = 0;
    double sum = 0.0;
    for (auto _ : state) {
        in->data[0] = stimulus(i++);
        zeb_fir_v7_1_data_send_channel(model, in);
        zeb_fir_v7_1_data_get_channel(model, out, nullptr);
        sum += out->data[0];
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    zeb_fir_v7_1_zeb_array_real_destroy(out);
    zeb_fir_v7_1_zeb_array_real_destroy(in);
    zeb_fir_v7_1_destroy(model);
}

// The two calls the DPI layer makes per clock, alone and with the value
// put in and read out as a bench does.
void dpi_slots(benchmark::State& state, bool values) {
    void* model = zeb_fir_v7_1_dpi_create("");
    if (model == nullptr) {
        state.SkipWithError("model refused its configuration");
        return;
    }
    std::uint64_t i = 0;
    long long sum = 0;
    for (auto _ : state) {
        if (values) zeb_fir_v7_1_dpi_put_int(model, 0, static_cast<long long>(stimulus(i++)));
        zeb_fir_v7_1_dpi_send_slot(model);
        zeb_fir_v7_1_dpi_next(model);
        if (values) {
            long long v = 0;
            zeb_fir_v7_1_dpi_get_int(model, 0, &v);
            sum += v;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    zeb_fir_v7_1_dpi_destroy(model);
}

void BM_DpiSendSlotNext(benchmark::State& state) { dpi_slots(state, false); }
void BM_DpiPutSendNextGet(benchmark::State& state) { dpi_slots(state, true); }

}  // namespace

BENCHMARK(BM_SlotSendRead);
BENCHMARK(BM_DpiSendSlotNext);
BENCHMARK(BM_DpiPutSendNextGet);
BENCHMARK_MAIN();
