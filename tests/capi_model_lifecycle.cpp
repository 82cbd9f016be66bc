#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "message_capture.h"
#include "zeb_fir_v7_1.h"

namespace {

using Message = MessageCapture::Message;

zeb_fir_v7_1_config defaults() {
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_default_config(&config);
    return config;
}

TEST(CapiCreate, NullConfigurationGivesNullAndCallsNothing) {
    MessageCapture messages;
    MessageCapture notes;
    EXPECT_EQ(zeb_fir_v7_1_create(nullptr, messages.handler(), messages.handle()), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_create_dbg(nullptr, messages.handler(), messages.handle(), notes.handler(),
                                      notes.handle()),
              nullptr);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(notes.messages.empty());
}

TEST(CapiCreate, RefusalIsTheBareTextWithErrorFlag) {
    zeb_fir_v7_1_config config = defaults();
    config.filter_type = 5;
    MessageCapture messages;
    EXPECT_EQ(zeb_fir_v7_1_create(&config, messages.handler(), messages.handle()), nullptr);
    EXPECT_EQ(messages.messages, (std::vector<Message>{{1, "Invalid filter type"}}));
    EXPECT_EQ(zeb_fir_v7_1_create(&config, nullptr, nullptr), nullptr);  // silently
}

TEST(CapiCreate, DebugVariantReportsFailuresOnTheMessageCallback) {
    zeb_fir_v7_1_config config = defaults();
    config.coeff = nullptr;
    MessageCapture messages;
    MessageCapture notes;
    EXPECT_EQ(zeb_fir_v7_1_create_dbg(&config, messages.handler(), messages.handle(), notes.handler(),
                                      notes.handle()),
              nullptr);
    EXPECT_EQ(messages.messages, (std::vector<Message>{{1, "No coefficients specified"}}));
    EXPECT_TRUE(notes.messages.empty());
}

TEST(CapiCreate, NullNameIsReportedWithTheFallbackText) {
    zeb_fir_v7_1_config config = defaults();
    config.name = nullptr;
    MessageCapture messages;
    EXPECT_EQ(zeb_fir_v7_1_create(&config, messages.handler(), messages.handle()), nullptr);
    EXPECT_EQ(messages.messages, (std::vector<Message>{{1, "Uncaught exception in FIR model create"}}));
    EXPECT_EQ(zeb_fir_v7_1_create(&config, nullptr, nullptr), nullptr);
}

TEST(CapiCreate, PlainCreateSendsNoNotesDebugCreateDelivers) {
    zeb_fir_v7_1_config config = defaults();
    MessageCapture messages;
    zeb_fir_v7_1* model = zeb_fir_v7_1_create(&config, messages.handler(), messages.handle());
    ASSERT_NE(model, nullptr);
    for (const Message& m : messages.messages) {
        EXPECT_EQ(m.second.find(" NOTE: "), std::string::npos) << m.second;
    }
    EXPECT_EQ(zeb_fir_v7_1_destroy(model), 0);

    MessageCapture notes;
    model = zeb_fir_v7_1_create_dbg(&config, messages.handler(), messages.handle(), notes.handler(),
                                    notes.handle());
    ASSERT_NE(model, nullptr);
    ASSERT_FALSE(notes.messages.empty());
    EXPECT_EQ(notes.messages[0], Message(0, "pilvoran_v7_1 NOTE: Passed basic checks"));
    EXPECT_EQ(zeb_fir_v7_1_destroy(model), 0);
}

TEST(CapiCreate, NullMessageCallbackStillBuildsAModel) {
    zeb_fir_v7_1_config config = defaults();
    zeb_fir_v7_1* model = zeb_fir_v7_1_create(&config, nullptr, nullptr);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(zeb_fir_v7_1_destroy(model), 0);
}

TEST(CapiDestroy, NullIsASilentFailure) { EXPECT_EQ(zeb_fir_v7_1_destroy(nullptr), 1); }

TEST(CapiGetConfig, NullArgumentsAreSilentFailures) {
    zeb_fir_v7_1_config config = defaults();
    MessageCapture messages;
    zeb_fir_v7_1* model = zeb_fir_v7_1_create(&config, messages.handler(), messages.handle());
    ASSERT_NE(model, nullptr);
    messages.messages.clear();
    zeb_fir_v7_1_config out = config;
    EXPECT_EQ(zeb_fir_v7_1_get_config(nullptr, &out), 1);
    EXPECT_EQ(zeb_fir_v7_1_get_config(model, nullptr), 1);
    EXPECT_EQ(std::memcmp(&out, &config, sizeof out), 0);
    EXPECT_TRUE(messages.messages.empty());
    zeb_fir_v7_1_destroy(model);
}

TEST(CapiGetConfig, ReturnsTheNormalisedCopyWithTheModelsName) {
    zeb_fir_v7_1_config config = defaults();
    std::string name = "tb_fir";
    config.name = name.c_str();
    config.filter_type = ZEB_FIR_V7_1_DECIMATION;
    config.interpolation_rate = 4;
    config.decimation_rate = 6;
    config.zero_packing_factor = 5;
    config.num_channels = 3;
    config.num_paths = 2;
    zeb_fir_v7_1* model = zeb_fir_v7_1_create(&config, nullptr, nullptr);
    ASSERT_NE(model, nullptr);
    name.assign("overwritten by the host");

    zeb_fir_v7_1_config out;
    ASSERT_EQ(zeb_fir_v7_1_get_config(model, &out), 0);
    EXPECT_STREQ(out.name, "tb_fir");
    EXPECT_EQ(out.coeff, nullptr);
    EXPECT_EQ(out.filter_type, ZEB_FIR_V7_1_DECIMATION);
    EXPECT_EQ(out.interpolation_rate, 1u);
    EXPECT_EQ(out.decimation_rate, 6u);
    EXPECT_EQ(out.zero_packing_factor, 1u);
    EXPECT_EQ(out.num_coeffs, 21u);
    EXPECT_EQ(out.num_channels, 3u);
    EXPECT_EQ(out.num_paths, 2u);
    EXPECT_EQ(out.data_width, 16u);
    EXPECT_EQ(out.coeff_width, 16u);
    zeb_fir_v7_1_destroy(model);
}

TEST(CapiCreate, HandlesAreIndependent) {
    zeb_fir_v7_1_config a = defaults();
    zeb_fir_v7_1_config b = defaults();
    a.name = "a";
    b.name = "b";
    zeb_fir_v7_1* first = zeb_fir_v7_1_create(&a, nullptr, nullptr);
    zeb_fir_v7_1* second = zeb_fir_v7_1_create(&b, nullptr, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(zeb_fir_v7_1_destroy(first), 0);
    zeb_fir_v7_1_config out;
    ASSERT_EQ(zeb_fir_v7_1_get_config(second, &out), 0);
    EXPECT_STREQ(out.name, "b");
    EXPECT_EQ(zeb_fir_v7_1_destroy(second), 0);
}

}  // namespace
