// Channel views: the index-th sample of one channel on one path of a
// (path, slot, vector) record, under the basic order or a channel pattern.
// The checks and the index arithmetic are written once for all four record
// types; only the way one element is moved differs.
#include <cstddef>
#include <cstdint>
#include <limits>

#include <gmp.h>

#include "patterns/pattern_tables.h"
#include "zeb_fir_v7_1.h"

namespace {

constexpr std::size_t kSizeMax = std::numeric_limits<std::size_t>::max();

// Readers may use what is filled, writers what is allocated.
enum class Access { read, write };

struct ChanPosition {
    std::size_t element;  // linear index into the store
    std::size_t vector;   // cycle that holds the sample
    std::size_t cycle;    // elements per vector: paths times slots
};

// Finds sample `index` of channel `chan` on `path`.  False when the record is
// malformed, the path, channel or pattern does not fit it, or the sample lies
// outside the store; nothing outside the record and the tables is touched.
template <typename Record>
bool locate(const Record* rec, std::size_t path, std::size_t chan, std::size_t index, zeb_fir_v7_1_pattern pattern,
            Access access, ChanPosition& pos) {
    if (rec == nullptr || rec->dim == nullptr || rec->data == nullptr) return false;
    if ((rec->dim_size != 2 && rec->dim_size != 3) || rec->dim_size > rec->dim_capacity) return false;
    const std::size_t paths = rec->dim[0];
    const std::size_t slots = rec->dim[1];
    if (path >= paths || chan >= slots) return false;

    std::size_t slot = chan;
    std::size_t vector = index;
    if (pattern != ZEB_FIR_V7_1_PATTERN_BASIC) {
        if (chan >= ZEB_FIR_V7_1_PATTERN_SLOTS) return false;
        const unsigned c = static_cast<unsigned>(chan);
        const int32_t per_cycle = pattern_slot_count(pattern, c);
        if (per_cycle < 1) return false;  // no rows, or a channel the pattern lacks
        const std::size_t n = static_cast<std::size_t>(per_cycle);
        vector = index / n;
        const int32_t s = pattern_channel_slot(pattern, c, static_cast<unsigned>(index % n));
        // A pattern longer than the record's cycle would land in another vector.
        if (s < 0 || static_cast<std::size_t>(s) >= slots) return false;
        slot = static_cast<std::size_t>(s);
    }
    if (rec->dim_size == 2 && vector != 0) return false;

    if (slots > kSizeMax / paths) return false;
    const std::size_t cycle = paths * slots;
    // A store is never trusted beyond what was allocated.
    std::size_t limit = rec->data_capacity;
    if (access == Access::read && rec->data_size < limit) limit = rec->data_size;
    if (vector >= limit / cycle) return false;  // (vector + 1) * cycle > limit, without overflow

    pos.element = path + paths * slot + cycle * vector;
    pos.vector = vector;
    pos.cycle = cycle;
    return true;
}

void move_element(double& dst, const double& src) { dst = src; }

void move_element(zeb_complex& dst, const zeb_complex& src) {
    dst.re = src.re;
    dst.im = src.im;
}

void move_element(__mpz_struct& dst, const __mpz_struct& src) { mpz_set(&dst, &src); }

void move_element(zeb_mpz_complex& dst, const zeb_mpz_complex& src) {
    mpz_set(dst.re, src.re);
    mpz_set(dst.im, src.im);
}

template <typename Record, typename Element>
zeb_status get_chan(const Record* rec, Element* sample, std::size_t path, std::size_t chan, std::size_t index,
                    zeb_fir_v7_1_pattern pattern) {
    ChanPosition pos{};
    if (sample == nullptr || !locate(rec, path, chan, index, pattern, Access::read, pos)) return ZEB_STATUS_ERROR;
    move_element(*sample, rec->data[pos.element]);
    return ZEB_STATUS_OK;
}

// Stores the sample, then grows dim[2] and data_size to cover its vector.
// Every check comes first, so a refused write changes nothing.
template <typename Record, typename Element>
zeb_status set_chan(Record* rec, const Element* sample, std::size_t path, std::size_t chan, std::size_t index,
                    zeb_fir_v7_1_pattern pattern) {
    ChanPosition pos{};
    if (sample == nullptr || !locate(rec, path, chan, index, pattern, Access::write, pos)) return ZEB_STATUS_ERROR;
    std::size_t vectors = 1;
    if (rec->dim_size == 3) vectors = rec->dim[2] > pos.vector ? rec->dim[2] : pos.vector + 1;
    // Lengths that already promise more than the store holds would make
    // data_size claim elements that do not exist.
    if (vectors > rec->data_capacity / pos.cycle) return ZEB_STATUS_ERROR;
    const std::size_t covered = vectors * pos.cycle;

    move_element(rec->data[pos.element], *sample);
    if (rec->dim_size == 3) rec->dim[2] = vectors;
    if (covered > rec->data_size) rec->data_size = covered;
    return ZEB_STATUS_OK;
}

}  // namespace

extern "C" {

zeb_status zeb_fir_v7_1_zeb_array_real_get_chan(const zeb_array_real* array, double* sample, size_t path, size_t chan,
                                                size_t index, zeb_fir_v7_1_pattern pattern) {
    return get_chan(array, sample, path, chan, index, pattern);
}

zeb_status zeb_fir_v7_1_zeb_array_real_set_chan(zeb_array_real* array, double sample, size_t path, size_t chan,
                                                size_t index, zeb_fir_v7_1_pattern pattern) {
    return set_chan(array, &sample, path, chan, index, pattern);
}

zeb_status zeb_fir_v7_1_zeb_array_complex_get_chan(const zeb_array_complex* array, zeb_complex* sample, size_t path,
                                                   size_t chan, size_t index, zeb_fir_v7_1_pattern pattern) {
    return get_chan(array, sample, path, chan, index, pattern);
}

zeb_status zeb_fir_v7_1_zeb_array_complex_set_chan(zeb_array_complex* array, zeb_complex sample, size_t path,
                                                   size_t chan, size_t index, zeb_fir_v7_1_pattern pattern) {
    return set_chan(array, &sample, path, chan, index, pattern);
}

zeb_status zeb_fir_v7_1_zeb_array_mpz_get_chan(const zeb_array_mpz* array, mpz_ptr sample, size_t path, size_t chan,
                                               size_t index, zeb_fir_v7_1_pattern pattern) {
    return get_chan(array, sample, path, chan, index, pattern);
}

zeb_status zeb_fir_v7_1_zeb_array_mpz_set_chan(zeb_array_mpz* array, mpz_srcptr sample, size_t path, size_t chan,
                                               size_t index, zeb_fir_v7_1_pattern pattern) {
    return set_chan(array, sample, path, chan, index, pattern);
}

zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_get_chan(const zeb_array_mpz_complex* array, zeb_mpz_complex* sample,
                                                       size_t path, size_t chan, size_t index,
                                                       zeb_fir_v7_1_pattern pattern) {
    return get_chan(array, sample, path, chan, index, pattern);
}

zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_set_chan(zeb_array_mpz_complex* array, zeb_mpz_complex sample,
                                                       size_t path, size_t chan, size_t index,
                                                       zeb_fir_v7_1_pattern pattern) {
    return set_chan(array, &sample, path, chan, index, pattern);
}

}  // extern "C"
