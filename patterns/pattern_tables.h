// Bounds-safe lookups in the exported channel pattern tables.  Every helper
// answers -1 (or false) for a pattern id, channel count, channel or slot that
// has no row, so callers never index the tables themselves.
#ifndef ZEB_FIR_PATTERNS_PATTERN_TABLES_H
#define ZEB_FIR_PATTERNS_PATTERN_TABLES_H

#include <cstdint>

#include "zeb_fir_v7_1.h"

// True for 0..173; the basic order (175) has no rows.
inline bool pattern_has_rows(int32_t pattern) { return pattern >= 0 && pattern < ZEB_FIR_V7_1_NUM_PATTERNS; }

// True when pattern lies in the id range of num_channels (signed compare).
inline bool pattern_valid_for(int32_t pattern, unsigned num_channels) {
    if (num_channels > ZEB_FIR_V7_1_PATTERN_SLOTS) return false;
    const int32_t first = zeb_fir_v7_1_pattern_min[num_channels];
    return first >= 0 && first <= pattern && pattern <= zeb_fir_v7_1_pattern_max[num_channels];
}

// First pattern id of num_channels (the fallback for an invalid id), or -1.
inline int32_t pattern_first_for(unsigned num_channels) {
    return num_channels <= ZEB_FIR_V7_1_PATTERN_SLOTS ? zeb_fir_v7_1_pattern_min[num_channels] : -1;
}

// Channel that owns slot of pattern, or -1 past its last slot.
inline int32_t pattern_slot_owner(int32_t pattern, unsigned slot) {
    if (!pattern_has_rows(pattern) || slot >= ZEB_FIR_V7_1_PATTERN_SLOTS) return -1;
    return zeb_fir_v7_1_pattern_seq[pattern * ZEB_FIR_V7_1_PATTERN_SLOTS + static_cast<int32_t>(slot)];
}

// Slots per cycle that chan owns in pattern; -1 for a channel it lacks.
inline int32_t pattern_slot_count(int32_t pattern, unsigned chan) {
    if (!pattern_has_rows(pattern) || chan >= ZEB_FIR_V7_1_PATTERN_SLOTS) return -1;
    return zeb_fir_v7_1_pattern_map[(pattern * ZEB_FIR_V7_1_PATTERN_SLOTS + static_cast<int32_t>(chan)) *
                                    ZEB_FIR_V7_1_PATTERN_MAP_ROW];
}

// Slot of chan's k-th sample within a cycle (k below its slot count), or -1.
inline int32_t pattern_channel_slot(int32_t pattern, unsigned chan, unsigned k) {
    const int32_t count = pattern_slot_count(pattern, chan);
    if (count < 1 || k >= static_cast<unsigned>(count)) return -1;
    return zeb_fir_v7_1_pattern_map[(pattern * ZEB_FIR_V7_1_PATTERN_SLOTS + static_cast<int32_t>(chan)) *
                                        ZEB_FIR_V7_1_PATTERN_MAP_ROW +
                                    1 + static_cast<int32_t>(k)];
}

#endif
