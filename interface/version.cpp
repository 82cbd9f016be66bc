#include <array>
#include <cstring>

#include "interface/defaults.h"
#include "zeb_fir_v7_1.h"

namespace {

// Room for every character of the name plus the patch level and the NUL, so
// building the text never allocates and cannot fail.
using VersionText = std::array<char, sizeof(zeb_defaults::model_name) + sizeof(zeb_defaults::version_patch)>;

// "pilvoran_v7_1" -> "7.1" + ".1": the characters after the last 'v' of the
// model name, underscores turned into dots, then the patch level.
VersionText build_version() {
    const char* name = zeb_defaults::model_name;
    const std::size_t length = std::strlen(name);
    std::size_t start = length;  // no 'v': nothing is taken from the name
    for (std::size_t i = length; i > 0; --i) {
        if (name[i - 1] == 'v') {
            start = i;
            break;
        }
    }
    VersionText text{};
    std::size_t out = 0;
    for (std::size_t i = start; i < length; ++i) {
        text[out++] = (name[i] == '_') ? '.' : name[i];
    }
    for (const char* p = zeb_defaults::version_patch; *p != '\0'; ++p) {
        text[out++] = *p;
    }
    text[out] = '\0';
    return text;
}

}  // namespace

const char* zeb_fir_v7_1_get_version(void) {
    // Built on the first call only, even when first calls race (function-local static).
    static const VersionText version = build_version();
    return version.data();
}
