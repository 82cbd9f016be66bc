// Hostile hosts: records whose fields disagree with each other, extreme but
// finite values, counts at their limits and callbacks that call back into
// the model.  Every case gets a clear status and text, or the exact value
// that arithmetic on the real numbers gives; nothing crashes or is lost.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "host.h"
#include "zeb_fir_v7_1.h"

using namespace host;

namespace {

const char* const kPacketDims =
    "Incorrect data array dimension, expecting num_paths by num_channels (by number of vectors)";
const char* const kShort = "Input array holds fewer samples than its dimensions promise";
const char* const kNested = "Model is busy: a call from inside its own callback is refused";
const std::string kName = "pilvoran_v7_1";
const std::vector<double> kDefaultCoeff = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};

std::string error(const std::string& text) { return kName + " ERROR: " + text; }

// Rows print as their names.
template <typename Row>
auto operator<<(std::ostream& os, const Row& row) -> decltype(row.name, os) {
    return os << row.name;
}

// ------------------------------------------------------------- creation

using Config = zeb_fir_v7_1_config;
using Change = std::function<void(Config&, std::vector<double>&)>;

template <typename F, typename V>
Change set(F Config::*field, V value) {
    return [=](Config& c, std::vector<double>&) { c.*field = static_cast<F>(value); };
}
Change operator+(Change a, Change b) {
    return [=](Config& c, std::vector<double>& k) { a(c, k), b(c, k); };
}
// num_coeffs values c, data width dw.
Change taps(double c, unsigned dw = 16, unsigned n = 1) {
    return [=](Config& cfg, std::vector<double>& k) {
        k.assign(n, c);
        cfg.num_coeffs = n;
        cfg.data_width = dw;
    };
}

struct CreateRow {
    const char* name;
    Change change;
    std::string error;           // bare creation text; empty: the model is built
    unsigned output_width = 0;   // of a built model
    unsigned output_fract = 0;   // of a built model
    std::string note = "";       // a trace note that must have been sent
};

class HostileCreation : public testing::TestWithParam<CreateRow> {};

TEST_P(HostileCreation, RefusedWithItsTextOrBuiltWithExactWidths) {
    const CreateRow& row = GetParam();
    Config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    std::vector<double> coeff = kDefaultCoeff;
    row.change(cfg, coeff);
    cfg.coeff = coeff.data();
    Model m(cfg, true);
    std::vector<std::string> errors, notes;
    for (const Message& msg : m.log) (msg.flag == 1 ? errors : notes).push_back(msg.text);
    if (!row.note.empty()) {
        EXPECT_NE(std::find(notes.begin(), notes.end(), row.note), notes.end());
    }
    if (!row.error.empty()) {
        EXPECT_EQ(*m, nullptr);
        EXPECT_EQ(errors, std::vector<std::string>{row.error});
        return;
    }
    ASSERT_NE(*m, nullptr) << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(m.config().output_width, row.output_width);
    EXPECT_EQ(m.config().output_fract_width, row.output_fract);
}

const char* const kFract = "Coefficient fractional width must be at most 1022 minus the data fractional width";
const char* const kAcc = "Accumulator width exceeds 1023 bits, coefficient sums too large";
const char* const kPadded =
    "Too many coefficients, (num_coeffs + coeff_padding) x zero_packing_factor must be at most 65536";

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileCreation,
    testing::Values(
        CreateRow{"FractWidthOf2Pow31", set(&Config::coeff_fract_width, 1u << 31), kFract},
        CreateRow{"FractWidthOf1100", set(&Config::coeff_fract_width, 1100), kFract},
        CreateRow{"FractWidthsOf1023", taps(1, 22) + set(&Config::coeff_fract_width, 1001) +
                                           set(&Config::data_fract_width, 22), kFract},
        // 1.5 x 2^10 coefficient units: an 11-bit sum.
        CreateRow{"FractWidthsOf1022", taps(std::ldexp(1.5, -990), 22) + set(&Config::coeff_fract_width, 1000) +
                                           set(&Config::data_fract_width, 22), "", 33, 1022},
        CreateRow{"PhaseSumBeyondTheDoubleRange", taps(1.5e308, 16, 2), kAcc},
        CreateRow{"WideAccumulatorOf1046BitsWithATruncatedOutput",
                  taps(1e300, 49) + set(&Config::output_rounding_mode, ZEB_FIR_V7_1_TRUNCATE_LSBS) +
                      set(&Config::output_width, 16), kAcc},
        CreateRow{"AccumulatorOf1024Bits", taps(std::ldexp(1.5, 1007)), kAcc},
        CreateRow{"AccumulatorOf1023Bits", taps(std::ldexp(1.5, 1006)), "", 1023},
        // The bit count is evaluated in doubles: just above a power of two
        // it is one short of the exact ceiling of the base-2 logarithm.
        CreateRow{"BitCountJustAboveAPowerOfTwo", taps(std::ldexp(1.0 + std::ldexp(1.0, -51), 20)), "", 36},
        CreateRow{"ScaleOfTinyCoefficientsBeyondTheDoubleRange",
                  taps(5e-324) + set(&Config::quantization, ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE),
                  "Cannot maximize dynamic range: coefficients too small to scale"},
        // The scale itself fits; times 2^cfw it does not.
        CreateRow{"ScaleTimes2PowCfwBeyondTheDoubleRange",
                  taps(1e-295) + set(&Config::quantization, ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE) +
                      set(&Config::coeff_width, 49) + set(&Config::coeff_fract_width, 20),
                  "Cannot maximize dynamic range: coefficients too small to scale"},
        CreateRow{"PaddingTo65536Taps", taps(1) + set(&Config::coeff_padding, 65535), "", 16},
        CreateRow{"PaddingTo65537Taps", taps(1) + set(&Config::coeff_padding, 65536), kPadded},
        CreateRow{"PaddingOf2Pow32Minus1", taps(1) + set(&Config::coeff_padding, 0xffffffffu), kPadded},
        CreateRow{"ZeroPackedTo65544Taps", taps(1, 16, 8193) + set(&Config::filter_type, ZEB_FIR_V7_1_INTERPOLATED) +
                                               set(&Config::zero_packing_factor, 8), kPadded},
        // The count claims 1025 sets of 1024: nothing may be read first.
        CreateRow{"CoefficientStoreBeyond2Pow20", taps(1, 16, 1024) + set(&Config::coeff_sets, 1025),
                  "Too many coefficients, coeff_sets x padded coefficients must be at most 1048576"},
        CreateRow{"FilterBankBeyond2Pow22",
                  taps(1, 16, 257) + set(&Config::num_paths, 16) + set(&Config::num_channels, 1024),
                  "Filter bank too large, num_paths x num_channels x padded coefficients must be at most 4194304"},
        // Accumulator width 1 + lg(0.2) = -1: the note is computed in signed
        // arithmetic, then the output format refuses the width.
        CreateRow{"NegativeAccumulatorWidth", taps(0.2, 1), "Bad format specified (IFIX_-1_0)", 0, 0,
                  kName + " NOTE: Output fract width: 0"}),
    [](const testing::TestParamInfo<CreateRow>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------- quantisation

struct QuantRow {
    const char* name;
    unsigned dw, dfw, cw, cfw;
    bool reloadable;  // the accumulator from the widths: room for any coefficient
    bool hilbert;
    double coeff, sample;
};

class ExactQuantisation : public testing::TestWithParam<QuantRow> {};

// One tap, one path, one channel, full precision: each output is the
// quantised coefficient times the quantised sample, as the reference model
// computes them exactly.  The sample is sent twice; the first output is read
// as a real, the second as an integer.
TEST_P(ExactQuantisation, HugeFiniteValuesGiveWhatExactArithmeticGives) {
    const QuantRow& row = GetParam();
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.num_coeffs = 1;
    cfg.coeff = &row.coeff;
    cfg.data_width = row.dw;
    cfg.data_fract_width = row.dfw;
    cfg.coeff_width = row.cw;
    cfg.coeff_fract_width = row.cfw;
    cfg.reloadable = row.reloadable;
    if (row.hilbert) cfg.filter_type = ZEB_FIR_V7_1_HILBERT;
    Model m(cfg);
    ASSERT_NE(*m, nullptr) << (m.log.empty() ? "" : m.log[0].text);
    m.take();
    ASSERT_EQ(m.config().output_fract_width, row.cfw + row.dfw);
    Real in = packet(1, 1, 2, {row.sample, row.sample});
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    read_halves(m, Expectation(cfg, {0}, 2, {row.sample, row.sample}), 0, 2, false);
    EXPECT_TRUE(m.take().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExactQuantisation,
    testing::Values(
        // Input: doubles mode (accumulator 16 or 20 bits), then the wide mode
        // (49 + lg 16 = 53 bits).
        QuantRow{"InputOfMaxDouble", 16, 1, 16, 0, false, false, 1, DBL_MAX},
        QuantRow{"InputOfMinusMaxDouble", 16, 1, 16, 0, false, false, 1, -DBL_MAX},
        QuantRow{"InputJustBelowTheScaledRange", 16, 1, 16, 0, false, false, 1, std::ldexp(1.0, 1022) * 1.5},
        QuantRow{"InputWrappedInRange", 16, 0, 16, 0, false, false, 16, 40000},
        QuantRow{"WideInputOfMaxDouble", 49, 1, 16, 0, false, false, 16, DBL_MAX},
        QuantRow{"HilbertInPhaseOfMaxDouble", 16, 1, 16, 0, false, true, 1, DBL_MAX},
        QuantRow{"WideHilbertInPhaseOfMaxDouble", 49, 1, 16, 0, false, true, 16, -DBL_MAX},
        // Coefficients, reloadable: 16 + 16 bits, then 49 + 16 (wide).
        QuantRow{"CoefficientOfMinusMaxDouble", 16, 0, 16, 7, true, false, -DBL_MAX, 1},
        QuantRow{"WideCoefficientOfMinusMaxDouble", 49, 0, 16, 7, true, false, -DBL_MAX, 3},
        QuantRow{"WideCoefficientWrappedFromFarAbove", 49, 0, 16, 7, true, false, std::ldexp(1.0, 60) + 256, 3},
        QuantRow{"CoefficientWrappedInRange", 16, 0, 8, 0, true, false, 200, 3}),
    [](const testing::TestParamInfo<QuantRow>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------- host records

// A record over stores of exactly dim_slots lengths and capacity elements
// (vectors, so that a read or write past them is caught), whose dim_size and
// data_size may claim more.  Marked as the host's own: never grown.
template <typename A, typename E>
struct Lying {
    std::vector<size_t> dims;
    std::vector<E> store;
    A rec{};
    Lying(std::vector<size_t> lengths, size_t dim_slots, size_t capacity, size_t data_size)
        : dims(dim_slots), store(capacity) {
        for (size_t i = 0; i < capacity; ++i) store[i] = static_cast<E>(i % 5);
        for (size_t i = 0; i < dim_slots && i < lengths.size(); ++i) dims[i] = lengths[i];
        rec.data = capacity > 0 ? store.data() : nullptr;
        rec.data_size = data_size;
        rec.data_capacity = capacity;
        rec.dim = dim_slots > 0 ? dims.data() : nullptr;
        rec.dim_size = lengths.size();
        rec.dim_capacity = dim_slots;
        rec.owner = 1;
    }
    A* get() { return &rec; }
};
using LyingReal = Lying<zeb_array_real, double>;
using LyingUint = Lying<zeb_array_uint, unsigned int>;

// Two paths and two channels, two coefficient sets selected per channel,
// reloadable; under the advanced sequence four channels in pattern 3
// (slots owned by channels 0 1 0 2).
zeb_fir_v7_1_config records_config(bool pattern) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    static std::vector<double> two_sets;
    two_sets = kDefaultCoeff;
    two_sets.insert(two_sets.end(), kDefaultCoeff.rbegin(), kDefaultCoeff.rend());
    cfg.coeff = two_sets.data();
    cfg.coeff_sets = 2;
    cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL;
    cfg.reloadable = 1;
    cfg.num_paths = 2;
    cfg.num_channels = pattern ? 4 : 2;
    if (pattern) {
        cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
        cfg.init_pattern = 3;
    }
    return cfg;
}

struct RecordRow {
    const char* name;
    bool pattern;
    std::function<zeb_status(zeb_fir_v7_1*)> call;
    zeb_status status;
    std::string message;  // whole text the host receives
};

class HostileRecords : public testing::TestWithParam<RecordRow> {};

// The call gets its status and text, and the model then delivers exactly
// what a twin that never saw the call delivers.
TEST_P(HostileRecords, AnsweredClearlyAndNothingChanges) {
    const RecordRow& row = GetParam();
    const zeb_fir_v7_1_config cfg = records_config(row.pattern);
    const size_t P = cfg.num_paths, C = cfg.num_channels;
    Stimulus stimulus(310);
    const std::vector<double> values = stimulus.samples(P * C * 6, 16, 0);
    Model hit(cfg), twin(cfg);
    std::vector<std::vector<double>> delivered;
    for (Model* m : {&hit, &twin}) {
        m->take();
        Real in = packet(P, C, 6, values);
        ASSERT_EQ(zeb_fir_v7_1_data_send(**m, in.get()), ZEB_STATUS_OK);
    }
    EXPECT_EQ(row.call(*hit), row.status);
    EXPECT_EQ(hit.take(), std::vector<std::string>{row.message});
    for (Model* m : {&hit, &twin}) {
        Real out({P, C, 6});
        ASSERT_EQ(zeb_fir_v7_1_data_get(**m, out.get(), nullptr), ZEB_STATUS_OK);
        delivered.emplace_back(out->data, out->data + out->data_size);
    }
    EXPECT_EQ(delivered[0].size(), P * C * 6);
    EXPECT_EQ(delivered[0], delivered[1]);
}

zeb_status send_packet(zeb_fir_v7_1* m, std::vector<size_t> dims, size_t dim_slots, size_t capacity, size_t size) {
    LyingReal in(std::move(dims), dim_slots, capacity, size);
    return zeb_fir_v7_1_data_send(m, in.get());
}

zeb_status get_packet(zeb_fir_v7_1* m, size_t C) {
    LyingReal out({2, C, 1}, 2, 2 * C * 8, 0);  // three lengths over two slots
    return zeb_fir_v7_1_data_get(m, out.get(), nullptr);
}

zeb_status send_fsel(zeb_fir_v7_1* m, std::vector<size_t> dims, size_t dim_slots, size_t capacity, size_t size) {
    LyingUint fsel(std::move(dims), dim_slots, capacity, size);
    zeb_fir_v7_1_cnfg_packet packet{ZEB_FIR_V7_1_PATTERN_BASIC, fsel.get()};
    return zeb_fir_v7_1_config_send(m, &packet);
}

zeb_status send_reload(zeb_fir_v7_1* m, std::vector<size_t> dims, size_t dim_slots, size_t capacity, size_t size) {
    LyingReal coeff(std::move(dims), dim_slots, capacity, size);
    zeb_fir_v7_1_rld_packet packet{0, coeff.get()};
    return zeb_fir_v7_1_reload_send(m, &packet);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileRecords,
    testing::Values(
        RecordRow{"PacketSizeBeyondItsStore", false, [](auto m) { return send_packet(m, {2, 2, 2}, 3, 4, 8); },
                  ZEB_STATUS_ERROR, error(kShort)},
        RecordRow{"SlotSizeBeyondItsStore", false,
                  [](auto m) {
                      LyingReal in({2}, 1, 1, 2);
                      return zeb_fir_v7_1_data_send_channel(m, in.get());
                  },
                  ZEB_STATUS_ERROR, error(kShort)},
        RecordRow{"PacketLengthsBeyondTheirSlots", false, [](auto m) { return send_packet(m, {2, 2, 1}, 2, 8, 8); },
                  ZEB_STATUS_ERROR, error(kPacketDims)},
        RecordRow{"SizingInputLengthsBeyondTheirSlots", false,
                  [](auto m) {
                      LyingReal in({2, 2, 1}, 2, 4, 4);
                      Real out({2, 2, 1});
                      return zeb_fir_v7_1_calc_size(m, in.get(), out.get(), nullptr);
                  },
                  ZEB_STATUS_ERROR, error(kPacketDims)},
        RecordRow{"ReadLengthsBeyondTheirSlots", false, [](auto m) { return get_packet(m, 2); }, ZEB_STATUS_ERROR,
                  error(kPacketDims)},
        RecordRow{"PatternReadLengthsBeyondTheirSlots", true, [](auto m) { return get_packet(m, 4); },
                  ZEB_STATUS_ERROR, error(kPacketDims)},
        RecordRow{"SlotReadIntoANullStore", false,
                  [](auto m) {
                      LyingReal out({2}, 1, 0, 0);
                      out.rec.data_capacity = 2;
                      return zeb_fir_v7_1_data_get_channel(m, out.get(), nullptr);
                  },
                  ZEB_STATUS_ERROR, error("Output array capacity too small, expecting num_paths: 2")},
        RecordRow{"SelectorsBeyondTheirStore", false, [](auto m) { return send_fsel(m, {2}, 1, 1, 2); },
                  ZEB_STATUS_ERROR, error("Insufficient fsel values specified, expecting2")},
        RecordRow{"SelectorsWithoutLengths", false, [](auto m) { return send_fsel(m, {2}, 0, 2, 2); },
                  ZEB_STATUS_ERROR, error("Expecting 1-D array for fsel")},
        RecordRow{"ReloadValuesBeyondTheirStore", false, [](auto m) { return send_reload(m, {21}, 1, 20, 21); },
                  ZEB_STATUS_ERROR, error("Reload coeff array holds fewer values than its length")},
        RecordRow{"ReloadWithoutLengths", false, [](auto m) { return send_reload(m, {21}, 0, 21, 21); },
                  ZEB_STATUS_ERROR, error("Expecting 1-D array for coeff")},
        // Holding every value read is enough, whatever the first length claims.
        RecordRow{"ReloadHoldingTheValuesReadOfALongerLength", false,
                  [](auto m) { return send_reload(m, {23}, 1, 21, 21); }, ZEB_STATUS_OK,
                  kName + " WARNING: More coeff values specified than required, will use first 21"}),
    [](const testing::TestParamInfo<RecordRow>& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ sinks

struct SinkRow {
    const char* name;
    std::function<void(zeb_fir_v7_1*, zeb_array_real*)> before;  // run before the failing packet
    std::string message;
};

class HostileSinks : public testing::TestWithParam<SinkRow> {};

// A delivery that fails leaves the sink announcing nothing: no vector, no
// element (its lengths as they were when there is no third slot to set).
TEST_P(HostileSinks, FailedDeliveryAnnouncesNothing) {
    const SinkRow& row = GetParam();
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    cfg.num_channels = 2;
    Model m(cfg);
    Real sink({1, 2, 1});
    ASSERT_EQ(zeb_fir_v7_1_set_data_sink(*m, sink.get(), nullptr), ZEB_STATUS_OK);
    double* const store = sink->data;
    const size_t dim_slots = sink->dim_capacity;
    row.before(*m, sink.get());
    sink->data_size = 2;  // left from an earlier delivery
    const double values[2] = {3, 4};
    Real in = packet(1, 2, 1, {values[0], values[1]});
    EXPECT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(m.take(), std::vector<std::string>{error(row.message)});
    EXPECT_EQ(sink->data_size, 0u);
    if (sink->dim_capacity >= 3 && sink->dim_size == 3) {
        EXPECT_EQ(sink->dim[2], 0u);
    }
    sink->data = store;
    sink->dim_capacity = dim_slots;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileSinks,
    testing::Values(
        SinkRow{"ReadTurnIncomplete",
                [](zeb_fir_v7_1* m, zeb_array_real*) {
                    const double one[1] = {1};
                    for (int s = 0; s < 2; ++s) {
                        Real slot_in = slot(1, one);
                        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(m, slot_in.get()), ZEB_STATUS_OK);
                    }
                    Real slot_out({1});
                    ASSERT_EQ(zeb_fir_v7_1_data_get_channel(m, slot_out.get(), nullptr), ZEB_STATUS_OK);
                },
                "Channel postion non-zero, cannot get a packet"},
        SinkRow{"OwnedWithTwoDimensionSlots",
                [](zeb_fir_v7_1*, zeb_array_real* sink) {
                    sink->owner = 1;
                    sink->dim_capacity = 2;
                    sink->dim_size = 2;
                },
                "Unable to reserve dimension for data_sink"},
        SinkRow{"OwnedNullStoreClaimingRoom",
                [](zeb_fir_v7_1*, zeb_array_real* sink) {
                    sink->owner = 1;
                    static_cast<void>(zeb_fir_v7_1_zeb_array_real_reserve_data(sink, 2));
                    sink->data = nullptr;
                },
                "Unable to reserve data for data_sink"}),
    [](const testing::TestParamInfo<SinkRow>& info) { return std::string(info.param.name); });

// -------------------------------------------------------------- callbacks

enum class From { warning, output_callback };

struct NestedRow {
    const char* name;
    From from;
    std::function<zeb_status(zeb_fir_v7_1*)> nested;
    std::vector<zeb_status> statuses;  // of the nested calls, innermost first
};

struct Host {
    zeb_fir_v7_1* model = nullptr;
    const NestedRow* row = nullptr;
    std::vector<std::string> messages;
    std::vector<zeb_status> nested;

    // On every message, as a careless host might: the refusal's own report
    // calls back once more, and that call is refused silently.
    void call_back() { nested.push_back(row->nested(model)); }
    static void on_message(void* h, int, const char* text) {
        Host* host = static_cast<Host*>(h);
        host->messages.push_back(text);
        if (host->row->from == From::warning && host->model != nullptr) host->call_back();
    }
    static int on_output(const zeb_array_real*, void* h, void*) {
        static_cast<Host*>(h)->call_back();
        return ZEB_STATUS_OK;
    }
};

class NestedCalls : public testing::TestWithParam<NestedRow> {};

// From a message callback every call on the model is refused, with one
// error; from the output callback only destroy is.  The outer call
// delivers what it would have delivered anyway.
TEST_P(NestedCalls, RefusedWhileTheModelIsBusy) {
    const NestedRow& row = GetParam();
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    Host host;
    host.row = &row;
    host.model = zeb_fir_v7_1_create(&cfg, &Host::on_message, &host);
    ASSERT_NE(host.model, nullptr);
    const std::vector<double> values = {1, 2, 3, 4};
    Real in = packet(1, 1, 4, values);
    Real sink({1, 1, 4});
    if (row.from == From::output_callback) {
        ASSERT_EQ(zeb_fir_v7_1_set_data_sink(host.model, sink.get(), nullptr), ZEB_STATUS_OK);
        ASSERT_EQ(zeb_fir_v7_1_set_data_handler(host.model, &Host::on_output, &host, nullptr), ZEB_STATUS_OK);
    }
    ASSERT_EQ(zeb_fir_v7_1_data_send(host.model, in.get()), ZEB_STATUS_OK);
    Real out({1, 1, 8});  // more than held: the read warns first
    if (row.from == From::warning) {
        ASSERT_EQ(zeb_fir_v7_1_data_get(host.model, out.get(), nullptr), ZEB_STATUS_OK);
    }
    const zeb_array_real& got = row.from == From::warning ? *out.get() : *sink.get();
    EXPECT_EQ(std::vector<double>(got.data, got.data + got.data_size), (std::vector<double>{6, 12, 14, 13}));
    EXPECT_EQ(host.nested, row.statuses);
    std::vector<std::string> expected;
    if (row.from == From::warning)
        expected.push_back(kName + " WARNING: Getting more vectors than available, reseting array size");
    if (row.statuses.back() == ZEB_STATUS_ERROR) expected.push_back(error(kNested));
    EXPECT_EQ(host.messages, expected);
    zeb_fir_v7_1* const model = host.model;
    host.model = nullptr;
    EXPECT_EQ(zeb_fir_v7_1_destroy(model), ZEB_STATUS_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NestedCalls,
    testing::Values(NestedRow{"ResetFromAWarning", From::warning, zeb_fir_v7_1_reset, {1, 1}},
                    NestedRow{"DestroyFromAWarning", From::warning, zeb_fir_v7_1_destroy, {1, 1}},
                    NestedRow{"ResetFromTheOutputCallback", From::output_callback, zeb_fir_v7_1_reset, {0}},
                    NestedRow{"DestroyFromTheOutputCallback", From::output_callback, zeb_fir_v7_1_destroy, {1}}),
    [](const testing::TestParamInfo<NestedRow>& info) { return std::string(info.param.name); });

}  // namespace
