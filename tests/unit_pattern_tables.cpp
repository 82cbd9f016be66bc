// Channel pattern tables: the hardware's rows, the rules that build the
// larger ones, the slot map recomputed from the sequence, the id ranges, and
// the bounds-safe lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include "patterns/pattern_tables.h"

namespace {

constexpr int kSlots = 64, kRow = 17, kPatterns = 174;
const int kIds[][3] = {{4, 0, 4},     {6, 5, 13},    {8, 14, 26},    {12, 27, 53}, {16, 54, 75},  // channels,
                       {24, 76, 102}, {32, 103, 124}, {48, 125, 151}, {64, 152, 173}};            // first, last id

std::vector<int> seq_row(int p) {  // the slots of its channel count
    const int32_t* row = zeb_fir_v7_1_pattern_seq + p * kSlots;
    for (const auto& r : kIds)
        if (p >= r[1] && p <= r[2]) return {row, row + r[0]};
    return {};
}
std::vector<int> parse(const std::string& text) {  // one base-36 digit per slot
    std::vector<int> out;
    for (char c : text) out.push_back(static_cast<int>(std::stoul(std::string(1, c), nullptr, 36)));
    return out;
}
// Each slot of channel c becomes `w` slots: of channels w*c .. w*c+w-1 (split) or of c itself.
std::vector<int> widen(const std::vector<int>& row, int w, bool split) {
    std::vector<int> out;
    for (int c : row)
        for (int t = 0; t < w; ++t) out.push_back(split ? w * c + t : c);
    return out;
}
std::vector<int> rates(const std::vector<int>& row) {  // slot counts of the channels, sorted
    std::vector<int> count(kSlots, 0), out;
    for (int c : row) ++count[c];
    std::copy_if(count.begin(), count.end(), std::back_inserter(out), [](int n) { return n > 0; });
    return std::sort(out.begin(), out.end()), out;
}

}  // namespace

TEST(PatternTables, TheHardwareRowsAndTheRulesOfTheLargerOnes) {
    const std::pair<int, const char*> rows[] = {  // some of the hardware's, and a few of the larger ones
        {0, "0000"}, {1, "0101"}, {2, "0001"}, {3, "0102"}, {4, "0123"}, {5, "000000"}, {6, "010101"},
        {7, "000011"}, {8, "012012"}, {9, "000012"}, {10, "010203"}, {11, "012013"}, {12, "012034"},
        {13, "012345"}, {14, "00000000"}, {15, "00000011"}, {16, "01010101"}, {17, "00000012"}, {18, "01020102"},
        {19, "01230123"}, {20, "01020103"}, {21, "01010123"}, {22, "01020304"}, {23, "01230124"}, {24, "02130415"},
        {25, "01230456"}, {26, "01234567"}, {45, "010203040506"}, {53, "0123456789ab"}, {72, "0126345701283459"},
        {74, "02341567089a1bcd"}, {118, "04182539061a273b041c253d061e273f"},
        {144, "04c15d26e37f08g19h2ai3bj04k15l26m37n08o19p2aq3br"}};
    for (const auto& r : rows) EXPECT_EQ(seq_row(r.first), parse(r.second)) << "pattern " << r.first;
    auto twice = [](std::vector<int> r) { return r.insert(r.end(), r.begin(), r.end()), r; };
    for (int k = 0; k < 9; ++k) EXPECT_EQ(seq_row(27 + k), widen(seq_row(5 + k), 2, false)) << 27 + k;  // 12 channels
    for (int k = 0; k < 8; ++k) EXPECT_EQ(seq_row(36 + k), twice(seq_row(6 + k))) << 36 + k;
    for (int k = 0; k < 13; ++k) EXPECT_EQ(seq_row(54 + k), twice(seq_row(14 + k))) << 54 + k;  // 16 channels
    // 24/48 (32/64) channels: the 12 (16) channel row at the same position, two or four times wider: every
    // slot count kept, the rows that are no interleaves split channel by channel.
    for (const auto& f : {std::array<int, 4>{27, 76, 2, 27}, {27, 125, 4, 27}, {54, 103, 2, 22}, {54, 152, 4, 22}})
        for (int k = 0; k < f[3]; ++k) {
            const std::vector<int> narrow = seq_row(f[0] + k), wide = seq_row(f[1] + k);
            EXPECT_EQ(rates(wide), rates(widen(narrow, f[2], true))) << "pattern " << f[1] + k;
            if (f[0] == 27 ? k <= 16 : k <= 13 || k == 16) { EXPECT_EQ(wide, widen(narrow, f[2], true)) << f[1] + k; }
        }
}

// The map built as the hardware tables are described: one working row per pattern, never cleared between
// channels (a short channel keeps leftovers).  The lookups read the same rows and answer -1 past them.
TEST(PatternTables, MapEqualsARebuildFromTheSequenceAndLookupsStayInBounds) {
    for (int p = 0; p < kPatterns; ++p) {
        const std::vector<int> row = seq_row(p);
        std::vector<int> work(kRow, -1);
        for (int c = 0; c < kSlots; ++c) {
            const bool owns = c <= *std::max_element(row.begin(), row.end());
            int k = 0;
            for (int s = 0; owns && s < static_cast<int>(row.size()); ++s)
                if (row[s] == c) work[1 + k++] = s;
            if (owns) work[0] = k;
            const std::vector<int> want = owns ? work : std::vector<int>(kRow, -1);
            const int* map = zeb_fir_v7_1_pattern_map + (p * kSlots + c) * kRow;
            ASSERT_EQ(std::vector<int>(map, map + kRow), want) << "pattern " << p << " channel " << c;
            ASSERT_EQ(pattern_slot_count(p, c), want[0]) << p << " " << c;
            for (int j = 0; j < kRow; ++j)
                ASSERT_EQ(pattern_channel_slot(p, c, j), j < want[0] ? want[1 + j] : -1) << p << " " << c;
            ASSERT_EQ(pattern_slot_owner(p, c), c < static_cast<int>(row.size()) ? row[c] : -1) << p << " " << c;
        }
    }
    for (unsigned n = 0; n <= 70; ++n) {
        int first = -1, last = -1;
        for (const auto& r : kIds)
            if (int(n) == r[0]) first = r[1], last = r[2];
        if (n <= kSlots) { EXPECT_EQ(zeb_fir_v7_1_pattern_max[n], last) << n; }
        EXPECT_EQ(pattern_first_for(n), first) << n;
        for (int32_t p = -2; p <= 177; ++p) ASSERT_EQ(pattern_valid_for(p, n), first >= 0 && p >= first && p <= last);
    }
    EXPECT_FALSE(pattern_valid_for(0, UINT_MAX));
    EXPECT_EQ(pattern_first_for(UINT_MAX), -1);
    EXPECT_EQ(pattern_channel_slot(3, 0, UINT_MAX), -1);
    for (int32_t p : {-1, 174, ZEB_FIR_V7_1_PATTERN_BASIC, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(std::make_tuple(pattern_slot_owner(p, 0), pattern_slot_count(p, 0), pattern_channel_slot(p, 0, 0)),
                  std::make_tuple(-1, -1, -1)) << p;
        EXPECT_EQ(pattern_slot_owner(0, p < 0 ? 64u : static_cast<unsigned>(p)), -1) << p;
    }
}
