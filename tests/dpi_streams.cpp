// The DPI library end to end: integer inputs in input LSBs (wrapped to the
// data width), outputs read slot by slot as 64-bit integers, decimal text,
// reals and in-phase parts, checked against the reference convolution and
// against one whole-vector read of the library fed the same samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "config_builder.h"
#include "engine_harness.h"
#include "zeb_fir_v7_1_dpi.h"

using namespace harness;

namespace {

struct StreamCase {
    const char* text;
    std::vector<int> owners;  // slot owners of the pattern in force; empty: basic order
    bool over_64_bits;        // some outputs need more than 64 bits
};

const StreamCase kCases[] = {
    // double mode, fractional input and coefficients, rounded output
    {"num_paths=2; num_channels=3; data_width=12; data_fract_width=4\n"
     "coeff=0.75,-1.5,2.25,0.5,-0.25; coeff_width=8; coeff_fract_width=2\n"
     "output_rounding_mode=ROUND_HALF_EVEN; output_width=12", {}, false},
    {"filter_type=INTERPOLATION; interpolation_rate=3; num_channels=2", {}, false},
    {"filter_type=DECIMATION; decimation_rate=2; num_paths=3", {}, false},
    {"chan_seq=ADVANCED_CHAN_SEQ; num_channels=4; init_pattern=3; num_paths=2", {0, 1, 0, 2}, false},
    {"filter_type=HILBERT; coeff=-1,0,-3,0,3,0,1; coeff_padding=1; num_paths=2; num_channels=2; data_fract_width=2",
     {}, false},
    // GMP mode: full precision needs about 99 bits, a rounded output 40
    {"data_width=49; coeff_width=49; coeff=281474976710655,-281474976710656,1234567,-7; num_paths=2", {}, true},
    {"data_width=49; coeff_width=49; coeff=281474976710655,-281474976710656,1234567,-7; num_paths=2\n"
     "output_rounding_mode=ROUND_HALF_UP; output_width=40", {}, false},
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.text; }

struct Dpi {
    void* h;
    explicit Dpi(const char* text) : h(zeb_fir_v7_1_dpi_create(text)) {}
    ~Dpi() { zeb_fir_v7_1_dpi_destroy(h); }
};

class DpiStreams : public testing::TestWithParam<StreamCase> {};

TEST_P(DpiStreams, SlotReadsEqualTheReferenceAndAWholeVectorRead) {
    const StreamCase& c = GetParam();
    zebtool::ConfigBuilder builder;
    builder.load_config_text(c.text, "case");
    const zeb_fir_v7_1_config& cfg = builder.finish();
    const size_t P = cfg.num_paths, C = cfg.num_channels, V = 9;
    const bool hilbert = cfg.filter_type == ZEB_FIR_V7_1_HILBERT;

    // Integers up to 1.5 times the input range: the DPI layer wraps them
    // as the port does, the reference as the model quantises the value.
    std::mt19937_64 gen(P * 1000 + C);
    const long long span = 3LL << (cfg.data_width - 2);
    std::vector<long long> lsbs(P * C * V);
    std::vector<double> values(lsbs.size());
    for (size_t i = 0; i < lsbs.size(); ++i) {
        lsbs[i] = static_cast<long long>(gen() % static_cast<unsigned long long>(2 * span + 1)) - span;
        values[i] = std::ldexp(static_cast<double>(lsbs[i]), -static_cast<int>(cfg.data_fract_width));
    }
    const Expectation e(cfg, c.owners.empty() ? basic_order(C) : c.owners, V, values);
    ASSERT_GT(e.vectors, 0u);

    Model library(cfg);
    Real in = packet(P, C, V, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*library, in.get()), ZEB_STATUS_OK);
    Mpz whole({P, C, e.vectors});
    MpzComplex whole_complex({P, C, e.vectors});
    ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(*library, hilbert ? nullptr : whole.get(),
                                        hilbert ? whole_complex.get() : nullptr), ZEB_STATUS_OK);

    for (const bool by_vector : {false, true}) {
        SCOPED_TRACE(by_vector ? "whole vectors sent" : "single slots sent");
        Dpi dpi(c.text);
        ASSERT_NE(dpi.h, nullptr) << zeb_fir_v7_1_dpi_last_error(nullptr);
        for (size_t v = 0; v < V; ++v) {
            for (size_t s = 0; s < C; ++s) {
                for (size_t p = 0; p < P; ++p) {
                    const long long x = lsbs[p + P * s + P * C * v];
                    const int ip = static_cast<int>(p), is = static_cast<int>(s);
                    ASSERT_EQ(by_vector ? zeb_fir_v7_1_dpi_put_vector_int(dpi.h, ip, is, x)
                                        : zeb_fir_v7_1_dpi_put_int(dpi.h, ip, x), 0);
                }
                if (!by_vector) {
                    ASSERT_EQ(zeb_fir_v7_1_dpi_send_slot(dpi.h), 0) << zeb_fir_v7_1_dpi_last_error(dpi.h);
                }
            }
            if (by_vector) {
                ASSERT_EQ(zeb_fir_v7_1_dpi_send_vector(dpi.h), 0) << zeb_fir_v7_1_dpi_last_error(dpi.h);
            }
        }
        ASSERT_EQ(zeb_fir_v7_1_dpi_ready(dpi.h), static_cast<int>(e.vectors * C));
        bool wide = false;
        for (size_t v = 0; v < e.vectors; ++v) {
            for (size_t s = 0; s < C; ++s) {
                ASSERT_EQ(zeb_fir_v7_1_dpi_next(dpi.h), 0);
                for (size_t p = 0; p < P; ++p) {
                    SCOPED_TRACE(testing::Message() << "path " << p << " slot " << s << " vector " << v);
                    const int ip = static_cast<int>(p);
                    const size_t i = p + P * s + P * C * v;
                    const mpz_class library_out(hilbert ? whole_complex->data[i].im : &whole->data[i]);
                    EXPECT_EQ(library_out, e.out(p, s, v));
                    EXPECT_EQ(zeb_fir_v7_1_dpi_get_text(dpi.h, ip), library_out.get_str());
                    double real = 0;
                    ASSERT_EQ(zeb_fir_v7_1_dpi_get_real(dpi.h, ip, &real), 0);
                    EXPECT_EQ(real, e.real(p, s, v));
                    long long n = 0;
                    if (library_out.fits_slong_p()) {
                        ASSERT_EQ(zeb_fir_v7_1_dpi_get_int(dpi.h, ip, &n), 0);
                        EXPECT_EQ(n, library_out.get_si());
                    } else {
                        wide = true;
                        EXPECT_EQ(zeb_fir_v7_1_dpi_get_int(dpi.h, ip, &n), 1);
                        EXPECT_EQ(std::string(zeb_fir_v7_1_dpi_last_error(dpi.h)),
                                  "zeb_fir_v7_1_dpi_get_int: output of path " + std::to_string(p) +
                                      " needs more than 64 bits: read it with zeb_fir_v7_1_dpi_get_text");
                    }
                    if (hilbert) {
                        ASSERT_EQ(zeb_fir_v7_1_dpi_get_inphase_int(dpi.h, ip, &n), 0);
                        EXPECT_EQ(mpz_class(static_cast<long>(n)), e.in_phase(p, s, v));
                        EXPECT_EQ(mpz_class(static_cast<long>(n)), mpz_class(whole_complex->data[i].re));
                    }
                }
            }
        }
        EXPECT_EQ(wide, c.over_64_bits);
        EXPECT_EQ(zeb_fir_v7_1_dpi_ready(dpi.h), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Configurations, DpiStreams, testing::ValuesIn(kCases));

// Integers count input LSBs modulo 2^data_width, exactly for any 64-bit
// value: the first output of the default filter is 6 times the sample.
TEST(DpiUnits, IntegerInputWrapsToTheDataWidth) {
    Dpi dpi("");
    const long long cases[][2] = {{1, 6},  {65535, -6}, {-65535, 6}, {(1LL << 62) + 1, 6},
                                  {32768, -196608}, {INT64_MIN, 0}, {INT64_MAX, -6}};
    for (const auto& c : cases) {
        long long y = 0;
        ASSERT_EQ(zeb_fir_v7_1_dpi_reset(dpi.h), 0);
        ASSERT_EQ(zeb_fir_v7_1_dpi_put_int(dpi.h, 0, c[0]), 0);
        ASSERT_EQ(zeb_fir_v7_1_dpi_send_slot(dpi.h), 0);
        ASSERT_EQ(zeb_fir_v7_1_dpi_next(dpi.h), 0);
        ASSERT_EQ(zeb_fir_v7_1_dpi_get_int(dpi.h, 0, &y), 0);
        EXPECT_EQ(y, c[1]) << c[0];
    }
}

// Coefficient sets switched and reloaded by packets, and a reset that
// drops what was not taken.
TEST(DpiPackets, ConfigReloadAndResetTakeEffectInTheStream) {
    Dpi dpi("coeff_sets=2; coeff=1,0,0,2,0,0; reloadable=1");
    ASSERT_NE(dpi.h, nullptr) << zeb_fir_v7_1_dpi_last_error(nullptr);
    auto impulse_response = [&dpi]() {
        std::vector<long long> out;
        for (long long x : {1, 0, 0}) {
            EXPECT_EQ(zeb_fir_v7_1_dpi_put_int(dpi.h, 0, x), 0);
            EXPECT_EQ(zeb_fir_v7_1_dpi_send_slot(dpi.h), 0) << zeb_fir_v7_1_dpi_last_error(dpi.h);
        }
        long long y = 0;
        while (zeb_fir_v7_1_dpi_next(dpi.h) == 0 && zeb_fir_v7_1_dpi_get_int(dpi.h, 0, &y) == 0) out.push_back(y);
        return out;
    };
    EXPECT_EQ(impulse_response(), (std::vector<long long>{1, 0, 0}));
    ASSERT_EQ(zeb_fir_v7_1_dpi_send_packet(dpi.h, "config fsel=1"), 0) << zeb_fir_v7_1_dpi_last_error(dpi.h);
    EXPECT_EQ(impulse_response(), (std::vector<long long>{2, 0, 0}));
    ASSERT_EQ(zeb_fir_v7_1_dpi_send_packet(dpi.h, "@reload fsel=0 coeff=0,5,-5"), 0);
    ASSERT_EQ(zeb_fir_v7_1_dpi_send_packet(dpi.h, "config fsel=0"), 0);
    EXPECT_EQ(impulse_response(), (std::vector<long long>{0, 5, -5}));

    ASSERT_EQ(zeb_fir_v7_1_dpi_put_int(dpi.h, 0, 7), 0);
    ASSERT_EQ(zeb_fir_v7_1_dpi_send_slot(dpi.h), 0);
    ASSERT_EQ(zeb_fir_v7_1_dpi_ready(dpi.h), 1);
    ASSERT_EQ(zeb_fir_v7_1_dpi_send_packet(dpi.h, "reset"), 0);
    EXPECT_EQ(zeb_fir_v7_1_dpi_ready(dpi.h), 0);
    EXPECT_EQ(impulse_response(), (std::vector<long long>{0, 5, -5}));  // reloaded sets stay
}

}  // namespace
