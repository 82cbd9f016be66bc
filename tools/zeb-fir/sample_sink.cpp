#include "sample_sink.h"

#include <charconv>
#include <string>
#include <utility>

#include "config_text/tool_error.h"

namespace zebtool {

void bus_text(mpz_srcptr v, unsigned width, unsigned radix, mpz_ptr scratch, std::string& text) {
    mpz_fdiv_r_2exp(scratch, v, width);  // the bus shows v modulo 2^width
    text.resize(mpz_sizeinbase(scratch, static_cast<int>(radix)) + 2);
    mpz_get_str(text.data(), static_cast<int>(radix), scratch);  // lowercase digits
    text.resize(std::char_traits<char>::length(text.c_str()));
    const std::size_t digits = radix == 16 ? (width + 3) / 4 : width;
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
}

SampleSink::SampleSink(zeb_fir_v7_1* model, SampleFormat format, bool complex, std::size_t paths, std::size_t channels,
                       std::vector<unsigned> widths)
    : format_(format), widths_(std::move(widths)), complex_(complex), paths_(paths), channels_(channels) {
    zeb_status status = ZEB_STATUS_ERROR;
    if (format == SampleFormat::Real && !complex) {
        real_ = make_record<zeb_array_real>();
        status = zeb_fir_v7_1_set_data_sink(model, real_.get(), nullptr);
    } else if (format == SampleFormat::Real) {
        complex_real_ = make_record<zeb_array_complex>();
        status = zeb_fir_v7_1_set_data_sink(model, nullptr, complex_real_.get());
    } else if (!complex) {
        mpz_ = make_record<zeb_array_mpz>();
        status = zeb_fir_v7_1_set_data_sink_mpz(model, mpz_.get(), nullptr);
    } else {
        complex_mpz_ = make_record<zeb_array_mpz_complex>();
        status = zeb_fir_v7_1_set_data_sink_mpz(model, nullptr, complex_mpz_.get());
    }
    if (status != ZEB_STATUS_OK) throw ToolError("the model refused the output record");
}

std::size_t SampleSink::vectors() const {
    std::size_t size = 0;
    if (real_)
        size = real_->data_size;
    else if (complex_real_)
        size = complex_real_->data_size;
    else if (mpz_)
        size = mpz_->data_size;
    else if (complex_mpz_)
        size = complex_mpz_->data_size;
    const std::size_t per_vector = paths_ * channels_;
    return per_vector == 0 ? 0 : size / per_vector;
}

void SampleSink::put_real(double v, std::string& field) const {
    if (v == 0.0) v = 0.0;  // no "-0": the fixed-point value is plain zero
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);  // shortest text that reads back exactly
    field.assign(text, result.ptr);
}

void SampleSink::put_int(mpz_srcptr v, std::size_t column, std::string& field) {
    if (format_ == SampleFormat::Hex || format_ == SampleFormat::Bin) {
        bus_text(v, widths_[column], format_ == SampleFormat::Hex ? 16 : 2, scratch_.v, field);
        return;
    }
    const std::size_t need = mpz_sizeinbase(v, 10) + 2;
    if (digits_.size() < need) digits_.resize(need);
    mpz_get_str(digits_.data(), 10, v);
    field.assign(digits_.data());
}

void SampleSink::format_slot(std::size_t vector, std::size_t slot, std::vector<std::string>& fields) {
    fields.resize(columns());
    const std::size_t base = (vector * channels_ + slot) * paths_;
    for (std::size_t p = 0; p < paths_; ++p) {
        const std::size_t i = base + p;
        if (real_) {
            put_real(real_->data[i], fields[p]);
        } else if (complex_real_) {
            put_real(complex_real_->data[i].re, fields[2 * p]);
            put_real(complex_real_->data[i].im, fields[2 * p + 1]);
        } else if (mpz_) {
            put_int(&mpz_->data[i], p, fields[p]);
        } else {
            put_int(complex_mpz_->data[i].re, 2 * p, fields[2 * p]);
            put_int(complex_mpz_->data[i].im, 2 * p + 1, fields[2 * p + 1]);
        }
    }
}

}  // namespace zebtool
