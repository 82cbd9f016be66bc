// First-in-first-out store of samples that reuses its slots: once warm,
// pushing and popping allocate nothing (for GMP integers the limbs of a slot
// are reused by assignment).  The live samples are contiguous, so blocks can
// be appended and taken through plain pointers.
#ifndef ZEB_FIR_MODEL_SAMPLE_FIFO_H
#define ZEB_FIR_MODEL_SAMPLE_FIFO_H

#include <cstddef>
#include <utility>
#include <vector>

template <typename T>
class SampleFifo {
public:
    void push_back(const T& value) {
        if (tail_ == slots_.size()) make_room(1);
        slots_[tail_++] = value;
    }
    // Appends n slots (holding stale values) and returns the first of them.
    T* extend(std::size_t n) {
        if (slots_.size() - tail_ < n) make_room(n);
        T* first = slots_.data() + tail_;
        tail_ += n;
        return first;
    }
    std::size_t size() const { return tail_ - head_; }
    bool empty() const { return tail_ == head_; }
    T& front() { return slots_[head_]; }
    // The live samples, oldest first.
    T* data() { return slots_.data() + head_; }
    const T* data() const { return slots_.data() + head_; }
    const T& operator[](std::size_t i) const { return slots_[head_ + i]; }
    void pop_front() {
        if (++head_ == tail_) head_ = tail_ = 0;
    }
    void pop_front(std::size_t n) {
        head_ += n;
        if (head_ == tail_) head_ = tail_ = 0;
    }
    void clear() { head_ = tail_ = 0; }

private:
    void make_room(std::size_t n) {
        if (head_ > 0) {
            // Slide the live samples to the front; swapping keeps every
            // slot's storage alive for reuse.
            std::size_t live = tail_ - head_;
            for (std::size_t i = 0; i < live; ++i) std::swap(slots_[i], slots_[head_ + i]);
            head_ = 0;
            tail_ = live;
            if (slots_.size() - tail_ >= n) return;
        }
        std::size_t grown = slots_.empty() ? 16 : slots_.size() * 2;
        if (grown < tail_ + n) grown = tail_ + n;
        slots_.resize(grown);
    }

    std::vector<T> slots_;
    std::size_t head_ = 0;
    std::size_t tail_ = 0;
};

#endif
