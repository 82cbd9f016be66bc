// One model behind a DPI handle: the library's model, the records samples
// cross the C interface in, the output slots not yet taken, and the texts
// of the last message and failure.  Failures are thrown as std::exception
// with the reason; the exported functions turn them into a status.
#ifndef ZEB_DPI_DPI_MODEL_H
#define ZEB_DPI_DPI_MODEL_H

#include <gmpxx.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config_text/c_records.h"
#include "config_text/packet_commands.h"
#include "output_slots.h"
#include "zeb_fir_v7_1.h"

namespace zebdpi {

static_assert(sizeof(long) == sizeof(long long), "64-bit integers are read through mpz_get_si");

class DpiError : public std::runtime_error {
public:
    explicit DpiError(const std::string& text) : std::runtime_error(text) {}
};

class DpiModel {
public:
    // Creates the model; a refusal throws DpiError with the model's text.
    explicit DpiModel(const zeb_fir_v7_1_config& config);

    DpiModel(const DpiModel&) = delete;
    DpiModel& operator=(const DpiModel&) = delete;

    void reset();

    // A numeric or enumerated field of the model's normalised record.
    long long field(std::string_view name) const;

    // Inspection (dpi_inspect.cpp): a field of the model's info or wrap
    // counts by its name, the group delay of a set in input and output
    // samples.
    long long info(std::string_view name);
    long long wrap_count(std::string_view name);
    void clear_wrap_counts();
    std::pair<double, double> group_delay(int set);

    // Sample value of an integer in input LSBs, wrapped to data_width bits.
    double sample_of(long long lsbs) const;

    void put_slot(int path, double sample);
    void send_slot();
    void put_vector(int path, int slot, double sample);
    void send_vector();
    void send_packet(std::string_view command);

    std::size_t ready() const { return reals_ ? real_slots_.size() : slots_.size(); }
    void next();

    // Values of the slot taken by next(), in output LSBs (in-phase: input LSBs).
    const mpz_class& output(int path) const;
    // The same as a 64-bit integer; throws for one that needs more bits.
    long long output_int64(int path) const;
    const mpz_class& inphase(int path) const;
    double output_real(int path) const;
    const char* output_text(int path);

    const std::string& last_message() const { return last_message_; }
    const std::string& last_error() const { return last_error_; }
    void set_last_error(std::string text) { last_error_ = std::move(text); }

private:
    static void on_message(void* self, int error, const char* text);

    // Throws the model's message of the failed call, or what when it sent
    // none; inline, as every slot checks two calls.
    void check(zeb_status status, const char* what) {
        if (status != ZEB_STATUS_OK) refused(what);
        call_message_.clear();
    }
    [[noreturn]] void refused(const char* what) const;
    void check_path(int path) const;
    // A path of the slot next() took, or throws.
    void check_current(int path) const;
    void collect_slots();
    void clear_inputs();

    // Texts first: the model's callback may write them while it is built
    // and torn down.
    std::string last_message_;
    std::string last_error_;
    std::string call_message_;  // last message of the library call under way
    std::string text_;          // storage of output_text

    zebtool::ModelHandle model_;
    zeb_fir_v7_1_config config_{};
    bool hilbert_ = false;
    std::size_t paths_ = 0;
    std::size_t channels_ = 0;
    zebtool::PatternMemory patterns_;

    zeb_records::Owned<zeb_array_real> slot_in_;
    zeb_records::Owned<zeb_array_real> vector_in_;
    // Double kernels without a Hilbert filter: their outputs are doubles with
    // at most 53 significant bits, read as reals (the library's short way for
    // single slots) and made integers only when one is asked for.
    bool reals_ = false;
    double integer_scale_ = 1.0;                                  // 2^output_fract_width: output values to output LSBs
    zeb_records::Owned<zeb_array_mpz> slot_out_;                  // all others but Hilbert
    zeb_records::Owned<zeb_array_mpz_complex> slot_out_complex_;  // Hilbert

    // Each slot holds the paths' outputs, then for Hilbert their in-phase parts.
    OutputSlots<mpz_class> slots_;
    OutputSlots<double> real_slots_;
    mutable std::vector<mpz_class> current_;  // reals_: made from current_real_ when first read
    std::vector<double> current_real_;
    mutable bool current_exact_ = false;  // current_ holds the slot next() took
    bool have_current_ = false;
};

}  // namespace zebdpi

#endif
