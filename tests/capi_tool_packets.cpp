// zeb-fir run-time packets: @config, @reload and @reset lines in the
// stimulus and the --config-packet / --reload options, against the
// library called directly with the same packets before the same vectors.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool_process.h"
#include "tool_reference.h"

using namespace tooltest;

namespace {

const double kTwoSets[6] = {1, 2, 3, -1, 0, 4};

zeb_fir_v7_1_config two_set_config(unsigned channels)
{
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_default_config(&config);
    config.coeff = kTwoSets;
    config.num_coeffs = 3;
    config.coeff_sets = 2;
    config.num_channels = channels;
    config.reloadable = 1;
    config.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    return config;
}

const std::vector<std::string> kTwoSetArgs = {"--set", "coeff=1,2,3,-1,0,4", "--set", "coeff_sets=2", "--set",
                                              "num_channels=2", "--set", "reloadable=1", "--set",
                                              "config_method=CONFIG_BY_CHANNEL"};

// A one-dimensional record holding the values; the caller destroys it.
template <typename Array, typename T>
Array* one_dimensional(Array* array, const std::vector<T>& values, zeb_status (*reserve_dim)(Array*, size_t),
                       zeb_status (*reserve_data)(Array*, size_t))
{
    reserve_dim(array, 1);
    reserve_data(array, values.size());
    array->dim_size = 1;
    array->dim[0] = array->data_size = values.size();
    for (std::size_t i = 0; i < values.size(); ++i)
        array->data[i] = values[i];
    return array;
}

void send_config(zeb_fir_v7_1* model, const std::vector<unsigned>& selectors)
{
    zeb_array_uint* fsel = one_dimensional(zeb_fir_v7_1_zeb_array_uint_create(), selectors,
                                           zeb_fir_v7_1_zeb_array_uint_reserve_dim,
                                           zeb_fir_v7_1_zeb_array_uint_reserve_data);
    const zeb_fir_v7_1_cnfg_packet packet{ZEB_FIR_V7_1_PATTERN_BASIC, fsel};
    EXPECT_EQ(zeb_fir_v7_1_config_send(model, &packet), ZEB_STATUS_OK);
    zeb_fir_v7_1_zeb_array_uint_destroy(fsel);
}

void send_reload(zeb_fir_v7_1* model, unsigned set, const std::vector<double>& values)
{
    zeb_array_real* coeff = one_dimensional(zeb_fir_v7_1_zeb_array_real_create(), values,
                                            zeb_fir_v7_1_zeb_array_real_reserve_dim,
                                            zeb_fir_v7_1_zeb_array_real_reserve_data);
    const zeb_fir_v7_1_rld_packet packet{set, coeff};
    EXPECT_EQ(zeb_fir_v7_1_reload_send(model, &packet), ZEB_STATUS_OK);
    zeb_fir_v7_1_zeb_array_real_destroy(coeff);
}

// 12 vectors of two channels.
Slots ramp()
{
    Slots slots;
    for (int i = 0; i < 24; ++i)
        slots.push_back({static_cast<double>(i % 7 - 3)});
    return slots;
}

// The stimulus text with command lines inserted before the given vectors.
std::string with_commands(const Slots& slots, std::size_t channels,
                          const std::vector<std::pair<std::size_t, std::string>>& commands)
{
    std::string text;
    for (std::size_t i = 0; i <= slots.size(); ++i) {
        if (i % channels == 0)
            for (const auto& command : commands)
                if (command.first == i / channels)
                    text += command.second + "\n";
        if (i < slots.size())
            text += stimulus_text({slots[i]});
    }
    return text;
}

}  // namespace

TEST(ToolPackets, ConfigReloadAndResetLinesMatchTheLibrary)
{
    const std::string dir = scratch_dir();
    const Slots slots = ramp();
    const std::string stimulus = with_commands(slots, 2,
                                               {{0, "@config fsel=1,0"},
                                                {3, "@reload fsel=0 coeff=5,0,-5"},
                                                {5, "@config fsel=0,0   # both on the reloaded set"},
                                                {8, "@reset"},
                                                {10, "@config fsel=1,1"}});
    const auto expected = reference_output(two_set_config(2), slots, true, false, [](zeb_fir_v7_1* m, std::size_t v) {
        if (v == 0)
            send_config(m, {1, 0});
        if (v == 3)
            send_reload(m, 0, {5, 0, -5});
        if (v == 5)
            send_config(m, {0, 0});
        if (v == 8)
            zeb_fir_v7_1_reset(m);
        if (v == 10)
            send_config(m, {1, 1});
    });
    for (const char* packet : {"1", "4", "1024"}) {
        const auto run = run_tool(with(kTwoSetArgs, {"--input", "-", "--format", "int", "--packet", packet}), dir,
                                  stimulus);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        expect_same_numbers(split_lines(data_lines(run.out)), expected, true);
    }
    // The packets really changed something.
    const auto plain = run_tool(with(kTwoSetArgs, {"--input", "-", "--format", "int"}), dir, stimulus_text(slots));
    EXPECT_NE(plain.out, run_tool(with(kTwoSetArgs, {"--input", "-", "--format", "int"}), dir, stimulus).out);
}

TEST(ToolPackets, CommandLinePacketsEqualCommandLines)
{
    const std::string dir = scratch_dir();
    const Slots slots = ramp();
    const auto in_file = run_tool(with(kTwoSetArgs, {"--input", "-", "--format", "int"}), dir,
                                  with_commands(slots, 2,
                                                {{0, "@config fsel=0,1"},
                                                 {2, "@reload fsel=1 coeff=2,2,2"},
                                                 {4, "@config fsel=1,1"},
                                                 {12, "@config fsel=0,0"}}));
    ASSERT_EQ(in_file.status, 0) << in_file.err;
    const auto from_options =
        run_tool(with(kTwoSetArgs, {"--input", "-", "--format", "int", "--config-packet", "4:fsel=1,1", "--reload",
                                    "2:fsel=1:coeff=2,2,2", "--config-packet", "0:fsel=0,1", "--config-packet",
                                    "12:fsel=0,0"}),
                 dir, stimulus_text(slots));
    ASSERT_EQ(from_options.status, 0) << from_options.err;
    EXPECT_EQ(from_options.out, in_file.out);
}

TEST(ToolPackets, RefusedAndMisplacedPacketsStopTheRun)
{
    const std::string dir = scratch_dir();
    const std::string two_vectors = "1\n2\n3\n4\n";
    struct Case {
        std::vector<std::string> extra;
        std::string stimulus;
        std::string err;
    } cases[] = {
        {{}, "@config fsel=x\n" + two_vectors,
         "zeb-fir: <stdin>:1: @config: bad value in 'fsel=x': expected selectors separated by commas\n"},
        {{}, "@reload coeff=1,2,3 fsel=0,1\n" + two_vectors,
         "zeb-fir: <stdin>:1: @reload: bad value in 'fsel=0,1': expected one coefficient-set number\n"},
        {{}, "@reset now\n" + two_vectors, "zeb-fir: <stdin>:1: @reset: unexpected argument 'now'\n"},
        {{}, "@config chanpat\n" + two_vectors, "zeb-fir: <stdin>:1: @config: unexpected argument 'chanpat'\n"},
        {{"--config-packet", "3:fsel=1"}, two_vectors,
         "zeb-fir: the output is incomplete: 4 lines were written before this error:\n"
         "zeb-fir: --config-packet 3:fsel=1: never sent, the stimulus has only 2 vectors\n"},
        // The model's own refusal, then where it came from.
        {{}, "@config fsel=1\n" + two_vectors,
         "pilvoran_v7_1 ERROR: Insufficient fsel values specified, expecting2\n"
         "zeb-fir: <stdin>:1: the model refused the config packet\n"},
        {{}, "@reload coeff=1,2\n" + two_vectors,
         "pilvoran_v7_1 ERROR: Insufficient coeff values specified, expecting3\n"
         "zeb-fir: <stdin>:1: the model refused the reload packet\n"},
        {{"--reload", "1:fsel=7:coeff=1,2,3"}, two_vectors,
         "pilvoran_v7_1 WARNING: Invalid reload fsel, 7, ignoring packet\n"
         "zeb-fir: the output is incomplete: 2 lines were written before this error:\n"
         "zeb-fir: --reload 1:fsel=7:coeff=1,2,3: the model refused the reload packet\n"},
    };
    for (const Case& c : cases) {
        const auto run = run_tool(with(with(kTwoSetArgs, {"--input", "-"}), c.extra), dir, c.stimulus);
        EXPECT_EQ(run.status, 2) << c.err;
        EXPECT_EQ(run.err, c.err);
    }
}
