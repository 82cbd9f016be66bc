// First-in-first-out store of samples that reuses its slots: once warm,
// pushing and popping allocate nothing (for GMP integers the limbs of a slot
// are reused by assignment).
#ifndef ZEB_FIR_MODEL_SAMPLE_FIFO_H
#define ZEB_FIR_MODEL_SAMPLE_FIFO_H

#include <cstddef>
#include <utility>
#include <vector>

template <typename T>
class SampleFifo {
public:
    void push_back(const T& value) {
        if (tail == slots.size()) make_room();
        slots[tail++] = value;
    }
    std::size_t size() const { return tail - head; }
    bool empty() const { return tail == head; }
    T& front() { return slots[head]; }
    const T& operator[](std::size_t i) const { return slots[head + i]; }
    void pop_front() {
        if (++head == tail) head = tail = 0;
    }
    void clear() { head = tail = 0; }

private:
    void make_room() {
        if (head > 0) {
            // Slide the live samples to the front; swapping keeps every
            // slot's storage alive for reuse.
            std::size_t live = tail - head;
            for (std::size_t i = 0; i < live; ++i) std::swap(slots[i], slots[head + i]);
            head = 0;
            tail = live;
            if (tail < slots.size()) return;
        }
        slots.resize(slots.empty() ? 16 : slots.size() * 2);
    }

    std::vector<T> slots;
    std::size_t head = 0;
    std::size_t tail = 0;
};

#endif
