// First-in-first-out store of output time slots, each a fixed number of
// values (exact integers, or doubles for a model whose outputs are doubles).
// Storage is a ring that only grows, and values are swapped in place, so a
// steady stream allocates nothing.
#ifndef ZEB_DPI_OUTPUT_SLOTS_H
#define ZEB_DPI_OUTPUT_SLOTS_H

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace zebdpi {

template <typename T>
class OutputSlots {
public:
    // width: values per slot.  Changing it drops every slot.
    void set_width(std::size_t width) {
        width_ = width == 0 ? 1 : width;
        ring_.clear();
        capacity_ = 0;
        clear();
    }

    std::size_t size() const { return count_; }
    void clear() { head_ = count_ = 0; }

    // A new slot at the back; its width values are to be assigned.
    T* push_back() {
        std::size_t room = 0;
        T* slot = back_room(&room);
        keep_back(1);
        return slot;
    }

    // Room for new slots at the back, in one piece: *room slots (at least
    // one) whose values are to be assigned, then kept with keep_back.
    T* back_room(std::size_t* room) {
        if (count_ == capacity_) grow();
        std::size_t slot = head_ + count_;
        if (slot >= capacity_) slot -= capacity_;
        *room = (slot < head_ ? head_ : capacity_) - slot;
        return &ring_[slot * width_];
    }
    // Keeps the first n slots of the last back_room.
    void keep_back(std::size_t n) { count_ += n; }

    // The oldest slot's width values; valid until the next push or drop.
    const T* front() const { return &ring_[head_ * width_]; }
    // Drops the oldest slot.
    void drop_front() {
        if (++head_ == capacity_) head_ = 0;
        --count_;
    }

    // Moves the oldest slot's values into into[0..width) and drops it.
    void pop_front(std::vector<T>& into) {
        if (into.size() != width_) into.resize(width_);
        T* slot = &ring_[head_ * width_];
        for (std::size_t k = 0; k < width_; ++k) std::swap(into[k], slot[k]);
        drop_front();
    }

private:
    // Grows and unrolls the ring so the oldest slot comes first again.
    void grow() {
        const std::size_t full = capacity_;
        capacity_ = std::max<std::size_t>(2 * full, 16);
        std::vector<T> grown(capacity_ * width_);
        for (std::size_t i = 0; i < count_; ++i) {
            const std::size_t from = ((head_ + i) % full) * width_;
            for (std::size_t k = 0; k < width_; ++k) std::swap(grown[i * width_ + k], ring_[from + k]);
        }
        ring_.swap(grown);
        head_ = 0;
    }

    std::size_t width_ = 1;
    std::vector<T> ring_;       // capacity_ slots of width_ values
    std::size_t capacity_ = 0;  // kept, so that no call divides
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

}  // namespace zebdpi

#endif
