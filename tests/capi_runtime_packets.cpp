// Configuration and reload packets through the C interface: their checks and
// messages, and the points in the data stream where they take effect.
#include <cmath>

#include "capi_runtime_host.h"

using namespace rt;

namespace {

std::vector<double> taps(std::size_t n, int seed) {
    std::vector<double> c(n);
    for (std::size_t k = 0; k < n; ++k) c[k] = static_cast<double>((static_cast<int>(k) * 5 + seed * 7) % 9 - 4);
    return c;
}

std::vector<std::vector<double>> sets_of(std::size_t sets, std::size_t n) {
    std::vector<std::vector<double>> all;
    for (std::size_t s = 0; s < sets; ++s) all.push_back(taps(n, static_cast<int>(s) + 1));
    return all;
}

// Four channels, four sets of 21 taps, one selector per channel.
void four_sets(Host& s, int reloadable = 0) {
    s.coefficients(sets_of(4, 21));
    s.cfg.num_channels = 4;
    s.cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    s.cfg.reloadable = static_cast<unsigned int>(reloadable);
}

// Sends V vectors of test samples and checks every channel of every path
// against the reference with the given set per channel (and per input).
void expect_filtered(zeb_fir_v7_1* m, std::size_t P, std::size_t C, std::size_t V,
                     const std::vector<std::vector<double>>& sets,
                     const std::function<std::vector<std::size_t>(int chan)>& select) {
    Real in = make_packet(P, C, V, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m, in.get()), ZEB_STATUS_OK);
    expect_channels(values_of(*in), get_vectors(m, P, C, V), P, basic_order(C), static_cast<int>(C), 1, 1, sets,
                    select);
}

// Four channels under pattern 3 (slots 0 1 0 2), three of them in use.
const std::vector<int> kPattern3 = {0, 1, 0, 2};

void advanced(Host& s, zeb_fir_v7_1_pattern init_pattern) {
    s.cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    s.cfg.num_channels = 4;
    s.cfg.init_pattern = init_pattern;
}

std::vector<std::size_t> all(std::size_t set, std::size_t n) { return std::vector<std::size_t>(n, set); }

}  // namespace

// ---------------------------------------------------------------- config_send checks

TEST(ConfigSend, WarnsAndQueuesNothingWhenThereIsNothingToConfigure) {
    Host s;  // basic order, one set, not reloadable
    s.coefficients({{1, 2, 3}});
    Model m = s.create();
    Uint fsel = make_uint({0});
    EXPECT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.msgs.seen,
              std::vector<Message>{warning("Ignoring config packet as not required for model configuration")});
}

TEST(ConfigSend, RefusesMalformedSelectorArrays) {
    Host s;
    four_sets(s);
    Model m = s.create();

    Uint flat = make_uint({0, 1, 2, 3, 0, 1, 2, 3});
    ASSERT_EQ(zeb_fir_v7_1_zeb_array_uint_reserve_dim(flat.get(), 2), 0);
    flat->dim[0] = 4;
    flat->dim[1] = 2;
    flat->dim_size = 2;
    EXPECT_EQ(send_config(m.get(), 0, flat.get()), ZEB_STATUS_ERROR);

    Uint three = make_uint({0, 1, 2});
    EXPECT_EQ(send_config(m.get(), 0, three.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(send_config(m.get(), 0, nullptr), ZEB_STATUS_ERROR);

    // The lengths promise four values, the store holds two: never read past it.
    Uint short_store = make_uint({1, 1});
    short_store->dim[0] = 4;
    EXPECT_EQ(send_config(m.get(), 0, short_store.get()), ZEB_STATUS_ERROR);

    EXPECT_EQ(s.msgs.seen, (std::vector<Message>{error("Expecting 1-D array for fsel"),
                                                 error("Insufficient fsel values specified, expecting4"),
                                                 error("Insufficient fsel values specified, expecting4"),
                                                 error("Insufficient fsel values specified, expecting4")}));

    // Nothing was queued: every channel still filters with set 0.
    s.msgs.seen.clear();
    expect_filtered(m.get(), 1, 4, 2, sets_of(4, 21), [](int) { return all(0, 2); });
    EXPECT_TRUE(s.msgs.seen.empty());
}

TEST(ConfigSend, SingleMethodNeedsOneSelector) {
    Host s;
    four_sets(s);
    s.cfg.config_method = ZEB_FIR_V7_1_CONFIG_SINGLE;
    Model m = s.create();
    Uint empty = make_uint({});
    EXPECT_EQ(send_config(m.get(), 0, empty.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(send_config(m.get(), 0, nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen, (std::vector<Message>{error("Insufficient fsel values specified, expecting1"),
                                                 error("Insufficient fsel values specified, expecting1")}));
}

TEST(ConfigSend, OutOfRangeSelectorIsClampedToTheLastSet) {
    Host s;
    four_sets(s);
    s.cfg.num_paths = 2;
    Model m = s.create();
    Uint fsel = make_uint({1, 3, 0, 7});
    EXPECT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.msgs.seen, std::vector<Message>{warning(
                               "fsel[3] : 7 is greater than maximum number of coeff_sets: 3. Reseting to: 3")});
    const std::vector<std::size_t> chosen = {1, 3, 0, 3};
    expect_filtered(m.get(), 2, 4, 3, sets_of(4, 21), [&](int c) { return all(chosen[c], 3); });
}

TEST(ConfigSend, SurplusSelectorsAreWarnedAboutAndIgnored) {
    Host s;
    four_sets(s);
    Model m = s.create();
    Uint fsel = make_uint({2, 1, 1, 2, 0});
    EXPECT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.msgs.seen,
              std::vector<Message>{warning("More fsel values specified than required, will use first 4")});
    const std::vector<std::size_t> chosen = {2, 1, 1, 2};
    expect_filtered(m.get(), 1, 4, 2, sets_of(4, 21), [&](int c) { return all(chosen[c], 2); });
}

TEST(ConfigSend, SingleMethodUsesTheFirstSelectorForEveryChannel) {
    Host s;
    four_sets(s);
    s.cfg.config_method = ZEB_FIR_V7_1_CONFIG_SINGLE;
    Model m = s.create();
    Uint fsel = make_uint({2, 1});
    EXPECT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.msgs.seen, std::vector<Message>{warning("Will only use the first fsel values specificed")});
    expect_filtered(m.get(), 1, 4, 2, sets_of(4, 21), [](int) { return all(2, 2); });
}

TEST(ConfigSend, WithOneSetMissingSelectorsCountAsZero) {
    Host s;
    s.coefficients({{1, -2, 3}});
    s.cfg.num_channels = 3;
    s.cfg.reloadable = 1;  // packets are then accepted with a single set
    s.cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    Model m = s.create();
    Uint one = make_uint({5});
    EXPECT_EQ(send_config(m.get(), 0, nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(send_config(m.get(), 0, one.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.msgs.seen, std::vector<Message>{warning(
                               "fsel[0] : 5 is greater than maximum number of coeff_sets: 0. Reseting to: 0")});
    expect_filtered(m.get(), 1, 3, 3, {{1, -2, 3}}, [](int) { return all(0, 3); });
}

TEST(ConfigSend, AdvancedOrderReplacesAnInvalidPattern) {
    Host s;
    s.coefficients({{1, 2}});
    advanced(s, 3);
    Model m = s.create_dbg();
    EXPECT_EQ(send_config(m.get(), 27, nullptr), ZEB_STATUS_OK);  // 27 belongs to 12 channels
    EXPECT_EQ(s.msgs.seen, std::vector<Message>{warning(
                               "Channel pattern ID is invalid for specified number of channels, using default value")});
    Real in = make_packet(1, 4, 1, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.notes.containing("Updating CurrentPattern"),
              std::vector<std::string>{"dut NOTE: Updating CurrentPattern: 3 cnfg.chanpat: 0"});
}

// ---------------------------------------------------------------- reload_send checks

TEST(ReloadSend, ChecksAndTexts) {
    Host fixed;
    four_sets(fixed);
    Model plain = fixed.create();
    Real k21 = make_real({21}, taps(21, 9));
    EXPECT_EQ(send_reload(plain.get(), 0, k21.get()), ZEB_STATUS_OK);
    EXPECT_EQ(fixed.msgs.seen,
              std::vector<Message>{warning("Ignoring reload packet as not required for model configuration")});

    Host s;
    four_sets(s, 1);
    Model m = s.create();
    // An invalid set index: status 1 and only the warning.
    EXPECT_EQ(send_reload(m.get(), 9, k21.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen, std::vector<Message>{warning("Invalid reload fsel, 9, ignoring packet")});
    s.msgs.seen.clear();

    Real square = make_real({7, 3}, taps(21, 9));
    Real k20 = make_real({20}, taps(20, 9));
    Real short_store = make_real({21}, taps(10, 9));
    EXPECT_EQ(send_reload(m.get(), 1, square.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(send_reload(m.get(), 1, k20.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(send_reload(m.get(), 1, nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(send_reload(m.get(), 1, short_store.get()), ZEB_STATUS_ERROR);
    std::vector<double> with_nan = taps(21, 9);
    with_nan[20] = std::nan("");
    Real not_finite = make_real({21}, with_nan);
    EXPECT_EQ(send_reload(m.get(), 1, not_finite.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen, (std::vector<Message>{error("Expecting 1-D array for coeff"),
                                                 error("Insufficient coeff values specified, expecting21"),
                                                 error("Reload packet has no coeff array"),
                                                 error("Reload coeff array holds fewer values than its length"),
                                                 error("Coefficient value is not a finite number")}));
    s.msgs.seen.clear();

    // None of the refused packets was queued: a configuration packet now
    // applies the original sets.
    Uint fsel = make_uint({1, 1, 1, 1});
    EXPECT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    expect_filtered(m.get(), 1, 4, 2, sets_of(4, 21), [](int) { return all(1, 2); });
    EXPECT_TRUE(s.msgs.seen.empty());
}

TEST(ReloadSend, SurplusValuesAreWarnedAboutAndOnlyTheFirstUsed) {
    Host s;
    four_sets(s, 1);
    Model m = s.create();
    std::vector<double> values = taps(22, 5);
    values[21] = 1000;  // would change the output if it were used
    Real k22 = make_real({22}, values);
    EXPECT_EQ(send_reload(m.get(), 2, k22.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.msgs.seen,
              std::vector<Message>{warning("More coeff values specified than required, will use first 21")});
    Uint fsel = make_uint({2, 2, 2, 2});
    ASSERT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    std::vector<std::vector<double>> sets = sets_of(4, 21);
    sets[2] = taps(21, 5);
    expect_filtered(m.get(), 1, 4, 2, sets, [](int) { return all(2, 2); });
}

// ---------------------------------------------------------------- when packets apply

TEST(PacketTiming, PacketSentBeforeDataAppliesToTheWholeFirstVector) {
    Host s;
    four_sets(s);
    s.cfg.num_paths = 2;
    Model m = s.create();
    Uint fsel = make_uint({1, 0, 3, 2});
    ASSERT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    const std::vector<std::size_t> chosen = {1, 0, 3, 2};
    expect_filtered(m.get(), 2, 4, 3, sets_of(4, 21), [&](int c) { return all(chosen[c], 3); });
}

TEST(PacketTiming, QueuedPacketsApplyAtSuccessiveSynchronisationPoints) {
    Host s;
    s.coefficients(sets_of(3, 5));
    s.cfg.num_channels = 2;
    Model m = s.create();
    Uint first = make_uint({1});
    Uint second = make_uint({2});
    ASSERT_EQ(send_config(m.get(), 0, first.get()), ZEB_STATUS_OK);
    ASSERT_EQ(send_config(m.get(), 0, second.get()), ZEB_STATUS_OK);
    // Vector 0 with set 1, every later one with set 2; histories carry over.
    expect_filtered(m.get(), 1, 2, 4, sets_of(3, 5), [](int) {
        return std::vector<std::size_t>{1, 2, 2, 2};
    });
}

TEST(PacketTiming, DecimatorHoldsPacketsUntilChannelZeroCompletesAnOutput) {
    Host s;
    s.coefficients(sets_of(2, 6));
    s.cfg.filter_type = ZEB_FIR_V7_1_DECIMATION;
    s.cfg.decimation_rate = 3;
    s.cfg.num_channels = 2;
    Model m = s.create();

    // One vector per send; the packet arrives after the first vector, while
    // channel 0 has consumed samples but produced nothing yet.
    Real in = make_packet(1, 2, 9, sample_at);
    const std::vector<double> all_in = values_of(*in);
    Uint fsel = make_uint({1});
    for (std::size_t v = 0; v < 9; ++v) {
        Real one = make_real({1, 2, 1}, {all_in[2 * v], all_in[2 * v + 1]});
        ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), one.get()), ZEB_STATUS_OK);
        if (v == 0) {
            ASSERT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
        }
    }
    const std::vector<double> out = get_vectors(m.get(), 1, 2, 3);
    // Outputs come with inputs 2, 5 and 8; the packet applies before input 3.
    const std::vector<std::size_t> select = {0, 0, 0, 1, 1, 1, 1, 1, 1};
    expect_channels(all_in, out, 1, basic_order(2), 2, 1, 3, sets_of(2, 6), [&](int) { return select; });
}

TEST(PacketTiming, AdvancedOrderSynchronisesAtEverySlotOfChannelZero) {
    // Pattern 3 gives channel 0 slots 0 and 2: the second packet applies at
    // slot 2 of the first vector, after channel 1 has filtered its sample.
    Host s;
    s.coefficients(sets_of(2, 4));
    advanced(s, 3);
    Model m = s.create();
    Uint set0 = make_uint({0});
    Uint set1 = make_uint({1});
    ASSERT_EQ(send_config(m.get(), 3, set0.get()), ZEB_STATUS_OK);
    ASSERT_EQ(send_config(m.get(), 3, set1.get()), ZEB_STATUS_OK);
    Real in = make_packet(1, 4, 2, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
    const std::vector<double> out = get_vectors(m.get(), 1, 4, 2);
    const std::vector<std::vector<std::size_t>> select = {{0, 1, 1, 1}, {0, 1}, {1, 1}};
    expect_channels(values_of(*in), out, 1, kPattern3, 3, 1, 1, sets_of(2, 4), [&](int c) { return select[c]; });
}

TEST(PacketTiming, PatternChangeResetsEveryKernelAndRoutesByTheNewPattern) {
    Host s;
    const std::vector<double> c = {3, -1, 2};
    s.coefficients({c});
    advanced(s, 3);
    Model m = s.create_dbg();

    Real a = make_packet(1, 4, 1, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), a.get()), ZEB_STATUS_OK);
    const std::vector<double> out_a = get_vectors(m.get(), 1, 4, 1);
    const std::vector<double> xa = values_of(*a);
    EXPECT_EQ(out_a, (std::vector<double>{reference({xa[0], xa[2]}, 1, 1, c)[0], reference({xa[1]}, 1, 1, c)[0],
                                          reference({xa[0], xa[2]}, 1, 1, c)[1], reference({xa[3]}, 1, 1, c)[0]}));

    ASSERT_EQ(send_config(m.get(), 1, nullptr), ZEB_STATUS_OK);  // slots 0 1 0 1
    EXPECT_TRUE(s.notes.containing("Updating CurrentPattern").empty());
    Real b = make_packet(1, 4, 2, [](std::size_t p, std::size_t sl, std::size_t v) { return sample_at(p, sl, v + 5); });
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), b.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.notes.containing("Updating CurrentPattern"),
              std::vector<std::string>{"dut NOTE: Updating CurrentPattern: 3 cnfg.chanpat: 1"});

    // Histories restart from zeros: channel 0 does not see its samples of A.
    expect_channels(values_of(*b), get_vectors(m.get(), 1, 4, 2), 1, {0, 1, 0, 1}, 2, 1, 1, {c});
}

TEST(PacketTiming, SamePatternChangesCoefficientsWithoutReset) {
    Host s;
    s.coefficients(sets_of(2, 3));
    advanced(s, 3);
    Model m = s.create_dbg();
    Real in = make_packet(1, 4, 3, sample_at);
    const std::vector<double> all_in = values_of(*in);
    Real first = make_real({1, 4, 1}, std::vector<double>(all_in.begin(), all_in.begin() + 4));
    Real rest = make_real({1, 4, 2}, std::vector<double>(all_in.begin() + 4, all_in.end()));
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), first.get()), ZEB_STATUS_OK);
    Uint fsel = make_uint({1});
    ASSERT_EQ(send_config(m.get(), 3, fsel.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), rest.get()), ZEB_STATUS_OK);
    EXPECT_TRUE(s.notes.containing("Updating CurrentPattern").empty());

    const std::vector<double> out = get_vectors(m.get(), 1, 4, 3);
    const std::vector<std::vector<std::size_t>> select = {{0, 0, 1, 1, 1, 1}, {0, 1, 1}, {0, 1, 1}};
    expect_channels(all_in, out, 1, kPattern3, 3, 1, 1, sets_of(2, 3), [&](int c) { return select[c]; });
}

// ---------------------------------------------------------------- reloads

TEST(Reload, TakesEffectOnlyWithTheNextConfigurationPacketEvenForTheSetInUse) {
    Host s;
    s.coefficients(sets_of(2, 5));
    s.cfg.num_channels = 2;
    s.cfg.reloadable = 1;
    Model m = s.create();
    std::vector<std::vector<double>> sets = sets_of(2, 5);
    const std::vector<double> fresh = {7, 0, -3, 1, 2};
    Real reload = make_real({5}, fresh);
    ASSERT_EQ(send_reload(m.get(), 0, reload.get()), ZEB_STATUS_OK);

    // Alone it changes nothing.
    expect_filtered(m.get(), 1, 2, 2, sets, [](int) { return all(0, 2); });

    // With a packet that keeps set 0, the new values reach the kernels.
    Uint fsel = make_uint({0});
    ASSERT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
    Real in = make_packet(1, 2, 4, sample_at);
    Real whole = make_packet(1, 2, 6, [&](std::size_t p, std::size_t sl, std::size_t v) {
        return v < 2 ? sample_at(p, sl, v) : sample_at(p, sl, v - 2);
    });
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
    const std::vector<double> out = get_vectors(m.get(), 1, 2, 4);
    sets.push_back(fresh);  // set 2 of the reference: the reloaded set 0
    for (int c = 0; c < 2; ++c) {
        const std::vector<double> x = channel_stream(values_of(*whole), 1, basic_order(2), 0, c);
        const std::vector<double> y = reference(x, 1, 1, sets, {0, 0, 2, 2, 2, 2});
        EXPECT_EQ(channel_stream(out, 1, basic_order(2), 0, c), std::vector<double>(y.begin() + 2, y.end()))
            << "channel " << c;
    }
}
