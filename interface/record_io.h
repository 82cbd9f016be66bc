// The engine's record views over a host's array records: every check of a
// record's fields, every growth and every write of a sample in one place.
#ifndef ZEB_FIR_INTERFACE_RECORD_IO_H
#define ZEB_FIR_INTERFACE_RECORD_IO_H

#include <cstddef>
#include <memory>

#include "interface/records.h"
#include "model/host_io.h"
#include "zeb_fir_v7_1.h"

// A host's input record.
class InputView final : public InputRecord {
public:
    explicit InputView(const zeb_array_real& viewed) : record_(viewed) {}
    const double* packet(std::size_t paths, std::size_t channels, std::size_t& vectors) const override;
    // The usual slot is accepted inline; any other gets every check and its reason.
    const double* slot(std::size_t paths) const override {
        if (zeb_records::is_slot_of(record_, paths) && record_.data_size >= paths) return record_.data;
        return checked_slot(paths);
    }
    // Vectors of a packet for output sizing: its third length, 1 without one.
    std::size_t sizing_vectors() const;

private:
    const double* checked_slot(std::size_t paths) const;

    const zeb_array_real& record_;
};

// A host's output record of type R (real, complex, GMP, GMP complex), as the
// engine reads into it, and as a registered sink.
template <typename R>
class OutputView final : public OutputSink {
public:
    explicit OutputView(R& viewed) : record_(viewed) {}
    Kind kind() const override;
    void check_packet_shape(std::size_t paths, std::size_t channels) const override;
    std::size_t requested_vectors() const override;
    void check_room(std::size_t vectors) const override;
    void shrink_to(std::size_t vectors) override;
    void cover(std::size_t vectors) override;
    void check_slot_shape(std::size_t paths) override {
        if (!zeb_records::is_slot_of(record_, paths)) check_slot_record(paths);
    }
    void set_slot_size(std::size_t count) override { record_.data_size = count; }
    void block(ReadSource& from, unsigned int path, unsigned int chan, std::size_t count,
               const BlockPlace& at) override;
    void element(ReadSource& from, std::size_t index, unsigned int path, unsigned int chan) override;
    void zero(std::size_t index) override;
    double* real_elements() override;
    void prepare(std::size_t paths, std::size_t channels, std::size_t vectors) override;
    void announce_nothing() override;
    const char* suffix() const override;
    const zeb_array_real* real_record() const override;

private:
    // Every check of a slot record, growing its store where it allows.
    void check_slot_record(std::size_t paths);

    R& record_;
};

// What the engine may use of a packet's array (none when record is null).
PacketArray<unsigned int> packet_array(const zeb_array_uint* record);
PacketArray<double> packet_array(const zeb_array_real* record);

// Lengths paths x channels (x vectors) for the output of an input packet,
// grown through the record's own table where allowed.
template <typename R>
void size_output(R& record, std::size_t paths, std::size_t channels, std::size_t vectors);

#endif
