// Rounding, overflow handling and reporting of values in integer units.
#include <charconv>
#include <cmath>

#include "fixedpoint/ffp_context.h"

namespace {

// What a rounding mode yields for each class of fraction.
enum Action : unsigned char {
    KEEP,        // x unchanged
    TRUNC,       // I
    BELOW,       // I - 1
    ABOVE,       // I + 1
    EVEN_FLOOR,  // 2 * floor(I / 2)
    EVEN_CEIL,   // 2 * ceil(I / 2)
    ODD_CEIL,    // 2 * ceil(I / 2) - 1
    ODD_FLOOR    // 2 * floor(I / 2) + 1
};

// Columns: f < -0.5, f == -0.5, -0.5 < f < 0, 0 < f < 0.5, f == 0.5, f > 0.5.
// Rows: RND_CHECK .. RND_HALF_TO_ZERO.  RND_TO_INF rounds away from zero.
const Action rounding_table[11][6] = {
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

int fraction_class(double f) {
    if (f < 0.0) {
        return f < -0.5 ? 0 : (f == -0.5 ? 1 : 2);
    }
    return f < 0.5 ? 3 : (f == 0.5 ? 4 : 5);
}

// Modes stored by a refused setter act as "none".
bool rounds(RndMode mode) {
    return static_cast<unsigned>(mode) - 1u < 11u;
}

bool limits(OvfMode mode) {
    return static_cast<unsigned>(mode) - 1u < 3u;
}

// "%g" as the C locale writes it, whatever locale the host has set.
std::string number_text(double value) {
    char text[40];
    const std::to_chars_result end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, end.ptr);
}

// "<before><event><format> (<label><after>)", or the kept ending when the
// mode leaves the value unchanged.
std::string change_line(double before, const char* event, const std::string& format, bool kept,
                        const char* kept_ending, const char* label, double after) {
    return number_text(before) + event + format + (kept ? std::string(kept_ending) : label + number_text(after) + ")");
}

}  // namespace

double FFPContext::round_fraction(double x, double whole, double f) const {
    switch (rounding_table[rounding_mode - RND_CHECK][fraction_class(f)]) {
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

double FFPContext::resolve_overflow(double v, bool above) const {
    if (overflow_mode == OVF_CLIP) {
        return above ? max_int : min_int;
    }
    if (overflow_mode != OVF_WRAP) {
        return v;
    }
    // Infinity here is a finite value scaled by 2^frac past the double range:
    // a multiple of 2^972 integer units, which wraps to exactly 0 in any
    // format of at most 53 bits.
    if (std::isinf(v)) {
        return 0.0;
    }
    if (sign_mode == SIGN_UNSIGNED) {
        const double span = max_int + 1.0;
        return above ? std::fmod(v, span) : std::fmod(v + 1.0, span) + (span - 1.0);
    }
    const double span = -2.0 * min_int;
    const double r = std::fmod(v, span);
    if (above) {
        return r > max_int ? r - span : r;
    }
    return r < min_int ? r + span : r;
}

void FFPContext::report(const std::string& line, WarnMode kind) {
    if (!messages.empty()) {
        messages += '\n';
    }
    messages += line;
    if (warn_mode & WARN_ONCE) {
        warn_mode = static_cast<WarnMode>(warn_mode & ~kind);
    }
    if (warn_mode & WARN_THROW) {
        throw FFPException(messages);
    }
}

double FFPContext::do_restrict(double x) {
    double v = x;
    if (rounds(rounding_mode)) {
        double whole;
        const double f = std::modf(x, &whole);
        if (f != 0.0) {
            v = round_fraction(x, whole, f);
            if (warn_mode & WARN_PRECISION) {
                report(change_line(std::ldexp(x, -frac), " too precise for ", describe(false), rounding_mode == RND_CHECK,
                                   " (was not rounded)", " (rounded to ", std::ldexp(v, -frac)),
                       WARN_PRECISION);
            }
        }
    }
    double r = v;
    if (limits(overflow_mode)) {
        const bool above = v > max_int;
        if (above || v < min_int) {
            r = resolve_overflow(v, above);
            if (warn_mode & WARN_OVERFLOW) {
                report(change_line(std::ldexp(v, -frac), " too large for ", describe(false), overflow_mode == OVF_CHECK,
                                   " (overflow disabled)", " (overflowed to ", std::ldexp(r, -frac)),
                       WARN_OVERFLOW);
            }
        }
    }
    return r == 0.0 ? 0.0 : r;  // never a negative zero
}

double FFPContext::do_tofix(double x, double lo, double hi) {
    const double s = x * scale;
    if ((warn_mode & WARN_RANGE) && (s > hi || s < lo)) {
        report("to_fix: " + number_text(x) + " (" + describe(false) + ") exceeded range of target type", WARN_RANGE);
    }
    return do_restrict(s);
}

double FFPContext::do_fromfix(double x, bool lossy) {
    if (lossy) {
        report("from_fix: input had more precision than target type " + describe(false) + " (became " +
                   number_text(x) + ")",
               WARN_RANGE);
    }
    return do_restrict(x) * inv_scale;
}
