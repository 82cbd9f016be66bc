// Run time through the C interface: where configuration and reload packets
// take effect in the data stream, reset, data sinks with the output
// callback, output sizing and chained models.
#include <cstdlib>
#include <string>
#include <vector>

#include "host.h"

using namespace host;

namespace {

using Change = std::function<void(zeb_fir_v7_1_config&)>;
using Event = std::function<void(const Model&)>;

std::vector<double> sets_of(size_t sets, size_t n) {
    std::vector<double> c(sets * n);
    for (size_t i = 0; i < c.size(); ++i) c[i] = static_cast<double>((i % n * 5 + (i / n + 1) * 7) % 9) - 4;
    return c;
}

Event config(std::vector<unsigned int> v, int pattern = 0) {
    return [=](const Model& m) {
        Uint sel = fsel(v);
        ASSERT_EQ(send_config(m, pattern, &sel), ZEB_STATUS_OK);
    };
}

zeb_fir_v7_1_config small(unsigned int C, unsigned int P = 1) {
    static const std::vector<double> taps = {2, -1, 3};
    zeb_fir_v7_1_config cfg = config_with(taps);
    cfg.num_paths = P, cfg.num_channels = C;
    return cfg;
}

}  // namespace

// Sent before the given vectors, packets take effect at the synchronisation
// points of channel 0 (its next sample after an output); the data show which
// set every input of every channel met.
TEST(PacketTiming, PacketsApplyWhereChannelZeroSynchronises) {
    const std::vector<double> two = sets_of(2, 6), fresh = {7, 0, -3, 1, 2, 4};
    std::vector<double> three = two;
    three.insert(three.end(), fresh.begin(), fresh.end());
    const zeb_fir_v7_1_config as_sets = config_with(three, 3);
    const std::vector<std::vector<mpz_class>> taps = {ref::taps_of(as_sets, 0), ref::taps_of(as_sets, 1),
                                                      ref::taps_of(as_sets, 2)};
    const Event reload = [&](const Model& m) {
        Real r = reals({6}, fresh);
        ASSERT_EQ(send_reload(m, 0, &r), ZEB_STATUS_OK);
    };
    const std::vector<int> p3 = {0, 1, 0, 2};  // pattern 3
    struct Case {
        Change change;
        size_t V;
        std::vector<std::pair<size_t, Event>> events;  // before vector
        std::vector<std::vector<size_t>> select;       // per channel (one row: every channel)
        std::vector<int> owners;
    };
    const Case cases[] = {
        // Channel 0 of a decimator by 3 completes outputs with inputs 2, 5, 8.
        {[](auto& c) { c.filter_type = 2, c.decimation_rate = 3; }, 9, {{1, config({1})}},
         {{0, 0, 0, 1, 1, 1, 1, 1, 1}}, {}},
        // Channel 0 owns slots 0 and 2: the second packet applies at slot 2,
        // after channel 1 has filtered its sample; the same pattern resets nothing.
        {[](auto& c) { c.chan_seq = 1, c.num_channels = 4, c.init_pattern = 3; }, 2,
         {{0, config({0}, 3)}, {0, config({1}, 3)}},
         {{0, 1, 1, 1}, {0, 1}, {1, 1}}, p3},
        {[](auto& c) { c.chan_seq = 1, c.num_channels = 4, c.init_pattern = 3; }, 3, {{1, config({1}, 3)}},
         {{0, 0, 1, 1, 1, 1}, {0, 1, 1}, {0, 1, 1}}, p3},
        // A reload alone changes nothing; with a packet that keeps set 0 its
        // values (set 2 of the reference) reach the kernels.
        {[](auto& c) { c.reloadable = 1; }, 6, {{0, reload}, {2, config({0})}}, {{0, 0, 2, 2, 2, 2}}, {}},
    };
    for (const Case& c : cases) {
        zeb_fir_v7_1_config cfg = config_with(two, 2);
        cfg.num_channels = 2;
        c.change(cfg);
        const size_t C = cfg.num_channels;
        const std::vector<double> values = Stimulus(c.V * 17 + C).samples(C * c.V, 16, 0);
        Model m(cfg);
        for (size_t v = 0; v < c.V; ++v) {
            for (const auto& e : c.events)
                if (e.first == v) e.second(m);
            Real one = packet(1, C, 1, values, v * C);
            ASSERT_EQ(zeb_fir_v7_1_data_send(*m, one.get()), ZEB_STATUS_OK);
        }
        const Expectation e(cfg, c.owners.empty() ? basic_order(C) : c.owners, c.V, values,
                            [&](size_t ch) { return c.select[c.select.size() > 1 ? ch : 0]; }, taps);
        EXPECT_EQ(get_vectors(m, 1, C, e.vectors), e.reals()) << c.V;
        EXPECT_TRUE(m.take().empty());
    }
}

// A model left with every kind of state (an applied and a queued packet, a
// pattern change, buffered output, half-walked slot positions, a part-read
// Hilbert line) and reset behaves like a fresh one.
class Reset : public testing::TestWithParam<int> {};

TEST_P(Reset, BehavesLikeAFreshModel) {
    const std::vector<double> c = {5, -4, 3, -2, 7, 1}, h = {-1, 0, -3, 0, -5, 0, 5, 0, 3, 0, 1};
    zeb_fir_v7_1_config cfg = config_with(c, 2);
    cfg.num_paths = 2, cfg.num_channels = 3, cfg.config_method = 1, cfg.reloadable = 1;
    std::vector<int> owners;
    switch (GetParam()) {
        case 1: cfg.data_width = 49; break;  // accumulator beyond 52 bits: GMP integers
        case 2: cfg.filter_type = 2, cfg.decimation_rate = 3; break;
        case 3:
        case 4: cfg = config_with(h), cfg.filter_type = 3, cfg.coeff_padding = GetParam() == 4 ? 3 : 0; break;
        case 5:  // not a pattern of four channels: the first (0, all slots channel 0) is used, and restored by reset
            cfg.chan_seq = 1, cfg.num_channels = 4, cfg.init_pattern = 99, owners = {0, 0, 0, 0};
            break;
    }
    const size_t P = cfg.num_paths, C = cfg.num_channels;
    const std::vector<double> warm = Stimulus(3).samples(P * C * 7, 16, 0);
    const std::vector<double> values = Stimulus(4).samples(P * C * 6, 16, 0);
    Model m(cfg, true), fresh(cfg);
    if (cfg.reloadable) config(std::vector<unsigned int>(C, 1), 1)(m);
    Real w = packet(P, C, 7, warm), s({P}), one = slot(P, warm.data());
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, w.get()), ZEB_STATUS_OK);
    Complex part({P, C, 2});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, nullptr, part.get()), ZEB_STATUS_OK);
    ASSERT_EQ(get(m, s.get(), true), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
    if (cfg.reloadable) config(std::vector<unsigned int>(C, 1), 2)(m);
    ASSERT_EQ(zeb_fir_v7_1_reset(*m), ZEB_STATUS_OK);
    m.log.clear();
    const Expectation e(cfg, owners.empty() ? basic_order(C) : owners, 6, values);
    for (Model* model : {&m, &fresh}) {
        Real in = packet(P, C, 6, values);
        ASSERT_EQ(zeb_fir_v7_1_data_send(**model, in.get()), ZEB_STATUS_OK);
        read_checked<Complex>(*model, e, 0, e.vectors);
    }
    EXPECT_TRUE(m.take().empty());
    if (GetParam() != 5) return;
    // The creation pattern is current again: a packet naming it changes nothing.
    config(std::vector<unsigned int>(C, 0), 0)(m);
    config(std::vector<unsigned int>(C, 0), 2)(m);
    m.log.clear();
    Real in = packet(P, C, 2, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    std::vector<std::string> changes;
    for (const std::string& n : m.take(1))
        if (n.find("Updating") != std::string::npos) changes.push_back(n);
    EXPECT_EQ(changes, std::vector<std::string>{note_text("Updating CurrentPattern: 0 cnfg.chanpat: 2")});
}

INSTANTIATE_TEST_SUITE_P(Kinds, Reset, testing::Range(0, 6));

TEST(Reset, KeepsReloadedSetsAndQueuedReloadsAndDropsQueuedPackets) {
    const std::vector<double> c = {5, -4, 3, -2, 7, 1}, r0 = {1, 1, -6}, r1 = {0, 9, -2};
    zeb_fir_v7_1_config cfg = config_with(c, 2);
    cfg.num_channels = 2, cfg.config_method = 1, cfg.reloadable = 1;
    const std::vector<double> values = Stimulus(5).samples(2 * 3, 16, 0);
    Real in = packet(1, 2, 3, values), rl0 = reals({3}, r0), rl1 = reals({3}, r1);
    Mpz sink({});
    Model m(cfg);
    auto run = [&](const std::vector<double>& taps, std::vector<Event> before) {
        for (const Event& e : before) e(m);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
        zeb_fir_v7_1_config one_set = cfg;
        one_set.coeff = taps.data(), one_set.coeff_sets = 1;
        EXPECT_EQ(get_vectors(m, 1, 2, 3), Expectation(one_set, {0, 1}, 3, values).reals());
    };
    const Event reset = [](const Model& model) { ASSERT_EQ(zeb_fir_v7_1_reset(*model), ZEB_STATUS_OK); };
    auto reload = [&](unsigned int set, const Real& r) {
        return [&, set](const Model& model) { ASSERT_EQ(send_reload(model, set, &r), ZEB_STATUS_OK); };
    };
    run(r0, {reload(0, rl0), config({0, 0})});  // a reload that has taken effect stays in force
    run(r0, {reset});
    run(r0, {config({1, 1}), reload(1, rl1), reset});  // a queued packet is dropped; the queued reload waits
    run(r1, {reset, config({1, 1})});
    // Destroyed with packets queued and a sink registered: nothing leaks (the
    // sanitizer build checks) and the sink stays the host's.
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink_mpz(*m, sink.get(), nullptr), ZEB_STATUS_OK);
    for (const Event& e : std::vector<Event>{config({1, 0}), reload(1, rl1), config({1, 0})}) e(m);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    EXPECT_EQ(sink->data_size, 6u);
}

// ---------------------------------------------------------------- sinks

namespace {

struct HandlerLog {
    int calls = 0, result = 7;
    std::vector<size_t> dims;
    std::vector<double> data;
    void* arg2 = nullptr;
    static int record(const zeb_array_real* data, void* arg1, void* arg2) {
        HandlerLog* log = static_cast<HandlerLog*>(arg1);
        ++log->calls;
        log->dims.assign(data->dim, data->dim + data->dim_size);
        log->data = values_of(*data);
        log->arg2 = arg2;
        return log->result;
    }
};

// A host record with owner set around host memory; its table counts growths.
struct Wrapped {
    std::vector<double> store;
    size_t dims[3] = {0, 0, 0};
    zeb_array_real rec{};
    zeb_array_real_operations ops{&Wrapped::grow, zeb_fir_v7_1_zeb_array_real_ops_free, nullptr,
                                  zeb_fir_v7_1_zeb_array_real_ops_elem_copy,
                                  zeb_fir_v7_1_zeb_array_real_ops_elem_swap, nullptr, this};
    int growths = 0;
    Wrapped(size_t capacity, size_t dim_slots) : store(capacity) {
        rec.data = store.data(), rec.data_capacity = capacity, rec.dim = dims, rec.dim_capacity = dim_slots;
        rec.owner = 1, rec.ops = &ops;
    }
    static void* grow(const zeb_array_real_operations* ops, void* p, size_t n) {
        return ++static_cast<Wrapped*>(ops->context)->growths, std::realloc(p, n);
    }
};

}  // namespace

TEST(DataSink, FilledWithTheVectorsEachSendCompletesThenTheHandlerGivesTheStatus) {
    struct Case {
        int type;
        unsigned int L, M;
        std::vector<size_t> per_send;  // vectors the sink holds after each one-vector send
    };
    const Case cases[] = {{0, 1, 1, {1, 1, 1, 1, 1, 1}}, {1, 3, 2, {2, 1, 2, 1, 2, 1}}, {2, 1, 3, {0, 0, 1, 0, 0, 1}}};
    for (const Case& c : cases) {
        zeb_fir_v7_1_config cfg = small(3, 2);
        cfg.filter_type = c.type, cfg.rate_change = c.L > 1, cfg.interpolation_rate = c.L, cfg.decimation_rate = c.M;
        const std::vector<double> values = Stimulus(7).samples(6 * 6, 16, 0);
        const std::vector<double> want = Expectation(cfg, basic_order(3), 6, values).reals();
        Model m(cfg);
        Real sink({});
        HandlerLog log;
        int tag = 0;
        ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, sink.get(), nullptr), ZEB_STATUS_OK);
        ASSERT_EQ(zeb_fir_v7_1_set_data_handler(*m, HandlerLog::record, &log, &tag), ZEB_STATUS_OK);
        std::vector<double> got;
        for (size_t v = 0; v < 6; ++v) {
            Real one = packet(2, 3, 1, values, 6 * v);
            EXPECT_EQ(zeb_fir_v7_1_data_send(*m, one.get()), 7);
            EXPECT_EQ(log.dims, (std::vector<size_t>{2, 3, c.per_send[v]}));
            got.insert(got.end(), log.data.begin(), log.data.end());
        }
        EXPECT_EQ(got, want);
        EXPECT_EQ(log.calls, 6);
        EXPECT_EQ(log.arg2, &tag);
        // A packet of no vectors feeds nothing and still ends in the callback;
        // a null handler switches it off, the sink is still filled.
        Real none = reals({2, 3, 0}, {});
        log.result = 3;
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, none.get()), 3);
        EXPECT_EQ(log.dims, (std::vector<size_t>{2, 3, 0}));
        ASSERT_EQ(zeb_fir_v7_1_set_data_handler(*m, nullptr, nullptr, nullptr), ZEB_STATUS_OK);
        Real two = packet(2, 3, 2, values);
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, two.get()), ZEB_STATUS_OK);
        EXPECT_EQ(log.calls, 7);
        EXPECT_EQ(sink->dim[2], c.per_send[0] + c.per_send[1]);
        EXPECT_TRUE(m.take().empty());
    }
}

TEST(DataSink, OnlyTheLastRegisteredSinkIsFilledAndOnlyARealOneCallsTheHandler) {
    const zeb_fir_v7_1_config cfg = small(2);
    const std::vector<double> values = Stimulus(8).samples(2 * 6, 16, 0);
    const Expectation e(cfg, basic_order(2), 6, values);
    Model m(cfg);
    Real real({});
    Complex complex({});
    Mpz integers({});
    MpzComplex pairs({});
    HandlerLog log;
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(*m, HandlerLog::record, &log, nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, real.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, nullptr, complex.get()), ZEB_STATUS_OK);
    for (size_t v = 0; v < 6; v += 2) {
        if (v == 2) { ASSERT_EQ(zeb_fir_v7_1_set_data_sink_mpz(*m, integers.get(), nullptr), ZEB_STATUS_OK); }
        if (v == 4) { ASSERT_EQ(zeb_fir_v7_1_set_data_sink_mpz(*m, nullptr, pairs.get()), ZEB_STATUS_OK); }
        Real in = packet(1, 2, 2, values, 2 * v);
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    }
    EXPECT_EQ(log.calls + real->data_size, 0u);
    e.expect_vectors(*complex.get(), 0, 2);
    e.expect_vectors(*integers.get(), 2, 2);
    e.expect_vectors(*pairs.get(), 4, 2);
    // A Hilbert filter refuses the real ones; the complex sink stays.
    const std::vector<double> h = {-1, 0, -3, 0, -5, 0, 5, 0, 3, 0, 1};
    zeb_fir_v7_1_config hcfg = config_with(h);
    hcfg.filter_type = ZEB_FIR_V7_1_HILBERT, hcfg.num_channels = 2;
    Model hm(hcfg);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*hm, nullptr, complex.get()), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_set_data_sink(*hm, real.get(), nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_set_data_sink_mpz(*hm, integers.get(), nullptr), ZEB_STATUS_ERROR);
    const std::string refused = error_text("Hilbert filter type requires a complex data sink");
    EXPECT_EQ(hm.take(), (std::vector<std::string>{refused, refused}));
    Real in = packet(1, 2, 6, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*hm, in.get()), ZEB_STATUS_OK);
    Expectation(hcfg, basic_order(2), 6, values).expect_vectors(*complex.get(), 0, 6);
}

TEST(DataSink, HostOwnedSinksAreFilledInPlaceOrRefusedWithoutLoss) {
    for (const auto& c : {std::make_tuple(8, 3, ""), std::make_tuple(2, 3, "Unable to reserve data for data_sink"),
                          std::make_tuple(8, 2, "Unable to reserve dimension for data_sink")}) {
        const std::string refusal = std::get<2>(c);
        const zeb_fir_v7_1_config cfg = small(2);
        const std::vector<double> values = Stimulus(10).samples(2 * 3, 16, 0);
        const std::vector<double> want = Expectation(cfg, basic_order(2), 3, values).reals();
        Model m(cfg);
        Wrapped host(std::get<0>(c), std::get<1>(c));
        HandlerLog log;
        ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, &host.rec, nullptr), ZEB_STATUS_OK);
        ASSERT_EQ(zeb_fir_v7_1_set_data_handler(*m, HandlerLog::record, &log, nullptr), ZEB_STATUS_OK);
        Real in = packet(1, 2, 3, values);
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), refusal.empty() ? 7 : ZEB_STATUS_ERROR);
        EXPECT_EQ(log.calls, refusal.empty() ? 1 : 0);
        EXPECT_EQ(m.take(),
                  refusal.empty() ? std::vector<std::string>{} : std::vector<std::string>{error_text(refusal)});
        EXPECT_EQ(host.rec.owner, 1);
        EXPECT_EQ(host.growths, 0);
        EXPECT_EQ(host.rec.data, host.store.data());
        EXPECT_EQ(host.rec.data_capacity, static_cast<size_t>(std::get<0>(c)));
        EXPECT_EQ(host.rec.dim_capacity, static_cast<size_t>(std::get<1>(c)));
        // Nothing delivered is announced; every sample is still there to pull.
        EXPECT_EQ(values_of(host.rec), refusal.empty() ? want : std::vector<double>{});
        if (!refusal.empty()) { EXPECT_EQ(get_vectors(m, 1, 2, 3), want); }
    }
}

TEST(DataSink, PatternChangeDeliversOnlyVectorsEveryChannelHolds) {
    // Pattern 3 (slots 0 1 0 2) fed slot by slot leaves channel 0 two samples
    // and channel 1 one; after the switch to pattern 1 (slots 0 1 0 1) one
    // more vector adds two to each.  Channel 1 then holds one whole vector.
    const std::vector<double> c = {4, -3};
    zeb_fir_v7_1_config cfg = config_with(c);
    cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ, cfg.num_channels = 4, cfg.init_pattern = 3;
    const std::vector<double> a = Stimulus(12).samples(4, 16, 0), b = Stimulus(13).samples(4, 16, 0);
    Model m(cfg);
    for (size_t s = 0; s < 4; ++s) {
        Real one = slot(1, &a[s]);
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
    }
    config({0}, 1)(m);
    Real sink({}), in = packet(1, 4, 1, b);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, sink.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    const Expectation before(cfg, {0, 1, 0, 2}, 1, a), after(cfg, {0, 1, 0, 1}, 1, b);
    EXPECT_EQ(values_of(*sink.get()),
              (std::vector<double>{before.real(0, 0, 0), before.real(0, 1, 0), before.real(0, 2, 0),
                                   after.real(0, 1, 0)}));
    EXPECT_TRUE(m.take().empty());  // the sink was never asked for more than there was
}

TEST(CalcSize, LengthsOfTheOutputOfAnInputPacket) {
    struct Case {
        int type, change;
        unsigned int L, M, C;
        std::vector<size_t> in, out;  // out: the record's lengths before the call
        std::vector<size_t> want;     // three lengths, data_size, dim_size; empty: refused
    };
    const Case cases[] = {
        {1, 0, 3, 1, 3, {2, 3, 4}, {}, {2, 3, 12, 72, 0}},  // lengths only: the host sets the rest
        {2, 0, 1, 3, 3, {2, 3, 1}, {9, 9}, {2, 3, 0, 0, 2}},
        {1, 1, 3, 2, 2, {2, 2, 5}, {1, 1, 1}, {2, 2, 7, 28, 3}},
        {0, 0, 1, 1, 4, {2, 4}, {1, 1}, {2, 4, 0, 8, 2}},  // two lengths take one vector
        {1, 0, 2, 1, 4, {2, 4}, {1, 1}, {}},
    };
    for (const Case& c : cases) {
        zeb_fir_v7_1_config cfg = small(c.C, 2);
        cfg.filter_type = c.type, cfg.rate_change = c.change, cfg.interpolation_rate = c.L, cfg.decimation_rate = c.M;
        Model m(cfg);
        Real in(c.in), out(c.out);
        Mpz integers(c.out);
        out->dim[2] = integers->dim[2] = 0;
        const zeb_status status = zeb_fir_v7_1_calc_size(*m, in.get(), out.get(), nullptr);
        EXPECT_EQ(zeb_fir_v7_1_calc_size_mpz(*m, in.get(), integers.get(), nullptr), status);
        auto lengths = [](const auto& r) {
            return std::vector<size_t>{r.dim[0], r.dim[1], r.dim[2], r.data_size, r.dim_size};
        };
        EXPECT_EQ(status, c.want.empty() ? ZEB_STATUS_ERROR : ZEB_STATUS_OK);
        if (c.want.empty()) {
            const std::string refused = error_text("Unable to size output structure, require 3 dimensions");
            EXPECT_EQ(m.take(), (std::vector<std::string>{refused, refused}));
        } else {
            EXPECT_EQ(lengths(*out.get()), c.want);
            EXPECT_EQ(lengths(*integers.get()), c.want);
        }
    }
}

TEST(Chaining, TheOutputCallbackFeedsASecondModel) {
    const std::vector<double> up_taps = {1, 2, 3, 4}, down_taps = {1, -2, 3, 1, 0, 2};
    zeb_fir_v7_1_config up = config_with(up_taps), down = config_with(down_taps);
    up.filter_type = ZEB_FIR_V7_1_DECIMATION, up.decimation_rate = 2, up.num_channels = 2;
    down.filter_type = ZEB_FIR_V7_1_INTERPOLATION, down.interpolation_rate = 3, down.num_channels = 2;
    const std::vector<double> values = Stimulus(14).samples(2 * 7, 16, 0);
    Model upstream(up), downstream(down);
    Real link({});
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*upstream, link.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(*upstream, zeb_fir_v7_1_data_send_handler, *downstream, nullptr), 0);
    for (size_t v = 0; v < 7; ++v) {  // every other send hands an empty packet on
        Real one = packet(1, 2, 1, values, 2 * v);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*upstream, one.get()), ZEB_STATUS_OK);
    }
    const std::vector<double> middle = Expectation(up, basic_order(2), 7, values).reals();
    EXPECT_EQ(get_vectors(downstream, 1, 2, 9), Expectation(down, basic_order(2), 3, middle).reals());
    EXPECT_EQ(zeb_fir_v7_1_data_send_handler(nullptr, *downstream, nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_data_send_handler(link.get(), nullptr, nullptr), ZEB_STATUS_ERROR);
}
