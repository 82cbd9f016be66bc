#include "output_slots.h"

#include <algorithm>

namespace zebdpi {

mpz_class* OutputSlots::push_back() {
    const std::size_t full = capacity_;
    if (count_ == full) {
        // Grow and unroll the ring so the oldest slot comes first again.
        capacity_ = std::max<std::size_t>(2 * full, 16);
        std::vector<mpz_class> grown(capacity_ * width_);
        for (std::size_t i = 0; i < count_; ++i) {
            const std::size_t from = ((head_ + i) % full) * width_;
            for (std::size_t k = 0; k < width_; ++k) grown[i * width_ + k].swap(ring_[from + k]);
        }
        ring_.swap(grown);
        head_ = 0;
    }
    std::size_t slot = head_ + count_;
    if (slot >= capacity_) slot -= capacity_;
    ++count_;
    return &ring_[slot * width_];
}

void OutputSlots::pop_front(std::vector<mpz_class>& into) {
    if (into.size() != width_) into.resize(width_);
    mpz_class* slot = &ring_[head_ * width_];
    for (std::size_t k = 0; k < width_; ++k) into[k].swap(slot[k]);
    if (++head_ == capacity_) head_ = 0;
    --count_;
}

}  // namespace zebdpi
