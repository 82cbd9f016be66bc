// How often, and where first, samples wrapped: input samples into the data
// width, output samples whose rounding left the output range, coefficients
// into the coefficient width.
#ifndef ZEB_FIR_MODEL_WRAP_TALLY_H
#define ZEB_FIR_MODEL_WRAP_TALLY_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <vector>

// A sample's place in a stream: whole turns of the channel sequence before
// it, its path and its slot.  Earlier means earlier in time: the paths of a
// slot arrive together, so the slot comes before the path.
struct StreamPosition {
    std::uint64_t vector;
    unsigned int path;
    unsigned int slot;
    bool operator<(const StreamPosition& o) const {
        return std::tie(vector, slot, path) < std::tie(o.vector, o.slot, o.path);
    }
};

// Wraps on one side of the model, per path and channel, with the earliest.
// Blocks are not taken in stream order (a channel's samples of many vectors
// go at once), so the earliest is kept by comparison.
class SideWraps {
public:
    void shape(std::size_t paths, std::size_t channels) {
        paths_ = paths;
        per_channel_.assign(paths * channels, 0);
        clear();
    }
    void clear() {
        std::fill(per_channel_.begin(), per_channel_.end(), 0);
        total_ = 0;
    }
    void add(unsigned int path, unsigned int chan, std::size_t count, const StreamPosition& first) {
        if (total_ == 0 || first < first_) first_ = first;
        per_channel_[path + paths_ * chan] += count;
        total_ += count;
    }
    std::uint64_t total() const { return total_; }
    const StreamPosition& first() const { return first_; }
    // [path + paths * chan]
    const std::vector<std::uint64_t>& per_channel() const { return per_channel_; }

private:
    std::size_t paths_ = 0;
    std::vector<std::uint64_t> per_channel_;
    std::uint64_t total_ = 0;
    StreamPosition first_{0, 0, 0};
};

struct WrapTally {
    SideWraps input;
    SideWraps output;
    std::uint64_t coefficients = 0;
    void clear() {
        input.clear();
        output.clear();
        coefficients = 0;
    }
};

#endif
