// Construction, setters and the textual name of a fixed-point format.
#include <cmath>
#include <cstdio>

#include "fixedpoint/ffp_context.h"

namespace {

// Indexed by the mode value.
const char* const rounding_suffix[] = {"-RND_NONE",  "-RND_CHECK",     "-RND_TO_ZERO", "-RND_TO_INF",
                                       "-RND_DOWN",  "-RND_UP",        "-RND_TO_EVEN", "-RND_TO_ODD",
                                       "-RND_POSIX", "-RND_HALF_DOWN", "-RND_HALF_UP", "-RND_HALF_TO_ZERO"};
const char* const overflow_suffix[] = {"-OVF_NONE", "-OVF_CHECK", "-OVF_WRAP", "-OVF_CLIP"};

constexpr unsigned rounding_count = sizeof(rounding_suffix) / sizeof(rounding_suffix[0]);
constexpr unsigned overflow_count = sizeof(overflow_suffix) / sizeof(overflow_suffix[0]);

// A failed setter leaves an out-of-range mode stored; name it instead of
// reading past the tables.
const char* rounding_name(RndMode mode) {
    const unsigned m = static_cast<unsigned>(mode);
    return m < rounding_count ? rounding_suffix[m] : "-RND_UNKNOWN";
}

const char* overflow_name(OvfMode mode) {
    const unsigned m = static_cast<unsigned>(mode);
    return m < overflow_count ? overflow_suffix[m] : "-OVF_UNKNOWN";
}

std::string format_name(int sign, int width, int frac, const char* rnd, const char* ovf) {
    char text[96];
    std::snprintf(text, sizeof text, "%cFIX_%d_%d%s%s", sign != SIGN_SIGNED ? 'U' : 'I', width, frac, rnd, ovf);
    return text;
}

}  // namespace

FFPContext::FFPContext(int width_, int frac_, RndMode rounding, OvfMode overflow, SignMode sign, WarnMode warn)
    : width(0),
      frac(0),
      rounding_mode(RND_NONE),
      overflow_mode(OVF_NONE),
      sign_mode(SIGN_SIGNED),
      warn_mode(WARN_NONE),
      scale(1.0),
      inv_scale(1.0),
      max_int(0.0),
      min_int(0.0),
      messages() {
    setFormat(width_, frac_, sign);
    setRoundingMode(rounding);
    setOverflowMode(overflow);
    setWarnMode(warn);
}

FFPContext& FFPContext::setFormat(int width_, int frac_, SignMode sign) {
    width = width_;  // kept even when the format is refused
    if (width_ < 1 || width_ > 53) {
        throw FFPException("Bad format specified (" + format_name(sign, width_, frac_, "", "") + ")");
    }
    // Any other value would give a signed range under an unsigned name.
    if (sign != SIGN_SIGNED && sign != SIGN_UNSIGNED) {
        throw FFPException("Bad sign mode specified");
    }
    frac = frac_;
    sign_mode = sign;
    if (sign == SIGN_UNSIGNED) {
        max_int = std::ldexp(1.0, width_) - 1.0;
        min_int = 0.0;
    } else {
        max_int = std::ldexp(1.0, width_ - 1) - 1.0;
        min_int = -std::ldexp(1.0, width_ - 1);
    }
    scale = std::ldexp(1.0, frac_);
    inv_scale = std::ldexp(1.0, -frac_);
    return *this;
}

FFPContext& FFPContext::setRoundingMode(RndMode mode) {
    rounding_mode = mode;
    if (static_cast<unsigned>(mode) >= rounding_count) {
        throw FFPException("Bad rounding mode specified");
    }
    return *this;
}

FFPContext& FFPContext::setOverflowMode(OvfMode mode) {
    overflow_mode = mode;
    if (static_cast<unsigned>(mode) >= overflow_count) {
        throw FFPException("Bad overflow mode specified");
    }
    return *this;
}

FFPContext& FFPContext::setWarnMode(WarnMode mode) {
    warn_mode = mode;
    return *this;
}

std::string FFPContext::describe(bool with_modes) const {
    if (!with_modes) {
        return format_name(sign_mode, width, frac, "", "");
    }
    return format_name(sign_mode, width, frac, rounding_name(rounding_mode), overflow_name(overflow_mode));
}

std::ostream& operator<<(std::ostream& os, const FFPContext& ctx) { return os << ctx.describe(true); }
