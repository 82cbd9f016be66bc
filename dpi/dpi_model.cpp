#include "dpi_model.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "config_text/config_fields.h"
#include "config_text/tool_error.h"
#include "zeb_fir_v7_1_inspect.h"
#include "zeb_fir_v7_1_slots.h"

namespace zebdpi {

namespace {

// A new record of the lengths dims, data_size their product.
template <typename R>
zeb_records::Owned<R> shaped(std::initializer_list<std::size_t> dims) {
    zeb_records::Owned<R> record = zebtool::make_record<R>();
    if (zeb_records::shape(*record, dims) != ZEB_STATUS_OK) throw DpiError("out of memory for a sample record");
    return record;
}

// Swapped, not copied: the record is the model's own scratch, and the next
// read assigns every element it delivers.
void store(mpz_class* slot, std::size_t paths, zeb_array_mpz& record) {
    for (std::size_t p = 0; p < paths; ++p) mpz_swap(slot[p].get_mpz_t(), &record.data[p]);
}

void store(mpz_class* slot, std::size_t paths, zeb_array_mpz_complex& record) {
    for (std::size_t p = 0; p < paths; ++p) {
        mpz_swap(slot[p].get_mpz_t(), record.data[p].im);
        mpz_swap(slot[paths + p].get_mpz_t(), record.data[p].re);
    }
}

}  // namespace

DpiModel::DpiModel(const zeb_fir_v7_1_config& config)
    : model_(zeb_fir_v7_1_create(&config, &DpiModel::on_message, this)) {
    if (!model_) throw DpiError(call_message_.empty() ? "the model refused the configuration" : call_message_);
    check(zeb_fir_v7_1_get_config(model_.get(), &config_), "reading the configuration back");
    config_.name = nullptr;  // points into the model; never read here
    hilbert_ = config_.filter_type == ZEB_FIR_V7_1_HILBERT;
    paths_ = config_.num_paths;
    channels_ = config_.num_channels;
    patterns_.initial = patterns_.current = config_.init_pattern;

    slot_in_ = shaped<zeb_array_real>({paths_});
    vector_in_ = shaped<zeb_array_real>({paths_, channels_});
    clear_inputs();

    // After every send each output slot the model can deliver is read at
    // once, slot by slot, so that a slot is ready as soon as it exists.
    zeb_fir_v7_1_info info{};
    check(zeb_fir_v7_1_get_info(model_.get(), &info), "the info read");
    reals_ = !hilbert_ && info.arithmetic == 0;
    integer_scale_ = std::ldexp(1.0, static_cast<int>(config_.output_fract_width));
    if (hilbert_)
        slot_out_complex_ = shaped<zeb_array_mpz_complex>({paths_});
    else if (!reals_)
        slot_out_ = shaped<zeb_array_mpz>({paths_});
    slots_.set_width(hilbert_ ? 2 * paths_ : paths_);
    real_slots_.set_width(paths_);
    current_real_.assign(paths_, 0.0);
}

void DpiModel::on_message(void* self, int /*error*/, const char* text) {
    auto* model = static_cast<DpiModel*>(self);
    model->last_message_ = text ? text : "";
    model->call_message_ = model->last_message_;
}

void DpiModel::refused(const char* what) const {
    throw DpiError(call_message_.empty() ? std::string("the model refused ") + what : call_message_);
}

void DpiModel::check_path(int path) const {
    if (path < 0 || static_cast<std::size_t>(path) >= paths_)
        throw DpiError("path " + std::to_string(path) + " out of range: num_paths is " + std::to_string(paths_));
}

void DpiModel::clear_inputs() {
    std::fill(slot_in_->data, slot_in_->data + slot_in_->data_size, 0.0);
    std::fill(vector_in_->data, vector_in_->data + vector_in_->data_size, 0.0);
}

void DpiModel::reset() {
    call_message_.clear();
    check(zeb_fir_v7_1_reset(model_.get()), "the reset");
    slots_.clear();
    real_slots_.clear();
    have_current_ = false;
    patterns_.current = patterns_.initial;
    clear_inputs();
}

long long DpiModel::field(std::string_view name) const {
    const zebtool::FieldInfo* info = zebtool::find_config_field(name);
    if (!info) throw DpiError("unknown configuration field '" + std::string(name) + "'");
    if (info->uint_member) return config_.*info->uint_member;
    if (info->int_member) return config_.*info->int_member;
    throw DpiError("field '" + std::string(name) + "' is not a number");
}

double DpiModel::sample_of(long long lsbs) const {
    // Two's complement wrap to the port width, as the hardware port sees it;
    // data_width is at most 49 bits, so the result is exact in a double.
    const unsigned int width = config_.data_width;
    if (width == 0 || width > 62) throw DpiError("data_width " + std::to_string(width) + " cannot take integer input");
    const unsigned long long mask = (1ULL << width) - 1;
    const unsigned long long bits = static_cast<unsigned long long>(lsbs) & mask;
    const long long value = (bits >> (width - 1)) != 0 ? static_cast<long long>(bits) - static_cast<long long>(mask) - 1
                                                       : static_cast<long long>(bits);
    return std::ldexp(static_cast<double>(value), -static_cast<int>(config_.data_fract_width));
}

void DpiModel::put_slot(int path, double sample) {
    check_path(path);
    slot_in_->data[path] = sample;
}

void DpiModel::put_vector(int path, int slot, double sample) {
    check_path(path);
    if (slot < 0 || static_cast<std::size_t>(slot) >= channels_)
        throw DpiError("slot " + std::to_string(slot) + " out of range: num_channels is " + std::to_string(channels_));
    vector_in_->data[static_cast<std::size_t>(slot) * paths_ + static_cast<std::size_t>(path)] = sample;
}

void DpiModel::send_slot() {
    call_message_.clear();
    const zeb_status status = zeb_fir_v7_1_data_send_channel(model_.get(), slot_in_.get());
    // One path, the usual model, without a call to fill.
    if (paths_ == 1) {
        slot_in_->data[0] = 0.0;
    } else {
        std::fill(slot_in_->data, slot_in_->data + paths_, 0.0);
    }
    check(status, "the input slot");
    collect_slots();
}

void DpiModel::send_vector() {
    call_message_.clear();
    const zeb_status status = zeb_fir_v7_1_data_send(model_.get(), vector_in_.get());
    std::fill(vector_in_->data, vector_in_->data + paths_ * channels_, 0.0);
    check(status, "the input vector");
    collect_slots();
}

void DpiModel::collect_slots() {
    if (reals_) {
        // Straight into the store, as many as it has room for in one piece
        // per call, until a call finds none left.  Slots read are kept even
        // when the call then fails.
        for (;;) {
            std::size_t room = 0;
            std::size_t read = 0;
            double* values = real_slots_.back_room(&room);
            const zeb_status status = zeb_fir_v7_1_data_get_channels(model_.get(), values, room, &read);
            real_slots_.keep_back(read);
            check(status, "a slot read");
            if (read < room) return;
        }
    }
    for (;;) {
        if (hilbert_) {
            check(zeb_fir_v7_1_data_get_channel_mpz(model_.get(), nullptr, slot_out_complex_.get()), "a slot read");
            if (slot_out_complex_->data_size == 0) return;
            store(slots_.push_back(), paths_, *slot_out_complex_);
        } else {
            check(zeb_fir_v7_1_data_get_channel_mpz(model_.get(), slot_out_.get(), nullptr), "a slot read");
            if (slot_out_->data_size == 0) return;
            store(slots_.push_back(), paths_, *slot_out_);
        }
    }
}

void DpiModel::send_packet(std::string_view command) {
    if (!command.empty() && command.front() == '@') command.remove_prefix(1);
    const zebtool::PacketCommand packet = zebtool::parse_packet_command(command);
    if (packet.kind == zebtool::PacketCommand::Kind::Reset) {
        reset();
        return;
    }
    call_message_.clear();
    try {
        zebtool::send_packet_command(model_.get(), packet, patterns_);
    } catch (const zebtool::ToolError& e) {
        // The model's own reason says more than "refused".
        throw DpiError(call_message_.empty() ? e.what() : call_message_);
    }
    call_message_.clear();
}

void DpiModel::next() {
    if (ready() == 0) throw DpiError("no output slot is ready");
    if (reals_) {
        // Copied, not swapped: doubles own nothing, and one path needs no loop.
        const double* slot = real_slots_.front();
        if (paths_ == 1) {
            current_real_[0] = slot[0];
        } else {
            std::copy(slot, slot + paths_, current_real_.begin());
        }
        real_slots_.drop_front();
        current_exact_ = false;
    } else {
        slots_.pop_front(current_);
    }
    have_current_ = true;
}

const mpz_class& DpiModel::output(int path) const {
    check_current(path);
    if (reals_ && !current_exact_) {
        // As the library's integer read: the rounded value times 2^output_fract_width.
        current_.resize(paths_);
        for (std::size_t p = 0; p < paths_; ++p) mpz_set_d(current_[p].get_mpz_t(), current_real_[p] * integer_scale_);
        current_exact_ = true;
    }
    return current_[static_cast<std::size_t>(path)];
}

long long DpiModel::output_int64(int path) const {
    if (reals_) {
        check_current(path);
        // At most 53 bits: exact, and what the integer above would give.
        return static_cast<long long>(current_real_[static_cast<std::size_t>(path)] * integer_scale_);
    }
    const mpz_class& v = output(path);
    if (!mpz_fits_slong_p(v.get_mpz_t()))
        throw DpiError("output of path " + std::to_string(path) +
                       " needs more than 64 bits: read it with zeb_fir_v7_1_dpi_get_text");
    return mpz_get_si(v.get_mpz_t());
}

void DpiModel::check_current(int path) const {
    check_path(path);
    if (!have_current_) throw DpiError("no output slot taken: call zeb_fir_v7_1_dpi_next first");
}

const mpz_class& DpiModel::inphase(int path) const {
    if (!hilbert_) throw DpiError("only a Hilbert filter has an in-phase output");
    output(path);
    return current_[paths_ + static_cast<std::size_t>(path)];
}

double DpiModel::output_real(int path) const {
    if (reals_) {
        check_current(path);
        return current_real_[static_cast<std::size_t>(path)];  // the library's real read itself
    }
    // As the library's real read: the integer as a double, over 2^output_fract_width.
    return std::ldexp(mpz_get_d(output(path).get_mpz_t()), -static_cast<int>(config_.output_fract_width));
}

const char* DpiModel::output_text(int path) {
    const mpz_class& value = output(path);
    text_.resize(mpz_sizeinbase(value.get_mpz_t(), 10) + 2);
    mpz_get_str(&text_[0], 10, value.get_mpz_t());
    text_.resize(std::char_traits<char>::length(text_.c_str()));
    return text_.c_str();
}

}  // namespace zebdpi
