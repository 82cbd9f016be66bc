// The data sink the model fills after every whole-packet send, in the form
// the chosen output format needs, and the text of each of its samples.
//   real: doubles (complex pairs for a Hilbert filter);
//   int:  GMP integers in units of the output LSB, exact in every
//         arithmetic mode (for a Hilbert filter the real part, the delayed
//         input, is in units of the input LSB);
//   hex, bin: those integers as the two's-complement pattern of a bus of
//         the column's width (output_width; data_width for the real part
//         of a Hilbert filter), as Verilog's %h and %b print it.
#ifndef ZEB_TOOL_SAMPLE_SINK_H
#define ZEB_TOOL_SAMPLE_SINK_H

#include <cstddef>
#include <string>
#include <vector>

#include "config_text/c_records.h"
#include "config_text/text_fields.h"

namespace zebtool {

// A GMP integer that clears itself.
struct MpzValue {
    mpz_t v;
    MpzValue() { mpz_init(v); }
    ~MpzValue() { mpz_clear(v); }
    MpzValue(const MpzValue&) = delete;
    MpzValue& operator=(const MpzValue&) = delete;
};

// The text of v as a width-bit bus in radix 16 or 2: v modulo 2^width,
// exactly ceil(width/4) lowercase hex digits or width binary digits,
// zero-padded.  scratch: an initialised mpz_t the call may use.
void bus_text(mpz_srcptr v, unsigned width, unsigned radix, mpz_ptr scratch, std::string& text);

class SampleSink {
public:
    // Creates the record and registers it with the model.  widths: the bus
    // width of each column (used by hex and bin).
    SampleSink(zeb_fir_v7_1* model, SampleFormat format, bool complex, std::size_t paths, std::size_t channels,
               std::vector<unsigned> widths);

    // Numbers per output line: one per path, two (re, im) for complex output.
    std::size_t columns() const { return complex_ ? 2 * paths_ : paths_; }

    // Whole output vectors delivered by the latest send.
    std::size_t vectors() const;

    // Text of slot `slot` of delivered vector `vector`, path by path.
    void format_slot(std::size_t vector, std::size_t slot, std::vector<std::string>& fields);

private:
    void put_real(double v, std::string& field) const;
    void put_int(mpz_srcptr v, std::size_t column, std::string& field);

    SampleFormat format_;
    std::vector<unsigned> widths_;
    MpzValue scratch_;
    bool complex_;
    std::size_t paths_;
    std::size_t channels_;
    zeb_records::Owned<zeb_array_real> real_;
    zeb_records::Owned<zeb_array_complex> complex_real_;
    zeb_records::Owned<zeb_array_mpz> mpz_;
    zeb_records::Owned<zeb_array_mpz_complex> complex_mpz_;
    std::vector<char> digits_;
};

}  // namespace zebtool

#endif
