#include "model/output_runs.h"

#include <algorithm>

void OutputRuns::clear(unsigned int channels) {
    runs_.clear();
    in_closed_.assign(channels, 0);
    total_vectors_ = 0;
}

std::size_t OutputRuns::close(zeb_fir_v7_1_pattern pattern, const std::vector<std::size_t>& held,
                              unsigned int read_slots) {
    const unsigned int C = static_cast<unsigned int>(in_closed_.size());
    // Only channels the pattern owns were fed under it.
    Run run{pattern, std::vector<std::size_t>(C, 0), 0};
    std::size_t samples = 0;
    for (unsigned int c = 0; c < C; ++c) {
        if (channel_slots(pattern, c) > 0) run.left[c] = held[c], samples += held[c];
    }
    // The vector being read ends with the run, filled or not; only the
    // slots after the reader's position are still to come.
    std::vector<std::size_t> rest = run.left;
    std::size_t slots = 0;
    if (read_slots > 0) {
        run.vectors = 1;
        slots = C - read_slots;
        for (unsigned int s = read_slots; s < C; ++s) {
            std::size_t& n = rest[slot_channel(pattern, s)];
            if (n > 0) --n;
        }
    }
    // Then as many vectors as the channel with the most samples per slot needs.
    std::size_t more = 0;
    for (unsigned int c = 0; c < C; ++c) {
        const std::size_t per_vector = channel_slots(pattern, c);
        if (per_vector > 0) more = std::max(more, (rest[c] + per_vector - 1) / per_vector);
    }
    run.vectors += more;
    slots += more * C;
    if (run.vectors == 0) return 0;
    for (unsigned int c = 0; c < C; ++c) in_closed_[c] += run.left[c];
    total_vectors_ += run.vectors;
    runs_.push_back(std::move(run));
    return slots - samples;
}

std::size_t OutputRuns::head_full_vectors() const {
    const Run& run = runs_.front();
    std::size_t full = run.vectors;
    for (unsigned int c = 0; c < run.left.size(); ++c) {
        const std::size_t per_vector = channel_slots(run.pattern, c);
        if (per_vector > 0) full = std::min(full, run.left[c] / per_vector);
    }
    return full;
}

void OutputRuns::finished_vectors(std::size_t n) {
    runs_.front().vectors -= n;
    total_vectors_ -= n;
    if (runs_.front().vectors == 0) runs_.pop_front();
}
