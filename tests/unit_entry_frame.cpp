#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "filter/fir_filter_exception.h"
#include "fir_test_support.h"
#include "fixedpoint/ffp_exception.h"
#include "interface/entry_frame.h"

namespace {

using Message = MessageCapture::Message;

struct FrameTest : testing::Test {
    FirHarness harness;
    zeb_fir_v7_1* handle = nullptr;

    void SetUp() override {
        ASSERT_EQ(harness.build(default_record()), "");
        handle = to_handle(harness.model.get());
        ASSERT_EQ(to_model(handle), harness.model.get());
    }
    const std::vector<Message>& sent() const { return harness.messages.messages; }
};

TEST_F(FrameTest, ReturnsTheOperationsStatusUnchanged) {
    EXPECT_EQ(call_model(handle, "fallback", [](FIR&) { return 0; }), 0);
    EXPECT_EQ(call_model(handle, "fallback", [](FIR&) { return 1; }), 1);
    EXPECT_EQ(call_model(handle, "fallback", [](FIR&) { return 7; }), 7);  // a host callback's result
    FIR* seen = nullptr;
    call_model(handle, "fallback", [&seen](FIR& m) {
        seen = &m;
        return 0;
    });
    EXPECT_EQ(seen, harness.model.get());
    EXPECT_TRUE(sent().empty());
}

TEST_F(FrameTest, RuntimeErrorsAreReportedWithTheirOwnText) {
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FIRException("Invalid output width"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FirFilterException("Invalid Filter rate"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FFPException("bad format"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw std::range_error("range"); }), 1);
    const std::vector<Message> expected = {{1, "t ERROR: Invalid output width"},
                                           {1, "t ERROR: Invalid Filter rate"},
                                           {1, "t ERROR: bad format"},
                                           {1, "t ERROR: range"}};
    EXPECT_EQ(sent(), expected);
}

TEST_F(FrameTest, OtherExceptionsAreReportedWithTheFallback) {
    const char* fallback = "Uncaught exception in FIR model data_get";
    EXPECT_EQ(call_model(handle, fallback, [](FIR&) -> int { throw std::bad_alloc(); }), 1);
    EXPECT_EQ(call_model(handle, fallback, [](FIR&) -> int { throw std::logic_error("not runtime"); }), 1);
    EXPECT_EQ(call_model(handle, fallback, [](FIR&) -> int { throw 42; }), 1);
    const Message m{1, "t ERROR: Uncaught exception in FIR model data_get"};
    EXPECT_EQ(sent(), (std::vector<Message>{m, m, m}));
}

TEST_F(FrameTest, NullHandleIsASilentFailure) {
    bool ran = false;
    EXPECT_EQ(call_model(nullptr, "fb", [&ran](FIR&) {
                  ran = true;
                  return 0;
              }),
              1);
    EXPECT_FALSE(ran);
}

TEST(Frame, ThrowingHostCallbackDoesNotEscape) {
    ZebLogger logger([](void*, int, const char*) { throw std::runtime_error("host"); }, nullptr, "t");
    ZebLogger dbg_logger(nullptr, nullptr, "t");
    zeb_fir_v7_1_config config = default_record();
    FIR model(&config, &logger, &dbg_logger);
    EXPECT_EQ(call_model(to_handle(&model), "fb", [](FIR&) -> int { throw FIRException("x"); }), 1);
    EXPECT_EQ(call_model(to_handle(&model), "fb", [](FIR&) -> int { throw 1; }), 1);
}

}  // namespace
