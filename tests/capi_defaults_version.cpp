#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "zeb_fir_v7_1.h"

namespace {

TEST(CapiDefaultConfig, NullRecordIsRefused) { EXPECT_EQ(zeb_fir_v7_1_default_config(nullptr), 1); }

TEST(CapiDefaultConfig, FillsEveryField) {
    zeb_fir_v7_1_config c;
    std::memset(&c, 0x5A, sizeof c);
    ASSERT_EQ(zeb_fir_v7_1_default_config(&c), 0);
    ASSERT_NE(c.name, nullptr);
    EXPECT_STREQ(c.name, "pilvoran_v7_1");
    EXPECT_EQ(c.filter_type, 0);
    EXPECT_EQ(c.rate_change, 0);
    EXPECT_EQ(c.interpolation_rate, 1u);
    EXPECT_EQ(c.decimation_rate, 1u);
    EXPECT_EQ(c.zero_packing_factor, 1u);
    ASSERT_NE(c.coeff, nullptr);
    const double expected[21] = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(c.coeff[i], expected[i]) << i;
    }
    EXPECT_EQ(c.coeff_padding, 0u);
    EXPECT_EQ(c.num_coeffs, 21u);
    EXPECT_EQ(c.coeff_sets, 1u);
    EXPECT_EQ(c.reloadable, 0u);
    EXPECT_EQ(c.is_halfband, 0u);
    EXPECT_EQ(c.quantization, 0);
    EXPECT_EQ(c.coeff_width, 16u);
    EXPECT_EQ(c.coeff_fract_width, 0u);
    EXPECT_EQ(c.chan_seq, 0);
    EXPECT_EQ(c.num_channels, 1u);
    EXPECT_EQ(c.init_pattern, 175);
    EXPECT_EQ(c.num_paths, 1u);
    EXPECT_EQ(c.data_width, 16u);
    EXPECT_EQ(c.data_fract_width, 0u);
    EXPECT_EQ(c.output_rounding_mode, 0);
    EXPECT_EQ(c.output_width, 24u);
    EXPECT_EQ(c.output_fract_width, 0u);
    EXPECT_EQ(c.config_method, 0);

    // The pointers are library constants: the same on every call.
    zeb_fir_v7_1_config again;
    zeb_fir_v7_1_default_config(&again);
    EXPECT_EQ(again.name, c.name);
    EXPECT_EQ(again.coeff, c.coeff);
}

TEST(CapiVersion, SameTextSamePointerFromManyThreads) {
    constexpr int threads = 8;
    std::vector<const char*> seen(threads, nullptr);
    std::vector<std::thread> pool;
    for (int i = 0; i < threads; ++i) {
        pool.emplace_back([&seen, i] { seen[i] = zeb_fir_v7_1_get_version(); });
    }
    for (std::thread& t : pool) {
        t.join();
    }
    const char* version = zeb_fir_v7_1_get_version();
    EXPECT_STREQ(version, "7.1.1");
    for (const char* p : seen) {
        EXPECT_EQ(p, version);
    }
}

}  // namespace
