#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Names of the defined dynamic symbols of a shared library (version nodes
// left out); empty when nm cannot be run.
std::vector<std::string> dynamic_symbols(const char* library) {
    const std::string command = std::string("nm -D --defined-only '") + library + "' 2>/dev/null";
    std::vector<std::string> symbols;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return symbols;
    }
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
    pclose(pipe);
    return symbols;
}

// Only the C interface and the pattern tables may be visible to hosts.
TEST(CapiExports, EveryDynamicSymbolCarriesTheModelPrefix) {
    const std::vector<std::string> symbols = dynamic_symbols(ZEB_LIBRARY_FILE);
    if (symbols.empty()) {
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
    // A declaration line names its function or table right before "(" or "[".
    auto declared_name = [](const std::string& line) -> std::string {
        if (line.rfind("ZEB_FIR_V7_1_EXPORT", 0) != 0) return "";
        const std::size_t end = line.find_first_of("([");
        if (end == std::string::npos) return "";
        const std::size_t start = line.rfind(' ', end);
        const std::string name = line.substr(start + 1, end - start - 1);
        return name.rfind("zeb_fir_v7_1_", 0) == 0 ? name : "";
    };
    int declarations = 0;
    std::string text;
    while (std::getline(header, text)) {
        const std::string name = declared_name(text);
        if (name.empty()) continue;
        ++declarations;
        EXPECT_TRUE(exported(name)) << name << " is declared but not exported";
    }
    EXPECT_EQ(declarations, 152);  // 7 x 17 array functions, 2 + 19 model functions, 8 views, 4 tables
    EXPECT_TRUE(exported("zeb_fir_v7_1_create"));
    EXPECT_TRUE(exported("zeb_fir_v7_1_zeb_array_mpz_ops_elem_copy"));
    // Library-private tables carry the prefix too but must stay hidden.
    EXPECT_FALSE(exported("zeb_fir_v7_1_default_coeff"));
    EXPECT_FALSE(exported("zeb_fir_v7_1_zeb_array_real_ops"));
    EXPECT_FALSE(exported("zeb_fir_v7_1_zeb_array_mpz_complex_ops"));
}

// The DPI library shows exactly the functions its header declares, none of
// the configuration parser it is built with.
TEST(CapiExports, DpiLibraryExportsItsEntryPointsOnly) {
    std::vector<std::string> symbols = dynamic_symbols(ZEB_DPI_LIBRARY_FILE);
    if (symbols.empty()) {
        GTEST_SKIP() << "nm is not available";
    }
    for (std::string& symbol : symbols) symbol = symbol.substr(0, symbol.find('@'));
    std::ifstream header(std::string(ZEB_SOURCE_DIR) + "/dpi/zeb_fir_v7_1_dpi.h");
    std::vector<std::string> declared;
    std::string text;
    while (std::getline(header, text)) {
        const std::size_t start = text.find("zeb_fir_v7_1_dpi_");
        if (text.rfind("ZEB_FIR_V7_1_DPI_EXPORT ", 0) == 0 && start != std::string::npos)
            declared.push_back(text.substr(start, text.find('(') - start));
    }
    std::sort(symbols.begin(), symbols.end());
    std::sort(declared.begin(), declared.end());
    EXPECT_EQ(declared.size(), 20u);
    EXPECT_EQ(symbols, declared);
}

}  // namespace
