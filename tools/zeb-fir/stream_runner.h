// The streaming loop: stimulus slots are gathered into whole packets of a
// bounded number of vectors, each packet is sent, and the output vectors
// it completes are written and compared before the next one is read, so
// memory stays flat for files of any length.
#ifndef ZEB_TOOL_STREAM_RUNNER_H
#define ZEB_TOOL_STREAM_RUNNER_H

#include <cstdint>
#include <string>
#include <vector>

#include "config_text/c_records.h"
#include "config_text/packet_commands.h"
#include "golden_compare.h"
#include "model_session.h"
#include "output_file.h"
#include "progress_line.h"
#include "sample_sink.h"
#include "stimulus_reader.h"
#include "wrap_report.h"

namespace zebtool {

// Vectors per packet when not chosen: about 64k samples in and out, at
// least one vector and at most 1024.
std::size_t automatic_packet_vectors(const zeb_fir_v7_1_config& normalised);

class StreamRunner {
public:
    // output and golden may be null.  schedule: commands from the command
    // line, in any order.  strict: a wrap stops the run.
    StreamRunner(ModelSession& model, SampleSink& sink, std::size_t packet_vectors, OutputFile* output,
                 GoldenComparer* golden, std::vector<ScheduledCommand> schedule, bool strict);

    // Runs the whole stimulus.  Throws ToolError for a malformed line, a
    // command inside a vector, an input that ends inside a vector, a
    // refused packet, a scheduled command beyond the end of the input, or
    // under strict a wrap (once the packet holding it is written).
    void run(StimulusReader& stimulus, ProgressLine& progress);

    // Wraps of the whole run, across resets.
    zeb_fir_v7_1_wrap_counts wraps() const { return wraps_.totals(); }

    std::uint64_t input_vectors() const { return input_vectors_; }
    std::uint64_t output_slots() const { return output_slots_; }

private:
    void send_packet();
    void apply(const PacketCommand& command);
    void apply_scheduled_up_to(std::uint64_t vector);

    ModelSession& model_;
    SampleSink& sink_;
    std::size_t packet_vectors_;
    OutputFile* output_;
    GoldenComparer* golden_;
    std::vector<ScheduledCommand> schedule_;
    std::size_t next_scheduled_ = 0;
    PatternMemory patterns_;
    RunWraps wraps_;
    bool strict_;

    zeb_records::Owned<zeb_array_real> packet_;
    std::size_t slot_ = 0;             // slot of the next stimulus line within its vector
    std::size_t packet_filled_ = 0;    // whole vectors gathered in the packet
    std::uint64_t input_vectors_ = 0;  // whole vectors read so far
    std::uint64_t output_vectors_ = 0;
    std::uint64_t output_slots_ = 0;
    std::vector<std::string> fields_;
    std::string line_;
};

}  // namespace zebtool

#endif
