// The rounding rules, each written once: what a mode does to a value that
// lies between two integers, for doubles (the fixed-point formats) and for
// integers divided by a power of two (the integer mode's output), and which
// rule each output rounding mode of the configuration selects.
#ifndef ZEB_FIR_FIXEDPOINT_ROUNDING_H
#define ZEB_FIR_FIXEDPOINT_ROUNDING_H

#include <cmath>

#include "fixedpoint/ffp_context.h"

namespace rounding {

// Where the nonzero fraction f of a value lies.
enum FractionClass : int {
    BELOW_MINUS_HALF,  // f < -1/2
    MINUS_HALF,        // f == -1/2
    MINUS_SMALL,       // -1/2 < f < 0
    PLUS_SMALL,        // 0 < f < 1/2
    PLUS_HALF,         // f == 1/2
    ABOVE_HALF         // f > 1/2
};

// What a rule yields from the integer part I (truncated toward zero).
enum Action : unsigned char {
    KEEP,        // the value unchanged
    TRUNC,       // I
    BELOW,       // I - 1
    ABOVE,       // I + 1
    EVEN_FLOOR,  // 2 * floor(I / 2)
    EVEN_CEIL,   // 2 * ceil(I / 2)
    ODD_CEIL,    // 2 * ceil(I / 2) - 1
    ODD_FLOOR    // 2 * floor(I / 2) + 1
};

// Whether mode names a rule; a mode stored by a refused setter acts as none.
bool rounds(RndMode mode);

// The rule of mode for a fraction of class c (KEEP when mode does not round).
Action action(RndMode mode, FractionClass c);

inline FractionClass fraction_class(double f) {
    if (f < 0.0) return f < -0.5 ? BELOW_MINUS_HALF : (f == -0.5 ? MINUS_HALF : MINUS_SMALL);
    return f < 0.5 ? PLUS_SMALL : (f == 0.5 ? PLUS_HALF : ABOVE_HALF);
}

// The class of r / d for a remainder r != 0 of sign `sign`, given how |r|
// compares with d / 2 (negative, zero or positive).
inline FractionClass fraction_class(int sign, int beyond_half) {
    if (sign < 0) return beyond_half > 0 ? BELOW_MINUS_HALF : (beyond_half == 0 ? MINUS_HALF : MINUS_SMALL);
    return beyond_half < 0 ? PLUS_SMALL : (beyond_half == 0 ? PLUS_HALF : ABOVE_HALF);
}

// x with integer part whole and nonzero fraction f, rounded by mode.
inline double round_fraction(RndMode mode, double x, double whole, double f) {
    switch (action(mode, fraction_class(f))) {
        case KEEP: return x;
        case TRUNC: return whole;
        case BELOW: return whole - 1.0;
        case ABOVE: return whole + 1.0;
        case EVEN_FLOOR: return 2.0 * std::floor(whole / 2.0);
        case EVEN_CEIL: return 2.0 * std::ceil(whole / 2.0);
        case ODD_CEIL: return 2.0 * std::ceil(whole / 2.0) - 1.0;
        case ODD_FLOOR: return 2.0 * std::floor(whole / 2.0) + 1.0;
    }
    return x;
}

// What the same rules add (-1, 0 or +1) to an integer quotient q truncated
// toward zero, for a nonzero remainder of class c: the parity of q alone
// decides the even and odd rules.
inline int integer_step(RndMode mode, FractionClass c, bool q_odd) {
    switch (action(mode, c)) {
        case BELOW: return -1;
        case ABOVE: return 1;
        case EVEN_FLOOR: return q_odd ? -1 : 0;
        case EVEN_CEIL: return q_odd ? 1 : 0;
        case ODD_CEIL: return q_odd ? 0 : -1;
        case ODD_FLOOR: return q_odd ? 0 : 1;
        default: return 0;
    }
}

// The output rounding modes of a configuration, 0 (full precision) to 7.
constexpr unsigned int kOutputModes = 8;
// The rule an output rounding mode below kOutputModes selects.
RndMode output_rule(unsigned int output_mode);

}  // namespace rounding

#endif
