// One fixed-point format (width, fractional bits, signedness) with its
// rounding rule, overflow rule and report settings.  Values are handled in
// integer units: a real value v is held as v * 2^frac.
#ifndef ZEB_FIR_FIXEDPOINT_FFP_CONTEXT_H
#define ZEB_FIR_FIXEDPOINT_FFP_CONTEXT_H

#include <cstddef>
#include <ostream>
#include <string>

#include "fixedpoint/ffp_exception.h"

// Fixed underlying types: any int a caller passes is a valid object value,
// so out-of-range modes can be stored and then refused.
enum RndMode : int {
    RND_NONE = 0,
    RND_CHECK = 1,
    RND_TO_ZERO = 2,
    RND_TO_INF = 3,
    RND_DOWN = 4,
    RND_UP = 5,
    RND_TO_EVEN = 6,
    RND_TO_ODD = 7,
    RND_POSIX = 8,
    RND_HALF_DOWN = 9,
    RND_HALF_UP = 10,
    RND_HALF_TO_ZERO = 11
};

enum OvfMode : int { OVF_NONE = 0, OVF_CHECK = 1, OVF_WRAP = 2, OVF_CLIP = 3 };

enum SignMode : int { SIGN_SIGNED = 0, SIGN_UNSIGNED = 1 };

// Bit set.
enum WarnMode : int {
    WARN_NONE = 0,
    WARN_ONCE = 1,       // clear a report kind's bit after its first report
    WARN_THROW = 2,      // throw FFPException with all messages after a report
    WARN_OVERFLOW = 4,   // report values outside the range
    WARN_PRECISION = 8,  // report values with a fraction in integer units
    WARN_RANGE = 16      // report out-of-range do_tofix inputs
};

class FFPContext {
public:
    FFPContext(int width, int frac, RndMode rounding, OvfMode overflow, SignMode sign, WarnMode warn);
    virtual ~FFPContext() = default;
    FFPContext(const FFPContext&) = default;
    FFPContext& operator=(const FFPContext&) = default;

    FFPContext& setFormat(int width, int frac, SignMode sign);
    FFPContext& setRoundingMode(RndMode mode);
    FFPContext& setOverflowMode(OvfMode mode);
    FFPContext& setWarnMode(WarnMode mode);

    int getWidth() const { return width; }
    int getFrac() const { return frac; }
    RndMode getRoundingMode() const { return rounding_mode; }
    OvfMode getOverflowMode() const { return overflow_mode; }
    SignMode getSignMode() const { return sign_mode; }
    WarnMode getWarnMode() const { return warn_mode; }

    double getScale() const { return scale; }         // 2^frac
    double getInvScale() const { return inv_scale; }  // 2^-frac
    double getMaxInt() const { return max_int; }
    double getMinInt() const { return min_int; }

    const std::string& getMessages() const { return messages; }
    void clearMessages() { messages.clear(); }

    // Format name, e.g. IFIX_16_15, with "-RND_...-OVF_..." when with_modes.
    std::string describe(bool with_modes) const;

    // Rounds, then applies the overflow rule, to a value in integer units.
    double do_restrict(double x);
    // Scales a real value into integer units (optionally reporting values
    // outside lo..hi) and restricts it.
    double do_tofix(double x, double lo, double hi);
    // Restricts an integer-unit value and scales it back to a real value.
    double do_fromfix(double x, bool lossy);
    // out[i] = do_restrict(in[i]) for count values (in may be out), for a
    // caller that reads no report: the same results, while messages and the
    // warning bits stay untouched and nothing is thrown.
    // Returns how many values lay outside the range (and so went through the
    // overflow rule), and in *first, when given, where the first one was.
    std::size_t restrict_quietly(const double* in, double* out, std::size_t count, std::size_t* first = nullptr);
    // Where restrict_quietly changes nothing but a negative zero: values
    // within lo..hi that are integers when whole is set.  Callers of one
    // value test it themselves; usable is false where the range is too
    // wide for that test.
    struct QuietRange {
        double lo;
        double hi;
        bool whole;
        bool usable;
        static constexpr double kRounder = 6755399441055744.0;  // 1.5 * 2^52: x + it - it rounds x
        bool holds(double x) const {
            return usable && x >= lo && x <= hi && (!whole || (x + kRounder) - kRounder == x);
        }
        // Whether every value holds and none is a negative zero: then
        // restrict_quietly would give every value back unchanged.  A NaN or
        // an infinity never holds.
        bool holds_all(const double* values, std::size_t count) const;

        // Copies in to out turning negative zeros positive (out null:
        // tests only), and tells whether every value lies within lo..hi and,
        // where whole, is an integer.
        static bool normalise(const double* in, double* out, std::size_t count, double lo, double hi, bool whole);
        // The forms of normalise this processor has (0 the generic one, the
        // last the one taken), each for the tests to hold to the others.
        static std::size_t normalise_forms();
        static bool normalise_in_form(std::size_t form, const double* in, double* out, std::size_t count, double lo,
                                      double hi, bool whole);
    };
    QuietRange quiet_range() const;

private:
    // Result of the overflow rule for v beyond max_int (above) or min_int.
    double resolve_overflow(double v, bool above) const;
    // Appends one report line; under WARN_ONCE clears kind, under WARN_THROW throws.
    void report(const std::string& line, WarnMode kind);

    int width;
    int frac;
    RndMode rounding_mode;
    OvfMode overflow_mode;
    SignMode sign_mode;
    WarnMode warn_mode;
    double scale;
    double inv_scale;
    double max_int;
    double min_int;
    std::string messages;
};

std::ostream& operator<<(std::ostream& os, const FFPContext& ctx);

#endif
