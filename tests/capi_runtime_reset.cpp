// Reset and teardown through the C interface: a reset model behaves like a
// fresh one except for reloaded sets, and destroy releases everything.
#include "capi_runtime_host.h"

using namespace rt;

namespace {

const std::vector<double> kSet0 = {5, -4, 3};
const std::vector<double> kSet1 = {-2, 7, 1};

// Sends the packet, reads all its vectors back and returns them.
std::vector<double> run(zeb_fir_v7_1* m, const zeb_array_real& in, std::size_t vectors_out) {
    EXPECT_EQ(zeb_fir_v7_1_data_send(m, &in), ZEB_STATUS_OK);
    return get_vectors(m, in.dim[0], in.dim[1], vectors_out);
}

// Every path and channel of the packet filtered with taps c at rate L/M.
std::vector<double> expected(const zeb_array_real& in, unsigned L, unsigned M, const std::vector<double>& c) {
    return expected_vectors(values_of(in), in.dim[0], in.dim[1], L, M, c);
}

void two_sets(Host& s, std::size_t P, std::size_t C) {
    s.coefficients({kSet0, kSet1});
    s.cfg.num_paths = static_cast<unsigned int>(P);
    s.cfg.num_channels = static_cast<unsigned int>(C);
    s.cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    s.cfg.reloadable = 1;
}

}  // namespace

// Both arithmetic modes: 16-bit data stays in doubles, 49-bit data needs a
// 53-bit accumulator and GMP integers.
class ResetMidBlock : public ::testing::TestWithParam<unsigned int> {};

TEST_P(ResetMidBlock, ThenSameInputGivesTheFreshModelsOutput) {
    Host s;
    two_sets(s, 2, 3);
    s.cfg.data_width = GetParam();
    Model m = s.create();
    Model fresh = s.create();

    // Leave every kind of state behind: an applied packet (channel 1 on set
    // 1), a queued one, buffered output, half-walked slot positions.
    Uint first = make_uint({0, 1, 0});
    Uint second = make_uint({1, 1, 1});
    ASSERT_EQ(send_config(m.get(), 0, first.get()), ZEB_STATUS_OK);
    Real warmup = make_packet(2, 3, 2, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), warmup.get()), ZEB_STATUS_OK);
    Real slot_out = make_real({2}, {0, 0});
    ASSERT_EQ(zeb_fir_v7_1_data_get_channel(m.get(), slot_out.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(slot_out->data_size, 2u);
    Real slot_in = make_real({2}, {11, -12});
    ASSERT_EQ(zeb_fir_v7_1_data_send_channel(m.get(), slot_in.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_send_channel(m.get(), slot_in.get()), ZEB_STATUS_OK);
    ASSERT_EQ(send_config(m.get(), 0, second.get()), ZEB_STATUS_OK);

    ASSERT_EQ(zeb_fir_v7_1_reset(m.get()), ZEB_STATUS_OK);

    Real in = make_packet(2, 3, 4, [](std::size_t p, std::size_t sl, std::size_t v) { return sample_at(p, sl, v + 9); });
    const std::vector<double> want = expected(*in, 1, 1, kSet0);
    EXPECT_EQ(run(fresh.get(), *in, 4), want);
    EXPECT_EQ(run(m.get(), *in, 4), want);
    EXPECT_TRUE(s.msgs.seen.empty());  // no short read, no refused packet
}

INSTANTIATE_TEST_SUITE_P(Modes, ResetMidBlock, ::testing::Values(16u, 49u));

TEST(Reset, DecimatorRestartsItsPhase) {
    Host s;
    s.coefficients({{1, 2, 3, 4, 5, 6}});
    s.cfg.filter_type = ZEB_FIR_V7_1_DECIMATION;
    s.cfg.decimation_rate = 3;
    s.cfg.num_channels = 2;
    Model m = s.create();
    Real part = make_packet(1, 2, 2, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), part.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_reset(m.get()), ZEB_STATUS_OK);
    Real in = make_packet(1, 2, 6, [](std::size_t p, std::size_t sl, std::size_t v) { return sample_at(p, sl, v + 4); });
    EXPECT_EQ(run(m.get(), *in, 2), expected(*in, 1, 3, {1, 2, 3, 4, 5, 6}));
}

TEST(Reset, HilbertDelayLinesArePrimedAgain) {
    const std::vector<double> h = {-1, 0, -3, 0, -5, 0, 5, 0, 3, 0, 1};
    for (unsigned int padding : {0u, 3u}) {
        Host s;
        s.coefficients({h});
        s.cfg.filter_type = ZEB_FIR_V7_1_HILBERT;
        s.cfg.coeff_padding = padding;
        Model m = s.create();
        // Leave the delay line part-read: seven in, two complex reads out.
        Real warm = make_packet(1, 1, 7, sample_at);
        ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), warm.get()), ZEB_STATUS_OK);
        Complex partial(zeb_fir_v7_1_zeb_array_complex_create());
        ASSERT_EQ(zeb_fir_v7_1_zeb_array_complex_reserve_dim(partial.get(), 3), 0);
        ASSERT_EQ(zeb_fir_v7_1_zeb_array_complex_reserve_data(partial.get(), 2), 0);
        partial->dim[0] = 1;
        partial->dim[1] = 1;
        partial->dim[2] = 2;
        partial->dim_size = 3;
        ASSERT_EQ(zeb_fir_v7_1_data_get(m.get(), nullptr, partial.get()), ZEB_STATUS_OK);

        ASSERT_EQ(zeb_fir_v7_1_reset(m.get()), ZEB_STATUS_OK);
        Complex sink(zeb_fir_v7_1_zeb_array_complex_create());
        ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), nullptr, sink.get()), ZEB_STATUS_OK);
        Real in = make_packet(1, 1, 12, [](std::size_t p, std::size_t sl, std::size_t v) { return sample_at(p, sl, v + 20); });
        ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);

        const std::size_t delay = 5 + padding;
        std::vector<double> padded(padding, 0.0);
        padded.insert(padded.end(), h.begin(), h.end());
        const std::vector<double> im = reference(values_of(*in), 1, 1, padded);
        ASSERT_EQ(sink->data_size, 12u);
        for (std::size_t v = 0; v < 12; ++v) {
            EXPECT_EQ(sink->data[v].re, v < delay ? 0.0 : in->data[v - delay]) << "padding " << padding << " v " << v;
            EXPECT_EQ(sink->data[v].im, im[v]) << "padding " << padding << " v " << v;
        }
    }
}

TEST(Reset, RestoresThePatternChosenAtCreation) {
    Host s;
    const std::vector<double> c = {2, 1, -1};
    s.coefficients({c});
    s.cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    s.cfg.num_channels = 4;
    s.cfg.init_pattern = 99;  // not a pattern of four channels: the first one (0) is used
    Model m(zeb_fir_v7_1_create_dbg(&s.cfg, &Messages::record, &s.msgs, &Messages::record, &s.notes));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(s.msgs.containing("Channel pattern ID"),
              std::vector<std::string>{
                  "dut WARNING: Channel pattern ID is invalid for specified number of channels, using default value"});

    ASSERT_EQ(send_config(m.get(), 1, nullptr), ZEB_STATUS_OK);
    Real a = make_packet(1, 4, 1, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), a.get()), ZEB_STATUS_OK);
    ASSERT_EQ(s.notes.containing("Updating CurrentPattern"),
              std::vector<std::string>{"dut NOTE: Updating CurrentPattern: 0 cnfg.chanpat: 1"});
    ASSERT_EQ(zeb_fir_v7_1_reset(m.get()), ZEB_STATUS_OK);

    // Pattern 0 gives channel 0 all four slots.
    Real b = make_packet(1, 4, 2, [](std::size_t p, std::size_t sl, std::size_t v) { return sample_at(p, sl, v + 3); });
    EXPECT_EQ(run(m.get(), *b, 2), reference(values_of(*b), 1, 1, c));

    // A packet naming pattern 0 changes nothing; another pattern is reported
    // as a change from 0.
    s.notes.seen.clear();
    ASSERT_EQ(send_config(m.get(), 0, nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(send_config(m.get(), 2, nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), b.get()), ZEB_STATUS_OK);
    EXPECT_EQ(s.notes.containing("Updating CurrentPattern"),
              std::vector<std::string>{"dut NOTE: Updating CurrentPattern: 0 cnfg.chanpat: 2"});
}

TEST(Reset, KeepsReloadedSetsAndQueuedReloadsAndDropsQueuedPackets) {
    const std::vector<double> reloaded0 = {1, 1, -6};
    const std::vector<double> reloaded1 = {0, 9, -2};
    Host s;
    two_sets(s, 1, 2);
    Model m = s.create();
    Real in = make_packet(1, 2, 3, sample_at);

    // A reload of set 0 that has taken effect stays in force.
    Real r0 = make_real({3}, reloaded0);
    Uint zeros = make_uint({0, 0});
    ASSERT_EQ(send_reload(m.get(), 0, r0.get()), ZEB_STATUS_OK);
    ASSERT_EQ(send_config(m.get(), 0, zeros.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_reset(m.get()), ZEB_STATUS_OK);
    EXPECT_EQ(run(m.get(), *in, 3), expected(*in, 1, 1, reloaded0));

    // A queued packet is dropped by reset; a queued reload waits for the
    // next packet applied after it.
    Uint ones = make_uint({1, 1});
    Real r1 = make_real({3}, reloaded1);
    ASSERT_EQ(send_config(m.get(), 0, ones.get()), ZEB_STATUS_OK);
    ASSERT_EQ(send_reload(m.get(), 1, r1.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_reset(m.get()), ZEB_STATUS_OK);
    EXPECT_EQ(run(m.get(), *in, 3), expected(*in, 1, 1, reloaded0));
    ASSERT_EQ(zeb_fir_v7_1_reset(m.get()), ZEB_STATUS_OK);
    ASSERT_EQ(send_config(m.get(), 0, ones.get()), ZEB_STATUS_OK);
    EXPECT_EQ(run(m.get(), *in, 3), expected(*in, 1, 1, reloaded1));
    EXPECT_TRUE(s.msgs.seen.empty());
}

TEST(Destroy, ReleasesQueuedPacketsBuffersAndLeavesSinksToTheHost) {
    // Run under the sanitizer build, where a leaked packet copy fails the test.
    for (unsigned int width : {16u, 49u}) {
        Host s;
        two_sets(s, 2, 2);
        s.cfg.data_width = width;
        Mpz sink(zeb_fir_v7_1_zeb_array_mpz_create());
        Real reload = make_real({3}, kSet1);
        Uint fsel = make_uint({1, 0});
        {
            Model m = s.create();
            ASSERT_EQ(zeb_fir_v7_1_set_data_sink_mpz(m.get(), sink.get(), nullptr), ZEB_STATUS_OK);
            Real in = make_packet(2, 2, 3, sample_at);
            ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
            for (int i = 0; i < 3; ++i) {
                ASSERT_EQ(send_config(m.get(), 0, fsel.get()), ZEB_STATUS_OK);
                ASSERT_EQ(send_reload(m.get(), 1, reload.get()), ZEB_STATUS_OK);
            }
            Real slot = make_real({2}, {1, 2});
            ASSERT_EQ(zeb_fir_v7_1_data_send_channel(m.get(), slot.get()), ZEB_STATUS_OK);
        }
        // The host's records are untouched by the teardown.
        EXPECT_EQ(sink->data_size, 12u);
        EXPECT_EQ(fsel->data[0], 1u);
        EXPECT_EQ(reload->data[1], 7.0);
    }
}
