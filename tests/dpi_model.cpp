// The DPI library as a simulator loads it: integer inputs in input LSBs
// (wrapped to the data width), outputs read slot by slot as 64-bit integers,
// decimal text, reals and in-phase parts, checked against the reference
// convolution and a whole-vector read of the library; packets; and every
// refusal with its status and error text.
#include <cstdio>
#include <fstream>

#include "config_builder.h"
#include "host.h"
#include "zeb_fir_v7_1_dpi.h"

using namespace host;

namespace {

struct Dpi {
    void* h;
    explicit Dpi(const char* text) : h(zeb_fir_v7_1_dpi_create(text)) {}
    ~Dpi() {
        if (h != nullptr) zeb_fir_v7_1_dpi_destroy(h);
    }
};

const char* why(void* h) { return zeb_fir_v7_1_dpi_last_error(h); }

class DpiStreams : public testing::TestWithParam<const char*> {};

TEST_P(DpiStreams, SlotReadsEqualTheReferenceAndAWholeVectorRead) {
    zebtool::ConfigBuilder builder;
    builder.load_config_text(GetParam(), "case");
    const zeb_fir_v7_1_config& cfg = builder.finish();
    const size_t P = cfg.num_paths, C = cfg.num_channels, V = 9;
    const bool hilbert = cfg.filter_type == ZEB_FIR_V7_1_HILBERT;
    // Integers up to 1.5 times the input range: the DPI layer wraps them as
    // the port does, the reference as the model quantises the value.
    std::vector<double> values = Stimulus(P * 1000 + C).samples(P * C * V, cfg.data_width - 1, 0);
    std::vector<long long> lsbs;
    for (double& x : values) lsbs.push_back(std::floor(x)), x = std::ldexp(std::floor(x), -int(cfg.data_fract_width));
    const Expectation e(cfg, cfg.chan_seq ? std::vector<int>{0, 1, 0, 2} : basic_order(C), V, values);
    Model library(cfg);
    MpzComplex whole({P, C, e.vectors});  // (delayed input, output) for a Hilbert filter, else (output, 0)
    ASSERT_EQ(zeb_fir_v7_1_data_send(*library, packet(P, C, V, values).get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(*library, nullptr, whole.get()), ZEB_STATUS_OK);
    for (const bool by_vector : {false, true}) {
        Dpi dpi(GetParam());
        long long n = 0;
        ASSERT_EQ(zeb_fir_v7_1_dpi_get_field(dpi.h, "output_width", &n), 0) << zeb_fir_v7_1_dpi_last_error(nullptr);
        EXPECT_EQ(n, library.config().output_width);
        for (size_t i = 0; i < lsbs.size(); ++i) {  // a send after each slot or each vector
            const int p = int(i % P), s = int(i / P % C), send = p + 1 == int(P) && (!by_vector || s + 1 == int(C));
            ASSERT_FALSE((by_vector ? zeb_fir_v7_1_dpi_put_vector_int(dpi.h, p, s, lsbs[i])
                                    : zeb_fir_v7_1_dpi_put_int(dpi.h, p, lsbs[i])) ||
                         (send && (by_vector ? zeb_fir_v7_1_dpi_send_vector : zeb_fir_v7_1_dpi_send_slot)(dpi.h)))
                << why(dpi.h);
        }
        ASSERT_EQ(zeb_fir_v7_1_dpi_ready(dpi.h), int(e.vectors * C));
        for (size_t i = 0; i < e.vectors * C * P; ++i) {
            const size_t p = i % P, s = i / P % C, v = i / (P * C);
            SCOPED_TRACE(testing::Message() << "by vector " << by_vector << ", (path, slot, vector) " << p << s << v);
            ASSERT_FALSE(p == 0 && zeb_fir_v7_1_dpi_next(dpi.h));
            const mpz_class out(hilbert ? whole->data[i].im : whole->data[i].re);
            double real = 0;
            EXPECT_EQ(out, e.out(p, s, v));
            EXPECT_EQ(zeb_fir_v7_1_dpi_get_text(dpi.h, int(p)), out.get_str());
            ASSERT_EQ(zeb_fir_v7_1_dpi_get_real(dpi.h, int(p), &real), 0);
            EXPECT_EQ(real, e.real(p, s, v));
            EXPECT_EQ(zeb_fir_v7_1_dpi_get_int(dpi.h, int(p), &n), out.fits_slong_p() ? 0 : 1);
            EXPECT_EQ(out.fits_slong_p() ? std::to_string(n) : why(dpi.h),
                      out.fits_slong_p() ? out.get_str()
                                         : "zeb_fir_v7_1_dpi_get_int: output of path " + std::to_string(p) +
                                               " needs more than 64 bits: read it with zeb_fir_v7_1_dpi_get_text");
            if (!hilbert) continue;
            ASSERT_EQ(zeb_fir_v7_1_dpi_get_inphase_int(dpi.h, int(p), &n), 0);
            EXPECT_EQ(mpz_class(static_cast<long>(n)), mpz_class(whole->data[i].re));
        }
        EXPECT_EQ(zeb_fir_v7_1_dpi_ready(dpi.h), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Configurations, DpiStreams, testing::Values(
    // double mode, fractional input and coefficients, rounded output
    "num_paths=2; num_channels=3; data_width=12; data_fract_width=4; coeff=0.75,-1.5,2.25,0.5,-0.25; coeff_width=8\n"
    "coeff_fract_width=2; output_rounding_mode=ROUND_HALF_EVEN; output_width=12",
    "filter_type=INTERPOLATION; interpolation_rate=3; num_channels=2",
    "filter_type = decimation ;decimation_rate= 2; num_paths=3",
    "chan_seq=ADVANCED_CHAN_SEQ; num_channels=4; init_pattern=3; num_paths=2",  // slot owners 0 1 0 2
    "filter_type=HILBERT; coeff=-1,0,-3,0,3,0,1; coeff_padding=1; num_paths=2; num_channels=2; data_fract_width=2",
    // GMP mode: full precision needs about 99 bits, a rounded output 40
    "data_width=49; coeff_width=49; coeff=281474976710655,-281474976710656,1234567,-7; num_paths=2",
    "data_width=49; coeff_width=49; coeff=281474976710655,-281474976710656,1234567,-7; num_paths=2\n"
    "output_rounding_mode=ROUND_HALF_UP; output_width=40"));

// Coefficient sets switched and reloaded by packets; each step starts with a
// reset, which drops the output of the 7 left by the step before and keeps
// reloaded sets.  The impulses count input LSBs modulo 2^16, exactly for any
// 64-bit value.
TEST(DpiPackets, ConfigReloadAndResetTakeEffectInTheStream) {
    Dpi dpi("coeff_sets=2; coeff=1,0,0,2,0,0; reloadable=1");
    const std::tuple<std::vector<const char*>, long long, std::vector<long long>> steps[] = {  // packets, impulse, out
        {{"reset"}, 32768, {-32768, 0, 0}},
        {{"@reset", "config fsel=1"}, INT64_MIN + 1, {2, 0, 0}},
        {{"reset", "@reload fsel=0 coeff=0,5,-5", "config fsel=0"}, (1LL << 62) + 1, {0, 5, -5}},
        {{"reset"}, INT64_MAX, {0, -5, 5}}};
    for (const auto& [packets, impulse, response] : steps) {
        for (const char* p : packets) EXPECT_EQ(zeb_fir_v7_1_dpi_send_packet(dpi.h, p), 0) << why(dpi.h);
        std::vector<long long> out;
        for (long long x : {impulse, 0LL, 0LL, 7LL})
            ASSERT_FALSE(zeb_fir_v7_1_dpi_put_int(dpi.h, 0, x) || zeb_fir_v7_1_dpi_send_slot(dpi.h));
        for (long long y; out.size() < 3 && !zeb_fir_v7_1_dpi_next(dpi.h) && !zeb_fir_v7_1_dpi_get_int(dpi.h, 0, &y);)
            out.push_back(y);
        EXPECT_EQ(out, response);
    }
}

// Calls in order, most on a model of 2 paths and 2 channels read from a file:
// each fails with status 1 and exactly this error text (after the library's
// prefix), of the model or (orphan) of no model.
TEST(DpiRefusals, BadInputGivesAStatusAndTheReason) {
    const std::string path = testing::TempDir() + "dpi_refusals.cfg";
    std::ofstream(path) << "num_paths=2\r\n# a comment; num_channels=5\n\nnum_channels=2 # two\n";
    void* h = zeb_fir_v7_1_dpi_create_from_file(path.c_str());
    std::remove(path.c_str());
    ASSERT_NE(h, nullptr) << zeb_fir_v7_1_dpi_last_error(nullptr);
    void* stale = zeb_fir_v7_1_dpi_create("");
    ASSERT_EQ(zeb_fir_v7_1_dpi_destroy(stale), 0);
    Dpi fresh("");  // may live where stale did
    ASSERT_NE(fresh.h, stale);
    long long n = 0;
    const std::string unreadable = "create_from_file: cannot read configuration file '" + path + "'";
    const std::pair<std::function<int()>, std::string> refusals[] = {  // call, error
        {[] { return !Dpi(nullptr).h; }, "create: configuration text is null"},
        {[] { return !Dpi("filter_type").h; }, "create: configuration text:1: expected FIELD=VALUE, got 'filter_type'"},
        {[] { return !Dpi("num_paths=1\nspeed=3").h; }, "create: configuration text:2: "
         "unknown configuration field 'speed' (zeb-fir --list-fields shows them all)"},
        {[] { return !Dpi("num_coeffs=4; coeff=1,2,3").h; },
         "create: num_coeffs x coeff_sets = 4 x 1 = 4 coefficient values expected, 3 given"},
        {[] { return !Dpi("num_paths=0").h; }, "create: Invalid number of paths"},
        {[&] { return !zeb_fir_v7_1_dpi_create_from_file(path.c_str()); }, unreadable},
        {[&] { return !zeb_fir_v7_1_dpi_create_from_file(nullptr); },
         "create_from_file: configuration file name is null"},
        {[&] { return zeb_fir_v7_1_dpi_destroy(stale); }, "destroy: unknown handle"},
        {[&] { return 1 + int(std::string(zeb_fir_v7_1_dpi_get_text(stale, 0)).size()); }, "get_text: unknown handle"},
        {[&] { return zeb_fir_v7_1_dpi_put_int(h, 2, 0); }, "put_int: path 2 out of range: num_paths is 2"},
        {[&] { return zeb_fir_v7_1_dpi_put_vector_int(h, 0, 2, 0); },
         "put_vector_int: slot 2 out of range: num_channels is 2"},
        {[&] { return zeb_fir_v7_1_dpi_next(h); }, "next: no output slot is ready"},
        {[&] { return zeb_fir_v7_1_dpi_get_int(h, 0, &n); },
         "get_int: no output slot taken: call zeb_fir_v7_1_dpi_next first"},
        {[&] { return zeb_fir_v7_1_dpi_get_inphase_int(h, 0, &n); },
         "get_inphase_int: only a Hilbert filter has an in-phase output"},
        {[&] { return zeb_fir_v7_1_dpi_get_real(h, 0, nullptr); }, "get_real: null value pointer"},
        {[&] { return zeb_fir_v7_1_dpi_get_field(h, "name", &n); }, "get_field: field 'name' is not a number"},
        {[&] { return zeb_fir_v7_1_dpi_get_field(h, "speed", &n); }, "get_field: unknown configuration field 'speed'"},
        {[&] { return zeb_fir_v7_1_dpi_send_packet(h, "jump"); },
         "send_packet: unknown command '@jump': expected @config, @reload or @reset"},
        {[&] { return zeb_fir_v7_1_dpi_send_packet(h, "config fsel=x"); },
         "send_packet: @config: bad value in 'fsel=x': expected selectors separated by commas"},
        {[&] { return zeb_fir_v7_1_dpi_send_packet(h, nullptr); }, "send_packet: packet text is null"},
        {[&] { return zeb_fir_v7_1_dpi_put_real(h, 1, std::nan("")) + zeb_fir_v7_1_dpi_send_slot(h); },
         "send_slot: pilvoran_v7_1 ERROR: Input sample is not a finite number"},
        {[&] { return zeb_fir_v7_1_dpi_send_slot(h) + zeb_fir_v7_1_dpi_send_vector(h); },
         "send_vector: pilvoran_v7_1 ERROR: Channel postion non-zero, cannot send a packet"},
    };
    for (const auto& [call, error] : refusals) {  // failed creations and unknown handles leave no model an error
        const bool orphan = error.rfind("create", 0) == 0 || error.find("unknown handle") != std::string::npos;
        EXPECT_EQ(call(), 1) << error;
        EXPECT_EQ(why(orphan ? nullptr : h), "zeb_fir_v7_1_dpi_" + error);
    }
    // The refusals changed nothing: the turn completes and yields one vector.
    EXPECT_FALSE(zeb_fir_v7_1_dpi_send_slot(h) || zeb_fir_v7_1_dpi_next(h) || zeb_fir_v7_1_dpi_get_int(h, 1, &n));
    EXPECT_EQ(zeb_fir_v7_1_dpi_ready(h), 1);
    EXPECT_STREQ(zeb_fir_v7_1_dpi_last_message(h),
                 "pilvoran_v7_1 ERROR: Channel postion non-zero, cannot send a packet");
    EXPECT_EQ(zeb_fir_v7_1_dpi_destroy(h), 0);
}

}  // namespace
