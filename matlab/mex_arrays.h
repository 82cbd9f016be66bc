// Octave/MATLAB arrays to and from what a Model takes and gives: argument
// checks, configuration values as FIELD=VALUE texts, the sample layout
// (vectors x slots x paths, column-major) and the inspection structs.
#ifndef ZEB_MATLAB_MEX_ARRAYS_H
#define ZEB_MATLAB_MEX_ARRAYS_H

#include <cstddef>
#include <string>
#include <vector>

#include "mex.h"
#include "mex_model.h"

namespace zebmex {

// The arguments of a command after its name (ID first), and its outputs.
class Args {
public:
    Args(int nlhs, mxArray** plhs, int nrhs, const mxArray** prhs)
        : nlhs_(nlhs), plhs_(plhs), nrhs_(nrhs), prhs_(prhs) {}
    std::size_t count() const { return static_cast<std::size_t>(nrhs_); }
    const mxArray* in(std::size_t i) const { return prhs_[i]; }
    // Output i, dropped when the caller asked for fewer (the first always goes to ans).
    void out(int i, mxArray* value) const {
        if (i == 0 || i < nlhs_)
            plhs_[i] = value;
        else
            mxDestroyArray(value);
    }

private:
    int nlhs_;
    mxArray** plhs_;
    int nrhs_;
    const mxArray** prhs_;
};

// 'output', KIND and 'input', KIND pairs from argument first on.
struct Options {
    Options(const Args& args, std::size_t first, bool output_allowed, bool input_allowed);
    // The output asked for, or the filter's own default.
    OutputKind kind(const Model& m) const;

    bool output_given = false;
    OutputKind output = OutputKind::Real;
    bool int_input = false;
};

bool is_real_scalar(const mxArray* a);

// A character row vector; id names the error raised for anything else.
std::string text_of(const mxArray* a, const char* what, const char* id);

// A configuration value as the text of a FIELD=VALUE line.
std::string field_text(const std::string& field, const mxArray* value);

// Numeric coefficients as a comma-separated list of exact decimal texts; a
// matrix is sets x taps, read set after set, and rows gives its set count.
std::string coefficient_text(const mxArray* value, std::size_t& rows);

// Whole numbers from low to high (zebfir:config otherwise).
std::vector<double> integers_of(const mxArray* a, const char* what, long long low, long long high);
long long integer_of(const mxArray* a, const char* what, long long low, long long high);
std::vector<double> finite_values(const mxArray* a, const char* what);

// Input samples as the record takes them: (path, slot, vector) order.
struct Input {
    std::vector<double> values;
    std::size_t vectors = 0;
    bool row = false;  // one path and one channel given as a row vector
};
Input input_of(const Model& m, const mxArray* x, bool int_input, bool slot);

// Samples read, shaped vectors x slots x paths (1 x paths for a slot, 1 x
// vectors for row), a Hilbert filter's integer parts in one more dimension.
mxArray* output_of(const Model& m, const Samples& samples, OutputKind kind, bool row, bool slot);

mxArray* config_struct(const Model& m);
mxArray* info_struct(const zeb_fir_v7_1_info& info);
mxArray* wrap_struct(Model& m);

}  // namespace zebmex

#endif
