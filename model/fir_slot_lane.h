// The short way of one time slot through a model whose bank has a slot lane
// (double kernels, no Hilbert filter).  Inline: a slot is a few dozen
// instructions of work, and the host's call reaches here through the
// interface with no call level between.
#ifndef ZEB_FIR_MODEL_FIR_SLOT_LANE_H
#define ZEB_FIR_MODEL_FIR_SLOT_LANE_H

#include "model/fir.h"

// Every value already one of the input format (only a negative zero would
// change), and no notes to write: quantising and counting wraps have
// nothing to do.
__attribute__((always_inline)) inline bool FIR::send_slot_by_lane(const double* values) {
    if (lane == nullptr || dbg_logger->active()) return false;
    const unsigned int P = configuration.num_paths;
    const double scale = din_fmt.getScale();
    const unsigned int chan = channel_of_slot(static_cast<unsigned int>(chan_pos_in));
    const bool idle = cnfg_queue.empty();  // cnfg_sync would return at once
    if (P == 1) {                          // the usual model: no copy
        const double sample = values[0] * scale;
        if (!din_quiet.holds(sample)) return false;
        lane->feed(0, chan, sample + 0.0, idle);
    } else {
        // Copied once checked: a handler the kernels call may run host code.
        double samples[kMaxPaths];
        for (unsigned int p = 0; p < P; ++p) {
            samples[p] = values[p] * scale;
            if (!din_quiet.holds(samples[p])) return false;
        }
        for (unsigned int p = 0; p < P; ++p) lane->feed(p, chan, samples[p] + 0.0, idle);
    }
    next_input_slot();
    return true;
}

// Outside closed runs a slot is ready when every path holds a sample of its
// channel, and a take the lane accepts wraps nothing: the general read
// would count no wrap and keep no closed-run books.
inline SlotLane::Take FIR::take_slot_by_lane(double* values) {
    if (lane == nullptr || !closed_runs.empty() || dbg_logger->active()) return SlotLane::Take::declined;
    const unsigned int chan = channel_of_slot(static_cast<unsigned int>(chan_pos_out));
    const SlotLane::Take got = lane->take(values, configuration.num_paths, chan);
    if (got == SlotLane::Take::slot) next_output_slot();
    return got;
}

// As the double kernels' integer reads: the rounded value times 2^output_fract_width.
inline SlotLane::Take FIR::take_slot_by_lane(mpz_ptr values) {
    double reals[kMaxPaths];
    const SlotLane::Take got = take_slot_by_lane(reals);
    if (got == SlotLane::Take::slot) {
        for (unsigned int p = 0; p < configuration.num_paths; ++p)
            mpz_set_d(values + p, reals[p] * lane->integer_scale());
    }
    return got;
}

#endif
