// First-in-first-out store of output time slots, each a fixed number of
// exact integers.  Storage is a ring that only grows, and values are
// assigned in place, so a steady stream allocates nothing.
#ifndef ZEB_DPI_OUTPUT_SLOTS_H
#define ZEB_DPI_OUTPUT_SLOTS_H

#include <gmpxx.h>

#include <cstddef>
#include <vector>

namespace zebdpi {

class OutputSlots {
public:
    // width: integers per slot.  Changing it drops every slot.
    void set_width(std::size_t width) {
        width_ = width == 0 ? 1 : width;
        ring_.clear();
        capacity_ = 0;
        clear();
    }

    std::size_t size() const { return count_; }
    void clear() { head_ = count_ = 0; }

    // A new slot at the back; its width integers are to be assigned.
    mpz_class* push_back();

    // Moves the oldest slot's integers into into[0..width) and drops it.
    void pop_front(std::vector<mpz_class>& into);

private:
    std::size_t width_ = 1;
    std::vector<mpz_class> ring_;  // capacity_ slots of width_ integers
    std::size_t capacity_ = 0;     // kept, so that no call divides
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

}  // namespace zebdpi

#endif
