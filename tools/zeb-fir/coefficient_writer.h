// --write-coefficients: the quantised coefficient sets of the model, as its
// kernels hold them, one value per line for $readmemh / $readmemb or for
// --coeff-file.
#ifndef ZEB_TOOL_COEFFICIENT_WRITER_H
#define ZEB_TOOL_COEFFICIENT_WRITER_H

#include <string>

#include "config_text/text_fields.h"
#include "model_session.h"

namespace zebtool {

// Writes set after set, num_coeffs values each: real values, integers in
// units of 2^-coeff_fract_width, or coeff_width-bit two's-complement
// patterns in hex or binary.  path "-" is standard output.  Throws
// ToolError.
void write_coefficients(const ModelSession& model, SampleFormat format, const std::string& path);

}  // namespace zebtool

#endif
