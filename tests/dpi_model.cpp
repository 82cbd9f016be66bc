// The DPI library as a simulator loads it: integer inputs in input LSBs
// (wrapped to the data width) or reals, outputs read slot by slot as 64-bit
// integers, decimal text, reals and in-phase parts, checked against the
// stream a host of the library reads; packets; the inspection getters; and
// every refusal with its status and error text.
#include <cstdio>
#include <fstream>

#include "streams.h"
#include "zeb_fir_v7_1_dpi.h"

using namespace host;

namespace {

struct Dpi {
    void* h;
    explicit Dpi(const char* text) : h(zeb_fir_v7_1_dpi_create(text)) {}
    ~Dpi() { if (h != nullptr) zeb_fir_v7_1_dpi_destroy(h); }
};

const char* why(void* h) { return zeb_fir_v7_1_dpi_last_error(h); }

// A bench sending slots or vectors, putting integers or reals and taking
// output after every send or now and then reads the stream a host of the
// library reads (streams.h): random scenarios with their packets.  Outputs
// come as text, reals, 64-bit integers (refused beyond) and in-phase parts.
TEST(DpiStreams, SlotsAndVectorsGiveTheLibrarysStream) {
    for (uint64_t seed = 1; seed <= 60 && !HasFailure(); ++seed) {
        const streams::Scenario sc = streams::draw(seed * 7919, seed % 3 != 0);
        SCOPED_TRACE(sc.text());
        const size_t P = sc.P, C = sc.C;
        const bool hilbert = sc.cfg.filter_type == ZEB_FIR_V7_1_HILBERT;
        Dpi dpi(sc.text().c_str());
        ASSERT_NE(dpi.h, nullptr) << why(nullptr);
        std::mt19937_64 gen(seed);
        streams::Stream got;
        const auto take = [&] {
            while (zeb_fir_v7_1_dpi_ready(dpi.h) > 0) {
                ASSERT_EQ(zeb_fir_v7_1_dpi_next(dpi.h), 0);
                got.emplace_back();
                for (int p = 0; p < int(P); ++p) {
                    streams::Element e{0, zeb_fir_v7_1_dpi_get_text(dpi.h, p)};
                    long long n = 0;
                    ASSERT_EQ(zeb_fir_v7_1_dpi_get_real(dpi.h, p, &e.out), 0);
                    const bool fits = mpz_class(e.exact).fits_slong_p();
                    EXPECT_EQ(zeb_fir_v7_1_dpi_get_int(dpi.h, p, &n), fits ? 0 : 1);
                    EXPECT_EQ(fits ? std::to_string(n) : why(dpi.h),
                              fits ? e.exact
                                   : "zeb_fir_v7_1_dpi_get_int: output of path " + std::to_string(p) +
                                         " needs more than 64 bits: read it with zeb_fir_v7_1_dpi_get_text");
                    if (hilbert && zeb_fir_v7_1_dpi_get_inphase_int(dpi.h, p, &n) == 0)
                        e.in_phase = std::ldexp(double(n), -int(sc.cfg.data_fract_width));
                    got.back().push_back(e);
                }
            }
        };
        // Input as integers in input LSBs (wrapped by the DPI layer) or as
        // reals (floored and wrapped by the model): the same samples.
        const auto put = [&](size_t p, size_t s, size_t v, bool whole) {
            const double x = sc.samples[p + P * (s + C * v)];
            const long long lsbs = std::floor(std::ldexp(x, int(sc.cfg.data_fract_width)));
            const int i = int(p), slot = int(s);
            return gen() % 2 ? (whole ? zeb_fir_v7_1_dpi_put_vector_int(dpi.h, i, slot, lsbs)
                                      : zeb_fir_v7_1_dpi_put_int(dpi.h, i, lsbs))
                             : (whole ? zeb_fir_v7_1_dpi_put_vector_real(dpi.h, i, slot, x)
                                      : zeb_fir_v7_1_dpi_put_real(dpi.h, i, x));
        };
        for (size_t v = 0; v < sc.V; ++v) {
            for (const streams::Packet& k : sc.before[v])
                ASSERT_EQ(zeb_fir_v7_1_dpi_send_packet(dpi.h, streams::text_of(k).c_str()), 0) << why(dpi.h);
            const bool whole = gen() % 2;
            for (size_t s = 0; s < C; ++s) {
                for (size_t p = 0; p < P; ++p) ASSERT_EQ(put(p, s, v, whole), 0);
                ASSERT_EQ(whole ? 0 : zeb_fir_v7_1_dpi_send_slot(dpi.h), 0) << why(dpi.h);
                if (gen() % 4 == 0) take();
            }
            ASSERT_EQ(whole ? zeb_fir_v7_1_dpi_send_vector(dpi.h) : 0, 0) << why(dpi.h);
        }
        take();
        EXPECT_TRUE(streams::same_stream(got, streams::run(sc, streams::Cut::whole, seed)));
    }
}

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

// The inspection getters on a stream sent slot by slot: reals beyond the
// input range, an output rounded beyond its range, a wrapped coefficient and
// packets left queued, in the double and an integer mode; a clear zeroes the
// counts.
TEST(DpiInspect, GettersGiveTheModelsValues) {
    const double top = std::ldexp((1LL << 48) - 1, -3), bottom = -std::ldexp(1, 45);  // 49 bits, 3 fractional
    const std::tuple<const char*, std::vector<std::pair<size_t, double>>, std::vector<const char*>,
                     std::vector<long long>, std::vector<long long>, double>
        cases[] = {  // text, samples at (path, slot, vector), packets queued, info, wraps, group delay
            {"", {{3, 40000}, {5, -40000}}, {}, {16, 0, 16, 0, 24, 24, 0, 0, 0, 175, 0, 0},
             {2, 0, 0, 3, 0, 0, 0, 0, 0}, 10},
            {"num_paths=2; num_channels=3; data_width=49; data_fract_width=3; coeff_width=8; coeff_fract_width=2; "
             "quantization=QUANTIZE_ONLY; coeff=16,32,16,1,32,1; coeff_sets=2; output_rounding_mode=ROUND_HALF_UP; "
             "output_width=8",
             {{17, top}, {23, bottom}, {29, top}, {38, -bottom}},  // -128 at (1, 2, 4); 2^48 LSBs at (0, 1, 6)
             {"config fsel=1", "config fsel=0"}, {49, 3, 8, 2, 57, 8, 0, 44, 1, 175, 2, 0},
             {1, 1, 2, 6, 0, 1, 4, 1, 2}, 1}};
    const char* const wrap_fields[] = {"input", "output", "coefficients", "first_input_vector", "first_input_path",
                                       "first_input_slot", "first_output_vector", "first_output_path",
                                       "first_output_slot"};
    const char* const info_fields[] = {"data_width", "data_fract_width", "coeff_width", "coeff_fract_width",
                                       "acc_width", "output_width", "output_fract_width", "output_lsb_exponent",
                                       "arithmetic", "current_pattern", "queued_configs", "queued_reloads"};
    for (const auto& [text, samples, packets, info, wraps, delay] : cases) {
        SCOPED_TRACE(text);
        Dpi dpi(text);
        long long P = 0, C = 0;
        ASSERT_FALSE(zeb_fir_v7_1_dpi_get_field(dpi.h, "num_paths", &P) ||
                     zeb_fir_v7_1_dpi_get_field(dpi.h, "num_channels", &C));
        std::vector<double> x(size_t(P * C * 8), 0.0);
        for (const auto& [i, value] : samples) x[i] = value;
        for (size_t i = 0; i < x.size(); ++i)
            ASSERT_FALSE(zeb_fir_v7_1_dpi_put_real(dpi.h, int(i % P), x[i]) ||
                         (i % P == size_t(P - 1) && zeb_fir_v7_1_dpi_send_slot(dpi.h)));
        for (const char* k : packets) ASSERT_EQ(zeb_fir_v7_1_dpi_send_packet(dpi.h, k), 0);
        std::vector<long long> got_info, got_wraps;
        for (const char* f : info_fields)
            EXPECT_EQ(zeb_fir_v7_1_dpi_get_info(dpi.h, f, &got_info.emplace_back()), 0) << why(dpi.h);
        for (const char* f : wrap_fields)
            EXPECT_EQ(zeb_fir_v7_1_dpi_get_wrap_count(dpi.h, f, &got_wraps.emplace_back()), 0) << why(dpi.h);
        EXPECT_EQ(got_info, info);
        EXPECT_EQ(got_wraps, wraps);
        double in = 0, out = 0;
        EXPECT_EQ(zeb_fir_v7_1_dpi_get_group_delay(dpi.h, 0, &in, &out), 0) << why(dpi.h);
        EXPECT_EQ(std::make_pair(in, out), std::make_pair(delay, delay));
        long long n = -1;
        EXPECT_FALSE(zeb_fir_v7_1_dpi_clear_wrap_counts(dpi.h) || zeb_fir_v7_1_dpi_get_wrap_count(dpi.h, "input", &n));
        EXPECT_EQ(n, 0);
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
    ASSERT_EQ(zeb_fir_v7_1_dpi_send_slot(stale) + zeb_fir_v7_1_dpi_destroy(stale), 0);  // found once while alive
    Dpi fresh("");  // may live where stale did
    ASSERT_NE(fresh.h, stale);
    long long n = 0;
    double delay = 0;
    const std::string unreadable = "create_from_file: cannot read configuration file '" + path + "'",
                      dir = testing::TempDir(), long_path = dir + "dpi_long_line.cfg";
    std::ofstream(long_path) << std::string(65537, '#') << "\nnum_paths=2\n";
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
        {[&] { return !zeb_fir_v7_1_dpi_create_from_file(dir.c_str()); },
         "create_from_file: cannot read configuration file '" + dir + "': it is a directory"},
        {[&] { return !zeb_fir_v7_1_dpi_create_from_file(long_path.c_str()); },
         "create_from_file: " + long_path + ":1: line longer than 65536 characters"},
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
        {[&] { return zeb_fir_v7_1_dpi_get_info(h, "num_paths", &n); }, "get_info: unknown info field 'num_paths'"},
        {[&] { return zeb_fir_v7_1_dpi_get_wrap_count(h, "first_input", &n); },
         "get_wrap_count: unknown wrap count field 'first_input'"},
        {[&] { return zeb_fir_v7_1_dpi_get_group_delay(h, 1, &delay, &delay); },
         "get_group_delay: coefficient set 1 out of range: coeff_sets is 1"},
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
    std::remove(long_path.c_str());
    // The refusals changed nothing: the turn completes and yields one vector.
    EXPECT_FALSE(zeb_fir_v7_1_dpi_send_slot(h) || zeb_fir_v7_1_dpi_next(h) || zeb_fir_v7_1_dpi_get_int(h, 1, &n));
    EXPECT_EQ(zeb_fir_v7_1_dpi_ready(h), 1);
    EXPECT_STREQ(zeb_fir_v7_1_dpi_last_message(h),
                 "pilvoran_v7_1 ERROR: Channel postion non-zero, cannot send a packet");
    EXPECT_EQ(zeb_fir_v7_1_dpi_destroy(h), 0);
}

}  // namespace
