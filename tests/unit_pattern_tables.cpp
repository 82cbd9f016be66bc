// Channel pattern tables: the rules every row keeps, the slot map and the id
// ranges recomputed here from the sequence, the rows and examples that are
// fixed for this block, and the bounds-safe lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "patterns/pattern_tables.h"
#include "zeb_fir_v7_1.h"

namespace {

constexpr int kSlots = 64;
constexpr int kRow = 17;
constexpr int kPatterns = 174;

struct IdRange {
    int channels;
    int first;
    int last;
};

const IdRange kIdRanges[] = {{4, 0, 4},      {6, 5, 13},      {8, 14, 26},     {12, 27, 53},  {16, 54, 75},
                             {24, 76, 102}, {32, 103, 124}, {48, 125, 151}, {64, 152, 173}};

int channel_count_of(int p) {
    for (const IdRange& r : kIdRanges) {
        if (p >= r.first && p <= r.last) return r.channels;
    }
    return -1;
}

std::vector<int> seq_row(int p) {
    const int n = channel_count_of(p);
    return std::vector<int>(zeb_fir_v7_1_pattern_seq + p * kSlots, zeb_fir_v7_1_pattern_seq + p * kSlots + n);
}

std::vector<int> map_row(int p, int c) {
    const int32_t* row = zeb_fir_v7_1_pattern_map + (p * kSlots + c) * kRow;
    return std::vector<int>(row, row + kRow);
}

std::vector<int> parse(const std::string& text) {
    std::istringstream in(text);
    std::vector<int> out;
    for (int v; in >> v;) out.push_back(v);
    return out;
}

std::vector<int> with_tail(std::vector<int> head) {
    head.resize(kRow, -1);
    return head;
}

std::vector<int> repeat(const std::vector<int>& row, int times) {
    std::vector<int> out;
    for (int t = 0; t < times; ++t) out.insert(out.end(), row.begin(), row.end());
    return out;
}

std::vector<int> split(const std::vector<int>& row, int w) {
    std::vector<int> out;
    for (int c : row) {
        for (int t = 0; t < w; ++t) out.push_back(w * c + t);
    }
    return out;
}

// Slot counts of every channel, sorted.
std::vector<int> rates(const std::vector<int>& row) {
    std::vector<int> count(kSlots, 0);
    for (int c : row) ++count[c];
    std::vector<int> out;
    for (int n : count) {
        if (n > 0) out.push_back(n);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(PatternRanges, FirstAndLastIdOfEveryChannelCount) {
    for (int n = 0; n <= kSlots; ++n) {
        int first = -1;
        int last = -1;
        for (const IdRange& r : kIdRanges) {
            if (r.channels == n) {
                first = r.first;
                last = r.last;
            }
        }
        EXPECT_EQ(zeb_fir_v7_1_pattern_min[n], first) << "N " << n;
        EXPECT_EQ(zeb_fir_v7_1_pattern_max[n], last) << "N " << n;
    }
    EXPECT_EQ(zeb_fir_v7_1_pattern_min[12], 27);
    EXPECT_EQ(zeb_fir_v7_1_pattern_max[12], 53);
}

TEST(PatternSequence, EveryRowKeepsTheSlotAndChannelRules) {
    for (const IdRange& r : kIdRanges) {
        for (int p = r.first; p <= r.last; ++p) {
            const int32_t* row = zeb_fir_v7_1_pattern_seq + p * kSlots;
            for (int s = r.channels; s < kSlots; ++s) EXPECT_EQ(row[s], -1) << "pattern " << p << " slot " << s;
            EXPECT_EQ(row[0], 0) << "pattern " << p;
            std::vector<int> count(kSlots, 0);
            int channels = 0;
            for (int s = 0; s < r.channels; ++s) {
                ASSERT_GE(row[s], 0) << "pattern " << p << " slot " << s;
                ASSERT_LT(row[s], r.channels) << "pattern " << p << " slot " << s;
                ++count[row[s]];
                channels = std::max(channels, row[s] + 1);
            }
            for (int c = 0; c < channels; ++c) {
                EXPECT_GE(count[c], 1) << "pattern " << p << " skips channel " << c;
                EXPECT_LE(count[c], 16) << "pattern " << p << " channel " << c;
            }
            if (p == r.last) {
                std::vector<int> basic(static_cast<std::size_t>(r.channels));
                std::iota(basic.begin(), basic.end(), 0);
                EXPECT_EQ(seq_row(p), basic) << "basic order " << p;
            } else {
                EXPECT_LT(channels, r.channels) << "only the last id may use every channel: " << p;
            }
        }
    }
}

// The map built exactly as the hardware tables are described: one working row
// per pattern, never cleared between channels.
TEST(PatternMap, EqualsARebuildFromTheSequenceLeftoversIncluded) {
    std::vector<int> expected(static_cast<std::size_t>(kPatterns) * kSlots * kRow, -1);
    for (int p = 0; p < kPatterns; ++p) {
        const std::vector<int> row = seq_row(p);
        const int channels = *std::max_element(row.begin(), row.end()) + 1;
        std::vector<int> work(kRow, -1);
        int total = 0;
        for (int c = 0; c < channels; ++c) {
            int k = 0;
            for (int s = 0; s < static_cast<int>(row.size()); ++s) {
                if (row[s] == c) work[1 + k++] = s;
            }
            work[0] = k;
            total += k;
            std::copy(work.begin(), work.end(), expected.begin() + (p * kSlots + c) * kRow);
        }
        EXPECT_EQ(total, static_cast<int>(row.size())) << "pattern " << p;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(zeb_fir_v7_1_pattern_map[i], expected[i])
            << "pattern " << i / (kSlots * kRow) << " channel " << i / kRow % kSlots << " entry " << i % kRow;
    }
}

TEST(PatternSequence, RowsOfFourSixAndEightChannels) {
    const char* rows[] = {"0 0 0 0",
                          "0 1 0 1",
                          "0 0 0 1",
                          "0 1 0 2",
                          "0 1 2 3",
                          "0 0 0 0 0 0",
                          "0 1 0 1 0 1",
                          "0 0 0 0 1 1",
                          "0 1 2 0 1 2",
                          "0 0 0 0 1 2",
                          "0 1 0 2 0 3",
                          "0 1 2 0 1 3",
                          "0 1 2 0 3 4",
                          "0 1 2 3 4 5",
                          "0 0 0 0 0 0 0 0",
                          "0 0 0 0 0 0 1 1",
                          "0 1 0 1 0 1 0 1",
                          "0 0 0 0 0 0 1 2",
                          "0 1 0 2 0 1 0 2",
                          "0 1 2 3 0 1 2 3",
                          "0 1 0 2 0 1 0 3",
                          "0 1 0 1 0 1 2 3",
                          "0 1 0 2 0 3 0 4",
                          "0 1 2 3 0 1 2 4",
                          "0 2 1 3 0 4 1 5",
                          "0 1 2 3 0 4 5 6",
                          "0 1 2 3 4 5 6 7"};
    for (int p = 0; p < 27; ++p) EXPECT_EQ(seq_row(p), parse(rows[p])) << "pattern " << p;
}

TEST(PatternSequence, FixedRowsOfLargerChannelCounts) {
    struct Fixed {
        int id;
        const char* row;
    };
    const Fixed fixed[] = {
        {27, "0 0 0 0 0 0 0 0 0 0 0 0"},
        {29, "0 0 0 0 0 0 0 0 1 1 1 1"},
        {45, "0 1 0 2 0 3 0 4 0 5 0 6"},
        {64, "0 2 1 3 0 4 1 5 0 2 1 3 0 4 1 5"},
        {68, "0 2 1 3 0 4 1 5 0 2 1 3 0 4 1 5"},
        {72, "0 1 2 6 3 4 5 7 0 1 2 8 3 4 5 9"},
        {74, "0 2 3 4 1 5 6 7 0 8 9 10 1 11 12 13"},
        {98, "0 4 1 5 2 6 3 7 0 8 1 9 2 10 3 11 0 12 1 13 2 14 3 15"},
        {118, "0 4 1 8 2 5 3 9 0 6 1 10 2 7 3 11 0 4 1 12 2 5 3 13 0 6 1 14 2 7 3 15"},
        {144, "0 4 12 1 5 13 2 6 14 3 7 15 0 8 16 1 9 17 2 10 18 3 11 19 "
              "0 4 20 1 5 21 2 6 22 3 7 23 0 8 24 1 9 25 2 10 26 3 11 27"},
        {167, "0 8 1 16 2 9 3 17 4 10 5 18 6 11 7 19 0 12 1 20 2 13 3 21 4 14 5 22 6 15 7 23 "
              "0 8 1 24 2 9 3 25 4 10 5 26 6 11 7 27 0 12 1 28 2 13 3 29 4 14 5 30 6 15 7 31"},
    };
    for (const Fixed& f : fixed) EXPECT_EQ(seq_row(f.id), parse(f.row)) << "pattern " << f.id;
    EXPECT_EQ(seq_row(76), repeat(seq_row(1), 6));
    EXPECT_EQ(seq_row(125), repeat(seq_row(4), 12));
    EXPECT_EQ(seq_row(16), repeat(seq_row(1), 2));
    EXPECT_EQ(seq_row(77), split(seq_row(28), 2));
    EXPECT_EQ(seq_row(126), split(seq_row(28), 4));
}

// Rows of 24/48 (32/64) channels are the 12 (16) channel row at the same
// position made two or four times wider: every channel's slot count is kept,
// and the rows that are not interleaves are split channel by channel.
TEST(PatternSequence, WiderRowsFollowTheNarrowRowAtTheSamePosition) {
    struct Family {
        int narrow;
        int wide;
        int width;
        int positions;
        std::vector<int> split_positions;
    };
    std::vector<int> twelve_split;
    for (int k = 0; k <= 16; ++k) twelve_split.push_back(k);
    std::vector<int> sixteen_split = {13, 16};
    for (int k = 0; k <= 12; ++k) sixteen_split.push_back(k);
    const Family families[] = {{27, 76, 2, 27, twelve_split},
                               {27, 125, 4, 27, twelve_split},
                               {54, 103, 2, 22, sixteen_split},
                               {54, 152, 4, 22, sixteen_split}};
    for (const Family& f : families) {
        for (int k = 0; k < f.positions; ++k) {
            const std::vector<int> narrow = seq_row(f.narrow + k);
            const std::vector<int> wide = seq_row(f.wide + k);
            std::vector<int> kept;
            for (int r : rates(narrow)) kept.insert(kept.end(), static_cast<std::size_t>(f.width), r);
            EXPECT_EQ(rates(wide), kept) << "pattern " << f.wide + k;
            if (std::count(f.split_positions.begin(), f.split_positions.end(), k) != 0) {
                EXPECT_EQ(wide, split(narrow, f.width)) << "pattern " << f.wide + k;
            }
        }
    }
}

TEST(PatternMap, WorkedRows) {
    // Pattern 2 (0 0 0 1): channel 1 shows channel 0's second and third slot.
    EXPECT_EQ(map_row(2, 0), with_tail({3, 0, 1, 2}));
    EXPECT_EQ(map_row(2, 1), with_tail({1, 3, 1, 2}));
    // Pattern 3 (0 1 0 2).
    EXPECT_EQ(map_row(3, 0), with_tail({2, 0, 2}));
    EXPECT_EQ(map_row(3, 1), with_tail({1, 1, 2}));
    EXPECT_EQ(map_row(3, 2), with_tail({1, 3, 2}));
    for (int c = 3; c < kSlots; ++c) EXPECT_EQ(map_row(3, c), with_tail({-1})) << "channel " << c;
    // Pattern 0: channel 0 owns all four slots; its 6th sample (index 5) lies
    // in cycle 1 at slot 1.
    EXPECT_EQ(map_row(0, 0), with_tail({4, 0, 1, 2, 3}));
    const int n = map_row(0, 0)[0];
    EXPECT_EQ(5 / n, 1);
    EXPECT_EQ(map_row(0, 0)[1 + 5 % n], 1);
}

TEST(PatternLookups, RangeChecksUseTheIdTables) {
    for (unsigned n = 0; n <= 70; ++n) {
        for (int32_t p = -2; p <= 177; ++p) {
            bool expected = false;
            for (const IdRange& r : kIdRanges) {
                if (static_cast<int>(n) == r.channels) expected = p >= r.first && p <= r.last;
            }
            ASSERT_EQ(pattern_valid_for(p, n), expected) << "pattern " << p << " N " << n;
        }
    }
    EXPECT_FALSE(pattern_valid_for(INT32_MIN, 4));
    EXPECT_FALSE(pattern_valid_for(ZEB_FIR_V7_1_PATTERN_BASIC, 64));
    EXPECT_FALSE(pattern_valid_for(0, UINT_MAX));
    EXPECT_EQ(pattern_first_for(12), 27);
    EXPECT_EQ(pattern_first_for(64), 152);
    EXPECT_EQ(pattern_first_for(5), -1);
    EXPECT_EQ(pattern_first_for(65), -1);
    EXPECT_EQ(pattern_first_for(UINT_MAX), -1);
}

TEST(PatternLookups, SlotAndChannelLookupsAreBoundsSafe) {
    EXPECT_EQ(pattern_slot_owner(3, 3), 2);
    EXPECT_EQ(pattern_slot_owner(173, 63), 63);
    EXPECT_EQ(pattern_slot_owner(3, 4), -1);
    EXPECT_EQ(pattern_slot_owner(3, 64), -1);
    EXPECT_EQ(pattern_slot_owner(3, UINT_MAX), -1);

    EXPECT_EQ(pattern_slot_count(3, 0), 2);
    EXPECT_EQ(pattern_slot_count(27, 0), 12);
    EXPECT_EQ(pattern_slot_count(3, 3), -1);
    EXPECT_EQ(pattern_slot_count(3, 64), -1);

    EXPECT_EQ(pattern_channel_slot(3, 0, 1), 2);
    EXPECT_EQ(pattern_channel_slot(3, 2, 0), 3);
    // Channel 1 of pattern 2 has one slot; the leftover entries are not slots.
    EXPECT_EQ(pattern_channel_slot(2, 1, 0), 3);
    EXPECT_EQ(pattern_channel_slot(2, 1, 1), -1);
    EXPECT_EQ(pattern_channel_slot(3, 3, 0), -1);
    EXPECT_EQ(pattern_channel_slot(3, 0, UINT_MAX), -1);

    for (int32_t p : {-1, 174, ZEB_FIR_V7_1_PATTERN_BASIC, 176, INT32_MIN, INT32_MAX}) {
        EXPECT_FALSE(pattern_has_rows(p)) << p;
        EXPECT_EQ(pattern_slot_owner(p, 0), -1) << p;
        EXPECT_EQ(pattern_slot_count(p, 0), -1) << p;
        EXPECT_EQ(pattern_channel_slot(p, 0, 0), -1) << p;
    }
}

}  // namespace
