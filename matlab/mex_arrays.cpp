#include "mex_arrays.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "config_text/config_fields.h"

namespace zebmex {

namespace {

constexpr int kInt64Bits = 63;

// "a 4x1 complex double", as messages name what they were given.
std::string described(const mxArray* a) {
    std::string text = "a ";
    const mwSize* dims = mxGetDimensions(a);
    for (mwSize d = 0; d < mxGetNumberOfDimensions(a); ++d) text += (d ? "x" : "") + std::to_string(dims[d]);
    if (mxIsSparse(a)) text += " sparse";
    if (mxIsComplex(a)) text += " complex";
    return text + " " + mxGetClassName(a);
}

bool is_real_numeric(const mxArray* a) { return mxIsNumeric(a) && !mxIsComplex(a) && !mxIsSparse(a); }

std::string number_text(double v) {
    char text[40];
    std::snprintf(text, sizeof text, std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e18 ? "%.0f" : "%.17g",
                  v);
    return text;
}

// 1-based subscripts of element i of the array given, "(2, 1, 3)" or "5".
std::string subscripts(const mxArray* a, std::size_t i) {
    const mwSize nd = mxGetNumberOfDimensions(a);
    const mwSize* dims = mxGetDimensions(a);
    if (nd == 2 && (dims[0] == 1 || dims[1] == 1)) return std::to_string(i + 1);
    std::string text = "(";
    for (mwSize d = 0; d < nd; ++d) {
        text += (d ? ", " : "") + std::to_string(i % dims[d] + 1);
        i /= dims[d];
    }
    return text + ")";
}

template <typename T>
T element(const mxArray* a, std::size_t i) {
    return static_cast<const T*>(mxGetData(a))[i];
}

// An integer in input LSBs brought within one period of 2^width of the
// range: exact as a double, and still out of range when it was, so the
// model wraps and counts it.
double within_period(std::int64_t low_bits_source, bool above, bool below, unsigned width) {
    const std::int64_t period = std::int64_t{1} << width, half = period / 2;
    std::int64_t low = static_cast<std::int64_t>(static_cast<std::uint64_t>(low_bits_source) & (period - 1));
    if (low >= half) low -= period;
    return static_cast<double>(low + (static_cast<int>(above) - static_cast<int>(below)) * period);
}

// Element i of a numeric or logical array as a double.
double plain_value(const mxArray* x, std::size_t i) {
    switch (mxGetClassID(x)) {
        case mxDOUBLE_CLASS: return element<double>(x, i);
        case mxSINGLE_CLASS: return element<float>(x, i);
        case mxLOGICAL_CLASS: return element<mxLogical>(x, i);
        case mxINT8_CLASS: return element<std::int8_t>(x, i);
        case mxUINT8_CLASS: return element<std::uint8_t>(x, i);
        case mxINT16_CLASS: return element<std::int16_t>(x, i);
        case mxUINT16_CLASS: return element<std::uint16_t>(x, i);
        case mxINT32_CLASS: return element<std::int32_t>(x, i);
        case mxUINT32_CLASS: return element<std::uint32_t>(x, i);
        case mxINT64_CLASS: return static_cast<double>(element<std::int64_t>(x, i));
        case mxUINT64_CLASS: return static_cast<double>(element<std::uint64_t>(x, i));
        default: return std::nan("");
    }
}

// Element i as a sample value; with int_input an integer in input LSBs
// (NaN for a double that is no whole number).  64-bit integers are brought
// within a period first, the others are exact doubles already.
double sample_value(const mxArray* x, std::size_t i, bool int_input, unsigned width, unsigned fract) {
    if (!int_input) return plain_value(x, i);
    const std::int64_t half = std::int64_t{1} << (width - 1);
    double v = 0;
    if (mxGetClassID(x) == mxINT64_CLASS) {
        const std::int64_t s = element<std::int64_t>(x, i);
        v = within_period(s, s >= half, s < -half, width);
    } else if (mxGetClassID(x) == mxUINT64_CLASS) {
        const std::uint64_t u = element<std::uint64_t>(x, i);
        v = within_period(static_cast<std::int64_t>(u), u >= static_cast<std::uint64_t>(half), false, width);
    } else {
        v = plain_value(x, i);
        if (std::floor(v) != v) return std::nan("");
    }
    return std::ldexp(v, -static_cast<int>(fract));
}

// Output sample values from the form the model delivered: doubles in
// double mode, integers in LSBs in integer mode.
class Values {
public:
    Values(const Model& m, const Samples& s) : m_(m), s_(s), parts_(m.hilbert() ? 2 : 1) {}
    // The first value of a Hilbert sample is the in-phase one, in input LSBs.
    int fract(std::size_t part) const {
        const zeb_fir_v7_1_config& c = m_.normalised();
        return static_cast<int>(parts_ == 2 && part == 0 ? c.data_fract_width : c.output_fract_width);
    }
    double real(std::size_t i, std::size_t part) const {
        const std::size_t k = i * parts_ + part;
        // mpz_get_d truncates toward zero, as the library's real reads do.
        return m_.integer_mode() ? std::ldexp(mpz_get_d(s_.ints[k].get_mpz_t()), -fract(part)) : s_.reals[k];
    }
    std::int64_t integer(std::size_t i, std::size_t part) const {
        const std::size_t k = i * parts_ + part;
        if (!m_.integer_mode()) return static_cast<std::int64_t>(std::ldexp(s_.reals[k], fract(part)));
        const mpz_class& z = s_.ints[k];
        return mpz_fits_slong_p(z.get_mpz_t()) ? mpz_get_si(z.get_mpz_t()) : std::stoll(z.get_str());
    }
    std::string text(std::size_t i, std::size_t part) const { return s_.ints[i * parts_ + part].get_str(); }

private:
    const Model& m_;
    const Samples& s_;
    std::size_t parts_;
};

mxArray* struct_of(const std::vector<const char*>& names, const std::vector<mxArray*>& values) {
    mxArray* s = mxCreateStructMatrix(1, 1, static_cast<int>(names.size()), const_cast<const char**>(names.data()));
    for (std::size_t i = 0; i < names.size(); ++i) mxSetFieldByNumber(s, 0, static_cast<int>(i), values[i]);
    return s;
}

mxArray* scalar(double v) { return mxCreateDoubleScalar(v); }

mxArray* position(unsigned long long count, const zeb_fir_v7_1_position& at) {
    if (count == 0) return mxCreateDoubleMatrix(0, 0, mxREAL);
    return struct_of({"vector", "path", "slot"},
                     {scalar(static_cast<double>(at.vector)), scalar(at.path), scalar(at.slot)});
}

mxArray* matrix(const std::vector<unsigned>& values, std::size_t rows, std::size_t cols) {
    mxArray* out = mxCreateDoubleMatrix(rows, cols, mxREAL);
    for (std::size_t i = 0; i < values.size() && i < rows * cols; ++i) mxGetPr(out)[i] = values[i];
    return out;
}

}  // namespace

Options::Options(const Args& args, std::size_t first, bool output_allowed, bool input_allowed) {
    for (std::size_t i = first; i < args.count(); i += 2) {
        std::string name = text_of(args.in(i), "an option name", "zebfir:input");
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool output = name == "output" && output_allowed, input = name == "input" && input_allowed;
        if (!output && !input)
            throw MexError("zebfir:input", "unknown option '" + name + "': expected " +
                                               (output_allowed && input_allowed ? "'output' or 'input'"
                                                : output_allowed                ? "'output'"
                                                                                : "'input'"));
        if (i + 1 >= args.count()) throw MexError("zebfir:input", "option '" + name + "' needs a value");
        std::string value = text_of(args.in(i + 1), "an option value", "zebfir:input");
        for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (output && (value == "real" || value == "int" || value == "complex")) {
            output_given = true;
            this->output = value == "real" ? OutputKind::Real : value == "int" ? OutputKind::Int : OutputKind::Complex;
        } else if (input && (value == "real" || value == "int")) {
            int_input = value == "int";
        } else {
            throw MexError("zebfir:input", "bad value '" + value + "' for option '" + name + "': expected " +
                                               (output ? "'real', 'int' or 'complex'" : "'real' or 'int'"));
        }
    }
}

OutputKind Options::kind(const Model& m) const {
    if (!output_given) return m.hilbert() ? OutputKind::Complex : OutputKind::Real;
    if (output == OutputKind::Real && m.hilbert())
        throw MexError("zebfir:input", "a Hilbert filter's output is complex: ask for 'complex' or 'int'");
    return output;
}

bool is_real_scalar(const mxArray* a) { return is_real_numeric(a) && mxGetNumberOfElements(a) == 1; }

std::string text_of(const mxArray* a, const char* what, const char* id) {
    if (!mxIsChar(a) || (mxGetM(a) > 1) || mxGetNumberOfDimensions(a) > 2)
        throw MexError(id, std::string(what) + " must be a text, not " + described(a));
    char* text = mxArrayToString(a);
    std::string out = text ? text : "";
    mxFree(text);
    return out;
}

std::string field_text(const std::string& field, const mxArray* value) {
    if (mxIsChar(value)) return text_of(value, field.c_str(), "zebfir:config");
    if ((!is_real_numeric(value) && !mxIsLogical(value)) || mxGetNumberOfElements(value) != 1)
        throw MexError("zebfir:config", field + " takes one number or a text, not " + described(value));
    return number_text(mxGetScalar(value));
}

std::string coefficient_text(const mxArray* value, std::size_t& rows) {
    const std::vector<double> values = finite_values(value, "coefficient");
    const std::size_t m = mxGetM(value), n = values.size() / (m ? m : 1);
    const bool sets = mxGetNumberOfDimensions(value) == 2 && m > 1 && n > 1;
    rows = sets ? m : 1;
    std::string text;
    char number[32];
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::size_t i = sets ? (k % n) * m + k / n : k;  // set after set
        std::snprintf(number, sizeof number, "%.17g", values[i]);
        text += (k ? "," : "") + std::string(number);
    }
    return text;
}

std::vector<double> finite_values(const mxArray* a, const char* what) {
    if (!is_real_numeric(a) || mxIsEmpty(a) || mxGetNumberOfDimensions(a) > 2)
        throw MexError(
            "zebfir:config",
            std::string(what) + "s must be a real, full, non-empty numeric vector or matrix, not " + described(a));
    std::vector<double> values(mxGetNumberOfElements(a));
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = plain_value(a, i);
        if (!std::isfinite(values[i]))
            throw MexError("zebfir:config", std::string(what) + " " + subscripts(a, i) +
                                                " is not a finite number: " + number_text(values[i]));
    }
    return values;
}

std::vector<double> integers_of(const mxArray* a, const char* what, long long low, long long high) {
    if (!is_real_numeric(a) && !mxIsLogical(a))
        throw MexError("zebfir:config", std::string(what) + " must be numeric, not " + described(a));
    std::vector<double> values(mxGetNumberOfElements(a));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = plain_value(a, i);
        if (!(v == std::floor(v) && v >= static_cast<double>(low) && v <= static_cast<double>(high)))
            throw MexError("zebfir:config", "bad number " + number_text(v) + " for " + what +
                                                ": expected an integer from " + std::to_string(low) + " to " +
                                                std::to_string(high));
        values[i] = v;
    }
    return values;
}

long long integer_of(const mxArray* a, const char* what, long long low, long long high) {
    const std::vector<double> values = integers_of(a, what, low, high);
    if (values.size() != 1)
        throw MexError("zebfir:config", std::string(what) + " takes one number, not " + described(a));
    return static_cast<long long>(values[0]);
}

Input input_of(const Model& m, const mxArray* x, bool int_input, bool slot) {
    const std::size_t paths = m.paths(), channels = m.channels();
    if (!is_real_numeric(x) || (!int_input && !mxIsDouble(x) && !mxIsSingle(x)))
        throw MexError("zebfir:input", std::string("input samples must be a real, full ") +
                                           (int_input ? "numeric" : "double or single") + " array, not " +
                                           described(x));
    const std::size_t nd = mxGetNumberOfDimensions(x);
    const std::vector<std::size_t> dims(mxGetDimensions(x), mxGetDimensions(x) + nd);
    const std::size_t count = mxGetNumberOfElements(x);
    const bool vector = nd == 2 && (dims[0] == 1 || dims[1] == 1);
    Input in;
    in.row = !slot && vector && dims[0] == 1 && dims[1] > 1;
    const bool plain = slot || (vector && paths == 1 && channels == 1);
    if (slot ? count != paths
             : count == 0 || (!plain && (nd > 3 || dims[1] != channels || (nd == 3 ? dims[2] : 1) != paths))) {
        std::string expected = slot ? "one sample per path (" + std::to_string(paths) + ")"
                                    : "vectors x " + std::to_string(channels) + " channels x " + std::to_string(paths) +
                                          " paths, at least one vector";
        if (!slot && paths == 1 && channels == 1) expected += ", or a vector";
        throw MexError("zebfir:input", "input of size " + described(x).substr(2) + ": expected " + expected);
    }
    in.vectors = slot ? 1 : count / (paths * channels);
    const zeb_fir_v7_1_config& c = m.normalised();
    in.values.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double v = sample_value(x, i, int_input, c.data_width, c.data_fract_width);
        if (!std::isfinite(v))
            throw MexError("zebfir:input", "input sample " + subscripts(x, i) + " is not a " +
                                               (int_input ? "whole number of input LSBs" : "finite number"));
        const std::size_t vec = plain ? (slot ? 0 : i) : i % in.vectors;
        const std::size_t s = plain ? 0 : (i / in.vectors) % channels;
        const std::size_t p = slot ? i : plain ? 0 : i / (in.vectors * channels);
        in.values[p + paths * (s + channels * vec)] = v;
    }
    return in;
}

mxArray* output_of(const Model& m, const Samples& samples, OutputKind kind, bool row, bool slot) {
    const std::size_t paths = m.paths(), channels = slot ? 1 : m.channels();
    if (slot && samples.count == 0) return mxCreateDoubleMatrix(0, 0, mxREAL);
    const std::size_t vectors = samples.count / (paths * channels);
    const std::vector<std::size_t> sizes = slot  ? std::vector<std::size_t>{1, paths}
                                           : row ? std::vector<std::size_t>{1, vectors}
                                                 : std::vector<std::size_t>{vectors, channels, paths};
    std::vector<mwSize> dims(sizes.begin(), sizes.end());
    const std::size_t parts = m.hilbert() && kind != OutputKind::Real ? 2 : 1;
    const bool pair = kind == OutputKind::Int && parts == 2;
    if (pair) dims.push_back(2);
    const bool wide = kind == OutputKind::Int && m.integer_mode() && m.normalised().output_width > kInt64Bits;
    mxArray* out = wide                      ? mxCreateCellArray(dims.size(), dims.data())
                   : kind == OutputKind::Int ? mxCreateNumericArray(dims.size(), dims.data(), mxINT64_CLASS, mxREAL)
                                             : mxCreateNumericArray(dims.size(), dims.data(), mxDOUBLE_CLASS,
                                                                    kind == OutputKind::Complex ? mxCOMPLEX : mxREAL);
    const Values values(m, samples);
    const std::size_t total = samples.count;
    for (std::size_t i = 0; i < total; ++i) {
        const std::size_t p = i % paths, s = (i / paths) % channels, v = i / (paths * channels);
        const std::size_t at = v + vectors * (s + channels * p);
        if (kind == OutputKind::Complex) {
            mxGetPr(out)[at] = values.real(i, 0);
            mxGetPi(out)[at] = parts == 2 ? values.real(i, 1) : 0.0;
            continue;
        }
        for (std::size_t part = 0; part < (pair ? 2 : 1); ++part) {
            const std::size_t to = at + part * total;
            if (wide)
                mxSetCell(out, to, mxCreateString(values.text(i, part).c_str()));
            else if (kind == OutputKind::Int)
                static_cast<std::int64_t*>(mxGetData(out))[to] = values.integer(i, part);
            else
                mxGetPr(out)[to] = values.real(i, part);
        }
    }
    return out;
}

mxArray* config_struct(const Model& m) {
    std::size_t count = 0;
    const zebtool::FieldInfo* fields = zebtool::config_fields(count);
    const zeb_fir_v7_1_config& c = m.normalised();
    std::vector<const char*> names;
    std::vector<mxArray*> values;
    for (std::size_t i = 0; i < count; ++i) {
        const zebtool::FieldInfo& f = fields[i];
        names.push_back(f.name);
        switch (f.kind) {
            case zebtool::FieldKind::Text: values.push_back(mxCreateString(c.name ? c.name : "")); break;
            case zebtool::FieldKind::Coefficients: {
                const std::vector<double>& given = m.coefficients_given();
                mxArray* sets = mxCreateDoubleMatrix(c.coeff_sets, c.num_coeffs, mxREAL);
                for (std::size_t k = 0; k < given.size(); ++k)
                    mxGetPr(sets)[k / c.num_coeffs + (k % c.num_coeffs) * c.coeff_sets] = given[k];
                values.push_back(sets);
                break;
            }
            case zebtool::FieldKind::Number: values.push_back(scalar(c.*f.uint_member)); break;
            case zebtool::FieldKind::Enumerated:
                values.push_back(mxCreateString(zebtool::enumerator_text(f, c.*f.int_member).c_str()));
                break;
            case zebtool::FieldKind::Pattern: values.push_back(scalar(c.*f.int_member)); break;
        }
    }
    return struct_of(names, values);
}

mxArray* info_struct(const zeb_fir_v7_1_info& i) {
    static const char* const kArithmetics[] = {"double", "int128", "gmp"};
    mxArray* arithmetic =
        i.arithmetic >= 0 && i.arithmetic <= 2 ? mxCreateString(kArithmetics[i.arithmetic]) : scalar(i.arithmetic);
    return struct_of(
        {"data_width", "data_fract_width", "coeff_width", "coeff_fract_width", "acc_width", "output_width",
         "output_fract_width", "output_lsb_exponent", "arithmetic", "current_pattern", "queued_configs",
         "queued_reloads"},
        {scalar(i.data_width), scalar(i.data_fract_width), scalar(i.coeff_width), scalar(i.coeff_fract_width),
         scalar(i.acc_width), scalar(i.output_width), scalar(i.output_fract_width), scalar(i.output_lsb_exponent),
         arithmetic, scalar(i.current_pattern), scalar(static_cast<double>(i.queued_configs)),
         scalar(static_cast<double>(i.queued_reloads))});
}

mxArray* wrap_struct(Model& m) {
    const zeb_fir_v7_1_wrap_counts w = m.wrap_counts();
    std::vector<unsigned> input, output;
    m.wrap_counts_by_channel(input, output);
    return struct_of(
        {"input", "output", "coefficients", "first_input", "first_output", "input_by_channel", "output_by_channel"},
        {scalar(static_cast<double>(w.input)), scalar(static_cast<double>(w.output)),
         scalar(static_cast<double>(w.coefficients)), position(w.input, w.first_input),
         position(w.output, w.first_output), matrix(input, m.paths(), m.channels()),
         matrix(output, m.paths(), m.channels())});
}

}  // namespace zebmex
