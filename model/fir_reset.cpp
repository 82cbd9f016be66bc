// Returning a model to its state after creation.
#include "model/fir.h"

void FIR::prime_hilbert_delay() {
    hilbert_delay.clear();
    if (configuration.filter_type != ZEB_FIR_V7_1_HILBERT) return;
    // The in-phase output is the input delayed to the centre tap of the
    // padded filter.
    const std::size_t zeros = (configuration.num_coeffs + 1) / 2 - 1 + configuration.coeff_padding;
    hilbert_delay.assign(configuration.num_paths, std::vector<SampleFifo<double>>(configuration.num_channels));
    for (auto& path : hilbert_delay) {
        for (auto& line : path) {
            for (std::size_t i = 0; i < zeros; ++i) line.push_back(0.0);
        }
    }
}

int FIR::reset() {
    with_bank([this](auto& bank, auto& out) {
        for (std::size_t p = 0; p < configuration.num_paths; ++p) {
            for (std::size_t c = 0; c < configuration.num_channels; ++c) {
                bank[p][c].setCoefficients(coeffs[0]);
                bank[p][c].reset();
                out[p][c].clear();
            }
        }
    });
    prime_hilbert_delay();
    cnfg_queue.clear();
    chan_pos_in = 0;
    chan_pos_out = 0;
    CurrentPattern = configuration.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ ? configuration.init_pattern
                                                                               : ZEB_FIR_V7_1_PATTERN_BASIC;
    closed_runs.clear(configuration.num_channels);
    return ZEB_STATUS_OK;
}
