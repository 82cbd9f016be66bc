// Records every (flag, text) pair a message callback receives.
#ifndef ZEB_FIR_TESTS_MESSAGE_CAPTURE_H
#define ZEB_FIR_TESTS_MESSAGE_CAPTURE_H

#include <string>
#include <utility>
#include <vector>

#include "zeb_fir_v7_1.h"

struct MessageCapture {
    using Message = std::pair<int, std::string>;
    std::vector<Message> messages;

    static void callback(void* handle, int flag, const char* text) {
        static_cast<MessageCapture*>(handle)->messages.emplace_back(flag, text);
    }
    zeb_msg_handler handler() const { return &MessageCapture::callback; }
    void* handle() { return this; }
};

#endif
