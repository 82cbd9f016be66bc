// The frame around every exported function: statuses, failures turned into
// framed messages (error flag 1, others 0), nothing thrown across the C boundary.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "interface/entry_frame.h"

static void record(void* log, int flag, const char* text) {
    static_cast<std::vector<std::string>*>(log)->push_back(std::to_string(flag) + ":" + text);
}

TEST(EntryFrame, StatusesFailuresAndFraming) {
    std::vector<std::string> log;
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_default_config(&config);
    ModelHandle model, other;
    model.logger = std::make_unique<ZebLogger>(record, &log, "t");
    other.logger = std::make_unique<ZebLogger>([](void*, int, const char*) { throw std::runtime_error("host"); },
                                               nullptr, "t");
    ZebLogger quiet(nullptr, nullptr, "t");
    model.model = std::make_unique<FIR>(&config, model.logger.get(), &quiet);
    ZebLogger& logger = *model.logger;
    zeb_fir_v7_1* const handle = to_handle(&model);
    EXPECT_EQ(call_model(handle, "fb", [&](FIR& m) { return &m == model.model.get() ? 7 : 0; }), 7);  // a result
    EXPECT_EQ(call_model(nullptr, "fb", [](FIR&) { return 0; }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw FIRException("Invalid output width"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw std::logic_error("not runtime"); }), 1);
    EXPECT_EQ(call_model(handle, "fb", [](FIR&) -> int { throw 42; }), 1);
    EXPECT_EQ(call_handle(to_handle(&other), "fb", [](ModelHandle&) -> int { throw FIRException("x"); }), 1);
    logger.warn("w"), logger.note("n");
    EXPECT_EQ(quiet.error("e"), "t ERROR: e");  // no callback: the text is still formed
    EXPECT_EQ(log, (std::vector<std::string>{"1:t ERROR: Invalid output width", "1:t ERROR: fb", "1:t ERROR: fb",
                                             "0:t WARNING: w", "0:t NOTE: n"}));
}
