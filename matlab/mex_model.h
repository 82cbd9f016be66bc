// One model behind an Octave/MATLAB handle: the library's model, the sink
// every whole-packet send fills, the output vectors sent but not yet read,
// and the messages of the call in progress.  Nothing here knows mxArrays:
// the gateway converts.  Refusals are thrown as MexError.
#ifndef ZEB_MATLAB_MEX_MODEL_H
#define ZEB_MATLAB_MEX_MODEL_H

#include <gmpxx.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "config_text/c_records.h"
#include "config_text/packet_commands.h"
#include "zeb_fir_v7_1.h"
#include "zeb_fir_v7_1_inspect.h"

namespace zebmex {

// A refusal with its Octave/MATLAB error identifier.
class MexError : public std::runtime_error {
public:
    MexError(const char* id, const std::string& text) : std::runtime_error(text), id_(id) {}
    const char* id() const { return id_; }

private:
    const char* id_;
};

// Warnings and notes of the model, for the gateway to pass to warning().
struct Message {
    const char* id;
    std::string text;
};

enum class OutputKind { Real, Int, Complex };

// Output samples in the layout of the record: (path, slot, vector), a
// Hilbert filter's samples as pairs (in-phase, filtered).  Doubles in double
// mode, integers in output LSBs (in-phase: input LSBs) in integer mode.
struct Samples {
    std::vector<double> reals;
    std::vector<mpz_class> ints;
    std::size_t count = 0;  // samples (a pair counts once)
};

class Model {
public:
    // Creates the model from a finished record; coeffs are the values as given.
    Model(const zeb_fir_v7_1_config& config, std::vector<Message>& messages);
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    unsigned paths() const { return paths_; }
    unsigned channels() const { return channels_; }
    bool hilbert() const { return hilbert_; }
    bool integer_mode() const { return integer_mode_; }
    const zeb_fir_v7_1_config& normalised() const { return config_; }
    const std::vector<double>& coefficients_given() const { return coeffs_; }

    // Whole vectors: values of (path, slot, vector) in record order.
    void send(const std::vector<double>& values, std::size_t vectors);
    // Every output vector sent and not yet returned; the buffered ones too
    // when the input stands at a vector boundary.
    Samples read();
    void send_slot(const std::vector<double>& values);
    // One output slot; count 0 when none is ready.
    Samples read_slot();

    void packet(const zebtool::PacketCommand& command);

    zeb_fir_v7_1_info info();
    std::vector<double> coefficients(unsigned set);
    std::pair<double, double> group_delay(unsigned set);
    zeb_fir_v7_1_wrap_counts wrap_counts();
    void wrap_counts_by_channel(std::vector<unsigned>& input, std::vector<unsigned>& output);
    void clear_wrap_counts();

private:
    static void on_message(void* self, int error, const char* text);
    // Passes warnings on; a failed call throws the model's text.
    void check(zeb_status status, const char* refused = "the model refused the call");
    void take_sink();

    std::vector<Message>& warnings_;
    std::vector<std::pair<int, std::string>> calls_;  // messages of the call in progress
    zeb_fir_v7_1_config config_{};
    std::vector<double> coeffs_;
    unsigned paths_ = 0, channels_ = 0, slots_in_ = 0;
    bool hilbert_ = false, integer_mode_ = false;
    zebtool::PatternMemory patterns_;
    Samples pending_;
    zeb_records::Owned<zeb_array_real> input_ = zebtool::make_record<zeb_array_real>();
    zeb_records::Owned<zeb_array_real> sink_real_ = zebtool::make_record<zeb_array_real>();
    zeb_records::Owned<zeb_array_complex> sink_complex_ = zebtool::make_record<zeb_array_complex>();
    zeb_records::Owned<zeb_array_mpz> sink_mpz_ = zebtool::make_record<zeb_array_mpz>();
    zeb_records::Owned<zeb_array_mpz_complex> sink_mpz_complex_ = zebtool::make_record<zeb_array_mpz_complex>();
    // Last: destroyed first, since it holds a pointer to the sink.
    zebtool::ModelHandle model_;
};

}  // namespace zebmex

#endif
