#include "coefficient_writer.h"

#include <charconv>
#include <cmath>

#include "config_text/c_records.h"
#include "config_text/tool_error.h"
#include "output_file.h"
#include "sample_sink.h"

namespace zebtool {

namespace {

void value_text(mpz_srcptr v, const zeb_fir_v7_1_config& record, SampleFormat format, mpz_ptr scratch,
                std::string& text) {
    switch (format) {
        case SampleFormat::Real: {
            double x = std::ldexp(mpz_get_d(v), -static_cast<int>(record.coeff_fract_width));
            if (x == 0.0) x = 0.0;
            char digits[32];
            const auto result = std::to_chars(digits, digits + sizeof digits, x);
            text.assign(digits, result.ptr);
            break;
        }
        case SampleFormat::Int:
            text.resize(mpz_sizeinbase(v, 10) + 2);
            mpz_get_str(text.data(), 10, v);
            text.resize(std::char_traits<char>::length(text.c_str()));
            break;
        default: bus_text(v, record.coeff_width, format == SampleFormat::Hex ? 16 : 2, scratch, text); break;
    }
}

}  // namespace

void write_coefficients(const ModelSession& model, SampleFormat format, const std::string& path) {
    const zeb_fir_v7_1_config& record = model.config();
    auto set = make_record<zeb_array_real>();
    OutputFile out(path, "coefficient file");
    MpzValue value;
    MpzValue scratch;
    std::string text;
    for (unsigned s = 0; s < record.coeff_sets; ++s) {
        if (zeb_fir_v7_1_get_coefficients(model.handle(), s, set.get()) != ZEB_STATUS_OK)
            throw ToolError("cannot read the quantised coefficients of set " + std::to_string(s));
        for (std::size_t k = 0; k < set->data_size; ++k) {
            mpz_set_d(value.v, set->data[k]);
            value_text(value.v, record, format, scratch.v, text);
            out.write_line(text, true);
        }
    }
    out.commit();
}

}  // namespace zebtool
