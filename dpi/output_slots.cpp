#include "output_slots.h"

#include <algorithm>

namespace zebdpi {

mpz_class* OutputSlots::push_back() {
    const std::size_t full = capacity();
    if (count_ == full) {
        // Grow and unroll the ring so the oldest slot comes first again.
        std::vector<mpz_class> grown(std::max<std::size_t>(2 * full, 16) * width_);
        for (std::size_t i = 0; i < count_; ++i) {
            const std::size_t from = ((head_ + i) % full) * width_;
            for (std::size_t k = 0; k < width_; ++k) grown[i * width_ + k].swap(ring_[from + k]);
        }
        ring_.swap(grown);
        head_ = 0;
    }
    const std::size_t slot = (head_ + count_) % capacity();
    ++count_;
    return &ring_[slot * width_];
}

void OutputSlots::pop_front(std::vector<mpz_class>& into) {
    into.resize(width_);
    mpz_class* slot = &ring_[head_ * width_];
    for (std::size_t k = 0; k < width_; ++k) into[k].swap(slot[k]);
    head_ = (head_ + 1) % capacity();
    --count_;
}

}  // namespace zebdpi
