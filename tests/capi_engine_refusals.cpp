// Refused data calls: exact texts, and a model that afterwards behaves as if
// the refused call had never been made.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "zeb_fir_v7_1.h"

using namespace harness;

namespace {

const char* const kPacketDims =
    "Incorrect data array dimension, expecting num_paths by num_channels (by number of vectors)";
const char* const kSlotDims = "Incorrect data array dimension, expected 1-D array of num_paths";
const char* const kPacketSize = "Incorrect data size, expecting num_paths: 2 by num_channels: 3";
const char* const kSlotSize = "Incorrect data size, expecting num_paths: 2";
const char* const kShort = "Input array holds fewer samples than its dimensions promise";
const char* const kMoreThanAvailable = "pilvoran_v7_1 WARNING: Getting more vectors than available, reseting array size";

// Two paths, three channels, decimation by 2: outputs depend on every
// sample and on where each one went.
zeb_fir_v7_1_config two_by_three() {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.num_paths = 2;
    cfg.num_channels = 3;
    cfg.filter_type = ZEB_FIR_V7_1_DECIMATION;
    cfg.decimation_rate = 2;
    return cfg;
}

// Reads every whole vector held (asking for more and accepting the warning).
std::vector<double> drain(Model& m, size_t P, size_t C) {
    Real out({P, C, 64});
    EXPECT_EQ(zeb_fir_v7_1_data_get(*m, out.get(), nullptr), ZEB_STATUS_OK);
    m.take_messages();
    return std::vector<double>(out->data, out->data + out->data_size);
}

// Expects the call's status 1 and exactly one error with this text.
void expect_refused(Model& m, zeb_status status, const std::string& text) {
    EXPECT_EQ(status, ZEB_STATUS_ERROR);
    EXPECT_EQ(m.take_messages(), std::vector<std::string>{error_text(text)});
}

}  // namespace

TEST(EngineRefusals, PacketWhileASlotTurnIsIncomplete) {
    const zeb_fir_v7_1_config cfg = two_by_three();
    Stimulus stimulus(200);
    const std::vector<double> values = stimulus.samples(2 * 3 * 9, 16, 0);
    Model refused(cfg), clean(cfg);
    for (Model* m : {&refused, &clean}) {
        Real first = slot(2, &values[0]);
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(**m, first.get()), ZEB_STATUS_OK);
    }
    Real whole = packet(2, 3, 4, values, 6);
    expect_refused(refused, zeb_fir_v7_1_data_send(*refused, whole.get()),
                   "Channel postion non-zero, cannot send a packet");
    for (Model* m : {&refused, &clean}) {
        for (size_t s = 1; s < 3; ++s) {
            Real one = slot(2, &values[2 * s]);
            ASSERT_EQ(zeb_fir_v7_1_data_send_channel(**m, one.get()), ZEB_STATUS_OK);
        }
        Real rest = packet(2, 3, 8, values, 6);
        ASSERT_EQ(zeb_fir_v7_1_data_send(**m, rest.get()), ZEB_STATUS_OK);
    }
    const std::vector<double> want = Expectation(cfg, basic_order(3), 9, values).reals();
    ASSERT_EQ(want.size(), 2u * 3 * 4);
    EXPECT_EQ(drain(refused, 2, 3), want);
    EXPECT_EQ(drain(clean, 2, 3), want);
}

TEST(EngineRefusals, MisshapenInputsChangeNothing) {
    const zeb_fir_v7_1_config cfg = two_by_three();
    Stimulus stimulus(210);
    const std::vector<double> values = stimulus.samples(2 * 3 * 10, 16, 0);
    Model refused(cfg), clean(cfg);
    for (Model* m : {&refused, &clean}) {
        Real a = packet(2, 3, 3, values);
        ASSERT_EQ(zeb_fir_v7_1_data_send(**m, a.get()), ZEB_STATUS_OK);
    }
    Real base = packet(2, 3, 4, values, 18);
    auto send = [&](const Real& r) { return zeb_fir_v7_1_data_send(*refused, r.get()); };
    auto send_slot = [&](const Real& r) { return zeb_fir_v7_1_data_send_channel(*refused, r.get()); };

    Real flat({24});
    flat->data_size = 24;
    expect_refused(refused, send(flat), kPacketDims);
    Real four({2, 3, 4, 1});
    four->data_size = 24;
    expect_refused(refused, send(four), kPacketDims);
    Real narrow({2, 2, 4});
    narrow->data_size = 16;
    expect_refused(refused, send(narrow), kPacketSize);
    Real wide({3, 3});
    wide->data_size = 9;
    expect_refused(refused, send(wide), kPacketSize);
    base->data_size = 23;  // one sample short of its lengths
    expect_refused(refused, send(base), kShort);
    Real two({2, 3});
    two->data_size = 5;
    expect_refused(refused, send(two), kShort);

    expect_refused(refused, send_slot(two), kSlotDims);
    Real three({3});
    three->data_size = 3;
    expect_refused(refused, send_slot(three), kSlotSize);
    Real half({2});
    half->data_size = 1;
    expect_refused(refused, send_slot(half), kShort);

    base->data_size = 24;
    const double saved = base->data[17];
    base->data[17] = std::nan("");
    expect_refused(refused, send(base), "Input sample is not a finite number");
    base->data[17] = saved;
    Real endless({2});
    endless->data[0] = 1.0;
    endless->data[1] = -HUGE_VAL;
    endless->data_size = 2;
    expect_refused(refused, send_slot(endless), "Input sample is not a finite number");

    for (Model* m : {&refused, &clean}) {
        ASSERT_EQ(zeb_fir_v7_1_data_send(**m, base.get()), ZEB_STATUS_OK);
        Real c = packet(2, 3, 3, values, 42);
        ASSERT_EQ(zeb_fir_v7_1_data_send(**m, c.get()), ZEB_STATUS_OK);
    }
    const std::vector<double> got = drain(refused, 2, 3);
    EXPECT_EQ(got.size(), 2u * 3 * 5);
    EXPECT_EQ(got, drain(clean, 2, 3));
}

TEST(EngineRefusals, RefusedReadsLoseNoSample) {
    const zeb_fir_v7_1_config cfg = two_by_three();
    Stimulus stimulus(220);
    const std::vector<double> values = stimulus.samples(2 * 3 * 8, 16, 0);
    const Expectation e(cfg, basic_order(3), 8, values);
    ASSERT_EQ(e.vectors, 4u);
    Model m(cfg);
    Real in = packet(2, 3, 8, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);

    auto get = [&](const Real& r) { return zeb_fir_v7_1_data_get(*m, r.get(), nullptr); };
    auto get_slot = [&](const Real& r) { return zeb_fir_v7_1_data_get_channel(*m, r.get(), nullptr); };
    Real flat({6});
    expect_refused(m, get(flat), kPacketDims);
    Real fewer_paths({1, 3, 1});
    expect_refused(m, get(fewer_paths), kPacketSize);
    Real more_channels({2, 4, 1});
    expect_refused(m, get(more_channels), kPacketSize);
    Real cramped({2, 3, 4}, 2 * 3 * 4 - 1);
    expect_refused(m, get(cramped), "Output array capacity too small, expecting room for vectors: 4");
    Real grid({2, 3});
    expect_refused(m, get_slot(grid), kSlotDims);
    Real three({3});
    expect_refused(m, get_slot(three), kSlotSize);
    Real owned({2}, 1);
    owned->owner = 1;
    expect_refused(m, get_slot(owned), "Output array capacity too small, expecting num_paths: 2");

    // A record of its own (owner 0) is grown to take the slot.
    Real small({2}, 1);
    ASSERT_EQ(get_slot(small), ZEB_STATUS_OK);
    ASSERT_GE(small->data_capacity, 2u);
    ASSERT_EQ(small->data_size, 2u);
    EXPECT_EQ(small->data[0], e.real(0, 0, 0));
    EXPECT_EQ(small->data[1], e.real(1, 0, 0));
    // Whole vectors while that turn is incomplete are refused.
    Real whole({2, 3, 1});
    expect_refused(m, get(whole), "Channel postion non-zero, cannot get a packet");
    Mpz small_integers({2}, 1);
    ASSERT_EQ(zeb_fir_v7_1_data_get_channel_mpz(*m, small_integers.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(small_integers->data_size, 2u);
    EXPECT_EQ(mpz_class(small_integers->data + 1), e.out(1, 1, 0));
    Real last({2});
    ASSERT_EQ(get_slot(last), ZEB_STATUS_OK);
    EXPECT_EQ(last->data[1], e.real(1, 2, 0));
    Real rest({2, 3, 3});
    ASSERT_EQ(get(rest), ZEB_STATUS_OK);
    expect_vectors(e, *rest.get(), 1, 3);
    EXPECT_TRUE(m.take_messages().empty());
}

TEST(EngineRefusals, AskingForMoreVectorsThanHeldShrinksTheRecord) {
    const zeb_fir_v7_1_config cfg = two_by_three();
    Stimulus stimulus(230);
    const std::vector<double> values = stimulus.samples(2 * 3 * 6, 16, 0);
    const Expectation e(cfg, basic_order(3), 6, values);
    Model m(cfg);
    Real none({2, 3});
    none->data_size = 6;
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, none.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(none->data_size, 0u);
    EXPECT_EQ(m.take_messages(), std::vector<std::string>{kMoreThanAvailable});

    Real in = packet(2, 3, 6, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    Real five({2, 3, 5});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, five.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(m.take_messages(), std::vector<std::string>{kMoreThanAvailable});
    EXPECT_EQ(five->dim[2], 3u);
    expect_vectors(e, *five.get(), 0, 3);
}

TEST(EngineRefusals, SlotReadWithNothingHeldKeepsItsPosition) {
    const zeb_fir_v7_1_config cfg = two_by_three();
    const std::vector<double> values = {1, 2, 30, 40, 500, 600, 7, 8, 9, 10, 11, 12};
    const Expectation e(cfg, basic_order(3), 2, values);
    Model m(cfg);
    // Decimation by 2: the first slot turn produces nothing.
    Real r({2});
    for (size_t s = 0; s < 3; ++s) {
        Real one = slot(2, &values[2 * s]);
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
    }
    r->data_size = 2;
    ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, r.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(r->data_size, 0u);
    // Second turn: channel 0 now has its output, and the read position is still slot 0.
    Real one = slot(2, &values[6]);
    ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, r.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(r->data_size, 2u);
    EXPECT_EQ(r->data[0], e.real(0, 0, 0));
    EXPECT_EQ(r->data[1], e.real(1, 0, 0));
    ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, r.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(r->data_size, 0u);  // slot 1 not fed yet
    EXPECT_TRUE(m.take_messages().empty());
}

TEST(EngineRefusals, SlotReadWithoutAQueuedPatternUsesTheSlotNumber) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.num_paths = 2;
    cfg.num_channels = 4;
    cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    cfg.init_pattern = 3;  // slots 0 1 0 2
    Stimulus stimulus(240);
    const std::vector<double> values = stimulus.samples(2 * 4 * 3, 16, 0);
    const std::vector<int> owners = {0, 1, 0, 2};
    const Expectation e(cfg, owners, 3, values);
    Model m(cfg, true);
    Real in = packet(2, 4, 3, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    m.log.clear();
    // Whole packets queue no pattern: slot s is read as channel s.
    for (size_t s = 0; s < 3; ++s) {
        Real r({2});
        ASSERT_EQ(zeb_fir_v7_1_data_get_channel(*m, r.get(), nullptr), ZEB_STATUS_OK);
        ASSERT_EQ(r->data_size, 2u);
        const size_t first_slot_of_channel[] = {0, 1, 3};
        for (size_t p = 0; p < 2; ++p) EXPECT_EQ(r->data[p], e.real(p, first_slot_of_channel[s], 0)) << s;
    }
    std::vector<Message> errors;
    for (const Message& msg : m.log)
        if (msg.flag != 0 || msg.source == 0) errors.push_back(msg);
    ASSERT_EQ(errors.size(), 3u);
    for (const Message& msg : errors) {
        EXPECT_EQ(msg.source, 1);
        EXPECT_EQ(msg.flag, 1);
        EXPECT_EQ(msg.text, error_text("No channel pattern in queue, will use the channel sequence number!!!!"));
    }
}
