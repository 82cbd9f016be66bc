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
        if (tail == slots.size()) make_room(1);
        slots[tail++] = value;
    }
    // Appends n slots (holding stale values) and returns the first of them.
    T* extend(std::size_t n) {
        if (slots.size() - tail < n) make_room(n);
        T* first = slots.data() + tail;
        tail += n;
        return first;
    }
    std::size_t size() const { return tail - head; }
    bool empty() const { return tail == head; }
    T& front() { return slots[head]; }
    // The live samples, oldest first.
    T* data() { return slots.data() + head; }
    const T* data() const { return slots.data() + head; }
    const T& operator[](std::size_t i) const { return slots[head + i]; }
    void pop_front() {
        if (++head == tail) head = tail = 0;
    }
    void pop_front(std::size_t n) {
        head += n;
        if (head == tail) head = tail = 0;
    }
    void clear() { head = tail = 0; }

private:
    void make_room(std::size_t n) {
        if (head > 0) {
            // Slide the live samples to the front; swapping keeps every
            // slot's storage alive for reuse.
            std::size_t live = tail - head;
            for (std::size_t i = 0; i < live; ++i) std::swap(slots[i], slots[head + i]);
            head = 0;
            tail = live;
            if (slots.size() - tail >= n) return;
        }
        std::size_t grown = slots.empty() ? 16 : slots.size() * 2;
        if (grown < tail + n) grown = tail + n;
        slots.resize(grown);
    }

    std::vector<T> slots;
    std::size_t head = 0;
    std::size_t tail = 0;
};

#endif
