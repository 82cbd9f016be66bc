// Message texts shared by several operations of the engine, and the one way
// they put a number after a label (as a standard output stream writes it).
#ifndef ZEB_FIR_MODEL_FIR_TEXT_H
#define ZEB_FIR_MODEL_FIR_TEXT_H

#include <sstream>
#include <string>

namespace fir_text {

inline const char* const kPacketDimension =
    "Incorrect data array dimension, expecting num_paths by num_channels (by number of vectors)";
inline const char* const kSlotDimension = "Incorrect data array dimension, expected 1-D array of num_paths";
inline const char* const kShortInputText = "Input array holds fewer samples than its dimensions promise";

// Out of line: callers on per-sample paths keep no stream in their frame.
template <typename V>
[[gnu::noinline]] std::string labelled(const char* label, V value) {
    std::ostringstream text;
    text << label << value;
    return text.str();
}

// "Incorrect data size, expecting num_paths: P by num_channels: C"
inline std::string packet_size(std::size_t paths, std::size_t channels) {
    std::ostringstream text;
    text << "Incorrect data size, expecting num_paths: " << paths << " by num_channels: " << channels;
    return text.str();
}

}  // namespace fir_text

#endif
