// Rounding, overflow handling and reporting of values in integer units.
#include <charconv>
#include <cmath>

#include "fixedpoint/ffp_context.h"
#include "fixedpoint/rounding.h"

namespace {

bool limits(OvfMode mode) { return mode >= OVF_CHECK && mode <= OVF_CLIP; }

// "%g" as the C locale writes it, whatever locale the host has set.
std::string number_text(double value) {
    char text[40];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, end.ptr);
}

// "<before><event><format> (<label><after>)", or the kept ending when the
// mode leaves the value unchanged.
std::string change_line(double before, const char* event, const std::string& format, bool kept, const char* kept_ending,
                        const char* label, double after) {
    return number_text(before) + event + format + (kept ? std::string(kept_ending) : label + number_text(after) + ")");
}

}  // namespace

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
    if (rounding::rounds(rounding_mode)) {
        double whole;
        const double f = std::modf(x, &whole);
        if (f != 0.0) {
            v = rounding::round_fraction(rounding_mode, x, whole, f);
            if (warn_mode & WARN_PRECISION) {
                report(
                    change_line(std::ldexp(x, -frac), " too precise for ", describe(false), rounding_mode == RND_CHECK,
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
        report("from_fix: input had more precision than target type " + describe(false) + " (became " + number_text(x) +
                   ")",
               WARN_RANGE);
    }
    return do_restrict(x) * inv_scale;
}
