// --write-coefficients: the quantised coefficient sets of a record, as the
// model uses them, one value per line for $readmemh / $readmemb or for
// --coeff-file.  The public interface has no call returning them, so they
// are read from a single-rate twin model (same quantization, coeff_width,
// coeff_fract_width and coefficients, data_width 2) answering a one-LSB
// impulse per set: its integer output is the set in coefficient LSBs.
#ifndef ZEB_TOOL_COEFFICIENT_WRITER_H
#define ZEB_TOOL_COEFFICIENT_WRITER_H

#include <string>

#include "config_text/text_fields.h"
#include "zeb_fir_v7_1.h"

namespace zebtool {

// Writes set after set, num_coeffs values each: real values, integers in
// units of 2^-coeff_fract_width, or coeff_width-bit two's-complement
// patterns in hex or binary.  path "-" is standard output.  Throws
// ToolError.
void write_coefficients(const zeb_fir_v7_1_config& record, SampleFormat format, const std::string& path);

}  // namespace zebtool

#endif
