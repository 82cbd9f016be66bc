// The C interface as a host meets it: defaults, version, creation and
// teardown, silent refusals of null arguments, the normalised configuration
// copy, the exported symbols, and the README's example.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "host.h"

using namespace host;

TEST(Interface, VersionIsBuiltOnceWhicheverThreadAsksFirst) {
    std::vector<const char*> seen(8, nullptr);
    std::vector<std::thread> pool;
    for (size_t i = 0; i < seen.size(); ++i) pool.emplace_back([&seen, i] { seen[i] = zeb_fir_v7_1_get_version(); });
    for (std::thread& t : pool) t.join();
    EXPECT_STREQ(zeb_fir_v7_1_get_version(), "7.1.1");
    EXPECT_EQ(seen, std::vector<const char*>(8, zeb_fir_v7_1_get_version()));
}

TEST(Interface, CreationTeardownAndNullArguments) {
    zeb_fir_v7_1_config cfg;
    EXPECT_EQ(zeb_fir_v7_1_default_config(nullptr), ZEB_STATUS_ERROR);
    zeb_fir_v7_1_default_config(&cfg);
    std::vector<Message> log;
    auto record = [](void* h, int flag, const char* text) {
        static_cast<std::vector<Message>*>(h)->push_back({0, flag, text});
    };
    EXPECT_EQ(zeb_fir_v7_1_create(nullptr, record, &log), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_create_dbg(nullptr, record, &log, record, &log), nullptr);
    EXPECT_TRUE(log.empty());
    cfg.name = nullptr;  // no name to copy: the fallback text
    EXPECT_EQ(zeb_fir_v7_1_create(&cfg, record, &log), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_create(&cfg, nullptr, nullptr), nullptr);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, "Uncaught exception in FIR model create");
    EXPECT_EQ(zeb_fir_v7_1_destroy(nullptr), ZEB_STATUS_ERROR);

    // The model copies the record, keeps its own name and never a host pointer.
    std::string name = "tb_fir";
    cfg.name = name.c_str();
    cfg.filter_type = ZEB_FIR_V7_1_DECIMATION, cfg.interpolation_rate = 4, cfg.decimation_rate = 6;
    cfg.zero_packing_factor = 5, cfg.num_channels = 3, cfg.num_paths = 2;
    zeb_fir_v7_1* a = zeb_fir_v7_1_create(&cfg, nullptr, nullptr);
    zeb_fir_v7_1* b = zeb_fir_v7_1_create(&cfg, nullptr, nullptr);
    ASSERT_NE(a, nullptr);
    name.assign("overwritten by the host");
    EXPECT_EQ(zeb_fir_v7_1_destroy(b), ZEB_STATUS_OK);  // handles are independent
    zeb_fir_v7_1_config out = cfg;
    EXPECT_EQ(zeb_fir_v7_1_get_config(nullptr, &out), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_get_config(a, nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(std::memcmp(&out, &cfg, sizeof out), 0);
    ASSERT_EQ(zeb_fir_v7_1_get_config(a, &out), ZEB_STATUS_OK);
    EXPECT_STREQ(out.name, "tb_fir");
    EXPECT_EQ(out.coeff, nullptr);
    const std::vector<unsigned int> kept = {out.interpolation_rate, out.decimation_rate, out.zero_packing_factor,
                                            out.num_channels, out.num_paths};
    EXPECT_EQ(kept, (std::vector<unsigned int>{1, 6, 1, 3, 2}));

    EXPECT_EQ(zeb_fir_v7_1_destroy(a), ZEB_STATUS_OK);
}

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// Defined dynamic symbols of a library, version suffixes cut off (empty when
// nm cannot run), and the names a header declares after its export macro.
std::vector<std::string> exported_by(const char* library) {
    FILE* pipe = popen((std::string("nm -D --defined-only '") + library + "' 2>/dev/null").c_str(), "r");
    std::vector<std::string> symbols;
    char line[1024], name[1024], type = 0;
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr)
        if (std::sscanf(line, "%*s %c %1023s", &type, name) == 2 && type != 'A') symbols.push_back(name);
    if (pipe != nullptr) pclose(pipe);
    for (std::string& s : symbols) s = s.substr(0, s.find('@'));
    std::sort(symbols.begin(), symbols.end());
    return symbols;
}
std::vector<std::string> declared_in(const std::string& header, const std::string& macro, const std::string& prefix) {
    std::istringstream text(read_file(std::string(ZEB_SOURCE_DIR) + header));
    std::vector<std::string> names;
    for (std::string line; std::getline(text, line);) {
        const size_t end = line.find_first_of("(["), start = line.rfind(' ', end) + 1;
        if (line.rfind(macro, 0) == 0 && end != std::string::npos && line.compare(start, prefix.size(), prefix) == 0)
            names.push_back(line.substr(start, end - start));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The model library shows the C interface and the pattern tables, and no
// other name of its own; the DPI library exactly the functions it declares.
TEST(Interface, EveryDeclaredSymbolIsExportedAndNothingElse) {
    const std::vector<std::string> symbols = exported_by(ZEB_LIBRARY_FILE);
    if (symbols.empty()) GTEST_SKIP() << "nm is not available";
    const std::vector<std::string> declared =
        declared_in("/include/zeb_fir_v7_1.h", "ZEB_FIR_V7_1_EXPORT", "zeb_fir_v7_1_");
    EXPECT_EQ(declared.size(), 152u);  // 7 x 17 array functions, 2 + 19 model functions, 8 views, 4 tables
    EXPECT_EQ(symbols, declared);
    EXPECT_EQ(exported_by(ZEB_DPI_LIBRARY_FILE),
              declared_in("/dpi/zeb_fir_v7_1_dpi.h", "ZEB_FIR_V7_1_DPI_EXPORT ", "zeb_fir_v7_1_dpi_"));
}

// The C example in the README is examples/readme_snippet.c, built and run.
TEST(Interface, ReadmeSnippetIsTheBuiltExample) {
    const std::string readme = read_file(std::string(ZEB_SOURCE_DIR) + "/README.md");
    const std::string example = read_file(std::string(ZEB_SOURCE_DIR) + "/examples/readme_snippet.c");
    const size_t start = readme.find("```c\n");
    ASSERT_NE(start, std::string::npos);
    ASSERT_FALSE(example.empty());
    EXPECT_EQ(readme.substr(start + 5, readme.find("```", start + 5) - start - 5), example);
}
