// The library called directly, for comparison with the zeb-fir program:
// samples go in one time slot at a time (data_send_channel) and come out
// one time slot at a time (data_get_channel*), a path of the interface the
// program does not use, and the result is cut to whole vectors as the
// program prints them.
#ifndef ZEB_TESTS_TOOL_REFERENCE_H
#define ZEB_TESTS_TOOL_REFERENCE_H

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "zeb_fir_v7_1.h"

namespace tooltest {

using Lines = std::vector<std::vector<std::string>>;  // one entry per output slot, fields as text
using Slots = std::vector<std::vector<double>>;       // one entry per input slot, one value per path

// Called before input vector v is fed (for run-time packets).
using BeforeVector = std::function<void(zeb_fir_v7_1*, std::size_t)>;

inline std::string int_text(mpz_srcptr v)
{
    std::unique_ptr<char, void (*)(void*)> digits(mpz_get_str(nullptr, 10, v), std::free);
    return digits.get();
}

inline std::string real_text(double v)
{
    std::ostringstream text;
    text.precision(17);
    text << v;
    return text.str();
}

// int_format: integers through the mpz reads; complex: re, im per path.
inline Lines reference_output(const zeb_fir_v7_1_config& config, const Slots& slots, bool int_format, bool complex,
                              const BeforeVector& before = nullptr)
{
    Lines lines;
    std::unique_ptr<zeb_fir_v7_1, zeb_status (*)(zeb_fir_v7_1*)> model(zeb_fir_v7_1_create(&config, nullptr, nullptr),
                                                                      zeb_fir_v7_1_destroy);
    if (!model) {
        ADD_FAILURE() << "the reference model was refused";
        return lines;
    }
    const std::size_t paths = config.num_paths;
    const std::size_t channels = config.num_channels;
    auto in = std::unique_ptr<zeb_array_real, zeb_array_real* (*)(zeb_array_real*)>(
        zeb_fir_v7_1_zeb_array_real_create(), zeb_fir_v7_1_zeb_array_real_destroy);
    auto real = std::unique_ptr<zeb_array_real, zeb_array_real* (*)(zeb_array_real*)>(
        zeb_fir_v7_1_zeb_array_real_create(), zeb_fir_v7_1_zeb_array_real_destroy);
    auto cplx = std::unique_ptr<zeb_array_complex, zeb_array_complex* (*)(zeb_array_complex*)>(
        zeb_fir_v7_1_zeb_array_complex_create(), zeb_fir_v7_1_zeb_array_complex_destroy);
    auto mpz = std::unique_ptr<zeb_array_mpz, zeb_array_mpz* (*)(zeb_array_mpz*)>(
        zeb_fir_v7_1_zeb_array_mpz_create(), zeb_fir_v7_1_zeb_array_mpz_destroy);
    auto mpzc = std::unique_ptr<zeb_array_mpz_complex, zeb_array_mpz_complex* (*)(zeb_array_mpz_complex*)>(
        zeb_fir_v7_1_zeb_array_mpz_complex_create(), zeb_fir_v7_1_zeb_array_mpz_complex_destroy);
    zeb_fir_v7_1_zeb_array_real_reserve_dim(in.get(), 1);
    zeb_fir_v7_1_zeb_array_real_reserve_data(in.get(), paths);
    in->dim_size = 1;
    in->dim[0] = paths;
    in->data_size = paths;
    zeb_fir_v7_1_zeb_array_real_reserve_dim(real.get(), 1);
    zeb_fir_v7_1_zeb_array_real_reserve_data(real.get(), paths);
    zeb_fir_v7_1_zeb_array_complex_reserve_dim(cplx.get(), 1);
    zeb_fir_v7_1_zeb_array_complex_reserve_data(cplx.get(), paths);
    zeb_fir_v7_1_zeb_array_mpz_reserve_dim(mpz.get(), 1);
    zeb_fir_v7_1_zeb_array_mpz_reserve_data(mpz.get(), paths);
    zeb_fir_v7_1_zeb_array_mpz_complex_reserve_dim(mpzc.get(), 1);
    zeb_fir_v7_1_zeb_array_mpz_complex_reserve_data(mpzc.get(), paths);
    for (auto* dims : {real->dim, cplx->dim, mpz->dim, mpzc->dim})
        dims[0] = paths;
    real->dim_size = cplx->dim_size = mpz->dim_size = mpzc->dim_size = 1;

    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (before && i % channels == 0)
            before(model.get(), i / channels);
        for (std::size_t p = 0; p < paths; ++p)
            in->data[p] = slots[i][p];
        EXPECT_EQ(zeb_fir_v7_1_data_send_channel(model.get(), in.get()), ZEB_STATUS_OK);
        for (;;) {
            std::vector<std::string> line;
            if (int_format && complex) {
                zeb_fir_v7_1_data_get_channel_mpz(model.get(), nullptr, mpzc.get());
                for (std::size_t p = 0; p < mpzc->data_size; ++p) {
                    line.push_back(int_text(mpzc->data[p].re));
                    line.push_back(int_text(mpzc->data[p].im));
                }
            } else if (int_format) {
                zeb_fir_v7_1_data_get_channel_mpz(model.get(), mpz.get(), nullptr);
                for (std::size_t p = 0; p < mpz->data_size; ++p)
                    line.push_back(int_text(&mpz->data[p]));
            } else if (complex) {
                zeb_fir_v7_1_data_get_channel(model.get(), nullptr, cplx.get());
                for (std::size_t p = 0; p < cplx->data_size; ++p) {
                    line.push_back(real_text(cplx->data[p].re));
                    line.push_back(real_text(cplx->data[p].im));
                }
            } else {
                zeb_fir_v7_1_data_get_channel(model.get(), real.get(), nullptr);
                for (std::size_t p = 0; p < real->data_size; ++p)
                    line.push_back(real_text(real->data[p]));
            }
            if (line.empty())
                break;
            lines.push_back(line);
        }
    }
    lines.resize(lines.size() - lines.size() % channels);
    return lines;
}

// Fields of the program's data lines.
inline Lines split_lines(const std::vector<std::string>& text_lines)
{
    Lines lines;
    for (const std::string& text : text_lines) {
        std::istringstream in(text);
        std::vector<std::string> fields;
        std::string field;
        while (in >> field)
            fields.push_back(field);
        lines.push_back(fields);
    }
    return lines;
}

// Same numbers, line by line: real fields compared as doubles (both sides
// print enough digits to read back exactly), integer fields as text.
inline void expect_same_numbers(const Lines& got, const Lines& expected, bool int_format)
{
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].size(), expected[i].size()) << "line " << i;
        for (std::size_t k = 0; k < got[i].size(); ++k) {
            if (int_format)
                ASSERT_EQ(got[i][k], expected[i][k]) << "line " << i << " field " << k;
            else
                ASSERT_EQ(std::strtod(got[i][k].c_str(), nullptr), std::strtod(expected[i][k].c_str(), nullptr))
                    << "line " << i << " field " << k;
        }
    }
}

// Stimulus text of the slots, one line per slot.
inline std::string stimulus_text(const Slots& slots)
{
    std::ostringstream text;
    text.precision(17);
    for (const auto& slot : slots) {
        for (std::size_t p = 0; p < slot.size(); ++p)
            text << (p ? " " : "") << slot[p];
        text << "\n";
    }
    return text.str();
}

}  // namespace tooltest

#endif
