#include "mex_model.h"

#include <algorithm>

#include "config_text/tool_error.h"

namespace zebmex {

namespace {

// Appends count samples of a record to the samples kept, in record order.
void append(Samples& to, const zeb_array_real& r, std::size_t count) {
    to.reals.insert(to.reals.end(), r.data, r.data + count);
}
void append(Samples& to, const zeb_array_complex& r, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        to.reals.push_back(r.data[i].re);
        to.reals.push_back(r.data[i].im);
    }
}
void append(Samples& to, const zeb_array_mpz& r, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) to.ints.emplace_back(&r.data[i]);
}
void append(Samples& to, const zeb_array_mpz_complex& r, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        to.ints.emplace_back(r.data[i].re);
        to.ints.emplace_back(r.data[i].im);
    }
}

template <typename R>
void take(Samples& to, R& r, std::size_t per_vector) {
    const std::size_t count = r.dim_size == 3 && r.dim != nullptr ? r.dim[2] * per_vector : 0;
    append(to, r, std::min(count, zeb_records::readable_elements(r)));
    to.count += count;
}

// One output slot into the record of R.
template <typename R>
zeb_status read_slot_into(zeb_fir_v7_1* model, R& record, Samples& to, unsigned paths) {
    if (zeb_records::shape(record, {paths}) != ZEB_STATUS_OK) throw MexError("zebfir:model", "out of memory");
    zeb_status status = ZEB_STATUS_OK;
    if constexpr (std::is_same<R, zeb_array_real>::value)
        status = zeb_fir_v7_1_data_get_channel(model, &record, nullptr);
    if constexpr (std::is_same<R, zeb_array_complex>::value)
        status = zeb_fir_v7_1_data_get_channel(model, nullptr, &record);
    if constexpr (std::is_same<R, zeb_array_mpz>::value)
        status = zeb_fir_v7_1_data_get_channel_mpz(model, &record, nullptr);
    if constexpr (std::is_same<R, zeb_array_mpz_complex>::value)
        status = zeb_fir_v7_1_data_get_channel_mpz(model, nullptr, &record);
    if (status == ZEB_STATUS_OK && record.data_size != 0) {
        append(to, record, paths);
        to.count = paths;
    }
    return status;
}

}  // namespace

Model::Model(const zeb_fir_v7_1_config& config, std::vector<Message>& messages) : warnings_(messages) {
    model_.reset(zeb_fir_v7_1_create(&config, &Model::on_message, this));
    if (!model_) {
        std::string text;
        for (const auto& [error, message] : calls_) text += (text.empty() ? "" : "\n") + message;
        throw MexError("zebfir:config", text.empty() ? "the model refused the configuration" : text);
    }
    check(ZEB_STATUS_OK);
    coeffs_.assign(config.coeff, config.coeff + static_cast<std::size_t>(config.num_coeffs) * config.coeff_sets);
    check(zeb_fir_v7_1_get_config(model_.get(), &config_));
    config_.coeff = nullptr;
    paths_ = config_.num_paths;
    channels_ = config_.num_channels;
    hilbert_ = config_.filter_type == ZEB_FIR_V7_1_HILBERT;
    integer_mode_ = info().arithmetic != ZEB_FIR_V7_1_ARITHMETIC_DOUBLE;
    patterns_.initial = patterns_.current =
        config_.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ ? config_.init_pattern : ZEB_FIR_V7_1_PATTERN_BASIC;
    zeb_fir_v7_1* m = model_.get();
    if (integer_mode_)
        check(hilbert_ ? zeb_fir_v7_1_set_data_sink_mpz(m, nullptr, sink_mpz_complex_.get())
                       : zeb_fir_v7_1_set_data_sink_mpz(m, sink_mpz_.get(), nullptr));
    else
        check(hilbert_ ? zeb_fir_v7_1_set_data_sink(m, nullptr, sink_complex_.get())
                       : zeb_fir_v7_1_set_data_sink(m, sink_real_.get(), nullptr));
}

void Model::on_message(void* self, int error, const char* text) {
    static_cast<Model*>(self)->calls_.emplace_back(error, text ? text : "");
}

void Model::check(zeb_status status, const char* refused) {
    std::string errors, warnings;
    for (const auto& [error, text] : calls_) {
        std::string& to = error ? errors : warnings;
        to += (to.empty() ? "" : "\n") + text;
        if (!error)
            warnings_.push_back({text.find(" NOTE: ") != std::string::npos ? "zebfir:note" : "zebfir:warning", text});
    }
    calls_.clear();
    if (status != ZEB_STATUS_OK)
        throw MexError("zebfir:model", !errors.empty() ? errors : !warnings.empty() ? warnings : std::string(refused));
}

void Model::take_sink() {
    const std::size_t per_vector = static_cast<std::size_t>(paths_) * channels_;
    if (integer_mode_) {
        if (hilbert_)
            take(pending_, *sink_mpz_complex_, per_vector);
        else
            take(pending_, *sink_mpz_, per_vector);
    } else if (hilbert_) {
        take(pending_, *sink_complex_, per_vector);
    } else {
        take(pending_, *sink_real_, per_vector);
    }
}

void Model::send(const std::vector<double>& values, std::size_t vectors) {
    if (zeb_records::shape(*input_, {paths_, channels_, vectors}) != ZEB_STATUS_OK)
        throw MexError("zebfir:model", "out of memory for the input packet");
    std::copy(values.begin(), values.end(), input_->data);
    check(zeb_fir_v7_1_data_send(model_.get(), input_.get()));
    take_sink();
}

Samples Model::read() {
    if (slots_in_ == 0) send({}, 0);  // delivers what is buffered
    Samples out;
    std::swap(out, pending_);
    return out;
}

void Model::send_slot(const std::vector<double>& values) {
    if (zeb_records::fill_1d(*input_, values.data(), values.size()) != ZEB_STATUS_OK)
        throw MexError("zebfir:model", "out of memory for the input slot");
    check(zeb_fir_v7_1_data_send_channel(model_.get(), input_.get()));
    slots_in_ = (slots_in_ + 1) % channels_;
}

Samples Model::read_slot() {
    Samples out;
    zeb_fir_v7_1* m = model_.get();
    if (integer_mode_)
        check(hilbert_ ? read_slot_into(m, *sink_mpz_complex_, out, paths_)
                       : read_slot_into(m, *sink_mpz_, out, paths_));
    else
        check(hilbert_ ? read_slot_into(m, *sink_complex_, out, paths_) : read_slot_into(m, *sink_real_, out, paths_));
    return out;
}

void Model::packet(const zebtool::PacketCommand& command) {
    try {
        zebtool::send_packet_command(model_.get(), command, patterns_);
    } catch (const zebtool::ToolError& e) {
        check(ZEB_STATUS_ERROR, e.what());  // the model's own text when it sent one
    }
    check(ZEB_STATUS_OK);
    if (command.kind == zebtool::PacketCommand::Kind::Reset) slots_in_ = 0;
}

zeb_fir_v7_1_info Model::info() {
    zeb_fir_v7_1_info info{};
    check(zeb_fir_v7_1_get_info(model_.get(), &info));
    return info;
}

std::vector<double> Model::coefficients(unsigned set) {
    auto record = zebtool::make_record<zeb_array_real>();
    check(zeb_fir_v7_1_get_coefficients(model_.get(), set, record.get()));
    return std::vector<double>(record->data, record->data + zeb_records::readable_elements(*record));
}

std::pair<double, double> Model::group_delay(unsigned set) {
    std::pair<double, double> delay;
    check(zeb_fir_v7_1_get_group_delay(model_.get(), set, &delay.first, &delay.second));
    return delay;
}

zeb_fir_v7_1_wrap_counts Model::wrap_counts() {
    zeb_fir_v7_1_wrap_counts counts{};
    check(zeb_fir_v7_1_get_wrap_counts(model_.get(), &counts));
    return counts;
}

void Model::wrap_counts_by_channel(std::vector<unsigned>& input, std::vector<unsigned>& output) {
    auto in = zebtool::make_record<zeb_array_uint>();
    auto out = zebtool::make_record<zeb_array_uint>();
    check(zeb_fir_v7_1_get_wrap_counts_by_channel(model_.get(), in.get(), out.get()));
    input.assign(in->data, in->data + zeb_records::readable_elements(*in));
    output.assign(out->data, out->data + zeb_records::readable_elements(*out));
}

void Model::clear_wrap_counts() { check(zeb_fir_v7_1_clear_wrap_counts(model_.get())); }

}  // namespace zebmex
