// The description of a model printed before its output: '#' comment lines,
// which every reader of the tool skips, so an output file with a summary
// still serves as stimulus or golden file.
#ifndef ZEB_TOOL_MODEL_SUMMARY_H
#define ZEB_TOOL_MODEL_SUMMARY_H

#include <string>
#include <vector>

#include "model_session.h"
#include "sample_sink.h"

namespace zebtool {

// How numbers of a format are written, for the summary: "real values",
// "integers in output LSBs", "24-bit two's complement in hex, in output
// LSBs".  lsb: "input" or "output".
std::string format_description(SampleFormat format, unsigned width, const char* lsb);

// Signed fixed-point format name: IFIX_<width>_<fractional bits>.
std::string fixed_point_name(unsigned int width, unsigned int fract_width);

std::vector<std::string> model_summary(const ModelSession& model, SampleFormat format, const std::string& stimulus);

}  // namespace zebtool

#endif
