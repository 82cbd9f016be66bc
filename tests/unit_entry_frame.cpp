// The frame around every exported function: statuses, failures turned into
// framed messages, nothing thrown across the C boundary; and the logger that
// frames them.
#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "filter/fir_filter_exception.h"
#include "fixedpoint/ffp_exception.h"
#include "interface/entry_frame.h"

namespace {

using Message = std::pair<int, std::string>;

void record(void* log, int flag, const char* text) {
    static_cast<std::vector<Message>*>(log)->emplace_back(flag, text);
}

}  // namespace

TEST(EntryFrame, StatusesFailuresAndFallbacks) {
    std::vector<Message> log;
    ZebLogger logger(record, &log, "t"), dbg_logger(nullptr, nullptr, "t");
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_default_config(&config);
    FIR model(&config, &logger, &dbg_logger);
    zeb_fir_v7_1* handle = to_handle(&model);
    FIR* seen = nullptr;
    EXPECT_EQ(call_model(handle, "fb", [&](FIR& m) { return seen = &m, 7; }), 7);  // e.g. a host callback's result
    EXPECT_EQ(seen, &model);
    EXPECT_EQ(call_model(nullptr, "fb", [](FIR&) { return 0; }), 1);
    EXPECT_TRUE(log.empty());
    // Runtime errors with their own text, anything else with the fallback.
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FIRException("Invalid output width"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FirFilterException("Invalid Filter rate"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FFPException("bad format"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw std::bad_alloc(); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw std::logic_error("not runtime"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw 42; }), 1);
    EXPECT_EQ(log, (std::vector<Message>{{1, "t ERROR: Invalid output width"}, {1, "t ERROR: Invalid Filter rate"},
                                         {1, "t ERROR: bad format"}, {1, "t ERROR: fb"}, {1, "t ERROR: fb"},
                                         {1, "t ERROR: fb"}}));
    // A host callback that throws does not take the exception through the frame.
    ZebLogger thrower([](void*, int, const char*) { throw std::runtime_error("host"); }, nullptr, "t");
    FIR other(&config, &thrower, &dbg_logger);
    EXPECT_EQ(call_model(to_handle(&other), "fb", [](FIR&) -> int { throw FIRException("x"); }), 1);
}

TEST(Logger, FramesEachSeverityWithNameWordAndFlag) {
    std::vector<Message> log;
    ZebLogger logger(record, &log, "m"), unnamed(record, &log, ""), quiet(nullptr, nullptr, "q");
    EXPECT_EQ(logger.error("x"), "m ERROR: x");
    EXPECT_EQ(logger.warn("x"), "m WARNING: x");
    std::ostringstream stream;
    stream << "n " << 42;
    EXPECT_EQ(logger.note(stream), "m NOTE: n 42");
    EXPECT_EQ(stream.str(), "n 42");
    unnamed.error("");
    EXPECT_EQ(quiet.warn("w"), "q WARNING: w");  // no callback: the text is still formed
    EXPECT_FALSE(quiet.active());
    EXPECT_EQ(log, (std::vector<Message>{{1, "m ERROR: x"}, {0, "m WARNING: x"}, {0, "m NOTE: n 42"},
                                         {1, " ERROR: "}}));
    // A derived logger overriding the text variants also gets stream messages.
    struct Recording : ZebLogger {
        Recording() : ZebLogger(nullptr, nullptr, "r") {}
        using ZebLogger::error;
        using ZebLogger::note;
        using ZebLogger::warn;
        std::vector<std::string> seen;
        std::string error(const std::string& t) override { return seen.push_back("E:" + t), t; }
        std::string warn(const std::string& t) override { return seen.push_back("W:" + t), t; }
        std::string note(const std::string& t) override { return seen.push_back("N:" + t), t; }
    } derived;
    ZebLogger& base = derived;
    base.error(stream), base.warn(stream), base.note(stream);
    EXPECT_EQ(derived.seen, (std::vector<std::string>{"E:n 42", "W:n 42", "N:n 42"}));
}
