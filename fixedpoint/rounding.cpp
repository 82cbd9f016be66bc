#include "fixedpoint/rounding.h"

namespace rounding {

namespace {

constexpr int kRules = RND_HALF_TO_ZERO - RND_CHECK + 1;

// Columns: the fraction classes in order.  Rows: RND_CHECK .. RND_HALF_TO_ZERO.
// RND_TO_INF rounds away from zero.
const Action table[kRules][6] = {
    {KEEP, KEEP, KEEP, KEEP, KEEP, KEEP},
    {TRUNC, TRUNC, TRUNC, TRUNC, TRUNC, TRUNC},
    {BELOW, BELOW, BELOW, ABOVE, ABOVE, ABOVE},
    {BELOW, BELOW, BELOW, TRUNC, TRUNC, TRUNC},
    {TRUNC, TRUNC, TRUNC, ABOVE, ABOVE, ABOVE},
    {BELOW, EVEN_FLOOR, TRUNC, TRUNC, EVEN_CEIL, ABOVE},
    {BELOW, ODD_CEIL, TRUNC, TRUNC, ODD_FLOOR, ABOVE},
    {BELOW, BELOW, TRUNC, TRUNC, ABOVE, ABOVE},
    {BELOW, BELOW, TRUNC, TRUNC, TRUNC, ABOVE},
    {BELOW, TRUNC, TRUNC, TRUNC, ABOVE, ABOVE},
    {BELOW, TRUNC, TRUNC, TRUNC, TRUNC, ABOVE},
};

const RndMode output_rules[kOutputModes] = {RND_NONE,    RND_DOWN,   RND_HALF_TO_ZERO, RND_POSIX,
                                            RND_TO_EVEN, RND_TO_ODD, RND_HALF_DOWN,    RND_HALF_UP};

}  // namespace

bool rounds(RndMode mode) { return static_cast<unsigned>(mode) - static_cast<unsigned>(RND_CHECK) < kRules; }

Action action(RndMode mode, FractionClass c) { return rounds(mode) ? table[mode - RND_CHECK][c] : KEEP; }

RndMode output_rule(unsigned int output_mode) {
    return output_mode < kOutputModes ? output_rules[output_mode] : RND_NONE;
}

}  // namespace rounding
