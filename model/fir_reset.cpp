// Returning a model to its state after creation.
#include "model/fir.h"

int FIR::reset() {
    bank->reset(coeffs[0]);
    cnfg_queue.clear();
    chan_pos_in = 0;
    chan_pos_out = 0;
    CurrentPattern = configuration.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ ? configuration.init_pattern
                                                                              : ZEB_FIR_V7_1_PATTERN_BASIC;
    closed_runs.clear(configuration.num_channels);
    wraps.clear();
    vectors_in = 0;
    vectors_out = 0;
    return ZEB_STATUS_OK;
}
