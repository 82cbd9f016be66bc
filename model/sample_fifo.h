// First-in-first-out store of samples that reuses its slots: once warm,
// pushing and popping allocate nothing (for GMP integers the limbs of a slot
// are reused by assignment).  The live samples are contiguous, so blocks can
// be appended and taken through plain pointers.
#ifndef ZEB_FIR_MODEL_SAMPLE_FIFO_H
#define ZEB_FIR_MODEL_SAMPLE_FIFO_H

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// Slots a vector grows by are default-initialised: plain numbers are left
// as they are (their first write is the only one), class types still get
// their constructor.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible<U>::value) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

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
    // Room for n more samples, made at once: a whole packet's outputs then
    // go in without the copies of growing step by step.
    void reserve(std::size_t n) {
        if (slots_.size() - tail_ < n) make_room(n);
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

    // head_ and tail_ apart: emptying stores both, and as neighbours they
    // would be stored as one 16-byte word, which the next push's 8-byte load
    // of tail_ cannot take from the store buffer (it waits for the store).
    std::size_t head_ = 0;
    std::vector<T, DefaultInitAllocator<T>> slots_;
    std::size_t tail_ = 0;
};

#endif
