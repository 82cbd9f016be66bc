#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

// Only the C interface and the pattern tables may be visible to hosts.
TEST(CapiExports, EveryDynamicSymbolCarriesTheModelPrefix) {
    const std::string command = std::string("nm -D --defined-only '") + ZEB_LIBRARY_FILE + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        GTEST_SKIP() << "cannot run nm";
    }
    std::vector<std::string> symbols;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char type = 0;
        char name[1024] = {0};
        if (std::sscanf(line, "%*s %c %1023s", &type, name) != 2) {
            continue;
        }
        if (type == 'A') {
            continue;  // version node of the version script, not a symbol
        }
        symbols.emplace_back(name);
    }
    const int status = pclose(pipe);
    if (symbols.empty() && status != 0) {
        GTEST_SKIP() << "nm is not available";
    }
    ASSERT_FALSE(symbols.empty());
    auto exported = [&symbols](const std::string& name) {
        for (const std::string& symbol : symbols) {
            if (symbol == name || symbol.rfind(name + "@", 0) == 0) {
                return true;
            }
        }
        return false;
    };
    for (const std::string& symbol : symbols) {
        EXPECT_EQ(symbol.rfind("zeb_fir_v7_1_", 0), 0u) << symbol;
    }
    // Every function and table the public header declares is really there.
    std::ifstream header(std::string(ZEB_SOURCE_DIR) + "/include/zeb_fir_v7_1.h");
    ASSERT_TRUE(header.good());
    const std::regex declared(R"(ZEB_FIR_V7_1_EXPORT[^;]*?\b(zeb_fir_v7_1_[a-z0-9_]+)\s*[\(\[])");
    int declarations = 0;
    std::string text;
    while (std::getline(header, text)) {
        std::smatch match;
        if (std::regex_search(text, match, declared)) {
            ++declarations;
            EXPECT_TRUE(exported(match[1].str())) << match[1].str() << " is declared but not exported";
        }
    }
    EXPECT_EQ(declarations, 152);  // 7 x 17 array functions, 2 + 19 model functions, 8 views, 4 tables
    EXPECT_TRUE(exported("zeb_fir_v7_1_create"));
    EXPECT_TRUE(exported("zeb_fir_v7_1_zeb_array_mpz_ops_elem_copy"));
    // Library-private tables carry the prefix too but must stay hidden.
    EXPECT_FALSE(exported("zeb_fir_v7_1_default_coeff"));
    EXPECT_FALSE(exported("zeb_fir_v7_1_zeb_array_real_ops"));
    EXPECT_FALSE(exported("zeb_fir_v7_1_zeb_array_mpz_complex_ops"));
}

}  // namespace
