// The engine's view of a host's records.  The boundary implements these, one
// kind per record type; the engine never reads or writes a record's fields
// itself, it asks for samples and hands over places.
#ifndef ZEB_FIR_MODEL_HOST_IO_H
#define ZEB_FIR_MODEL_HOST_IO_H

#include <gmpxx.h>

#include <cstddef>
#include <vector>

#include "model/kernel_bank.h"
#include "model/zeb_logger.h"
#include "zeb_fir_v7_1.h"

// A host's input record.  Each call checks the record's fields against each
// other and against the shape asked for, and throws the refusal's text.
class InputRecord {
public:
    virtual ~InputRecord() = default;
    // The samples of a whole packet of paths x channels, and its number of
    // vectors.
    virtual const double* packet(std::size_t paths, std::size_t channels, std::size_t& vectors) const = 0;
    // The samples of one slot of paths.
    virtual const double* slot(std::size_t paths) const = 0;
};

// What the engine may use of a host's one-dimensional packet array (the
// selectors of a configuration packet, the coefficients of a reload), taken
// from the record at the boundary.
template <typename T>
struct PacketArray {
    bool present;           // the packet has an array
    bool lengths_readable;  // its lengths lie within its dimension store
    std::size_t dims;
    std::size_t length0;   // its first length, when it has one that can be read
    std::size_t readable;  // values its store may be read for
    const T* data;

    // The first length of a 1-D array, else 0.
    std::size_t first_length() const { return present && dims == 1 ? length0 : 0; }
    // Values it really holds: its first length, bounded by what may be read.
    std::size_t held() const {
        if (!present) return 0;
        return dims >= 1 && length0 < readable ? length0 : readable;
    }
};

// Where the k-th sample of a block goes in a record: listed[k], or base +
// k * stride when there is no list.
struct BlockPlace {
    std::size_t base;
    std::size_t stride;
    const std::size_t* listed;
    std::size_t operator()(std::size_t k) const { return listed != nullptr ? listed[k] : base + k * stride; }
};

// What a read takes samples from.
struct ReadSource {
    KernelBank& bank;
    ZebLogger& notes;
    bool hilbert;
    double data_fract_scale;  // in-phase values to input LSBs
    mpz_class& scratch;
    std::vector<double>& values;
};

// A host's output record.  Element path + P * (slot + C * vector) holds the
// sample of that path in that slot of that vector.
class OutputRecord {
public:
    enum class Kind { real, complex, integer, integer_complex };
    virtual ~OutputRecord() = default;
    virtual Kind kind() const = 0;

    // Whole-vector reads: the record's lengths must be paths x channels (x
    // vectors); then the vectors it asks for; room for the vectors a read
    // gives, checked before anything is taken; fewer vectors than asked
    // for; and, once written, lengths that cover them.
    virtual void check_packet_shape(std::size_t paths, std::size_t channels) const = 0;
    virtual std::size_t requested_vectors() const = 0;
    virtual void check_room(std::size_t vectors) const = 0;
    virtual void shrink_to(std::size_t vectors) = 0;
    virtual void cover(std::size_t vectors) = 0;

    // Single-slot reads: a record of paths elements, grown if it allows it;
    // then how many it holds.
    virtual void check_slot_shape(std::size_t paths) = 0;
    virtual void set_slot_size(std::size_t count) = 0;

    // The oldest count samples of (path, chan) into places at(0..count); one
    // sample into element index, with the debug notes when they listen; a
    // slot that no sample fills.
    virtual void block(ReadSource& from, unsigned int path, unsigned int chan, std::size_t count,
                       const BlockPlace& at) = 0;
    virtual void element(ReadSource& from, std::size_t index, unsigned int path, unsigned int chan) = 0;
    virtual void zero(std::size_t index) = 0;
    // A real record's elements, which whole-vector reads may write directly
    // once its room is checked; null for every other record.
    virtual double* real_elements() { return nullptr; }
};

// A registered data sink: an output record the engine fills after every
// whole-packet send.
class OutputSink : public OutputRecord {
public:
    // Lengths paths x channels x vectors and room for them, or the refusal's
    // text; on any failure the record announces no vector.
    virtual void prepare(std::size_t paths, std::size_t channels, std::size_t vectors) = 0;
    virtual void announce_nothing() = 0;
    // The text a failure to fill it ends with ("", "_complex", ...).
    virtual const char* suffix() const = 0;
    // The record an output callback receives (real sinks only).
    virtual const zeb_array_real* real_record() const = 0;
};

#endif
