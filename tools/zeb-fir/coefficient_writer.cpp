#include "coefficient_writer.h"

#include <charconv>
#include <cmath>

#include "config_text/c_records.h"
#include "config_text/packet_commands.h"
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

void write_coefficients(const zeb_fir_v7_1_config& record, SampleFormat format, const std::string& path) {
    zeb_fir_v7_1_config twin;
    zeb_fir_v7_1_default_config(&twin);
    twin.name = "zeb-fir coefficients";
    twin.quantization = record.quantization;
    twin.coeff_width = record.coeff_width;
    twin.coeff_fract_width = record.coeff_fract_width;
    twin.coeff = record.coeff;
    twin.num_coeffs = record.num_coeffs;
    twin.coeff_sets = record.coeff_sets;
    twin.data_width = 2;
    const ModelHandle model(zeb_fir_v7_1_create(&twin, nullptr, nullptr));
    if (!model) throw ToolError("cannot read the quantised coefficients: the model refused their single-rate twin");
    auto sink = make_record<zeb_array_mpz>();
    if (zeb_fir_v7_1_set_data_sink_mpz(model.get(), sink.get(), nullptr) != ZEB_STATUS_OK)
        throw ToolError("the model refused the output record");

    // A one-LSB impulse followed by zeros: num_coeffs output samples.
    const std::size_t n = record.num_coeffs;
    auto impulse = make_record<zeb_array_real>();
    if (zeb_records::shape(*impulse, {1, 1, n}) != ZEB_STATUS_OK)
        throw ToolError("out of memory reserving the coefficient impulse");
    for (std::size_t k = 0; k < n; ++k) impulse->data[k] = k == 0 ? 1.0 : 0.0;

    OutputFile out(path, "coefficient file");
    PatternMemory patterns;
    MpzValue scratch;
    std::string text;
    for (unsigned s = 0; s < record.coeff_sets; ++s) {
        if (s != 0) {
            PacketCommand select;
            select.kind = PacketCommand::Kind::Reset;
            send_packet_command(model.get(), select, patterns);
            select.kind = PacketCommand::Kind::Config;
            select.fsel = {s};
            send_packet_command(model.get(), select, patterns);
        }
        if (zeb_fir_v7_1_data_send(model.get(), impulse.get()) != ZEB_STATUS_OK || sink->data_size != n)
            throw ToolError("cannot read the quantised coefficients of set " + std::to_string(s));
        for (std::size_t k = 0; k < n; ++k) {
            value_text(&sink->data[k], record, format, scratch.v, text);
            out.write_line(text, true);
        }
    }
    out.commit();
}

}  // namespace zebtool
