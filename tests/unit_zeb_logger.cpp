#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "interface/zeb_logger.h"
#include "message_capture.h"

namespace {

using Message = MessageCapture::Message;

TEST(ZebLogger, FramesEachSeverityWithNameWordAndFlag) {
    MessageCapture capture;
    ZebLogger logger(capture.handler(), capture.handle(), "m");
    EXPECT_EQ(logger.error("x"), "m ERROR: x");
    EXPECT_EQ(logger.warn("x"), "m WARNING: x");
    EXPECT_EQ(logger.note("x"), "m NOTE: x");
    const std::vector<Message> expected = {{1, "m ERROR: x"}, {0, "m WARNING: x"}, {0, "m NOTE: x"}};
    EXPECT_EQ(capture.messages, expected);
}

TEST(ZebLogger, DefaultNameWarningReachesHostVerbatim) {
    MessageCapture capture;
    ZebLogger logger(capture.handler(), capture.handle(), "pilvoran_v7_1");
    logger.warn("Channel pattern ID is invalid for specified number of channels, using default value");
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0],
              Message(0, "pilvoran_v7_1 WARNING: Channel pattern ID is invalid for specified number of "
                         "channels, using default value"));
}

TEST(ZebLogger, EmptyNameStartsWithTheSpaceOfTheSeverityWord) {
    MessageCapture capture;
    ZebLogger logger(capture.handler(), capture.handle(), "");
    logger.error("");
    logger.note("n");
    const std::vector<Message> expected = {{1, " ERROR: "}, {0, " NOTE: n"}};
    EXPECT_EQ(capture.messages, expected);
}

TEST(ZebLogger, NullCallbackStillReturnsTheFormattedText) {
    ZebLogger logger(nullptr, nullptr, "quiet");
    EXPECT_FALSE(logger.active());
    EXPECT_EQ(logger.warn("w"), "quiet WARNING: w");
    std::ostringstream stream;
    stream << "value " << 42;
    EXPECT_EQ(logger.error(stream), "quiet ERROR: value 42");
}

TEST(ZebLogger, HandleIsPassedBackUntouched) {
    struct Seen {
        void* handle = nullptr;
    } seen;
    ZebLogger logger([](void* h, int, const char*) { static_cast<Seen*>(h)->handle = h; }, &seen, "m");
    EXPECT_TRUE(logger.active());
    logger.note("n");
    EXPECT_EQ(seen.handle, &seen);
}

TEST(ZebLogger, StreamVariantsMatchTextVariantsAndLeaveStreamAlone) {
    MessageCapture by_text;
    MessageCapture by_stream;
    ZebLogger text_logger(by_text.handler(), by_text.handle(), "m");
    ZebLogger stream_logger(by_stream.handler(), by_stream.handle(), "m");
    std::ostringstream stream;
    stream << "abc";
    text_logger.error("abc");
    text_logger.warn("abc");
    text_logger.note("abc");
    stream_logger.error(stream);
    stream_logger.warn(stream);
    stream_logger.note(stream);
    EXPECT_EQ(by_stream.messages, by_text.messages);
    EXPECT_EQ(stream.str(), "abc");
}

// A derived logger that overrides only the text variants also receives what
// is logged through the stream variants.
class RecordingLogger : public ZebLogger {
public:
    RecordingLogger() : ZebLogger(nullptr, nullptr, "r") {}
    std::string error(const std::string& text) override { return log("E:" + text); }
    std::string warn(const std::string& text) override { return log("W:" + text); }
    std::string note(const std::string& text) override { return log("N:" + text); }
    using ZebLogger::error;
    using ZebLogger::note;
    using ZebLogger::warn;
    std::vector<std::string> seen;

private:
    std::string log(const std::string& text) {
        seen.push_back(text);
        return text;
    }
};

TEST(ZebLogger, StreamVariantsDispatchToOverriddenTextVariants) {
    RecordingLogger logger;
    ZebLogger& base = logger;
    std::ostringstream stream;
    stream << "s";
    base.error(stream);
    base.warn(stream);
    base.note(stream);
    EXPECT_EQ(logger.seen, (std::vector<std::string>{"E:s", "W:s", "N:s"}));
}

}  // namespace
