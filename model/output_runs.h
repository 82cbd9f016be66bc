// The output side of the model is one stream of output vectors in hardware
// order.  Slot s of a vector produced under channel pattern P holds the next
// sample of channel P[s], so every vector belongs to the pattern its samples
// were produced under.  A pattern change restarts every kernel and closes
// the run of vectors of the old pattern: its samples stay first in the
// per-channel buffers and are still read under the old pattern, whenever
// the host reads them.  Slots of a closed run's last vectors that no sample
// of the run fills read as zero.
//
// This ledger keeps the closed runs still to be read, oldest first; the run
// of the pattern in force is open and is everything in the buffers beyond
// them.
#ifndef ZEB_FIR_MODEL_OUTPUT_RUNS_H
#define ZEB_FIR_MODEL_OUTPUT_RUNS_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "patterns/pattern_tables.h"
#include "zeb_fir_v7_1.h"

// Channel of slot s under a pattern (the basic order: the slot itself).
inline unsigned int slot_channel(zeb_fir_v7_1_pattern pattern, unsigned int slot) {
    if (pattern == ZEB_FIR_V7_1_PATTERN_BASIC) return slot;
    return static_cast<unsigned int>(pattern_slot_owner(pattern, slot));
}

// Slots of one vector that channel c owns under a pattern (0: none).
inline std::size_t channel_slots(zeb_fir_v7_1_pattern pattern, unsigned int chan) {
    if (pattern == ZEB_FIR_V7_1_PATTERN_BASIC) return 1;
    const int32_t count = pattern_slot_count(pattern, chan);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

class OutputRuns {
public:
    void clear(unsigned int channels);
    bool empty() const { return runs_.empty(); }

    // Closes the open run of `pattern`, of which every path holds held[c]
    // samples of channel c beyond the closed runs.  `read_slots`: slots of
    // its current vector the host has already read (only when no closed run
    // precedes it).  Returns the slots of its vectors no sample fills.
    std::size_t close(zeb_fir_v7_1_pattern pattern, const std::vector<std::size_t>& held, unsigned int read_slots);

    // The run the host reads next, and what it holds.
    zeb_fir_v7_1_pattern head_pattern() const { return runs_.front().pattern; }
    std::size_t head_left(unsigned int chan) const { return runs_.front().left[chan]; }
    // Vectors of the head run in which every slot has a sample, from a vector start.
    std::size_t head_full_vectors() const;
    // The host took n samples of chan from the head run.
    void took(unsigned int chan, std::size_t n) {
        runs_.front().left[chan] -= n;
        in_closed_[chan] -= n;
    }
    // The host finished n vectors of the head run; drops it once read.
    void finished_vectors(std::size_t n);

    // Samples of chan in all closed runs: the oldest of its buffers.
    std::size_t closed_samples(unsigned int chan) const { return in_closed_[chan]; }
    // Vectors of all closed runs still to read, from the reader's vector on.
    std::size_t vectors() const { return total_vectors_; }

private:
    struct Run {
        zeb_fir_v7_1_pattern pattern;
        std::vector<std::size_t> left;  // per channel, samples not yet read
        std::size_t vectors;            // not yet finished, the one being read included
    };
    std::deque<Run> runs_;
    std::vector<std::size_t> in_closed_;
    std::size_t total_vectors_ = 0;
};

#endif
