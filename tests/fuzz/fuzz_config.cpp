// Fuzz target: configuration records with every field drawn from the
// input, through create (plain or with debug notes), get_config and
// destroy.  A model that is built also takes one packet and gives back what
// it holds, so that the widths and scales it derived are exercised.
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

// Mostly inside [lo, hi], now and then just beyond it or any 32-bit value.
unsigned field(FuzzedDataProvider& in, unsigned lo, unsigned hi) {
    switch (in.ConsumeIntegralInRange<int>(0, 31)) {
        case 0: return in.ConsumeIntegral<unsigned>();
        case 1: return hi + 1;
        default: return in.ConsumeIntegralInRange<unsigned>(lo, hi);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const unsigned kChannels[] = {1, 2, 3, 4, 5, 6, 8, 12, 16, 24, 32, 48, 64, 65, 255, 256, 512, 1024};
    FuzzedDataProvider in(data, size);
    zeb_fir_v7_1_config c;
    FUZZ_CHECK(zeb_fir_v7_1_default_config(&c) == 0);
    const std::string name = in.ConsumeRandomLengthString(12);
    c.name = in.ConsumeIntegralInRange<int>(0, 15) == 0 ? nullptr : name.c_str();
    c.filter_type = static_cast<int>(field(in, 0, 4));
    c.rate_change = static_cast<int>(field(in, 0, 1));
    c.interpolation_rate = field(in, 0, 1024);
    c.decimation_rate = field(in, 0, 1024);
    c.zero_packing_factor = field(in, 0, 8);
    c.reloadable = field(in, 0, 1);
    c.is_halfband = field(in, 0, 1);
    c.quantization = static_cast<int>(field(in, 0, 2));
    c.coeff_width = field(in, 0, 49);
    c.chan_seq = static_cast<int>(field(in, 0, 1));
    c.num_channels = in.ConsumeBool() ? in.PickValueInArray(kChannels) : field(in, 0, 1024);
    c.init_pattern = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 176) : in.ConsumeIntegral<int32_t>();
    c.num_paths = field(in, 0, 16);
    c.data_width = field(in, 0, 49);
    c.data_fract_width = field(in, 0, c.data_width);
    c.output_rounding_mode = static_cast<int>(field(in, 0, 7));
    c.output_width = field(in, 0, 128);
    c.output_fract_width = in.ConsumeIntegral<unsigned>();
    c.config_method = static_cast<int>(field(in, 0, 1));
    c.coeff_fract_width = field(in, 0, 64);
    c.coeff_padding = in.ConsumeBool() ? field(in, 0, 64) : field(in, 0, 65536);
    // The model reads num_coeffs x coeff_sets values: the host must hold them.
    c.num_coeffs = in.ConsumeIntegralInRange<unsigned>(0, 256);
    c.coeff_sets = in.ConsumeIntegralInRange<unsigned>(0, 16);
    std::vector<double> coeff(static_cast<size_t>(c.num_coeffs) * c.coeff_sets);
    const bool finite_only = in.ConsumeIntegralInRange<int>(0, 7) != 0;
    for (double& v : coeff) v = draw_value(in, finite_only);
    c.coeff = in.ConsumeIntegralInRange<int>(0, 31) == 0 ? nullptr : coeff.data();

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
        Shape s;
        s.dim[0] = P;
        s.dim[1] = C;
        s.dim[2] = 4;
        s.dim_size = s.dim_capacity = 2;
        s.data_capacity = s.data_size = P * C;
        Rec<zeb_array_real> packet = build<zeb_array_real>(s);
        for (size_t i = 0; i < P * C; ++i) packet->data[i] = draw_value(in, true);
        checked(zeb_fir_v7_1_data_send(m, packet.get()));
        s.dim_size = s.dim_capacity = 3;
        s.data_capacity = s.data_size = P * C * 4;
        Rec<zeb_array_mpz_complex> out = build<zeb_array_mpz_complex>(s);
        FUZZ_CHECK(zeb_fir_v7_1_data_get_mpz(m, nullptr, out.get()) == 0);
        FUZZ_CHECK(out->data_size <= out->data_capacity);
    }
    FUZZ_CHECK(zeb_fir_v7_1_reset(m) == 0);
    FUZZ_CHECK(zeb_fir_v7_1_destroy(m) == 0);
    return 0;
}
