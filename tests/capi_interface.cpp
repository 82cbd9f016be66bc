// The C interface as a host meets it: version, silent refusals of null
// arguments, the configuration copy, the exported symbols, and the README's
// example.
#include "host.h"
#include "tool_process.h"

using namespace tooltest;

TEST(Interface, VersionNullArgumentsAndTheConfigurationCopy) {
    EXPECT_STREQ(zeb_fir_v7_1_get_version(), ZEB_FIR_VERSION);
    std::vector<std::string> log;
    const auto record = [](void* to, int, const char* text) { static_cast<decltype(log)*>(to)->push_back(text); };
    zeb_fir_v7_1_config cfg, out;
    EXPECT_EQ(zeb_fir_v7_1_default_config(nullptr) + zeb_fir_v7_1_destroy(nullptr), 2 * ZEB_STATUS_ERROR);
    zeb_fir_v7_1_default_config(&cfg);
    EXPECT_EQ(zeb_fir_v7_1_create(nullptr, record, &log), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_create_dbg(nullptr, record, &log, record, &log), nullptr);
    cfg.name = nullptr;  // no name to copy: the fallback text
    EXPECT_EQ(zeb_fir_v7_1_create(&cfg, record, &log), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_create(&cfg, nullptr, nullptr), nullptr);
    EXPECT_EQ(log, std::vector<std::string>{"Uncaught exception in FIR model create"});
    std::string name = "tb_fir";  // the model keeps its own name and never a host pointer
    cfg.name = name.c_str();
    host::Model m(cfg);
    name.assign("overwritten by the host");
    EXPECT_EQ(zeb_fir_v7_1_get_config(nullptr, &out) + zeb_fir_v7_1_get_config(*m, nullptr), 2 * ZEB_STATUS_ERROR);
    EXPECT_STREQ(m.config().name, "tb_fir");
    EXPECT_EQ(m.config().coeff, nullptr);
}

// Defined dynamic symbols of a library, version suffixes cut off, and the
// names a header declares after its export macro.
std::vector<std::string> exported_by(const char* library) {
    std::istringstream nm(run_program("/usr/bin/nm", {"-D", "--defined-only", library}, scratch_dir()).out);
    std::vector<std::string> symbols;
    for (std::string address, type, name; nm >> address >> type >> name;)
        if (type != "A") symbols.push_back(name.substr(0, name.find('@')));
    return std::sort(symbols.begin(), symbols.end()), symbols;
}
std::vector<std::string> declared_in(const std::string& header, const std::string& macro, const std::string& prefix) {
    std::istringstream text(read_file(ZEB_SOURCE_DIR + header));
    std::vector<std::string> names;
    for (std::string line; std::getline(text, line);) {
        const size_t end = line.find_first_of("(["), start = line.rfind(' ', end) + 1;
        if (line.rfind(macro, 0) == 0 && end != std::string::npos && line.compare(start, prefix.size(), prefix) == 0)
            names.push_back(line.substr(start, end - start));
    }
    return std::sort(names.begin(), names.end()), names;
}

// The model library shows the C interface and the pattern tables, and no
// other name of its own; the DPI library exactly the functions it declares.
TEST(Interface, EveryDeclaredSymbolIsExportedAndNothingElse) {
    const std::vector<std::string> symbols = exported_by(ZEB_LIBRARY_FILE);
    if (symbols.empty()) GTEST_SKIP() << "nm is not available";
    std::vector<std::string> declared = declared_in("/include/zeb_fir_v7_1.h", "ZEB_FIR_V7_1_EXPORT", "zeb_fir_v7_1_");
    for (const std::string& name : declared_in("/include/zeb_fir_v7_1_inspect.h", "ZEB_FIR_V7_1_EXPORT", "zeb_fir"))
        declared.push_back(name);
    std::sort(declared.begin(), declared.end());
    EXPECT_EQ(symbols, declared);
    EXPECT_EQ(symbols.size(), 158u);  // 7 x 17 array functions, 2 + 19 model functions, 8 views, 4 tables, 6 inspection
    EXPECT_EQ(exported_by(ZEB_DPI_LIBRARY_FILE),
              declared_in("/dpi/zeb_fir_v7_1_dpi.h", "ZEB_FIR_V7_1_DPI_EXPORT ", "zeb_fir_v7_1_dpi_"));
}

// The C example in the README is examples/readme_snippet.c, built and run.
TEST(Interface, ReadmeSnippetIsTheBuiltExample) {
    const std::string readme = read_file(ZEB_SOURCE_DIR "/README.md");
    const size_t start = readme.find("```c\n") + 5;  // a missing block compares from 4
    EXPECT_EQ(readme.substr(start, readme.find("```", start) - start),
              read_file(ZEB_SOURCE_DIR "/examples/readme_snippet.c"));
}
