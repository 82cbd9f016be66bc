// Builds FIR objects directly, with loggers that record what they send.
#ifndef ZEB_FIR_TESTS_FIR_TEST_SUPPORT_H
#define ZEB_FIR_TESTS_FIR_TEST_SUPPORT_H

#include <memory>
#include <string>

#include "interface/zeb_logger.h"
#include "message_capture.h"
#include "model/fir.h"
#include "zeb_fir_v7_1.h"

inline zeb_fir_v7_1_config default_record(const char* name = "t") {
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_default_config(&config);
    config.name = name;
    return config;
}

struct FirHarness {
    MessageCapture messages;
    MessageCapture notes;
    ZebLogger logger{messages.handler(), messages.handle(), "t"};
    ZebLogger dbg_logger{notes.handler(), notes.handle(), "t"};
    std::unique_ptr<FIR> model;

    // Builds a model from config; returns the refusal text, or "" when built.
    std::string build(const zeb_fir_v7_1_config& config) {
        model.reset();
        try {
            model = std::make_unique<FIR>(&config, &logger, &dbg_logger);
            return "";
        } catch (const FIRException& e) {
            return e.what();
        }
    }
};

#endif
