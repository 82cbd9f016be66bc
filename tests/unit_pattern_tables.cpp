// Channel pattern tables: the hardware's rows, the rules that build the
// larger ones, the slot map recomputed from the sequence, the id ranges, and
// the bounds-safe lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "patterns/pattern_tables.h"

namespace {

constexpr int kSlots = 64, kRow = 17, kPatterns = 174;
// Channel count, first id, last id.
const int kIds[][3] = {{4, 0, 4},      {6, 5, 13},      {8, 14, 26},     {12, 27, 53},  {16, 54, 75},
                       {24, 76, 102}, {32, 103, 124}, {48, 125, 151}, {64, 152, 173}};

std::vector<int> seq_row(int p) {
    int n = 0;
    for (const auto& r : kIds) n = p >= r[1] && p <= r[2] ? r[0] : n;
    return std::vector<int>(zeb_fir_v7_1_pattern_seq + p * kSlots, zeb_fir_v7_1_pattern_seq + p * kSlots + n);
}

std::vector<int> parse(const std::string& text) {
    std::istringstream in(text);
    std::vector<int> out;
    for (int v; in >> v;) out.push_back(v);
    return out;
}

std::vector<int> repeat(const std::vector<int>& row, int times) {
    std::vector<int> out;
    for (int t = 0; t < times; ++t) out.insert(out.end(), row.begin(), row.end());
    return out;
}

// Each slot of channel c becomes w slots of channels w*c to w*c+w-1.
std::vector<int> split(const std::vector<int>& row, int w) {
    std::vector<int> out;
    for (int c : row)
        for (int t = 0; t < w; ++t) out.push_back(w * c + t);
    return out;
}

std::vector<int> doubled(const std::vector<int>& row) {
    std::vector<int> out;
    for (int c : row) out.insert(out.end(), 2, c);
    return out;
}

// Slot counts of every channel, sorted.
std::vector<int> rates(const std::vector<int>& row) {
    std::vector<int> count(kSlots, 0), out;
    for (int c : row) ++count[c];
    for (int n : count)
        if (n > 0) out.push_back(n);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(PatternSequence, TheHardwareRowsAndTheRulesOfTheLargerOnes) {
    // The hardware block's rows of 4, 6 and 8 channels (ids 0 to 26).
    const char* small[] = {"0 0 0 0",         "0 1 0 1",         "0 0 0 1",         "0 1 0 2",
                           "0 1 2 3",         "0 0 0 0 0 0",     "0 1 0 1 0 1",     "0 0 0 0 1 1",
                           "0 1 2 0 1 2",     "0 0 0 0 1 2",     "0 1 0 2 0 3",     "0 1 2 0 1 3",
                           "0 1 2 0 3 4",     "0 1 2 3 4 5",     "0 0 0 0 0 0 0 0", "0 0 0 0 0 0 1 1",
                           "0 1 0 1 0 1 0 1", "0 0 0 0 0 0 1 2", "0 1 0 2 0 1 0 2", "0 1 2 3 0 1 2 3",
                           "0 1 0 2 0 1 0 3", "0 1 0 1 0 1 2 3", "0 1 0 2 0 3 0 4", "0 1 2 3 0 1 2 4",
                           "0 2 1 3 0 4 1 5", "0 1 2 3 0 4 5 6", "0 1 2 3 4 5 6 7"};
    for (int p = 0; p < 27; ++p) EXPECT_EQ(seq_row(p), parse(small[p])) << "pattern " << p;
    const std::pair<int, const char*> fixed[] = {
        {29, "0 0 0 0 0 0 0 0 1 1 1 1"},
        {45, "0 1 0 2 0 3 0 4 0 5 0 6"},
        {72, "0 1 2 6 3 4 5 7 0 1 2 8 3 4 5 9"},
        {74, "0 2 3 4 1 5 6 7 0 8 9 10 1 11 12 13"},
        {118, "0 4 1 8 2 5 3 9 0 6 1 10 2 7 3 11 0 4 1 12 2 5 3 13 0 6 1 14 2 7 3 15"},
        {144, "0 4 12 1 5 13 2 6 14 3 7 15 0 8 16 1 9 17 2 10 18 3 11 19 "
              "0 4 20 1 5 21 2 6 22 3 7 23 0 8 24 1 9 25 2 10 26 3 11 27"},
    };
    for (const auto& f : fixed) EXPECT_EQ(seq_row(f.first), parse(f.second)) << "pattern " << f.first;
    for (int k = 0; k < 9; ++k) EXPECT_EQ(seq_row(27 + k), doubled(seq_row(5 + k))) << 27 + k;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(seq_row(36 + k), repeat(seq_row(6 + k), 2)) << 36 + k;
    for (int k = 0; k < 13; ++k) EXPECT_EQ(seq_row(54 + k), repeat(seq_row(14 + k), 2)) << 54 + k;
    EXPECT_EQ(seq_row(53), parse("0 1 2 3 4 5 6 7 8 9 10 11"));
    // 24/48 (32/64) channels: the 12 (16) channel row at the same position,
    // two or four times wider: every slot count kept, the rows that are no
    // interleaves split channel by channel.
    const int families[][4] = {{27, 76, 2, 27}, {27, 125, 4, 27}, {54, 103, 2, 22}, {54, 152, 4, 22}};
    for (const auto& f : families) {
        for (int k = 0; k < f[3]; ++k) {
            const std::vector<int> narrow = seq_row(f[0] + k), wide = seq_row(f[1] + k);
            std::vector<int> kept;
            for (int r : rates(narrow)) kept.insert(kept.end(), static_cast<size_t>(f[2]), r);
            EXPECT_EQ(rates(wide), kept) << "pattern " << f[1] + k;
            const bool split_row = f[0] == 27 ? k <= 16 : k <= 13 || k == 16;  // not an interleave
            if (split_row) { EXPECT_EQ(wide, split(narrow, f[2])) << "pattern " << f[1] + k; }
        }
    }
}

// The map built as the hardware tables are described: one working row per
// pattern, never cleared between channels (a short channel keeps leftovers).
TEST(PatternMap, EqualsARebuildFromTheSequence) {
    std::vector<int> expected(static_cast<size_t>(kPatterns) * kSlots * kRow, -1);
    for (int p = 0; p < kPatterns; ++p) {
        const std::vector<int> row = seq_row(p);
        std::vector<int> work(kRow, -1);
        for (int c = 0; c <= *std::max_element(row.begin(), row.end()); ++c) {
            int k = 0;
            for (int s = 0; s < static_cast<int>(row.size()); ++s)
                if (row[s] == c) work[1 + k++] = s;
            work[0] = k;
            std::copy(work.begin(), work.end(), expected.begin() + (p * kSlots + c) * kRow);
        }
    }
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(zeb_fir_v7_1_pattern_map[i], expected[i]) << "pattern " << i / (kSlots * kRow) << " channel "
                                                            << i / kRow % kSlots << " entry " << i % kRow;
    for (int n = 0; n <= kSlots; ++n) {
        int first = -1, last = -1;
        for (const auto& r : kIds)
            if (r[0] == n) first = r[1], last = r[2];
        EXPECT_EQ(zeb_fir_v7_1_pattern_min[n], first) << n;
        EXPECT_EQ(zeb_fir_v7_1_pattern_max[n], last) << n;
    }
}

TEST(PatternLookups, AnswerMinusOneOrFalseOutsideTheTables) {
    for (unsigned n = 0; n <= 70; ++n)
        for (int32_t p = -2; p <= 177; ++p) {
            bool valid = false;
            for (const auto& r : kIds) valid = valid || (static_cast<int>(n) == r[0] && p >= r[1] && p <= r[2]);
            ASSERT_EQ(pattern_valid_for(p, n), valid) << "pattern " << p << " N " << n;
        }
    EXPECT_FALSE(pattern_valid_for(0, UINT_MAX));
    EXPECT_EQ(pattern_first_for(12), 27);
    EXPECT_EQ(pattern_first_for(5), -1);
    EXPECT_EQ(pattern_first_for(UINT_MAX), -1);
    EXPECT_EQ(pattern_slot_owner(3, 3), 2);
    EXPECT_EQ(pattern_slot_owner(3, 4), -1);
    EXPECT_EQ(pattern_slot_count(27, 0), 12);
    EXPECT_EQ(pattern_slot_count(3, 3), -1);
    EXPECT_EQ(pattern_channel_slot(3, 2, 0), 3);
    EXPECT_EQ(pattern_channel_slot(2, 1, 0), 3);
    EXPECT_EQ(pattern_channel_slot(2, 1, 1), -1);  // a leftover entry is no slot
    EXPECT_EQ(pattern_channel_slot(3, 0, UINT_MAX), -1);
    for (int32_t p : {-1, 174, ZEB_FIR_V7_1_PATTERN_BASIC, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(pattern_slot_owner(p, 0), -1) << p;
        EXPECT_EQ(pattern_slot_count(p, 0), -1) << p;
        EXPECT_EQ(pattern_channel_slot(p, 0, 0), -1) << p;
        EXPECT_EQ(pattern_slot_owner(0, p < 0 ? 64u : static_cast<unsigned>(p)), -1) << p;
    }
}
