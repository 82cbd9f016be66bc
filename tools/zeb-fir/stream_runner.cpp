#include "stream_runner.h"

#include <algorithm>
#include <utility>

#include "config_text/text_fields.h"
#include "config_text/tool_error.h"

namespace zebtool {

std::size_t automatic_packet_vectors(const zeb_fir_v7_1_config& normalised) {
    constexpr std::size_t kSamplesPerPacket = 65536;
    constexpr std::size_t kMaxVectors = 1024;
    const std::size_t per_vector =
        std::max<std::size_t>(1, std::size_t(normalised.num_paths) * normalised.num_channels);
    const std::size_t growth =
        normalised.decimation_rate == 0
            ? 1
            : std::max<std::size_t>(
                  1, (normalised.interpolation_rate + normalised.decimation_rate - 1) / normalised.decimation_rate);
    return std::clamp<std::size_t>(kSamplesPerPacket / (per_vector * growth), 1, kMaxVectors);
}

StreamRunner::StreamRunner(ModelSession& model, SampleSink& sink, std::size_t packet_vectors, OutputFile* output,
                           GoldenComparer* golden, std::vector<ScheduledCommand> schedule, bool strict)
    : model_(model),
      sink_(sink),
      packet_vectors_(std::max<std::size_t>(1, packet_vectors)),
      output_(output),
      golden_(golden),
      schedule_(std::move(schedule)),
      wraps_(model.handle()),
      strict_(strict),
      packet_(make_record<zeb_array_real>()) {
    std::stable_sort(schedule_.begin(), schedule_.end(),
                     [](const ScheduledCommand& a, const ScheduledCommand& b) { return a.vector < b.vector; });
    patterns_.initial = model.config().chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ ? model.config().init_pattern
                                                                                  : ZEB_FIR_V7_1_PATTERN_BASIC;
    patterns_.current = patterns_.initial;
    const std::size_t per_vector = model.paths() * model.channels();
    if (zeb_fir_v7_1_zeb_array_real_reserve_dim(packet_.get(), 3) != ZEB_STATUS_OK ||
        zeb_fir_v7_1_zeb_array_real_reserve_data(packet_.get(), per_vector * packet_vectors_) != ZEB_STATUS_OK)
        throw ToolError("out of memory reserving a packet of " + std::to_string(packet_vectors_) + " vectors");
    packet_->dim_size = 3;
    packet_->dim[0] = model.paths();
    packet_->dim[1] = model.channels();
    packet_->dim[2] = 0;
}

void StreamRunner::send_packet() {
    if (packet_filled_ == 0) return;
    packet_->dim[2] = packet_filled_;
    packet_->data_size = model_.paths() * model_.channels() * packet_filled_;
    packet_filled_ = 0;
    if (zeb_fir_v7_1_data_send(model_.handle(), packet_.get()) != ZEB_STATUS_OK)
        throw ToolError("the model refused a data packet");
    const std::size_t vectors = sink_.vectors();
    for (std::size_t v = 0; v < vectors; ++v) {
        for (std::size_t s = 0; s < model_.channels(); ++s) {
            sink_.format_slot(v, s, fields_);
            if (golden_) golden_->compare_slot(fields_, output_vectors_, s);
            if (output_) {
                line_.clear();
                for (std::size_t i = 0; i < fields_.size(); ++i) {
                    if (i) line_ += ' ';
                    line_ += fields_[i];
                }
                output_->write_line(line_, true);
            }
            ++output_slots_;
        }
        ++output_vectors_;
    }
    if (strict_) {
        const zeb_fir_v7_1_wrap_counts counts = wraps_.totals();
        if (any_wrap(counts)) throw ToolError(first_wrap(counts, input_vectors_));
    }
}

void StreamRunner::apply(const PacketCommand& command) {
    send_packet();
    const bool reset = command.kind == PacketCommand::Kind::Reset;
    if (reset) wraps_.carry();
    send_packet_command(model_.handle(), command, patterns_);
    if (reset) wraps_.restart(input_vectors_, output_vectors_);
}

void StreamRunner::apply_scheduled_up_to(std::uint64_t vector) {
    while (next_scheduled_ < schedule_.size() && schedule_[next_scheduled_].vector <= vector) {
        const ScheduledCommand& scheduled = schedule_[next_scheduled_++];
        try {
            apply(scheduled.command);
        } catch (const ToolError& e) {
            throw ToolError(scheduled.origin + ": " + e.what());
        }
    }
}

void StreamRunner::run(StimulusReader& stimulus, ProgressLine& progress) {
    const std::size_t paths = model_.paths();
    const std::size_t channels = model_.channels();
    for (;;) {
        if (slot_ == 0) apply_scheduled_up_to(input_vectors_);
        const StimulusReader::Item item = stimulus.next();
        if (item == StimulusReader::Item::End) break;
        if (item == StimulusReader::Item::Command) {
            if (slot_ != 0)
                throw ToolError(at_line(stimulus.source(), stimulus.line()) +
                                ": a command must come between vectors, "
                                "but this one follows slot " +
                                std::to_string(slot_ - 1) + " of a vector of " + std::to_string(channels) + " slots");
            try {
                apply(stimulus.command());
            } catch (const ToolError& e) {
                throw ToolError(at_line(stimulus.source(), stimulus.line()) + ": " + e.what());
            }
            continue;
        }
        const std::vector<double>& values = stimulus.values();
        std::copy(values.begin(), values.end(), packet_->data + (packet_filled_ * channels + slot_) * paths);
        if (++slot_ < channels) continue;
        slot_ = 0;
        ++input_vectors_;
        if (++packet_filled_ == packet_vectors_) {
            send_packet();
            progress.update(stimulus.bytes_read(), stimulus.line(), output_slots_);
        }
    }
    if (slot_ != 0)
        throw ToolError(at_line(stimulus.source(), stimulus.line()) + ": the stimulus ends inside a vector (" +
                        std::to_string(slot_) + " of " + std::to_string(channels) + " slots given)");
    send_packet();
    if (next_scheduled_ < schedule_.size())
        throw ToolError(schedule_[next_scheduled_].origin + ": never sent, the stimulus has only " +
                        std::to_string(input_vectors_) + " vectors");
    progress.finish();
}

}  // namespace zebtool
