// Every text a model sends, as tables of (call, expected text): refusals of
// a configuration, creation notes and warnings, refused data calls and
// packets, and trace notes.  Refused calls leave the model as it was.
#include <climits>
#include <sstream>

#include "host.h"

using namespace host;

namespace {

using Change = std::function<void(zeb_fir_v7_1_config&)>;
using Call = std::function<zeb_status(const Model&)>;

const std::vector<double> kDefault = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};

zeb_fir_v7_1_config changed(const Change& change) {
    zeb_fir_v7_1_config cfg;
    zeb_fir_v7_1_default_config(&cfg);
    change(cfg);
    return cfg;
}

// The bare refusal text of a creation ("" when the model is built): the only
// message, with the error flag.  `noted`: whether any trace note came first.
std::string refusal(const zeb_fir_v7_1_config& cfg, bool* noted = nullptr) {
    Model m(cfg, true);
    const bool any_note = !m.take(1).empty();
    if (noted != nullptr) *noted = any_note;
    if (*m != nullptr) return "";
    EXPECT_EQ(m.log.size(), 1u);
    return m.log.empty() || m.log[0].flag != 1 ? "(no error)" : m.log[0].text;
}

// "W text" a warning, "E text" an error, anything else a note; lines split at '|'.
std::vector<std::string> texts(const std::string& lines) {
    std::vector<std::string> out;
    std::istringstream in(lines);
    for (std::string t; std::getline(in, t, '|');)
        out.push_back(t[1] != ' ' ? note_text(t) : t[0] == 'W' ? warning_text(t.substr(2)) : error_text(t.substr(2)));
    return out;
}

void expect_refused(Model& m, const std::vector<std::pair<Call, std::string>>& calls) {
    for (const auto& c : calls) {
        EXPECT_EQ(c.first(m), ZEB_STATUS_ERROR) << c.second;
        EXPECT_EQ(m.take(), std::vector<std::string>{error_text(c.second)});
    }
}

#define FIELD(f) [](zeb_fir_v7_1_config& c, unsigned int v) { c.f = static_cast<decltype(c.f)>(v); }

}  // namespace

// Every field invalid; repairing one at a time walks the checks in their
// fixed order, then the records that pass the ranges but cannot be served.
// Range checks also accept their limit, and refuse one more and -1 before
// any note.
TEST(CreationRefusals, FirstFailingCheckWinsInTheFixedOrder) {
    using Set = std::function<void(zeb_fir_v7_1_config&, unsigned int)>;
    const char* const cw = "Invalid coefficient width";
    const std::tuple<Set, unsigned int, unsigned int, const char*, unsigned int> checks[] = {  // bad, fix, text, limit
        {FIELD(filter_type), 5, 0, "Invalid filter type", 4},
        {FIELD(rate_change), 2, 1, "Invalid rate change type", 1},
        {FIELD(interpolation_rate), 1025, 4, "Invalid interpolation rate", 1024},
        {FIELD(decimation_rate), 1025, 6, "Invalid decimation rate", 1024},
        {FIELD(decimation_rate), 6, 3, "Interpolation and decimation rates must have no common factors greater than 1", 0},
        {FIELD(zero_packing_factor), 9, 1, "Invalid zero packing factor", 8},
        {FIELD(is_halfband), 2, 0, "Invalid value for is_halfband", 1},
        {FIELD(reloadable), 2, 0, "Invalid value for reloadable", 1},
        {FIELD(quantization), 3, 0, "Invalid quantization type", 2},
        {FIELD(coeff_width), 50, 16, cw, 49},
        {[](auto& c, unsigned int v) { c.chan_seq = static_cast<int>(v), c.num_channels = v == 1 ? 4 : c.num_channels; },
         2, 1, "Invalid channel sequence type", 1},
        {FIELD(num_channels), 257, 256, "Invalid number of channels", 256},
        {FIELD(num_channels), 256, 8, "Invalid number of channels", 0},  // 256: not an advanced count
        {FIELD(num_paths), 17, 0, "Invalid number of paths", 16},
        {FIELD(data_width), 50, 16, cw, 49},  // shares the coefficient width's text
        {FIELD(data_fract_width), 17, 16, "Data fractional width must be less than or equal to the data width", 16},
        {FIELD(output_rounding_mode), 8, 0, "Invalid output rounding type", 7},
        {FIELD(config_method), 2, 0, "Invalid configuration method", 1},
        {FIELD(num_paths), 0, 2, "Invalid number of paths", 0},
        {FIELD(coeff_sets), 0, 1, "Invalid number of coefficient sets", 0},
        {FIELD(num_coeffs), 0, 21, "Invalid number of coefficients", 0},
        {[](auto& c, unsigned int v) { c.coeff = v ? kDefault.data() : nullptr; }, 0, 1, "No coefficients specified", 0},
    };
    zeb_fir_v7_1_config cfg = changed([](auto&) {});
    for (size_t i = std::size(checks); i-- > 0;) std::get<0>(checks[i])(cfg, std::get<1>(checks[i]));
    for (const auto& [set, bad, fix, text, limit] : checks) {
        set(cfg, bad);
        EXPECT_EQ(refusal(cfg), text);
        set(cfg, fix);
        if (limit == 0) continue;
        zeb_fir_v7_1_config alone = changed([](auto&) {});
        for (unsigned int v : {limit, limit + 1, UINT_MAX}) {
            set(alone, v);
            bool noted = true;
            EXPECT_EQ(refusal(alone, &noted), v == limit ? "" : text) << v;
            EXPECT_EQ(noted, v == limit) << "refused before the first note";
        }
    }
    EXPECT_EQ(refusal(cfg), "");
}

TEST(CreationRefusals, RecordsThatCannotBeServed) {
    const std::vector<double> with_nan = {1, std::nan(""), 2}, zeros(5, 0.0);
    const char* const common = "Interpolation and decimation rates must have no common factors greater than 1";
    const std::pair<Change, std::string> cases[] = {
        {[](auto& c) { c.num_channels = 0; }, "Invalid number of channels"},
        {[](auto& c) { c.num_channels = 512; }, ""},
        {[](auto& c) { c.filter_type = 4, c.zero_packing_factor = 0; }, "Invalid zero packing factor"},
        {[](auto& c) { c.zero_packing_factor = 0, c.interpolation_rate = c.decimation_rate = 0; }, ""},  // all unused
        {[](auto& c) { c.filter_type = 1, c.interpolation_rate = 0; }, "Invalid interpolation rate"},
        {[](auto& c) { c.filter_type = 1, c.rate_change = 1, c.decimation_rate = 0; }, "Invalid decimation rate"},
        {[](auto& c) { c.filter_type = 2, c.decimation_rate = 0; }, "Invalid decimation rate"},
        // Common factors count for fractional rates only, whatever the type.
        {[](auto& c) { c.rate_change = 1, c.interpolation_rate = 4, c.decimation_rate = 0; }, common},
        {[](auto& c) { c.interpolation_rate = 4, c.decimation_rate = 6; }, ""},
        {[&](auto& c) { c.coeff = with_nan.data(), c.num_coeffs = 3; }, "Coefficient value is not a finite number"},
        {[&](auto& c) { c.coeff = zeros.data(), c.num_coeffs = 5, c.quantization = 2; },
         "Cannot maximize dynamic range: all coefficients are zero"},
        {[](auto& c) { c.output_rounding_mode = 1, c.output_width = 25; }, "Invalid output width"},  // accumulator 24
        // A zero-bit output holds nothing, in doubles (the format) and in integers.
        {[](auto& c) { c.reloadable = c.output_rounding_mode = 1, c.output_width = 0; }, "Bad format specified (IFIX_0_0)"},
        {[](auto& c) { c.reloadable = c.output_rounding_mode = 1, c.output_width = 0, c.data_width = c.coeff_width = 40; },
         "Invalid output width"},
    };
    for (const auto& c : cases) EXPECT_EQ(refusal(changed(c.first)), c.second);
}

// Every note and warning of a creation, in order, then one note per
// coefficient of every set.
TEST(CreationNotes, SequencesAndTheWidthsTheyReport) {
    std::vector<double> two_sets = kDefault;
    for (double c : kDefault) two_sets.push_back(2 * c);
    const std::string tail = "|Coefficient scaling: 1|Dout scaling: 1";
    const std::tuple<Change, std::string, int> cases[] = {  // change, lines, coefficient factor
        {[](auto&) {}, "Max coeff sum: 252|Calculated accumulator width: 24|Output fract width: 0" + tail, 1},
        {[&](auto& c) { c.coeff = two_sets.data(), c.coeff_sets = 2, c.filter_type = 1, c.interpolation_rate = 2; },
         "Max coeff sum: 120|Max coeff sum: 132|Max coeff sum: 240|Max coeff sum: 264|Calculated accumulator width: 25|"
         "Output fract width: 0" + tail, 1},
        // 53 bits: the first width that needs integers.
        {[](auto& c) { c.reloadable = 1, c.coeff_width = 32, c.coeff_fract_width = 3; },
         "Calculated accumulator width: 53|Output fract width: 3|W Model will use MPZ data type|W Model inputs have "
         "fractional bits. Data and Coefficients will be scaled by fractional width to use integer representation. "
         "Output will be integer only, use configuration.output_fract_width to interpret output|Coefficient scaling: "
         "8|Dout scaling: 1", 8},
        // 29-bit accumulator, 13 bits dropped: no fractional bits left.
        {[](auto& c) { c.output_rounding_mode = 1, c.output_width = 16, c.coeff_fract_width = 5, c.data_fract_width = 4; },
         "Max coeff sum: 8064|Calculated accumulator width: 29|Output fract width: 0|Coefficient scaling: 1|"
         "Dout scaling: 16", 1},
    };
    for (const auto& c : cases) {
        const zeb_fir_v7_1_config cfg = changed(std::get<0>(c));
        std::vector<std::string> expected = texts("Passed basic checks|" + std::get<1>(c)), got;
        for (unsigned int k = 0; k < 21 * cfg.coeff_sets; ++k)
            expected.push_back(note_text(" Coeff[" + std::to_string(k % 21) +
                                         "] : " + std::to_string(static_cast<int>(cfg.coeff[k]) * std::get<2>(c))));
        Model m(cfg, true);
        for (const Message& msg : m.log) got.push_back(msg.text);
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(Model(cfg).take(1).empty());  // the plain creator sends no notes
    }
    // Maximised range: the scale; an invalid pattern: the first of its count.
    const std::pair<std::vector<double>, const char*> scales[] = {
        {{1, 2, 4, 2, 1}, "31.75"}, {{-8, 3, 1}, "16"}, {{-3, 8}, "15.875"}};
    for (const auto& s : scales) {
        zeb_fir_v7_1_config cfg = config_with(s.first);
        cfg.quantization = ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE, cfg.coeff_width = 8;
        EXPECT_EQ(Model(cfg, true).take(1).at(4), note_text(std::string("Coefficient scaling: ") + s.second));
    }
    Model m(changed([](auto& c) { c.chan_seq = 1, c.num_channels = 8, c.init_pattern = 3; }));  // 3 is of 4 channels
    EXPECT_EQ(m.take(), texts("W Channel pattern ID is invalid for specified number of channels, using default value"));
    EXPECT_EQ(m.config().init_pattern, 14);
}

// Fixed coefficients (8-bit data): the bits of the largest sum, counted in
// doubles (2^29 counts as 29.000000000000004 bits).  Reloadable (coefficient
// 0, all ones): 16 + 16 + bits of the taps of the widest branch.
TEST(CreationNotes, AccumulatorWidths) {
    const double p29 = std::ldexp(1.0, 29);
    const std::tuple<double, int, unsigned int, unsigned int, unsigned int, unsigned int> cases[] = {
        {256, 0, 1, 0, 1, 16}, {257, 0, 1, 0, 1, 17}, {p29 - 1, 0, 1, 0, 1, 37}, {p29, 0, 1, 0, 1, 38},
        {0, 0, 1, 1, 21, 36},  // 11 + 1
        {0, 3, 1, 0, 21, 36},  // 11
        {0, 1, 4, 1, 21, 36},  // 12 - 1, not ceil(12 / 4)
        {0, 1, 4, 0, 21, 35},  // ceil(21 / 4)
        {0, 1, 4, 0, 33, 36},  // 9
    };
    for (const auto& [k, type, L, halfband, taps, width] : cases) {
        const std::vector<double> coeff(taps, k == 0 ? 1 : k);
        zeb_fir_v7_1_config cfg = config_with(coeff);
        cfg.filter_type = type, cfg.interpolation_rate = L, cfg.is_halfband = halfband, cfg.reloadable = k == 0;
        if (k != 0) cfg.data_width = 8, cfg.coeff_width = 40;
        Model m(cfg, true);
        EXPECT_EQ(m.config().output_width, width) << k << " " << taps;
        std::ostringstream sum;
        sum << "Max coeff sum: " << k << "|";
        const std::vector<std::string> notes = m.take(1);
        EXPECT_EQ(std::vector<std::string>(notes.begin() + 1, notes.begin() + (k == 0 ? 2 : 3)),
                  texts((k == 0 ? "" : sum.str()) + "Calculated accumulator width: " + std::to_string(width)));
    }
}

namespace {

const char* const kPacketDims =
    "Incorrect data array dimension, expecting num_paths by num_channels (by number of vectors)";
const char* const kSlotDims = "Incorrect data array dimension, expected 1-D array of num_paths";
const char* const kPacketSize = "Incorrect data size, expecting num_paths: 2 by num_channels: 3";
const char* const kSlotSize = "Incorrect data size, expecting num_paths: 2";
const char* const kShort = "Input array holds fewer samples than its dimensions promise";
const char* const kNotFinite = "Input sample is not a finite number";

// Sends a record of these lengths holding n values, the last one `last`.
Call send(std::vector<size_t> dims, size_t n, bool one_slot = false, double last = 1.0) {
    return [=](const Model& m) {
        std::vector<double> v(n, 1.0);
        if (n > 0) v.back() = last;
        Real r = reals(dims, v);
        return one_slot ? zeb_fir_v7_1_data_send_channel(*m, r.get()) : zeb_fir_v7_1_data_send(*m, r.get());
    };
}
// Reads into a host's record of these lengths and capacity.
Call read(std::vector<size_t> dims, size_t capacity, bool one_slot = false) {
    return [=](const Model& m) {
        Real r(dims, capacity);
        r->owner = 1;
        return get(m, r.get(), one_slot);
    };
}

}  // namespace

// Two paths, three channels, decimation by 2: outputs depend on every sample
// and on where each one went, so the final read shows nothing was lost.
TEST(RefusedCalls, LoseNoSample) {
    const zeb_fir_v7_1_config cfg =
        changed([](auto& c) { c.num_paths = 2, c.num_channels = 3, c.filter_type = 2, c.decimation_rate = 2; });
    const std::vector<double> values = Stimulus(200).samples(2 * 3 * 9, 16, 0);
    const Expectation e(cfg, basic_order(3), 9, values);
    Model m(cfg);
    Real nothing({2});
    ASSERT_EQ(get(m, nothing.get(), true), ZEB_STATUS_OK);  // nothing held yet: the position stays
    EXPECT_EQ(nothing->data_size, 0u);
    for (size_t s = 0; s < 3; ++s) {
        if (s == 1)
            expect_refused(m, {{send({2, 3, 1}, 6), "Channel postion non-zero, cannot send a packet"},
                               {send({2, 3}, 6, true), kSlotDims}, {send({3}, 3, true), kSlotSize},
                               {send({2}, 1, true), kShort}, {send({2}, 2, true, -HUGE_VAL), kNotFinite}});
        Real one = slot(2, &values[2 * s]);
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
    }
    expect_refused(m, {{send({24}, 24), kPacketDims}, {send({3, 3}, 9), kPacketSize}, {send({2, 3, 4}, 23), kShort},
                       {send({2, 3, 4}, 24, false, std::nan("")), kNotFinite}});
    Real rest = packet(2, 3, 8, values, 6);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, rest.get()), ZEB_STATUS_OK);
    expect_refused(m, {{read({6}, 6), kPacketDims}, {read({1, 3, 1}, 3), kPacketSize},
                       {read({2, 3, 4}, 23), "Output array capacity too small, expecting room for vectors: 4"},
                       {read({2, 3}, 6, true), kSlotDims}, {read({3}, 3, true), kSlotSize},
                       {read({2}, 1, true), "Output array capacity too small, expecting num_paths: 2"}});
    Real small({2}, 1);  // a record of the library's (owner 0) is grown to take the slot
    ASSERT_EQ(get(m, small.get(), true), ZEB_STATUS_OK);
    e.expect(small->data[1], 1, 0, 0);
    expect_refused(m, {{read({2, 3, 1}, 6), "Channel postion non-zero, cannot get a packet"}});
    Mpz integers({2}, 1);
    ASSERT_EQ(get(m, integers.get(), true), ZEB_STATUS_OK);
    e.expect(integers->data[0], 0, 1, 0);
    Real last({2}), all({2, 3, 9});  // more than is held: the record shrinks
    ASSERT_EQ(get(m, last.get(), true), ZEB_STATUS_OK);
    e.expect(last->data[1], 1, 2, 0);
    ASSERT_EQ(get(m, all.get(), false), ZEB_STATUS_OK);
    e.expect_vectors(*all.get(), 1, e.vectors - 1);
    EXPECT_EQ(m.take(), texts("W Getting more vectors than available, reseting array size"));
}

// Run-time packets on a model of four channels and four reloadable sets
// selected per channel: the status and messages of each call on a fresh
// model, then a sequence whose data show what was queued and selected.
TEST(RefusedCalls, ConfigurationAndReloadPackets) {
    auto config = [](std::vector<unsigned int> v, int pattern = 0, size_t dims = 1) -> Call {  // dims 0: no record
        return [=](const Model& m) {
            Uint sel = fsel(v);
            sel->dim_size = dims, sel->dim[1] = 1;
            return send_config(m, pattern, dims == 0 ? nullptr : &sel);
        };
    };
    auto reload = [](unsigned int set, std::vector<size_t> dims, std::vector<double> v) -> Call {  // {}: no record
        return [=](const Model& m) {
            Real r = reals(dims, v);
            return send_reload(m, set, dims.empty() ? nullptr : &r);
        };
    };
    auto expect = [](Model& m, const Call& call, zeb_status status, const std::string& text) {
        EXPECT_EQ(call(m), status) << text;
        EXPECT_EQ(m.take(), text.empty() ? std::vector<std::string>{} : texts(text));
    };
    std::vector<double> sets(4 * 21), k22(22), nan21(21, 1.0);
    for (size_t i = 0; i < sets.size(); ++i) sets[i] = static_cast<double>((i * 5 + i / 21 * 7) % 9) - 4;
    for (size_t i = 0; i < k22.size(); ++i) k22[i] = i == 21 ? 1000 : static_cast<double>(i % 5) - 2;  // 1000 unused
    nan21[20] = std::nan("");
    const std::vector<double> k21(k22.begin(), k22.begin() + 21);
    zeb_fir_v7_1_config cfg = config_with(sets, 4);
    cfg.num_channels = 4, cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL, cfg.reloadable = 1;
    const std::string fsel4 = "E Insufficient fsel values specified, expecting4";
    const Change fixed = [](auto& c) { c.coeff_sets = 1, c.reloadable = 0; }, same = [](auto&) {};
    const Change single = [](auto& c) { c.config_method = ZEB_FIR_V7_1_CONFIG_SINGLE; };
    const std::tuple<Change, Call, zeb_status, std::string> calls[] = {
        {fixed, config({0}), 0, "W Ignoring config packet as not required for model configuration"},
        {fixed, reload(0, {21}, k21), 0, "W Ignoring reload packet as not required for model configuration"},
        {same, config({0, 1, 2, 3, 0, 1, 2, 3}, 0, 2), 1, "E Expecting 1-D array for fsel"},
        {same, config({0, 1, 2}), 1, fsel4},
        {same, config({}, 0, 0), 1, fsel4},
        {same, reload(9, {21}, k21), 1, "W Invalid reload fsel, 9, ignoring packet"},
        {same, reload(1, {7, 3}, k21), 1, "E Expecting 1-D array for coeff"},
        {same, reload(1, {20}, k21), 1, "E Insufficient coeff values specified, expecting21"},
        {same, reload(1, {}, {}), 1, "E Reload packet has no coeff array"},
        {same, reload(1, {21}, nan21), 1, "E Coefficient value is not a finite number"},
        {single, config({}), 1, "E Insufficient fsel values specified, expecting1"},
        {single, config({1, 2}), 0, "W Will only use the first fsel values specificed"},
        // With one set nothing guarantees the selectors: missing ones count as 0.
        {[](auto& c) { c.coeff_sets = 1; }, config({}, 0, 0), 0, ""},
        // 27 is a pattern of 12 channels.
        {[](auto& c) { c.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ, c.init_pattern = 3; }, config({0, 0, 0, 0}, 27), 0,
         "W Channel pattern ID is invalid for specified number of channels, using default value"},
    };
    for (const auto& [change, call, status, text] : calls) {
        zeb_fir_v7_1_config one = cfg;
        change(one);
        Model fresh(one);
        expect(fresh, call, status, text);
    }
    // Set 2 reloaded with the first 21 values of its packet, then two
    // selections for the next two inputs of each channel.
    Model m(cfg);
    expect(m, reload(2, {22}, k22), 0, "W More coeff values specified than required, will use first 21");
    expect(m, config({1, 3, 0, 7}), 0, "W fsel[3] : 7 is greater than maximum number of coeff_sets: 3. Reseting to: 3");
    expect(m, config({2, 1, 1, 2, 0}), 0, "W More fsel values specified than required, will use first 4");
    std::vector<double> after = sets;
    std::copy(k21.begin(), k21.end(), after.begin() + 42);
    const zeb_fir_v7_1_config reloaded = config_with(after, 4);
    std::vector<std::vector<mpz_class>> taps;
    for (unsigned int s = 0; s < 4; ++s) taps.push_back(ref::taps_of(reloaded, s));
    const std::vector<double> values = Stimulus(300).samples(4 * 3, 16, 0);
    Real in = packet(1, 4, 3, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    const std::vector<std::vector<size_t>> select = {{1, 2, 2}, {3, 1, 1}, {0, 1, 1}, {3, 2, 2}};
    const Expectation e(cfg, basic_order(4), 3, values, [&](size_t c) { return select[c]; }, taps);
    EXPECT_EQ(get_vectors(m, 1, 4, 3), e.reals());
    EXPECT_TRUE(m.take().empty());
}

TEST(TraceNotes, SlotSendsUnderAPatternAndSlotReadsWithoutAQueuedPattern) {
    const zeb_fir_v7_1_config cfg = changed([](auto& c) {
        c.num_paths = 2, c.num_channels = 4, c.chan_seq = 1, c.init_pattern = 3, c.filter_type = 1;
        c.interpolation_rate = 2;
    });
    const std::vector<double> values = Stimulus(240).samples(2 * 4 * 3, 16, 0);
    Model m(cfg, true), whole(cfg, true);
    m.take(1);
    Real one = slot(2, &values[0]);
    ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, one.get()), ZEB_STATUS_OK);
    EXPECT_EQ(m.take(1), texts("Starting buffer size: 0|Push channel: 0|End buffer size: 2|Stored channel pattern: 3|"
                               "Stored channel pattern: 3"));
    // Whole packets queue no pattern: a slot read then takes slot s as channel
    // s, and says so as an error on the debug callback.
    Real in = packet(2, 4, 3, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*whole, in.get()), ZEB_STATUS_OK);
    const Expectation e(cfg, {0, 1, 0, 2}, 3, values);
    for (size_t s : {0, 1, 3}) {  // the first slot of channels 0, 1, 2
        whole.log.clear();
        Real r({2});
        ASSERT_EQ(get(whole, r.get(), true), ZEB_STATUS_OK);
        for (size_t p = 0; p < 2; ++p) e.expect(r->data[p], p, s, 0);
        ASSERT_FALSE(whole.log.empty());
        const Message& msg = whole.log[0];
        EXPECT_EQ(std::make_tuple(msg.source, msg.flag, msg.text),
                  std::make_tuple(1, 1, error_text("No channel pattern in queue, will use the channel sequence number!!!!")));
    }
}
