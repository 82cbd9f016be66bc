// Hostile hosts: records whose fields disagree with each other, extreme but
// finite values, counts at their limits and callbacks that call back into
// the model.  Every case gets a clear status and text, or the exact value
// that arithmetic on the real numbers gives; nothing crashes or is lost.
#include <utility>

#include "host.h"

using namespace host;

namespace {

using Config = zeb_fir_v7_1_config;

// ------------------------------------------------------------- creation

struct CreateRow {
    const char* name;
    double coeff;  // of every tap
    unsigned taps, dw;
    std::function<void(Config&)> change;
    std::string error;              // bare creation text; empty: the model is built
    unsigned width = 0, fract = 0;  // of a built model
};

TEST(HostileCreation, RefusedWithItsTextOrBuiltWithExactWidths) {
    const char* const fract = "Coefficient fractional width must be at most 1022 minus the data fractional width";
    const char* const acc = "Accumulator width exceeds 1023 bits, coefficient sums too large";
    const char* const padded =
        "Too many coefficients, (num_coeffs + coeff_padding) x zero_packing_factor must be at most 65536";
    const char* const tiny = "Cannot maximize dynamic range: coefficients too small to scale";
    auto interpolator = [](unsigned L, unsigned halfband) {  // reloadable: 16 + 16 + bits of the widest branch
        return [=](Config& c) { c.reloadable = c.filter_type = 1, c.interpolation_rate = L, c.is_halfband = halfband; };
    };
    const CreateRow rows[] = {
        {"FractWidthOf2Pow31", 1, 1, 16, [](Config& c) { c.coeff_fract_width = 1u << 31; }, fract},
        {"FractWidthsOf1023", 1, 1, 22, [](Config& c) { c.coeff_fract_width = 1001, c.data_fract_width = 22; }, fract},
        // 1.5 x 2^10 coefficient units: an 11-bit sum.
        {"FractWidthsOf1022", std::ldexp(1.5, -990), 1, 22,
         [](Config& c) { c.coeff_fract_width = 1000, c.data_fract_width = 22; }, "", 33, 1022},
        {"PhaseSumBeyondTheDoubleRange", 1.5e308, 2, 16, [](Config&) {}, acc},
        {"AccumulatorOf1024Bits", std::ldexp(1.5, 1007), 1, 16, [](Config&) {}, acc},
        {"AccumulatorOf1023Bits", std::ldexp(1.5, 1006), 1, 16, [](Config&) {}, "", 1023},
        // The bit count is evaluated in doubles: just above a power of two it
        // is one short of the exact ceiling of the base-2 logarithm.
        {"BitCountJustAboveAPowerOfTwo", std::ldexp(1.0 + std::ldexp(1.0, -51), 20), 1, 16, [](Config&) {}, "", 36},
        {"SumOf2Pow29CountsAsMoreThan29Bits", std::ldexp(1.0, 29), 1, 8, [](Config& c) { c.coeff_width = 40; }, "", 38},
        {"HalfbandInterpolatorBranchOf12Minus1Taps", 1, 21, 16, interpolator(4, 1), "", 36},
        {"InterpolatorBranchOfCeil33Over4Taps", 1, 33, 16, interpolator(4, 0), "", 36},
        {"ScaleOfTinyCoefficientsBeyondTheDoubleRange", 5e-324, 1, 16, [](Config& c) { c.quantization = 2; }, tiny},
        // The scale itself fits; times 2^cfw it does not.
        {"ScaleTimes2PowCfwBeyondTheDoubleRange", 1e-295, 1, 16,
         [](Config& c) { c.quantization = 2, c.coeff_width = 49, c.coeff_fract_width = 20; }, tiny},
        {"PaddingTo65536Taps", 1, 1, 16, [](Config& c) { c.coeff_padding = 65535; }, "", 16},
        {"PaddingTo65537Taps", 1, 1, 16, [](Config& c) { c.coeff_padding = 65536; }, padded},
        {"PaddingOf2Pow32Minus1", 1, 1, 16, [](Config& c) { c.coeff_padding = 0xffffffffu; }, padded},
        {"ZeroPackedTo65544Taps", 1, 8193, 16, [](Config& c) { c.filter_type = 4, c.zero_packing_factor = 8; }, padded},
        // The count claims 1025 sets of 1024: nothing may be read first.
        {"CoefficientStoreBeyond2Pow20", 1, 1024, 16, [](Config& c) { c.coeff_sets = 1025; },
         "Too many coefficients, coeff_sets x padded coefficients must be at most 1048576"},
        {"FilterBankBeyond2Pow22", 1, 257, 16, [](Config& c) { c.num_paths = 16, c.num_channels = 1024; },
         "Filter bank too large, num_paths x num_channels x padded coefficients must be at most 4194304"},
        // Accumulator width 1 + lg(0.2) = -1, in signed arithmetic: the output
        // format refuses it.
        {"NegativeAccumulatorWidth", 0.2, 1, 1, [](Config&) {}, "Bad format specified (IFIX_-1_0)"},
    };
    for (const CreateRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<double> coeff(row.taps, row.coeff);
        Config cfg = config_with(coeff);
        cfg.data_width = row.dw, row.change(cfg);
        Model m(cfg, true);
        m.take(1);  // then only an error, alone, when refused
        EXPECT_EQ(*m != nullptr ? "" : m.log.size() == 1 && m.log[0].flag == 1 ? m.log[0].text : "?", row.error);
        const zeb_fir_v7_1_config got = m.config();  // zeroed when refused
        EXPECT_EQ(std::make_pair(got.output_width, got.output_fract_width), std::make_pair(row.width, row.fract));
    }
}

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
        std::copy_n(lengths.begin(), std::min(dim_slots, lengths.size()), dims.begin());
        rec.data = capacity > 0 ? store.data() : nullptr, rec.data_size = data_size, rec.data_capacity = capacity;
        rec.dim = dim_slots > 0 ? dims.data() : nullptr, rec.dim_size = lengths.size(), rec.dim_capacity = dim_slots;
        rec.owner = 1;
    }
    A* get() { return &rec; }
};

// Each call takes one record built from a row: as the input or output of a
// whole-vector or slot call, the input of sizing, or in a packet.
enum Kind { kSend, kSendSlot, kSize, kGet, kGetSlot, kSelectors, kReload };
struct RecordRow {
    const char* name;
    bool pattern;
    Kind kind;
    std::vector<size_t> lengths;
    size_t dim_slots, capacity, size;
    zeb_status status;
    std::string text;  // whole text the host receives
};

zeb_status call(zeb_fir_v7_1* m, const RecordRow& r) {
    Lying<zeb_array_real, double> rec(r.lengths, r.dim_slots, r.capacity, r.size);
    Lying<zeb_array_uint, unsigned int> sel(r.lengths, r.dim_slots, r.capacity, r.size);
    if (r.kind == kGetSlot) rec.rec.data_capacity = 2;  // claimed over a missing store
    const zeb_fir_v7_1_cnfg_packet config{ZEB_FIR_V7_1_PATTERN_BASIC, sel.get()};
    const zeb_fir_v7_1_rld_packet reload{0, rec.get()};
    switch (r.kind) {
        case kSend: return zeb_fir_v7_1_data_send(m, rec.get());
        case kSendSlot: return zeb_fir_v7_1_data_send_channel(m, rec.get());
        case kSize: return zeb_fir_v7_1_calc_size(m, rec.get(), Real({2, 2, 1}).get(), nullptr);
        case kGet: return zeb_fir_v7_1_data_get(m, rec.get(), nullptr);
        case kGetSlot: return zeb_fir_v7_1_data_get_channel(m, rec.get(), nullptr);
        case kSelectors: return zeb_fir_v7_1_config_send(m, &config);
        default: return zeb_fir_v7_1_reload_send(m, &reload);
    }
}

// Two paths and two channels, two sets selected per channel, reloadable;
// under the advanced sequence four channels in pattern 3 (slots owned by
// channels 0 1 0 2).  The call gets its status and text, and the model then
// delivers exactly what a twin that never saw the call delivers.
TEST(HostileRecords, AnsweredClearlyAndNothingChanges) {
    const std::string dims =
        error_text("Incorrect data array dimension, expecting num_paths by num_channels (by number of vectors)");
    const std::string fewer = error_text("Input array holds fewer samples than its dimensions promise");
    const RecordRow rows[] = {
        {"PacketSizeBeyondItsStore", false, kSend, {2, 2, 2}, 3, 4, 8, 1, fewer},
        {"SlotSizeBeyondItsStore", false, kSendSlot, {2}, 1, 1, 2, 1, fewer},
        {"PacketLengthsBeyondTheirSlots", false, kSend, {2, 2, 1}, 2, 8, 8, 1, dims},
        {"SizingInputLengthsBeyondTheirSlots", false, kSize, {2, 2, 1}, 2, 4, 4, 1, dims},
        {"ReadLengthsBeyondTheirSlots", false, kGet, {2, 2, 1}, 2, 32, 0, 1, dims},
        {"PatternReadLengthsBeyondTheirSlots", true, kGet, {2, 4, 1}, 2, 64, 0, 1, dims},
        {"SlotReadIntoANullStore", false, kGetSlot, {2}, 1, 0, 0, 1,
         error_text("Output array capacity too small, expecting num_paths: 2")},
        {"SelectorsBeyondTheirStore", false, kSelectors, {2}, 1, 1, 2, 1,
         error_text("Insufficient fsel values specified, expecting2")},
        {"SelectorsWithoutLengths", false, kSelectors, {2}, 0, 2, 2, 1, error_text("Expecting 1-D array for fsel")},
        {"ReloadValuesBeyondTheirStore", false, kReload, {21}, 1, 20, 21, 1,
         error_text("Reload coeff array holds fewer values than its length")},
        {"ReloadWithoutLengths", false, kReload, {21}, 0, 21, 21, 1, error_text("Expecting 1-D array for coeff")},
        // Holding every value read is enough, whatever the first length claims.
        {"ReloadHoldingTheValuesReadOfALongerLength", false, kReload, {23}, 1, 21, 21, 0,
         warning_text("More coeff values specified than required, will use first 21")},
    };
    const std::vector<double> sets = Stimulus(300).coeffs(2 * 21, 16, 0);
    for (const RecordRow& row : rows) {
        SCOPED_TRACE(row.name);
        Config cfg = config_with(sets, 2);
        cfg.config_method = cfg.reloadable = 1, cfg.num_paths = 2, cfg.num_channels = row.pattern ? 4 : 2;
        if (row.pattern) cfg.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ, cfg.init_pattern = 3;
        const size_t P = 2, C = cfg.num_channels;
        const std::vector<double> values = Stimulus(310).samples(P * C * 6, 16, 0);
        Model hit(cfg), twin(cfg);
        for (Model* m : {&hit, &twin})
            ASSERT_EQ(zeb_fir_v7_1_data_send(**m, packet(P, C, 6, values).get()), ZEB_STATUS_OK);
        EXPECT_EQ(call(*hit, row), row.status);
        EXPECT_EQ(hit.take(), std::vector<std::string>{row.text});
        const std::vector<double> delivered = get_vectors(hit, P, C, 6);
        EXPECT_EQ(delivered.size(), P * C * 6);
        EXPECT_EQ(delivered, get_vectors(twin, P, C, 6));
    }
}

// -------------------------------------------------------------- callbacks

// On every message, as a careless host might, or from the output callback:
// the nested call; the refusal's own report calls back once more, and that
// call is refused silently.
enum Trigger { kWarning, kOutput, kError };
struct Host {
    Trigger from;
    zeb_status (*nested)(zeb_fir_v7_1*);
    zeb_fir_v7_1* model = nullptr;
    std::vector<std::string> messages{};
    std::vector<zeb_status> statuses{};
    void call() { statuses.push_back(nested(model)); }
    static void on_message(void* h, int, const char* text) {
        Host* host = static_cast<Host*>(h);
        host->messages.push_back(text);
        if (host->from != kOutput && host->model != nullptr) host->call();
    }
    static int on_output(const zeb_array_real*, void* h, void*) { return static_cast<Host*>(h)->call(), 0; }
};
zeb_status send_again(zeb_fir_v7_1* m) { return zeb_fir_v7_1_data_send(m, packet(1, 1, 4, {1, 2, 3, 4}).get()); }

// From a message callback, errors included, every call on the model is
// refused, with one error; from the output callback only destroy is.  The
// outer call delivers what it would have delivered anyway.
TEST(NestedCalls, RefusedWhileTheModelIsBusy) {
    const std::tuple<Trigger, zeb_status (*)(zeb_fir_v7_1*), std::vector<zeb_status>> rows[] = {
        // called from, nested call, statuses of the nested calls (innermost first)
        {kWarning, zeb_fir_v7_1_reset, {1, 1}}, {kWarning, zeb_fir_v7_1_destroy, {1, 1}},
        {kOutput, zeb_fir_v7_1_reset, {0}},     {kOutput, zeb_fir_v7_1_destroy, {1}},
        {kError, send_again, {1, 1}},           {kError, zeb_fir_v7_1_reset, {1, 1}},
        {kError, zeb_fir_v7_1_destroy, {1, 1}},
    };
    for (const auto& [from, nested, statuses] : rows) {
        Config cfg;
        zeb_fir_v7_1_default_config(&cfg);
        Host host{from, nested};
        host.model = zeb_fir_v7_1_create(&cfg, &Host::on_message, &host);
        ASSERT_NE(host.model, nullptr);
        Real in = packet(1, 1, 4, {1, 2, 3, 4}), out({1, 1, 8});  // more than held: the read warns first
        if (from == kOutput) {
            ASSERT_EQ(zeb_fir_v7_1_set_data_sink(host.model, out.get(), nullptr), ZEB_STATUS_OK);
            ASSERT_EQ(zeb_fir_v7_1_set_data_handler(host.model, &Host::on_output, &host, nullptr), ZEB_STATUS_OK);
        }
        const Real refused = packet(2, 1, 1, {1, 2});  // two paths for a model of one
        ASSERT_EQ(zeb_fir_v7_1_data_send(host.model, (from == kError ? refused : in).get()), from == kError);
        EXPECT_EQ(from == kWarning ? zeb_fir_v7_1_data_get(host.model, out.get(), nullptr) : 0, ZEB_STATUS_OK);
        const std::vector<double> delivered = {6, 12, 14, 13};
        EXPECT_EQ(values_of(*out.get()), from == kError ? std::vector<double>{} : delivered);
        EXPECT_EQ(host.statuses, statuses);
        std::vector<std::string> expected;
        if (from != kOutput)
            expected.push_back(from == kError
                                   ? error_text("Incorrect data size, expecting num_paths: 1 by num_channels: 1")
                                   : warning_text("Getting more vectors than available, reseting array size"));
        if (statuses.back() == ZEB_STATUS_ERROR)
            expected.push_back(error_text("Model is busy: a call from inside its own callback is refused"));
        EXPECT_EQ(host.messages, expected);
        EXPECT_EQ(zeb_fir_v7_1_destroy(std::exchange(host.model, nullptr)), ZEB_STATUS_OK);
    }
}

}  // namespace
