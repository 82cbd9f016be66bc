// The DPI library's configuration texts (lines, ';', comments, files) and
// every refusal: status, error text, and no crash on bad handles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>

#include "zeb_fir_v7_1_dpi.h"

namespace {

std::string orphan_error() { return zeb_fir_v7_1_dpi_last_error(nullptr); }

struct FieldCase {
    const char* text;
    const char* field;
    long long value;
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << (c.text ? c.text : "null") << " -> " << c.field; }

class DpiConfigText : public testing::TestWithParam<FieldCase> {};

TEST_P(DpiConfigText, FieldsReadBackAsTheModelUsesThem) {
    const FieldCase& c = GetParam();
    void* h = zeb_fir_v7_1_dpi_create(c.text);
    ASSERT_NE(h, nullptr) << orphan_error();
    long long value = -1;
    EXPECT_EQ(zeb_fir_v7_1_dpi_get_field(h, c.field, &value), 0) << zeb_fir_v7_1_dpi_last_error(h);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(zeb_fir_v7_1_dpi_destroy(h), 0);
}

INSTANTIATE_TEST_SUITE_P(Texts, DpiConfigText, testing::ValuesIn(std::vector<FieldCase>{
    {"", "num_coeffs", 21},
    {"", "output_width", 24},
    {"filter_type=DECIMATION; decimation_rate=2", "filter_type", 2},
    {"filter_type = decimation ;decimation_rate= 2;", "decimation_rate", 2},
    {"num_paths=2\r\n# a comment; num_channels=5\n\nnum_channels=3 # three", "num_channels", 3},
    {"coeff=1,2,3; output_rounding_mode=zeb_fir_v7_1_truncate_lsbs; output_width=4", "num_coeffs", 3},
    {"coeff=1,2,3; output_rounding_mode=TRUNCATE_LSBS; output_width=4", "output_fract_width", 0},
    {"coeff=0.5,0.25; coeff_fract_width=2; data_fract_width=3", "output_fract_width", 5},
    {"data_width=40", "output_width", 48},  // 40 bits + 8 for the taps' sum of 252
}));

struct TextError {
    const char* text;
    const char* error;
};

void PrintTo(const TextError& c, std::ostream* os) { *os << (c.text ? c.text : "null"); }

class DpiConfigErrors : public testing::TestWithParam<TextError> {};

TEST_P(DpiConfigErrors, CreationFailsWithTheReason) {
    EXPECT_EQ(zeb_fir_v7_1_dpi_create(GetParam().text), nullptr);
    EXPECT_EQ(orphan_error(), std::string("zeb_fir_v7_1_dpi_create: ") + GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Texts, DpiConfigErrors, testing::ValuesIn(std::vector<TextError>{
    {nullptr, "configuration text is null"},
    {"filter_type", "configuration text:1: expected FIELD=VALUE, got 'filter_type'"},
    {"num_paths=1\nspeed=3",
     "configuration text:2: unknown configuration field 'speed' (zeb-fir --list-fields shows them all)"},
    {"num_paths=1; num_paths=two",
     "configuration text:1: bad number 'two' for num_paths: expected an integer from -2147483648 to 4294967295"},
    {"filter_type=BANDPASS", "configuration text:1: unknown value 'BANDPASS' for filter_type: expected SINGLE_RATE, "
                             "INTERPOLATION, DECIMATION, HILBERT, INTERPOLATED, or a number"},
    {"coeff=1,,2", "configuration text:1: bad coefficient list '1,,2': expected numbers separated by commas"},
    {"num_coeffs=4; coeff=1,2,3", "num_coeffs x coeff_sets = 4 x 1 = 4 coefficient values expected, 3 given"},
    {"num_paths=0", "Invalid number of paths"},
    {"filter_type=7", "Invalid filter type"},
}));

TEST(DpiConfigFile, CreatesFromAFileOrNamesTheFileItCannotRead) {
    const std::string path = testing::TempDir() + "dpi_config_file.cfg";
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("filter_type=DECIMATION\ndecimation_rate=3  # third\n", f);
    std::fclose(f);
    void* h = zeb_fir_v7_1_dpi_create_from_file(path.c_str());
    ASSERT_NE(h, nullptr) << orphan_error();
    long long rate = 0;
    EXPECT_EQ(zeb_fir_v7_1_dpi_get_field(h, "decimation_rate", &rate), 0);
    EXPECT_EQ(rate, 3);
    zeb_fir_v7_1_dpi_destroy(h);
    std::remove(path.c_str());

    EXPECT_EQ(zeb_fir_v7_1_dpi_create_from_file(path.c_str()), nullptr);
    EXPECT_EQ(orphan_error(), "zeb_fir_v7_1_dpi_create_from_file: cannot read configuration file '" + path + "'");
    EXPECT_EQ(zeb_fir_v7_1_dpi_create_from_file(nullptr), nullptr);
    EXPECT_EQ(orphan_error(), "zeb_fir_v7_1_dpi_create_from_file: configuration file name is null");
}

// Calls in order on one model of 2 paths and 2 channels (and on a stale
// handle): each fails with status 1 and exactly this error text.
TEST(DpiRefusals, BadInputGivesAStatusAndTheReason) {
    void* h = zeb_fir_v7_1_dpi_create("num_paths=2; num_channels=2");
    ASSERT_NE(h, nullptr);
    void* stale = zeb_fir_v7_1_dpi_create("");
    ASSERT_EQ(zeb_fir_v7_1_dpi_destroy(stale), 0);
    void* fresh = zeb_fir_v7_1_dpi_create("");  // may live where stale did
    ASSERT_NE(fresh, stale);
    long long n = 0;
    double r = 0;
    struct Refusal {
        std::function<int()> call;
        bool orphan;  // reported without a model
        const char* error;
    };
    const Refusal refusals[] = {
        {[&] { return zeb_fir_v7_1_dpi_destroy(stale); }, true, "zeb_fir_v7_1_dpi_destroy: unknown handle"},
        {[&] { return zeb_fir_v7_1_dpi_reset(nullptr); }, true, "zeb_fir_v7_1_dpi_reset: unknown handle"},
        {[&] { return zeb_fir_v7_1_dpi_send_slot(&n); }, true, "zeb_fir_v7_1_dpi_send_slot: unknown handle"},
        {[&] { return -zeb_fir_v7_1_dpi_ready(stale); }, true, "zeb_fir_v7_1_dpi_ready: unknown handle"},
        {[&] { return 1 + std::string(zeb_fir_v7_1_dpi_get_text(stale, 0)).size(); }, true,
         "zeb_fir_v7_1_dpi_get_text: unknown handle"},
        {[&] { return zeb_fir_v7_1_dpi_put_int(h, 2, 0); }, false,
         "zeb_fir_v7_1_dpi_put_int: path 2 out of range: num_paths is 2"},
        {[&] { return zeb_fir_v7_1_dpi_put_real(h, -1, 0.0); }, false,
         "zeb_fir_v7_1_dpi_put_real: path -1 out of range: num_paths is 2"},
        {[&] { return zeb_fir_v7_1_dpi_put_vector_int(h, 0, 2, 0); }, false,
         "zeb_fir_v7_1_dpi_put_vector_int: slot 2 out of range: num_channels is 2"},
        {[&] { return zeb_fir_v7_1_dpi_next(h); }, false, "zeb_fir_v7_1_dpi_next: no output slot is ready"},
        {[&] { return zeb_fir_v7_1_dpi_get_int(h, 0, &n); }, false,
         "zeb_fir_v7_1_dpi_get_int: no output slot taken: call zeb_fir_v7_1_dpi_next first"},
        {[&] { return zeb_fir_v7_1_dpi_get_inphase_int(h, 0, &n); }, false,
         "zeb_fir_v7_1_dpi_get_inphase_int: only a Hilbert filter has an in-phase output"},
        {[&] { return zeb_fir_v7_1_dpi_get_real(h, 0, nullptr); }, false, "zeb_fir_v7_1_dpi_get_real: null value pointer"},
        {[&] { return zeb_fir_v7_1_dpi_get_field(h, "name", &n); }, false,
         "zeb_fir_v7_1_dpi_get_field: field 'name' is not a number"},
        {[&] { return zeb_fir_v7_1_dpi_get_field(h, "speed", &n); }, false,
         "zeb_fir_v7_1_dpi_get_field: unknown configuration field 'speed'"},
        {[&] { return zeb_fir_v7_1_dpi_send_packet(h, "jump"); }, false,
         "zeb_fir_v7_1_dpi_send_packet: unknown command '@jump': expected @config, @reload or @reset"},
        {[&] { return zeb_fir_v7_1_dpi_send_packet(h, "config fsel=x"); }, false,
         "zeb_fir_v7_1_dpi_send_packet: @config: bad value in 'fsel=x': expected selectors separated by commas"},
        {[&] { return zeb_fir_v7_1_dpi_send_packet(h, nullptr); }, false,
         "zeb_fir_v7_1_dpi_send_packet: packet text is null"},
        {[&] { return zeb_fir_v7_1_dpi_put_real(h, 1, std::nan("")) + zeb_fir_v7_1_dpi_send_slot(h); }, false,
         "zeb_fir_v7_1_dpi_send_slot: pilvoran_v7_1 ERROR: Input sample is not a finite number"},
        {[&] { return zeb_fir_v7_1_dpi_send_slot(h) + zeb_fir_v7_1_dpi_send_vector(h); }, false,
         "zeb_fir_v7_1_dpi_send_vector: pilvoran_v7_1 ERROR: Channel postion non-zero, cannot send a packet"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.error);
        EXPECT_EQ(refusal.call(), 1);
        EXPECT_EQ(refusal.orphan ? orphan_error() : std::string(zeb_fir_v7_1_dpi_last_error(h)), refusal.error);
    }
    // The refusals changed nothing: the turn completes and yields one vector.
    EXPECT_EQ(zeb_fir_v7_1_dpi_send_slot(h), 0);
    EXPECT_EQ(zeb_fir_v7_1_dpi_ready(h), 2);
    EXPECT_EQ(zeb_fir_v7_1_dpi_next(h), 0);
    EXPECT_EQ(zeb_fir_v7_1_dpi_get_real(h, 1, &r), 0);
    EXPECT_EQ(std::string(zeb_fir_v7_1_dpi_last_message(h)),
              "pilvoran_v7_1 ERROR: Channel postion non-zero, cannot send a packet");
    EXPECT_EQ(zeb_fir_v7_1_dpi_destroy(h), 0);
    EXPECT_EQ(zeb_fir_v7_1_dpi_destroy(fresh), 0);
}

}  // namespace
