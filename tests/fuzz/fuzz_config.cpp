// Fuzz target: configuration records with every field drawn from the input,
// hostile values included, through create (plain or with debug notes),
// get_config and destroy.  A model that is built also takes one packet and
// gives back what it holds, so that the widths and scales it derived are
// exercised.
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string name = in.ConsumeRandomLengthString(12);
    zeb_fir_v7_1_config c;
    std::vector<double> coeff;
    draw_config(in, c, coeff, true);
    c.name = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : name.c_str();

    // Keeps one input fast: the kernels of every path and channel hold the
    // padded taps, which the model bounds at 2^22 in all; larger banks are
    // left to its refusal, those just below it skipped.
    const uint64_t P = c.num_paths, C = c.num_channels;
    const uint64_t packing = c.filter_type == ZEB_FIR_V7_1_INTERPOLATED ? c.zero_packing_factor : 1;
    const uint64_t bank = P * C * (uint64_t{c.num_coeffs} + c.coeff_padding) * packing;
    if (bank > (1u << 18) && bank <= (1u << 22)) return 0;

    zeb_fir_v7_1* m = in.ConsumeBool() ? zeb_fir_v7_1_create(&c, fuzz_message, nullptr)
                                       : zeb_fir_v7_1_create_dbg(&c, fuzz_message, nullptr, fuzz_message, nullptr);
    if (m == nullptr) return 0;
    zeb_fir_v7_1_config got;
    FUZZ_CHECK(zeb_fir_v7_1_get_config(m, &got) == 0 && zeb_fir_v7_1_get_config(m, nullptr) == 1);
    FUZZ_CHECK(got.name != nullptr && std::strcmp(got.name, name.c_str()) == 0 && got.coeff == nullptr);
    FUZZ_CHECK(got.num_paths == c.num_paths && got.num_channels == c.num_channels);
    if (P * C * (got.interpolation_rate + 1) <= (1u << 14)) {
        Rec<zeb_array_real> packet = build<zeb_array_real>(Shape{{P, C}, 2, 2, P * C, P * C});
        for (size_t i = 0; i < P * C; ++i) packet->data[i] = draw_value(in, true);
        checked(zeb_fir_v7_1_data_send(m, packet.get()));
        Rec<zeb_array_mpz_complex> out = build<zeb_array_mpz_complex>(Shape{{P, C, 4}, 3, 3, P * C * 4, P * C * 4});
        FUZZ_CHECK(zeb_fir_v7_1_data_get_mpz(m, nullptr, out.get()) == 0 && out->data_size <= out->data_capacity);
    }
    FUZZ_CHECK(zeb_fir_v7_1_reset(m) == 0 && zeb_fir_v7_1_destroy(m) == 0);
    return 0;
}
