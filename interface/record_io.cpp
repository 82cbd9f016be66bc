#include "interface/record_io.h"

#include <sstream>
#include <string>
#include <type_traits>

#include "interface/records.h"
#include "model/fir_exception.h"
#include "model/fir_text.h"

using fir_text::labelled;
using zeb_records::lengths_held;
using zeb_records::readable_elements;
using zeb_records::writable_elements;

const double* InputView::packet(std::size_t paths, std::size_t channels, std::size_t& vectors) const {
    if ((record_.dim_size != 2 && record_.dim_size != 3) || !lengths_held(record_))
        throw FIRException(fir_text::kPacketDimension);
    if (record_.dim[0] != paths || record_.dim[1] != channels)
        throw FIRException(fir_text::packet_size(paths, channels));
    vectors = record_.dim_size == 3 ? record_.dim[2] : 1;
    if (vectors > 0 && readable_elements(record_) / (paths * channels) < vectors)
        throw FIRException(fir_text::kShortInputText);
    return record_.data;
}

const double* InputView::checked_slot(std::size_t paths) const {
    if (record_.dim_size != 1 || !lengths_held(record_)) throw FIRException(fir_text::kSlotDimension);
    if (record_.dim[0] != paths) throw FIRException(labelled("Incorrect data size, expecting num_paths: ", paths));
    if (readable_elements(record_) < paths) throw FIRException(fir_text::kShortInputText);
    return record_.data;
}

std::size_t InputView::sizing_vectors() const {
    if (record_.dim_size != 3) return 1;
    if (!lengths_held(record_)) throw FIRException(fir_text::kPacketDimension);
    return record_.dim[2];
}

namespace {

template <typename T, typename R>
PacketArray<T> array_of(const R* array) {
    if (array == nullptr) return PacketArray<T>{false, false, 0, 0, 0, nullptr};
    const bool readable_lengths = lengths_held(*array);
    const std::size_t length0 = readable_lengths && array->dim_size >= 1 ? array->dim[0] : 0;
    return PacketArray<T>{true, readable_lengths, array->dim_size, length0, readable_elements(*array), array->data};
}

void set_zero(zeb_mpz_complex& e) {
    mpz_set_ui(e.re, 0);
    mpz_set_ui(e.im, 0);
}

}  // namespace

PacketArray<unsigned int> packet_array(const zeb_array_uint* array) { return array_of<unsigned int>(array); }

PacketArray<double> packet_array(const zeb_array_real* array) { return array_of<double>(array); }

template <typename R>
OutputRecord::Kind OutputView<R>::kind() const {
    if constexpr (std::is_same<R, zeb_array_real>::value) return Kind::real;
    if constexpr (std::is_same<R, zeb_array_complex>::value) return Kind::complex;
    if constexpr (std::is_same<R, zeb_array_mpz>::value) return Kind::integer;
    return Kind::integer_complex;
}

template <typename R>
double* OutputView<R>::real_elements() {
    if constexpr (std::is_same<R, zeb_array_real>::value) return record_.data;
    return nullptr;
}

template <typename R>
void OutputView<R>::check_packet_shape(std::size_t paths, std::size_t channels) const {
    if ((record_.dim_size != 2 && record_.dim_size != 3) || !lengths_held(record_))
        throw FIRException(fir_text::kPacketDimension);
    // Lengths must be exactly the model's: a smaller record could not take
    // every path and channel of the vectors it asks for.
    if (record_.dim[0] != paths || record_.dim[1] != channels)
        throw FIRException(fir_text::packet_size(paths, channels));
}

template <typename R>
std::size_t OutputView<R>::requested_vectors() const {
    return record_.dim_size == 3 ? record_.dim[2] : 1;
}

template <typename R>
void OutputView<R>::check_room(std::size_t vectors) const {
    if (vectors > 0 && writable_elements(record_) / (record_.dim[0] * record_.dim[1]) < vectors) {
        std::ostringstream text;
        text << "Output array capacity too small, expecting room for vectors: " << vectors;
        throw FIRException(text.str());
    }
}

template <typename R>
void OutputView<R>::shrink_to(std::size_t vectors) {
    if (record_.dim_size == 3) record_.dim[2] = vectors;
    record_.data_size = record_.dim[0] * record_.dim[1] * vectors;
}

// The lengths grow as the channel-view writer grows them (the capacity was
// checked before).
template <typename R>
void OutputView<R>::cover(std::size_t vectors) {
    if (record_.dim_size == 3 && record_.dim[2] < vectors) record_.dim[2] = vectors;
    const std::size_t covered = record_.dim[0] * record_.dim[1] * (record_.dim_size == 3 ? record_.dim[2] : 1);
    if (covered > record_.data_size) record_.data_size = covered;
}

template <typename R>
void OutputView<R>::check_slot_record(std::size_t paths) {
    if (record_.dim_size != 1 || !lengths_held(record_)) throw FIRException(fir_text::kSlotDimension);
    if (record_.dim[0] != paths) throw FIRException(labelled("Incorrect data size, expecting num_paths: ", paths));
    // Room for one sample per path, grown through the record's own table
    // when it allows it; checked before anything is taken.
    if (writable_elements(record_) < paths &&
        (zeb_records::reserve_data(record_, paths) != 0 || writable_elements(record_) < paths)) {
        throw FIRException(labelled("Output array capacity too small, expecting num_paths: ", paths));
    }
}

template <typename R>
void OutputView<R>::block(ReadSource& from, unsigned int path, unsigned int chan, std::size_t count,
                          const BlockPlace& at) {
    KernelBank& bank = from.bank;
    std::vector<double>& values = from.values;
    if constexpr (std::is_same<R, zeb_array_real>::value) {
        bank.skip_in_phase(path, chan, count);
        if (at.listed == nullptr && at.stride == 1) {
            bank.take_reals(path, chan, count, record_.data + at.base);
            return;
        }
        values.resize(count);
        bank.take_reals(path, chan, count, values.data());
        for (std::size_t k = 0; k < count; ++k) record_.data[at(k)] = values[k];
    } else if constexpr (std::is_same<R, zeb_array_complex>::value) {
        values.resize(count);
        bank.take_reals(path, chan, count, values.data());
        if (from.hilbert) {
            SampleFifo<double>& line = bank.in_phase(path, chan);
            const double* in_phase = line.data();
            for (std::size_t k = 0; k < count; ++k) record_.data[at(k)] = zeb_complex{in_phase[k], values[k]};
            line.pop_front(count);
        } else {
            for (std::size_t k = 0; k < count; ++k) record_.data[at(k)] = zeb_complex{values[k], 0.0};
        }
    } else if constexpr (std::is_same<R, zeb_array_mpz>::value) {
        bank.skip_in_phase(path, chan, count);
        auto put = [&](std::size_t k, mpz_srcptr v) { mpz_set(record_.data + at(k), v); };
        bank.take_integers(path, chan, count, IntegerSink(put));
    } else if (from.hilbert) {
        SampleFifo<double>& line = bank.in_phase(path, chan);
        const double* in_phase = line.data();
        const double scale = from.data_fract_scale;
        auto put = [&](std::size_t k, mpz_srcptr v) {
            zeb_mpz_complex& e = record_.data[at(k)];
            mpz_set_d(e.re, in_phase[k] * scale);
            mpz_set(e.im, v);
        };
        bank.take_integers(path, chan, count, IntegerSink(put));
        line.pop_front(count);
    } else {
        auto put = [&](std::size_t k, mpz_srcptr v) {
            zeb_mpz_complex& e = record_.data[at(k)];
            mpz_set(e.re, v);
            mpz_set_ui(e.im, 0);
        };
        bank.take_integers(path, chan, count, IntegerSink(put));
    }
}

template <typename R>
void OutputView<R>::element(ReadSource& from, std::size_t index, unsigned int path, unsigned int chan) {
    KernelBank& bank = from.bank;
    if constexpr (std::is_same<R, zeb_array_real>::value) {
        bank.take_reals(path, chan, 1, record_.data + index);
        bank.skip_in_phase(path, chan, 1);
    } else if constexpr (std::is_same<R, zeb_array_complex>::value) {
        block(from, path, chan, 1, BlockPlace{index, 1, nullptr});
    } else if constexpr (std::is_same<R, zeb_array_mpz>::value) {
        bank.take_integer_noted(path, chan, record_.data + index, from.notes, true);
        bank.skip_in_phase(path, chan, 1);
    } else {
        mpz_ptr value = from.scratch.get_mpz_t();
        bank.take_integer_noted(path, chan, value, from.notes, false);
        zeb_mpz_complex& e = record_.data[index];
        if (from.hilbert) {
            SampleFifo<double>& line = bank.in_phase(path, chan);
            mpz_set_d(e.re, line.front() * from.data_fract_scale);
            line.pop_front();
            mpz_set(e.im, value);
        } else {
            mpz_set(e.re, value);
            mpz_set_ui(e.im, 0);
        }
    }
}

template <typename R>
void OutputView<R>::zero(std::size_t index) {
    if constexpr (std::is_same<R, zeb_array_real>::value) {
        record_.data[index] = 0.0;
    } else if constexpr (std::is_same<R, zeb_array_complex>::value) {
        record_.data[index] = zeb_complex{0.0, 0.0};
    } else if constexpr (std::is_same<R, zeb_array_mpz>::value) {
        mpz_set_ui(record_.data + index, 0);
    } else {
        set_zero(record_.data[index]);
    }
}

// A sink the host marked as its own (owner set) keeps that mark and is never
// grown: it must already be large enough.
template <typename R>
void OutputView<R>::prepare(std::size_t paths, std::size_t channels, std::size_t vectors) {
    auto fail = [this](const char* what) { throw FIRException(std::string(what) + suffix()); };
    if (zeb_records::reserve_dim(record_, 3) != 0 || record_.dim == nullptr)
        fail("Unable to reserve dimension for data_sink");
    record_.dim_size = 3;
    record_.dim[0] = paths;
    record_.dim[1] = channels;
    const std::size_t needed = paths * channels * vectors;
    if (zeb_records::reserve_data(record_, needed) != 0 || writable_elements(record_) < needed)
        fail("Unable to reserve data for data_sink");
    record_.dim[2] = vectors;
    record_.data_size = needed;
}

// Whatever failed, the record must not announce a vector it did not receive.
// Without a third length slot only data_size can say so.
template <typename R>
void OutputView<R>::announce_nothing() {
    record_.data_size = 0;
    if (record_.dim_size == 3 && lengths_held(record_)) record_.dim[2] = 0;
}

template <typename R>
const char* OutputView<R>::suffix() const {
    if constexpr (std::is_same<R, zeb_array_real>::value) return "";
    if constexpr (std::is_same<R, zeb_array_complex>::value) return "_complex";
    if constexpr (std::is_same<R, zeb_array_mpz>::value) return "_mpz";
    return "_mpz_complex";
}

template <typename R>
const zeb_array_real* OutputView<R>::real_record() const {
    if constexpr (std::is_same<R, zeb_array_real>::value) return &record_;
    return nullptr;
}

template <typename R>
void size_output(R& out, std::size_t paths, std::size_t channels, std::size_t vectors) {
    if (out.dim_size == 2 && vectors > 1) throw FIRException("Unable to size output structure, require 3 dimensions");
    // Never write past the dimension store: grow it through the record's own
    // table where that is allowed.
    const bool single_vector = out.dim_size == 2 && vectors == 1;
    const std::size_t slots = single_vector ? 2 : 3;
    if (out.dim == nullptr || out.dim_capacity < slots) {
        if (zeb_records::reserve_dim(out, slots) != 0 || out.dim == nullptr)
            throw FIRException("Unable to size output structure, cannot reserve dimensions");
    }
    out.dim[0] = paths;
    out.dim[1] = channels;
    if (single_vector) {
        out.data_size = paths * channels;
    } else {
        out.dim[2] = vectors;
        out.data_size = paths * channels * vectors;
    }
}

#define ZEB_RECORD_IO(R)          \
    template class OutputView<R>; \
    template void size_output<R>(R&, std::size_t, std::size_t, std::size_t);
ZEB_RECORD_IO(zeb_array_real)
ZEB_RECORD_IO(zeb_array_complex)
ZEB_RECORD_IO(zeb_array_mpz)
ZEB_RECORD_IO(zeb_array_mpz_complex)
#undef ZEB_RECORD_IO
