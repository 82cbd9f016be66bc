// Compile-time derivation of the slot map and the id ranges from the channel
// sequence table, and the checks every sequence row must pass.  Only the
// sequence is written by hand; everything here is computed from it so the
// exported tables cannot drift apart.
#ifndef ZEB_FIR_PATTERNS_PATTERN_DERIVE_H
#define ZEB_FIR_PATTERNS_PATTERN_DERIVE_H

#include <cstddef>
#include <cstdint>

#include "zeb_fir_v7_1.h"

namespace pattern_derive {

constexpr std::size_t kPatterns = ZEB_FIR_V7_1_NUM_PATTERNS;
constexpr std::size_t kSlots = ZEB_FIR_V7_1_PATTERN_SLOTS;
constexpr std::size_t kRow = ZEB_FIR_V7_1_PATTERN_MAP_ROW;
constexpr std::size_t kMaxSlotsPerChannel = kRow - 1;
constexpr std::size_t kCounts = kSlots + 1;  // range tables: channel counts 0 to 64
constexpr std::size_t kSeqSize = kPatterns * kSlots;
constexpr std::size_t kMapSize = kSeqSize * kRow;

struct ChannelCount {
    int32_t channels;
    int32_t patterns;
};

// Pattern ids are numbered consecutively over these channel counts, in order.
constexpr ChannelCount kChannelCounts[] = {{4, 5},   {6, 9},   {8, 13},  {12, 27}, {16, 22},
                                           {24, 27}, {32, 22}, {48, 27}, {64, 22}};

struct MapTable {
    int32_t entry[kMapSize];
};

struct RangeTable {
    int32_t first[kCounts];
    int32_t last[kCounts];
};

constexpr std::size_t total_patterns() {
    std::size_t total = 0;
    for (const ChannelCount& count : kChannelCounts) total += static_cast<std::size_t>(count.patterns);
    return total;
}

// First and last id of every channel count; -1 for counts without patterns.
constexpr RangeTable build_ranges() {
    RangeTable ranges{};
    for (std::size_t n = 0; n < kCounts; ++n) {
        ranges.first[n] = -1;
        ranges.last[n] = -1;
    }
    int32_t next = 0;
    for (const ChannelCount& count : kChannelCounts) {
        ranges.first[count.channels] = next;
        next += count.patterns;
        ranges.last[count.channels] = next - 1;
    }
    return ranges;
}

// Slot lists of every channel.  The working row is reset once per pattern,
// not per channel, so a short channel keeps the slots a longer channel before
// it left behind; hosts read the exported table, so those leftovers are kept.
constexpr MapTable build_map(const int32_t* seq) {
    MapTable map{};
    for (std::size_t i = 0; i < kMapSize; ++i) map.entry[i] = -1;
    for (std::size_t p = 0; p < kPatterns; ++p) {
        const int32_t* row = seq + p * kSlots;
        int32_t count[kSlots] = {};
        int32_t slots[kSlots][kMaxSlotsPerChannel] = {};
        int32_t channels = 0;
        for (std::size_t s = 0; s < kSlots && row[s] >= 0; ++s) {
            const int32_t c = row[s];
            slots[c][count[c]++] = static_cast<int32_t>(s);
            if (c + 1 > channels) channels = c + 1;
        }
        int32_t work[kRow] = {};
        for (std::size_t k = 0; k < kRow; ++k) work[k] = -1;
        for (int32_t c = 0; c < channels; ++c) {
            for (int32_t k = 0; k < count[c]; ++k) work[1 + k] = slots[c][k];
            work[0] = count[c];
            int32_t* dst = map.entry + (p * kSlots + static_cast<std::size_t>(c)) * kRow;
            for (std::size_t k = 0; k < kRow; ++k) dst[k] = work[k];
        }
    }
    return map;
}

// One row: slots 0..n-1 hold channels, the rest -1; slot 0 is channel 0;
// channels 0..C-1 are all used, each 1 to 16 times; C == n only for the basic
// order 0..n-1, which must be the last id of its count (and only there).
constexpr bool row_is_valid(const int32_t* row, std::size_t n, bool last) {
    int32_t count[kSlots] = {};
    int32_t channels = 0;
    for (std::size_t s = 0; s < kSlots; ++s) {
        const int32_t c = row[s];
        if (s >= n) {
            if (c != -1) return false;
            continue;
        }
        if (c < 0 || c >= static_cast<int32_t>(n)) return false;
        ++count[c];
        if (c + 1 > channels) channels = c + 1;
    }
    if (row[0] != 0) return false;
    for (int32_t c = 0; c < channels; ++c) {
        if (count[c] < 1 || count[c] > static_cast<int32_t>(kMaxSlotsPerChannel)) return false;
    }
    if (!last) return channels < static_cast<int32_t>(n);
    for (std::size_t s = 0; s < n; ++s) {
        if (row[s] != static_cast<int32_t>(s)) return false;
    }
    return true;
}

constexpr bool sequence_is_valid(const int32_t* seq) {
    if (total_patterns() != kPatterns) return false;
    std::size_t p = 0;
    for (const ChannelCount& count : kChannelCounts) {
        for (int32_t k = 0; k < count.patterns; ++k, ++p) {
            const bool last = k + 1 == count.patterns;
            if (!row_is_valid(seq + p * kSlots, static_cast<std::size_t>(count.channels), last)) return false;
        }
    }
    return true;
}

}  // namespace pattern_derive

#endif
