// Data sinks, the output callback, output sizing and chained models through
// the C interface.
#include <gmp.h>

#include <cstdlib>

#include "capi_runtime_host.h"

using namespace rt;

namespace {

const std::vector<double> kTaps = {2, -1, 3};

// What the output callback saw.
struct HandlerLog {
    int calls = 0;
    int result = 7;
    std::vector<std::size_t> dims;
    std::vector<double> data;
    void* arg2 = nullptr;
};

int record_handler(const zeb_array_real* data, void* arg1, void* arg2) {
    HandlerLog* log = static_cast<HandlerLog*>(arg1);
    ++log->calls;
    log->dims.assign(data->dim, data->dim + data->dim_size);
    log->data = values_of(*data);
    log->arg2 = arg2;
    return log->result;
}

// Built-in element operations in a host-made table, for records the host
// wraps around its own buffers.
const zeb_array_real_operations kHostRealOps = {
    zeb_fir_v7_1_zeb_array_real_ops_realloc,   zeb_fir_v7_1_zeb_array_real_ops_free, nullptr,
    zeb_fir_v7_1_zeb_array_real_ops_elem_copy, zeb_fir_v7_1_zeb_array_real_ops_elem_swap, nullptr, nullptr};
const zeb_array_complex_operations kHostComplexOps = {
    zeb_fir_v7_1_zeb_array_complex_ops_realloc,   zeb_fir_v7_1_zeb_array_complex_ops_free, nullptr,
    zeb_fir_v7_1_zeb_array_complex_ops_elem_copy, zeb_fir_v7_1_zeb_array_complex_ops_elem_swap, nullptr, nullptr};

// A record with owner set around host memory.
template <typename E, typename R, typename Ops>
struct Wrapped {
    std::vector<E> store;
    std::size_t dims[3] = {0, 0, 0};
    R rec{};
    Wrapped(std::size_t capacity, std::size_t dim_slots, const Ops* ops) : store(capacity) {
        rec.data = store.data();
        rec.data_capacity = capacity;
        rec.dim = dims;
        rec.dim_capacity = dim_slots;
        rec.owner = 1;
        rec.ops = ops;
    }
};
using WrappedReal = Wrapped<double, zeb_array_real, zeb_array_real_operations>;
using WrappedComplex = Wrapped<zeb_complex, zeb_array_complex, zeb_array_complex_operations>;

// Counts the allocations made through a record's own table.
struct CountingTable {
    zeb_array_real_operations ops;
    int reallocs = 0;
    CountingTable() : ops(kHostRealOps) {
        ops.realloc = &CountingTable::grow;
        ops.context = this;
    }
    static void* grow(const zeb_array_real_operations* ops, void* ptr, std::size_t size) {
        ++static_cast<CountingTable*>(ops->context)->reallocs;
        return std::realloc(ptr, size);
    }
};

void single_rate(Host& s, std::size_t P, std::size_t C) {
    s.coefficients({kTaps});
    s.cfg.num_paths = static_cast<unsigned int>(P);
    s.cfg.num_channels = static_cast<unsigned int>(C);
}

}  // namespace

// ---------------------------------------------------------------- handler

TEST(DataSink, RealSinkIsFilledAndTheHandlerResultIsTheSendStatus) {
    Host s;
    single_rate(s, 2, 3);
    Model m = s.create();
    Real sink(zeb_fir_v7_1_zeb_array_real_create());
    HandlerLog log;
    int tag = 0;
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), sink.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(m.get(), record_handler, &log, &tag), ZEB_STATUS_OK);

    Real in = make_packet(2, 3, 2, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), 7);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.arg2, &tag);
    EXPECT_EQ(log.dims, (std::vector<std::size_t>{2, 3, 2}));
    EXPECT_EQ(log.data, expected_vectors(values_of(*in), 2, 3, 1, 1, kTaps));
    EXPECT_TRUE(s.msgs.seen.empty());

    // A null handler switches the callback off; the sink is still filled.
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(m.get(), nullptr, nullptr, nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(sink->data_size, 12u);
}

TEST(DataSink, HandlerIsCalledWhenNoVectorCompletes) {
    Host s;
    s.coefficients({{1, 1, 1}});
    s.cfg.filter_type = ZEB_FIR_V7_1_DECIMATION;
    s.cfg.decimation_rate = 3;
    s.cfg.num_paths = 2;
    s.cfg.num_channels = 2;
    Model m = s.create();
    Real sink(zeb_fir_v7_1_zeb_array_real_create());
    HandlerLog log;
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), sink.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(m.get(), record_handler, &log, nullptr), ZEB_STATUS_OK);

    Real in = make_packet(2, 2, 1, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), 7);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.dims, (std::vector<std::size_t>{2, 2, 0}));
    EXPECT_EQ(sink->data_size, 0u);

    // A packet of no vectors feeds nothing and still ends in the callback.
    Real none = make_real({2, 2, 0}, {});
    log.result = 3;
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), none.get()), 3);
    EXPECT_EQ(log.calls, 2);
    EXPECT_EQ(log.dims, (std::vector<std::size_t>{2, 2, 0}));

    Real two = make_packet(2, 2, 2, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), two.get()), 3);
    EXPECT_EQ(log.dims, (std::vector<std::size_t>{2, 2, 1}));
    const double sum00 = sample_at(0, 0, 0) + sample_at(0, 0, 0) + sample_at(0, 0, 1);
    EXPECT_EQ(log.data[0], sum00);
}

TEST(DataSink, SinkIsSizedByTheVectorsActuallyDelivered) {
    // Rate 3/2 completes two vectors from one input and one from the next.
    Host s;
    s.coefficients({{1, 2, 3, -1, 0, 4}});
    s.cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    s.cfg.rate_change = ZEB_FIR_V7_1_FIXED_FRACTIONAL;
    s.cfg.interpolation_rate = 3;
    s.cfg.decimation_rate = 2;
    Model m = s.create();
    Real sink(zeb_fir_v7_1_zeb_array_real_create());
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), sink.get(), nullptr), ZEB_STATUS_OK);

    std::vector<double> x, y;
    std::vector<std::size_t> counts;
    for (std::size_t v = 0; v < 6; ++v) {
        x.push_back(sample_at(0, 0, v));
        Real one = make_real({1, 1}, {x.back()});
        ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), one.get()), ZEB_STATUS_OK);
        ASSERT_EQ(sink->dim_size, 3u);
        counts.push_back(sink->dim[2]);
        EXPECT_EQ(sink->data_size, sink->dim[2]);
        const std::vector<double> got = values_of(*sink);
        y.insert(y.end(), got.begin(), got.end());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{2, 1, 2, 1, 2, 1}));
    EXPECT_TRUE(s.msgs.seen.empty());
    EXPECT_EQ(y, reference(x, 3, 2, {1, 2, 3, -1, 0, 4}));
}

TEST(DataSink, ComplexSinkNeverCallsTheHandler) {
    Host s;
    single_rate(s, 1, 2);
    Model m = s.create();
    Complex sink(zeb_fir_v7_1_zeb_array_complex_create());
    HandlerLog log;
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), nullptr, sink.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(m.get(), record_handler, &log, nullptr), ZEB_STATUS_OK);
    Real in = make_packet(1, 2, 3, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
    EXPECT_EQ(log.calls, 0);
    const std::vector<double> want = expected_vectors(values_of(*in), 1, 2, 1, 1, kTaps);
    ASSERT_EQ(sink->data_size, want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(sink->data[i].re, want[i]);
        EXPECT_EQ(sink->data[i].im, 0.0);
    }
}

TEST(DataSink, RegisteringAnotherTypeDropsThePreviousSink) {
    Host s;
    single_rate(s, 1, 2);
    Model m = s.create();
    Real real(zeb_fir_v7_1_zeb_array_real_create());
    Complex complex(zeb_fir_v7_1_zeb_array_complex_create());
    Mpz integers(zeb_fir_v7_1_zeb_array_mpz_create());
    MpzComplex pairs(zeb_fir_v7_1_zeb_array_mpz_complex_create());
    HandlerLog log;
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(m.get(), record_handler, &log, nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), real.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), nullptr, complex.get()), ZEB_STATUS_OK);

    Real in = make_packet(1, 2, 4, sample_at);
    const std::vector<double> want = expected_vectors(values_of(*in), 1, 2, 1, 1, kTaps);
    Real first = make_real({1, 2, 2}, std::vector<double>(in->data, in->data + 4));
    Real second = make_real({1, 2, 2}, std::vector<double>(in->data + 4, in->data + 8));
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), first.get()), ZEB_STATUS_OK);
    EXPECT_EQ(log.calls, 0);
    EXPECT_EQ(real->data_size, 0u);
    EXPECT_EQ(real->dim_size, 0u);
    ASSERT_EQ(complex->data_size, 4u);
    EXPECT_EQ(complex->data[3].re, want[3]);

    // Integer sinks: values in units of the output's least significant bit.
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink_mpz(m.get(), integers.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), second.get()), ZEB_STATUS_OK);
    EXPECT_EQ(complex->data_size, 4u);
    ASSERT_EQ(integers->data_size, 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(static_cast<double>(mpz_get_si(integers->data + i)), want[4 + i]);

    ASSERT_EQ(zeb_fir_v7_1_set_data_sink_mpz(m.get(), nullptr, pairs.get()), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), first.get()), ZEB_STATUS_OK);
    EXPECT_EQ(integers->data_size, 4u);
    ASSERT_EQ(pairs->data_size, 4u);
    EXPECT_EQ(mpz_sgn(pairs->data[0].im), 0);
    EXPECT_EQ(log.calls, 0);
}

TEST(DataSink, HilbertFilterAcceptsOnlyComplexSinks) {
    Host s;
    const std::vector<double> h = {-1, 0, -3, 0, -5, 0, 5, 0, 3, 0, 1};
    s.coefficients({h});
    s.cfg.filter_type = ZEB_FIR_V7_1_HILBERT;
    s.cfg.num_channels = 2;
    Model m = s.create();
    Complex complex(zeb_fir_v7_1_zeb_array_complex_create());
    Real real(zeb_fir_v7_1_zeb_array_real_create());
    Mpz integers(zeb_fir_v7_1_zeb_array_mpz_create());
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), nullptr, complex.get()), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), real.get(), nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_set_data_sink_mpz(m.get(), integers.get(), nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen, (std::vector<Message>{error("Hilbert filter type requires a complex data sink"),
                                                 error("Hilbert filter type requires a complex data sink")}));

    // The complex sink stayed registered: delayed input and filtered input.
    Real in = make_packet(1, 2, 8, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_OK);
    EXPECT_EQ(real->data_size, 0u);
    ASSERT_EQ(complex->data_size, 16u);
    for (int c = 0; c < 2; ++c) {
        const std::vector<double> x = channel_stream(values_of(*in), 1, basic_order(2), 0, c);
        const std::vector<double> im = reference(x, 1, 1, h);
        for (std::size_t v = 0; v < 8; ++v) {
            const zeb_complex got = complex->data[c + 2 * v];
            EXPECT_EQ(got.re, v < 5 ? 0.0 : x[v - 5]) << "channel " << c << " vector " << v;
            EXPECT_EQ(got.im, im[v]) << "channel " << c << " vector " << v;
        }
    }
}

// ---------------------------------------------------------------- host-owned sinks

TEST(DataSink, OwnedSinkTooSmallLosesNothing) {
    Host s;
    single_rate(s, 1, 2);
    Model m = s.create();
    WrappedReal host(2, 3, &kHostRealOps);  // room for one vector
    HandlerLog log;
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), &host.rec, nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(m.get(), record_handler, &log, nullptr), ZEB_STATUS_OK);

    Real in = make_packet(1, 2, 3, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen, std::vector<Message>{error("Unable to reserve data for data_sink")});
    EXPECT_EQ(log.calls, 0);
    EXPECT_EQ(host.rec.owner, 1);
    EXPECT_EQ(host.rec.data, host.store.data());
    EXPECT_EQ(host.rec.data_capacity, 2u);
    // Nothing was delivered, and the record does not claim otherwise.
    EXPECT_EQ(host.rec.data_size, 0u);
    EXPECT_LE(host.rec.data_size, host.rec.data_capacity);

    // Every sample is still there for the host to pull.
    EXPECT_EQ(get_vectors(m.get(), 1, 2, 3), expected_vectors(values_of(*in), 1, 2, 1, 1, kTaps));
}

TEST(DataSink, OwnedSinkWithTooFewDimensionSlotsIsRefused) {
    Host s;
    single_rate(s, 1, 2);
    Model m = s.create();
    WrappedReal host(8, 2, &kHostRealOps);
    WrappedComplex pairs(1, 3, &kHostComplexOps);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), &host.rec, nullptr), ZEB_STATUS_OK);
    Real in = make_packet(1, 2, 2, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_ERROR);
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), nullptr, &pairs.rec), ZEB_STATUS_OK);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen, (std::vector<Message>{error("Unable to reserve dimension for data_sink"),
                                                 error("Unable to reserve data for data_sink_complex")}));
    EXPECT_EQ(host.rec.dim_capacity, 2u);
    EXPECT_EQ(pairs.rec.data_size, 0u);
    std::vector<double> twice = values_of(*in);
    twice.insert(twice.end(), in->data, in->data + 4);
    EXPECT_EQ(get_vectors(m.get(), 1, 2, 4), expected_vectors(twice, 1, 2, 1, 1, kTaps));
}

TEST(DataSink, OwnedSinkLargeEnoughIsFilledInPlace) {
    Host s;
    single_rate(s, 1, 2);
    Model m = s.create();
    WrappedReal host(8, 3, &kHostRealOps);
    HandlerLog log;
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), &host.rec, nullptr), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_set_data_handler(m.get(), record_handler, &log, nullptr), ZEB_STATUS_OK);
    Real in = make_packet(1, 2, 3, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(m.get(), in.get()), 7);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(host.rec.owner, 1);
    EXPECT_EQ(host.rec.data, host.store.data());
    EXPECT_EQ(host.rec.data_capacity, 8u);
    EXPECT_EQ(host.rec.dim_size, 3u);
    EXPECT_EQ((std::vector<std::size_t>{host.dims[0], host.dims[1], host.dims[2]}),
              (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(host.rec.data_size, 6u);
    EXPECT_EQ(std::vector<double>(host.store.begin(), host.store.begin() + 6),
              expected_vectors(values_of(*in), 1, 2, 1, 1, kTaps));
}

TEST(DataSink, SinkWithoutOwnerGrowsThroughItsOwnTable) {
    Host s;
    single_rate(s, 1, 2);
    Model m = s.create();
    CountingTable table;
    Real sink(zeb_fir_v7_1_zeb_array_real_create_ex(&table.ops));
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), sink.get(), nullptr), ZEB_STATUS_OK);
    const int after_create = table.reallocs;

    Real one = make_packet(1, 2, 1, sample_at);
    Real five = make_packet(1, 2, 5, sample_at);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), one.get()), ZEB_STATUS_OK);
    EXPECT_EQ(table.reallocs, after_create + 2);  // dimension store, element store
    EXPECT_EQ(sink->data_capacity, 2u);
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), five.get()), ZEB_STATUS_OK);
    EXPECT_EQ(table.reallocs, after_create + 3);
    EXPECT_EQ(sink->data_capacity, 10u);
    EXPECT_EQ(sink->owner, 0);
    std::vector<double> both = values_of(*one);
    both.insert(both.end(), five->data, five->data + 10);
    const std::vector<double> want = expected_vectors(both, 1, 2, 1, 1, kTaps);
    EXPECT_EQ(values_of(*sink), std::vector<double>(want.begin() + 2, want.end()));
}

TEST(DataSink, PatternChangeDeliversOnlyVectorsEveryChannelHolds) {
    // Pattern 3 (slots 0 1 0 2) fed slot by slot leaves channel 0 two samples
    // and channel 1 one; after the switch to pattern 1 (slots 0 1 0 1) one
    // more vector adds two to each.  Channel 1 then holds one whole vector.
    Host s;
    const std::vector<double> c = {4, -3};
    s.coefficients({c});
    s.cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    s.cfg.num_channels = 4;
    s.cfg.init_pattern = 3;
    Model m = s.create();
    std::vector<double> a(4);
    for (std::size_t sl = 0; sl < 4; ++sl) {
        a[sl] = sample_at(0, sl, 0);
        Real slot = make_real({1}, {a[sl]});
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(m.get(), slot.get()), ZEB_STATUS_OK);
    }
    ASSERT_EQ(send_config(m.get(), 1, nullptr), ZEB_STATUS_OK);
    Real sink(zeb_fir_v7_1_zeb_array_real_create());
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(m.get(), sink.get(), nullptr), ZEB_STATUS_OK);
    Real b = make_packet(1, 4, 1, [](std::size_t p, std::size_t sl, std::size_t) { return sample_at(p, sl, 3); });
    ASSERT_EQ(zeb_fir_v7_1_data_send(m.get(), b.get()), ZEB_STATUS_OK);
    ASSERT_EQ(sink->dim_size, 3u);
    EXPECT_EQ(sink->dim[2], 1u);
    const std::vector<double> ch0 = reference({a[0], a[2]}, 1, 1, c);
    const std::vector<double> ch1 = reference({a[1]}, 1, 1, c);
    const std::vector<double> ch1_new = reference({b->data[1]}, 1, 1, c);
    EXPECT_EQ(values_of(*sink), (std::vector<double>{ch0[0], ch1[0], ch0[1], ch1_new[0]}));
    EXPECT_TRUE(s.msgs.seen.empty());  // the sink was never asked for more than there was
}

// ---------------------------------------------------------------- output sizing

TEST(CalcSize, InterpolationByThree) {
    Host s;  // default 21 taps
    s.cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    s.cfg.interpolation_rate = 3;
    s.cfg.num_paths = 2;
    s.cfg.num_channels = 3;
    Model m = s.create();
    Real in = make_real({2, 3, 4}, {});
    Real out(zeb_fir_v7_1_zeb_array_real_create());  // no dimension slots yet
    ASSERT_EQ(zeb_fir_v7_1_calc_size(m.get(), in.get(), out.get(), nullptr), ZEB_STATUS_OK);
    ASSERT_GE(out->dim_capacity, 3u);
    EXPECT_EQ((std::vector<std::size_t>{out->dim[0], out->dim[1], out->dim[2]}),
              (std::vector<std::size_t>{2, 3, 12}));
    EXPECT_EQ(out->data_size, 72u);
    EXPECT_EQ(out->dim_size, 0u);  // lengths only; the host sets the rest

    Complex pairs(zeb_fir_v7_1_zeb_array_complex_create());
    Mpz integers(zeb_fir_v7_1_zeb_array_mpz_create());
    ASSERT_EQ(zeb_fir_v7_1_calc_size(m.get(), in.get(), nullptr, pairs.get()), ZEB_STATUS_OK);
    ASSERT_EQ(zeb_fir_v7_1_calc_size_mpz(m.get(), in.get(), integers.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(pairs->data_size, 72u);
    EXPECT_EQ(integers->data_size, 72u);
    EXPECT_EQ(integers->dim[2], 12u);
}

TEST(CalcSize, DecimationWithTwoDimensionalOutputGetsNoVector) {
    Host s;
    s.cfg.filter_type = ZEB_FIR_V7_1_DECIMATION;
    s.cfg.decimation_rate = 3;
    s.cfg.num_paths = 2;
    s.cfg.num_channels = 3;
    Model m = s.create();
    Real in = make_real({2, 3, 1}, {});
    Real out = make_real({9, 9}, {1, 2, 3, 4});
    ASSERT_EQ(zeb_fir_v7_1_calc_size(m.get(), in.get(), out.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(out->dim_size, 2u);
    EXPECT_EQ((std::vector<std::size_t>{out->dim[0], out->dim[1], out->dim[2]}),
              (std::vector<std::size_t>{2, 3, 0}));
    EXPECT_EQ(out->data_size, 0u);
}

TEST(CalcSize, TwoDimensionalOutputHoldsOnlyOneVector) {
    Host s;
    s.cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    s.cfg.interpolation_rate = 2;
    s.cfg.num_channels = 4;
    Model m = s.create();
    Real in = make_real({1, 4}, {});
    Real out = make_real({1, 1}, {});
    EXPECT_EQ(zeb_fir_v7_1_calc_size(m.get(), in.get(), out.get(), nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen,
              std::vector<Message>{error("Unable to size output structure, require 3 dimensions")});
    EXPECT_EQ(out->dim[1], 1u);

    Host single;
    single.cfg.num_channels = 4;
    Model one = single.create();
    ASSERT_EQ(zeb_fir_v7_1_calc_size(one.get(), in.get(), out.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(out->dim_capacity, 2u);  // two lengths need no third slot
    EXPECT_EQ((std::vector<std::size_t>{out->dim[0], out->dim[1]}), (std::vector<std::size_t>{1, 4}));
    EXPECT_EQ(out->data_size, 4u);
}

TEST(CalcSize, FractionalThreeOverTwo) {
    Host s;
    s.cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    s.cfg.rate_change = ZEB_FIR_V7_1_FIXED_FRACTIONAL;
    s.cfg.interpolation_rate = 3;
    s.cfg.decimation_rate = 2;
    s.cfg.num_channels = 2;
    Model m = s.create();
    Real in = make_real({1, 2, 5}, {});
    Real out = make_output(1, 1, 1);
    ASSERT_EQ(zeb_fir_v7_1_calc_size(m.get(), in.get(), out.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(out->dim[2], 7u);
    EXPECT_EQ(out->data_size, 14u);
}

TEST(CalcSize, OwnedRecordWithoutRoomForThreeLengthsIsRefused) {
    Host s;
    s.cfg.num_channels = 2;
    Model m = s.create();
    Real in = make_real({1, 2, 3}, {});
    WrappedReal host(8, 2, &kHostRealOps);
    host.rec.dim_size = 3;  // claims three lengths but has two slots
    host.dims[0] = 5;
    EXPECT_EQ(zeb_fir_v7_1_calc_size(m.get(), in.get(), &host.rec, nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(s.msgs.seen, std::vector<Message>{
                               error("Unable to size output structure, cannot reserve dimensions")});
    EXPECT_EQ(host.dims[0], 5u);
    EXPECT_EQ(host.dims[2], 0u);
    EXPECT_EQ(host.rec.dim_capacity, 2u);
}

// ---------------------------------------------------------------- chaining

// An upstream model whose output callback feeds a downstream model.
struct Chain {
    Host up;
    Host down;
    Real link{zeb_fir_v7_1_zeb_array_real_create()};
    Model upstream;
    Model downstream;

    Chain() { down.cfg.name = "down"; }
    void connect() {
        upstream = up.create();
        downstream = down.create();
        ASSERT_EQ(zeb_fir_v7_1_set_data_sink(upstream.get(), link.get(), nullptr), ZEB_STATUS_OK);
        ASSERT_EQ(zeb_fir_v7_1_set_data_handler(upstream.get(), zeb_fir_v7_1_data_send_handler, downstream.get(),
                                                nullptr),
                  ZEB_STATUS_OK);
    }
};

TEST(Chaining, TwoModelsGiveBothFiltersInTurn) {
    const std::vector<double> up_taps = {1, 2, 3, 4};
    const std::vector<double> down_taps = {1, -2, 3, 1, 0, 2};
    Chain chain;
    chain.up.coefficients({up_taps});
    chain.up.cfg.filter_type = ZEB_FIR_V7_1_DECIMATION;
    chain.up.cfg.decimation_rate = 2;
    chain.up.cfg.num_channels = 2;
    chain.down.coefficients({down_taps});
    chain.down.cfg.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    chain.down.cfg.interpolation_rate = 3;
    chain.down.cfg.num_channels = 2;
    ASSERT_NO_FATAL_FAILURE(chain.connect());

    // One vector per send: every other send hands an empty packet downstream.
    std::vector<double> sent;
    for (std::size_t v = 0; v < 7; ++v) {
        Real one = make_packet(1, 2, 1, [v](std::size_t p, std::size_t sl, std::size_t) { return sample_at(p, sl, v); });
        sent.insert(sent.end(), one->data, one->data + 2);
        ASSERT_EQ(zeb_fir_v7_1_data_send(chain.upstream.get(), one.get()), ZEB_STATUS_OK);
    }
    const std::vector<double> out = get_vectors(chain.downstream.get(), 1, 2, 9);
    for (int c = 0; c < 2; ++c) {
        const std::vector<double> x = channel_stream(sent, 1, basic_order(2), 0, c);
        EXPECT_EQ(channel_stream(out, 1, basic_order(2), 0, c),
                  reference(reference(x, 1, 2, up_taps), 3, 1, down_taps))
            << "channel " << c;
    }
    EXPECT_TRUE(chain.up.msgs.seen.empty());
    EXPECT_TRUE(chain.down.msgs.seen.empty());
}

TEST(Chaining, DownstreamFailureIsReportedByTheDownstreamModel) {
    Chain chain;
    chain.up.coefficients({kTaps});
    chain.up.cfg.num_channels = 2;
    chain.down.coefficients({kTaps});
    chain.down.cfg.num_channels = 3;
    ASSERT_NO_FATAL_FAILURE(chain.connect());
    Real in = make_packet(1, 2, 1, sample_at);
    EXPECT_EQ(zeb_fir_v7_1_data_send(chain.upstream.get(), in.get()), ZEB_STATUS_ERROR);
    EXPECT_TRUE(chain.up.msgs.seen.empty());
    EXPECT_EQ(chain.down.msgs.seen, std::vector<Message>{error(
                                        "Incorrect data size, expecting num_paths: 1 by num_channels: 3", "down")});
    EXPECT_EQ(zeb_fir_v7_1_data_send_handler(nullptr, chain.downstream.get(), nullptr), ZEB_STATUS_ERROR);
    EXPECT_EQ(zeb_fir_v7_1_data_send_handler(in.get(), nullptr, nullptr), ZEB_STATUS_ERROR);
}
