// Run time through the C interface: where configuration and reload packets
// take effect in the data stream, reset, data sinks with the output
// callback, output sizing and chained models.
#include "host.h"

using namespace host;

namespace {

using Event = std::function<void(const Model&)>;
using Events = std::vector<std::pair<size_t, Event>>;  // each before the given vector
using Lengths = std::vector<size_t>;

Event config(std::vector<unsigned int> v, int pattern = 0) {
    return [=](const Model& m) { Uint s = fsel(v); ASSERT_EQ(send_config(m, pattern, &s), ZEB_STATUS_OK); };
}
Event reload(unsigned int set, std::vector<double> c) {
    return [=](const Model& m) { Real r = reals({c.size()}, c); ASSERT_EQ(send_reload(m, set, &r), ZEB_STATUS_OK); };
}
const Event reset = [](const Model& m) { ASSERT_EQ(zeb_fir_v7_1_reset(*m), ZEB_STATUS_OK); };

// Sends V vectors of P x C values, one packet per vector.
void feed(const Model& m, size_t P, size_t C, size_t V, const std::vector<double>& values, const Events& events = {}) {
    for (size_t v = 0; v < V; ++v) {
        for (const auto& [at, event] : events)
            if (at == v) event(m);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(P, C, 1, values, v * P * C).get()), ZEB_STATUS_OK);
    }
}

const std::vector<double> kTaps = {2, -1, 3};
zeb_fir_v7_1_config small(unsigned int C, unsigned int P = 1, const std::vector<double>& taps = kTaps) {
    zeb_fir_v7_1_config cfg = config_with(taps);
    return cfg.num_paths = P, cfg.num_channels = C, cfg;
}

}  // namespace

// Sent before the given vectors, packets take effect at the synchronisation
// points of channel 0 (its next sample after an output); the data show which
// set every input of every channel met.
TEST(PacketTiming, PacketsApplyWhereChannelZeroSynchronises) {
    const std::vector<double> two = {3, -1, 4, 0, -4, 1, 1, -3, 2, -2, 3, -1};
    const zeb_fir_v7_1_config sets = config_with(two, 2);
    const std::vector<std::vector<mpz_class>> taps = {ref::taps_of(sets, 0), ref::taps_of(sets, 1)};
    const std::tuple<std::function<void(zeb_fir_v7_1_config&)>, size_t, Events, std::vector<Lengths>> cases[] = {
        // change, vectors, events, the set of each input per channel (one row: every channel)
        // Channel 0 of a decimator by 3 completes outputs with inputs 2, 5, 8.
        {[](auto& c) { c.filter_type = 2, c.decimation_rate = 3, c.num_channels = 2; }, 9, {{1, config({1})}},
         {{0, 0, 0, 1, 1, 1, 1, 1, 1}}},
        // The second packet applies at slot 2, after channel 1 has filtered its
        // sample; the same pattern resets nothing.
        {[](auto& c) { c.chan_seq = 1, c.num_channels = 4, c.init_pattern = 3; }, 2,
         {{0, config({0}, 3)}, {0, config({1}, 3)}}, {{0, 1, 1, 1}, {0, 1}, {1, 1}}},
    };
    for (const auto& [change, V, events, select] : cases) {
        zeb_fir_v7_1_config cfg = sets;
        change(cfg);
        const size_t C = cfg.num_channels;
        const std::vector<double> values = Stimulus(V * 17 + C).samples(C * V, 16, 0);
        Model m(cfg);
        feed(m, 1, C, V, values, events);
        const Expectation e(cfg, cfg.chan_seq ? std::vector<int>{0, 1, 0, 2} : basic_order(C), V, values,
                            [&, &select = select](size_t ch) { return select[select.size() > 1 ? ch : 0]; }, taps);
        EXPECT_EQ(get_vectors(m, 1, C, e.vectors), e.reals()) << V;
        EXPECT_TRUE(m.take().empty());
    }
}

// A model left with every kind of state (an applied and a queued packet,
// buffered output, half-walked slot positions, a part-read vector) and reset
// behaves like a fresh one: double kernels, an integer decimator, a padded
// Hilbert filter, the fallback of a pattern that does not exist.
TEST(Reset, BehavesLikeAFreshModel) {
    const std::vector<double> c = {5, -4, 3, -2, 7, 1}, h = {-1, 0, -3, 0, -5, 0, 5, 0, 3, 0, 1};
    for (int kind = 0; kind < 4; ++kind) {
        zeb_fir_v7_1_config cfg = config_with(c, 2);
        cfg.num_paths = 2, cfg.num_channels = 3, cfg.config_method = 1, cfg.reloadable = 1;
        if (kind == 1) cfg.data_width = 49, cfg.filter_type = 2, cfg.decimation_rate = 3;
        if (kind == 2) cfg = config_with(h), cfg.filter_type = 3, cfg.coeff_padding = 3;
        if (kind == 3) cfg.chan_seq = 1, cfg.num_channels = 4, cfg.init_pattern = 99;  // all slots channel 0
        const size_t P = cfg.num_paths, C = cfg.num_channels;
        const auto warm = Stimulus(3).samples(P * C * 7, 16, 0), x = Stimulus(4).samples(P * C * 6, 16, 0);
        Model m(cfg);
        if (cfg.reloadable) config(std::vector<unsigned int>(C, 1), 1)(m);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(P, C, 7, warm).get()), ZEB_STATUS_OK);
        ASSERT_EQ(get(m, Real({P}).get(), true), ZEB_STATUS_OK);  // a part-read vector
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, slot(P, warm.data()).get()), ZEB_STATUS_OK);
        if (cfg.reloadable) config(std::vector<unsigned int>(C, 1), 2)(m);
        reset(m), m.log.clear();
        const Expectation e(cfg, kind == 3 ? std::vector<int>(4, 0) : basic_order(C), 6, x);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(P, C, 6, x).get()), ZEB_STATUS_OK);
        Complex out({P, C, e.vectors});
        ASSERT_EQ(get(m, out.get(), false), ZEB_STATUS_OK);
        e.expect_vectors(*out.get(), 0, e.vectors);
        EXPECT_TRUE(m.take().empty()) << kind;
    }
}

TEST(Reset, KeepsReloadedSetsAndQueuedReloadsAndDropsQueuedPackets) {
    const std::vector<double> c = {5, -4, 3, -2, 7, 1}, r0 = {1, 1, -6}, r1 = {0, 9, -2};
    zeb_fir_v7_1_config cfg = config_with(c, 2);
    cfg.num_channels = 2, cfg.config_method = 1, cfg.reloadable = 1;
    const std::vector<double> values = Stimulus(5).samples(2 * 3, 16, 0);
    Mpz sink({});
    Model m(cfg);
    auto run = [&](const std::vector<double>& taps, std::vector<Event> before) {
        for (const Event& e : before) e(m);
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(1, 2, 3, values).get()), ZEB_STATUS_OK);
        const std::vector<double> want = Expectation(small(2, 1, taps), {0, 1}, 3, values).reals();
        if (sink->data_size == 0) { EXPECT_EQ(get_vectors(m, 1, 2, 3), want); }
    };
    run(r0, {reload(0, r0), config({0, 0})});  // a reload that has taken effect stays in force
    run(r0, {reset});
    run(r0, {config({1, 1}), reload(1, r1), reset});  // a queued packet is dropped; the queued reload waits
    run(r1, {reset, config({1, 1})});
    // Destroyed with packets queued and a sink registered: nothing leaks (the
    // sanitizer build checks) and the sink stays the host's.
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink_mpz(*m, sink.get(), nullptr), ZEB_STATUS_OK);
    run(r1, {config({1, 0}), reload(1, r0), config({1, 0})});
    EXPECT_EQ(sink->data_size, 6u);
}

// Each send fills the sink with the vectors it completes, then the handler's
// status is the send's, also for a packet of no vectors.  Registering a sink
// replaces the one before; only a real sink calls the handler.
TEST(DataSink, FilledWithTheVectorsEachSendCompletesThenTheHandlerGivesTheStatus) {
    zeb_fir_v7_1_config cfg = small(3, 2);
    cfg.filter_type = 1, cfg.rate_change = 1, cfg.interpolation_rate = 3, cfg.decimation_rate = 2;
    const std::vector<double> values = Stimulus(7).samples(6 * 8, 16, 0);
    const Expectation e(cfg, basic_order(3), 8, values);
    Model m(cfg);
    Real sink({});
    Complex complex({});
    struct Log { int calls = 0, result = 7; const zeb_array_real* seen = nullptr; } log;
    const auto record = [](const zeb_array_real* data, void* to, void*) {
        Log& l = *static_cast<Log*>(to);
        return ++l.calls, l.seen = data, l.result;
    };
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, sink.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(*m, record, &log, nullptr), ZEB_STATUS_OK);
    for (size_t v = 0, done = 0; v < 7; ++v) {  // interpolating by 3/2: 2, 1, 2, ... vectors, then none
        const size_t n = v < 6 ? 2 - v % 2 : 0;
        log.result = v < 6 ? 7 : 3;
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, packet(2, 3, n > 0, values, 6 * v).get()), log.result);  // 1 or 0 vectors
        EXPECT_EQ(Lengths(sink->dim, sink->dim + sink->dim_size), (Lengths{2, 3, n}));
        e.expect_vectors(*sink.get(), done, n);
        done += n;
    }
    EXPECT_EQ(log.seen, sink.get());
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, nullptr, complex.get()), ZEB_STATUS_OK);
    feed(m, 2, 3, 1, {values.begin() + 36, values.end()});
    EXPECT_EQ(log.calls + sink->data_size, 7u);
    e.expect_vectors(*complex.get(), 9, 2);
    EXPECT_TRUE(m.take().empty());
}

TEST(DataSink, AHilbertFilterRefusesRealSinksAndKeepsItsComplexOne) {
    const std::vector<double> h = {-1, 0, -3, 0, -5, 0, 5, 0, 3, 0, 1}, values = Stimulus(8).samples(2 * 6, 16, 0);
    zeb_fir_v7_1_config cfg = config_with(h);
    cfg.filter_type = ZEB_FIR_V7_1_HILBERT, cfg.num_channels = 2;
    Model m(cfg);
    Complex complex({});
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, nullptr, complex.get()), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_set_data_sink(*m, Real({}).get(), nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_set_data_sink_mpz(*m, Mpz({}).get(), nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(m.take(), std::vector<std::string>(2, error_text("Hilbert filter type requires a complex data sink")));
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(1, 2, 6, values).get()), ZEB_STATUS_OK);
    Expectation(cfg, basic_order(2), 6, values).expect_vectors(*complex.get(), 0, 6);
}

// A sink the host owns is filled in place; one element too small, it is
// refused without growing it and without loss.
TEST(DataSink, HostOwnedSinksAreFilledInPlaceOrRefusedWithoutLoss) {
    const zeb_fir_v7_1_config cfg = small(2);
    const auto values = Stimulus(10).samples(2 * 3, 16, 0), want = Expectation(cfg, basic_order(2), 3, values).reals();
    for (const size_t n : {6, 5}) {  // room for the 6 output values, or one less
        Model m(cfg);
        Real host({}, 8);
        host->owner = 1, host->data_capacity = n;
        double* const memory = host->data;
        ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, host.get(), nullptr), ZEB_STATUS_OK);
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, packet(1, 2, 3, values).get()), n == 6 ? ZEB_STATUS_OK : ZEB_STATUS_ERROR);
        EXPECT_EQ(std::make_tuple(host->owner, host->data, host->data_capacity), std::make_tuple(1, memory, n));
        // Nothing delivered is announced; every sample is still there to pull.
        EXPECT_EQ(values_of(*host.get()), n == 6 ? want : std::vector<double>{});
        if (n == 5) { EXPECT_EQ(get_vectors(m, 1, 2, 3), want); }
    }
}

TEST(CalcSize, LengthsOfTheOutputOfAnInputPacket) {
    const std::tuple<int, unsigned int, unsigned int, Lengths, Lengths, Lengths> cases[] = {
        // filter type, L, M (a rate change when both exceed 1), input lengths, output lengths before the call,
        // then its three lengths, data_size and dim_size (none: refused)
        {1, 3, 1, {2, 3, 4}, {}, {2, 3, 12, 72, 0}},  // lengths only: the host sets the rest
        {2, 1, 3, {2, 3, 1}, {9, 9}, {2, 3, 0, 0, 2}},
        {1, 3, 2, {2, 2, 5}, {1, 1, 1}, {2, 2, 7, 28, 3}},
        {0, 1, 1, {2, 4}, {1, 1}, {2, 4, 0, 8, 2}},  // two lengths take one vector
        {1, 2, 1, {2, 4}, {1, 1}, {}},
    };
    const auto lengths = [](const auto& r) { return Lengths{r.dim[0], r.dim[1], r.dim[2], r.data_size, r.dim_size}; };
    for (const auto& [type, L, M, in_dims, out_dims, want] : cases) {
        zeb_fir_v7_1_config cfg = small(static_cast<unsigned int>(in_dims[1]), 2);
        cfg.filter_type = type, cfg.rate_change = L > 1 && M > 1, cfg.interpolation_rate = L, cfg.decimation_rate = M;
        Model m(cfg);
        Real in(in_dims), out(out_dims);
        Mpz integers(out_dims);
        out->dim[2] = integers->dim[2] = 0;
        const zeb_status status = want.empty() ? ZEB_STATUS_ERROR : ZEB_STATUS_OK;
        EXPECT_EQ(zeb_fir_v7_1_calc_size(*m, in.get(), out.get(), nullptr), status);
        EXPECT_EQ(zeb_fir_v7_1_calc_size_mpz(*m, in.get(), integers.get(), nullptr), status);
        const std::string refused = error_text("Unable to size output structure, require 3 dimensions");
        EXPECT_EQ(m.take(), std::vector<std::string>(want.empty() ? 2 : 0, refused));
        EXPECT_EQ(want.empty() ? want : lengths(*out.get()), want);
        EXPECT_EQ(want.empty() ? want : lengths(*integers.get()), want);
    }
}

TEST(Chaining, TheOutputCallbackFeedsASecondModel) {
    zeb_fir_v7_1_config up = small(2), down = small(2);
    up.filter_type = ZEB_FIR_V7_1_DECIMATION, up.decimation_rate = 2, up.num_channels = 2;
    down.filter_type = ZEB_FIR_V7_1_INTERPOLATION, down.interpolation_rate = 3, down.num_channels = 2;
    const std::vector<double> values = Stimulus(14).samples(2 * 7, 16, 0);
    Model upstream(up), downstream(down);
    Real link({});
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*upstream, link.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(*upstream, zeb_fir_v7_1_data_send_handler, *downstream, nullptr), 0);
    feed(upstream, 1, 2, 7, values);  // every other send hands an empty packet on
    const Expectation middle(up, basic_order(2), 7, values), end(down, basic_order(2), 3, middle.reals());
    EXPECT_EQ(get_vectors(downstream, 1, 2, 9), end.reals());
    EXPECT_EQ(zeb_fir_v7_1_data_send_handler(nullptr, *downstream, nullptr) +
                  zeb_fir_v7_1_data_send_handler(link.get(), nullptr, nullptr), 2 * ZEB_STATUS_ERROR);
}
