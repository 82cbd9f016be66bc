// Every text a model sends, as tables of (call, expected text): refusals of
// a configuration, creation notes and warnings, refused data calls and
// packets, and trace notes.  Refused calls leave the model as it was.
#include <sstream>

#include "host.h"

using namespace host;

namespace {

using Call = std::function<zeb_status(Model&)>;

const zeb_fir_v7_1_config kDefault = changed([](auto&) {});
const char* const kCommon = "Interpolation and decimation rates must have no common factors greater than 1";

// The bare refusal text of a creation ("" when the model is built): the only
// message, with the error flag.  `quiet`: no trace note may come first.
std::string refusal(const zeb_fir_v7_1_config& cfg, bool quiet = false) {
    Model m(cfg, true);
    if (!m.take(1).empty() && quiet) return "(noted first)";
    return *m != nullptr ? "" : m.log.size() == 1 && m.log[0].flag == 1 ? m.log[0].text : "(not one error)";
}

// "W text" a warning, "E text" an error, anything else a note; lines split at '|'.
std::vector<std::string> texts(const std::string& lines) {
    std::vector<std::string> out;
    std::istringstream in(lines);
    for (std::string t; std::getline(in, t, '|');)
        out.push_back(t[1] != ' ' ? note_text(t) : t[0] == 'W' ? warning_text(t.substr(2)) : error_text(t.substr(2)));
    return out;
}

// A call, its status and its messages ("" none, else as for texts()).
void expect(Model& m, const Call& call, zeb_status status, const std::string& lines) {
    EXPECT_EQ(call(m), status) << lines;
    EXPECT_EQ(m.take(), lines.empty() ? std::vector<std::string>{} : texts(lines));
}

#define FIELD(f) [](zeb_fir_v7_1_config& c, unsigned int v) { c.f = static_cast<decltype(c.f)>(v); }

}  // namespace

// Every field invalid; repairing one at a time walks the checks in their
// fixed order, then the records that pass the ranges but cannot be served;
// every refusal comes before the first note.
TEST(CreationRefusals, FirstFailingCheckWinsInTheFixedOrder) {
    using Set = std::function<void(zeb_fir_v7_1_config&, unsigned int)>;
    const char* const cw = "Invalid coefficient width";
    const std::tuple<Set, unsigned int, unsigned int, const char*> checks[] = {  // bad value, fix, text
        {FIELD(filter_type), 5, 0, "Invalid filter type"},
        {FIELD(rate_change), 2, 1, "Invalid rate change type"},
        {FIELD(interpolation_rate), 1025, 4, "Invalid interpolation rate"},
        {FIELD(decimation_rate), 1025, 6, "Invalid decimation rate"},
        {FIELD(decimation_rate), 6, 3, kCommon},
        {FIELD(zero_packing_factor), 9, 1, "Invalid zero packing factor"},
        {FIELD(is_halfband), 2, 0, "Invalid value for is_halfband"},
        {FIELD(reloadable), 2, 0, "Invalid value for reloadable"},
        {FIELD(quantization), 3, 0, "Invalid quantization type"},
        {FIELD(coeff_width), 50, 16, cw},
        {[](auto& c, unsigned int v) { c.chan_seq = v, c.num_channels = v == 1 ? 4 : c.num_channels; }, 2, 1,
         "Invalid channel sequence type"},
        {FIELD(num_channels), 257, 256, "Invalid number of channels"},
        {FIELD(num_channels), 256, 8, "Invalid number of channels"},  // 256: not an advanced count
        {FIELD(num_paths), 17, 0, "Invalid number of paths"},
        {FIELD(data_width), 50, 16, cw},  // shares the coefficient width's text
        {FIELD(data_fract_width), 17, 16, "Data fractional width must be less than or equal to the data width"},
        {FIELD(output_rounding_mode), 8, 0, "Invalid output rounding type"},
        {FIELD(config_method), 2, 0, "Invalid configuration method"},
        {FIELD(num_paths), 0, 2, "Invalid number of paths"},
        {FIELD(coeff_sets), 0, 1, "Invalid number of coefficient sets"},
        {FIELD(num_coeffs), 0, 21, "Invalid number of coefficients"},
        {[](auto& c, unsigned int v) { c.coeff = v ? kDefault.coeff : nullptr; }, 0, 1, "No coefficients specified"},
    };
    zeb_fir_v7_1_config cfg = kDefault;
    for (size_t i = std::size(checks); i-- > 0;)  // each field at the bad value of its first row
        std::get<0>(checks[i])(cfg, std::get<1>(checks[i]));
    for (const auto& [set, bad, fix, text] : checks) {
        set(cfg, bad);
        EXPECT_EQ(refusal(cfg, true), text);
        set(cfg, fix);
    }
    EXPECT_EQ(refusal(cfg), "");
}

TEST(CreationRefusals, RecordsThatCannotBeServed) {
    const std::vector<double> with_nan = {1, std::nan(""), 2}, zeros(5, 0.0);
    const std::pair<Change, std::string> cases[] = {
        {[](auto& c) { c.num_channels = 0; }, "Invalid number of channels"},
        {[](auto& c) { c.num_channels = 512; }, ""},  // beyond 256 only 512 and 1024
        {[](auto& c) { c.filter_type = 4, c.zero_packing_factor = 0; }, "Invalid zero packing factor"},
        {[](auto& c) { c.zero_packing_factor = 0, c.interpolation_rate = c.decimation_rate = 0; }, ""},  // all unused
        {[](auto& c) { c.filter_type = 1, c.interpolation_rate = 0; }, "Invalid interpolation rate"},
        {[](auto& c) { c.filter_type = 1, c.rate_change = 1, c.decimation_rate = 0; }, "Invalid decimation rate"},
        {[](auto& c) { c.filter_type = 2, c.decimation_rate = 0; }, "Invalid decimation rate"},
        // Common factors count for fractional rates only, whatever the type.
        {[](auto& c) { c.rate_change = 1, c.interpolation_rate = 4, c.decimation_rate = 0; }, kCommon},
        {[&](auto& c) { c.coeff = with_nan.data(), c.num_coeffs = 3; }, "Coefficient value is not a finite number"},
        {[&](auto& c) { c.coeff = zeros.data(), c.num_coeffs = 5, c.quantization = 2; },
         "Cannot maximize dynamic range: all coefficients are zero"},
        {[](auto& c) { c.output_rounding_mode = 1, c.output_width = 25; }, "Invalid output width"},  // accumulator 24
        // A zero-bit output holds nothing, in doubles (the format) and in integers.
        {[](auto& c) { c.reloadable = c.output_rounding_mode = 1, c.output_width = 0; },
         "Bad format specified (IFIX_0_0)"},
        {[](auto& c) { c.reloadable = c.output_rounding_mode = 1, c.output_width = 0, c.data_width = 40; },
         "Invalid output width"},
    };
    for (const auto& c : cases) EXPECT_EQ(refusal(changed(c.first)), c.second);
}

// Every note and warning of a creation, in order, then one note per
// coefficient of every set.
TEST(CreationNotes, SequencesAndTheWidthsTheyReport) {
    std::vector<double> two_sets(kDefault.coeff, kDefault.coeff + 21);
    for (size_t k = 0; k < 21; ++k) two_sets.push_back(2 * two_sets[k]);
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
        {[](auto& c) { c.output_rounding_mode = 1, c.output_width = 16,
                       c.coeff_fract_width = 5, c.data_fract_width = 4; },
         "Max coeff sum: 8064|Calculated accumulator width: 29|Output fract width: 0|Coefficient scaling: 1|"
         "Dout scaling: 16", 1},
    };
    for (const auto& [change, lines, factor] : cases) {
        const zeb_fir_v7_1_config cfg = changed(change);
        std::vector<std::string> expected = texts("Passed basic checks|" + lines), got;
        for (unsigned int k = 0; k < 21 * cfg.coeff_sets; ++k)
            expected.push_back(note_text(" Coeff[" + std::to_string(k % 21) +
                                         "] : " + std::to_string(static_cast<int>(cfg.coeff[k]) * factor)));
        Model m(cfg, true);
        for (const Message& msg : m.log) got.push_back(msg.text);
        EXPECT_EQ(got, expected);
    }
    // Maximised range: the scale.
    const std::pair<std::vector<double>, const char*> scales[] = {
        {{1, 2, 4, 2, 1}, "31.75"}, {{-8, 3, 1}, "16"}, {{-3, 8}, "15.875"}};
    for (const auto& [coeff, scale] : scales) {
        const auto cfg = changed([&](auto& c) { c = config_with(coeff), c.quantization = 2, c.coeff_width = 8; });
        EXPECT_EQ(Model(cfg, true).take(1).at(4), note_text(std::string("Coefficient scaling: ") + scale));
    }
}

// Two paths, three channels, decimation by 2: outputs depend on every sample
// and on where each one went, so the last read shows that no refused call
// changed anything.
TEST(RefusedCalls, LoseNoSample) {
    // A host's record of these lengths: sent holding v, or read into with
    // room for n.
    auto send = [](std::vector<size_t> dims, std::vector<double> v, bool one = false) -> Call {
        return [=](Model& m) {
            return (one ? zeb_fir_v7_1_data_send_channel : zeb_fir_v7_1_data_send)(*m, reals(dims, v).get());
        };
    };
    auto read = [](std::vector<size_t> dims, size_t n, bool one = false) -> Call {
        return [=](Model& m) { Real r(dims, n); return r->owner = 1, get(m, r.get(), one); };
    };
    const zeb_fir_v7_1_config cfg =
        changed([](auto& c) { c.num_paths = 2, c.num_channels = 3, c.filter_type = 2, c.decimation_rate = 2; });
    const std::vector<double> values = Stimulus(200).samples(2 * 3 * 9, 16, 0);
    const Expectation e(cfg, basic_order(3), 9, values);
    const std::string nan = "E Input sample is not a finite number", position = "Channel postion non-zero, cannot ";
    Model m(cfg);
    for (size_t s = 0; s < 3; ++s) {
        if (s == 1) expect(m, send({2, 3, 1}, std::vector<double>(6, 1.0)), 1, "E " + position + "send a packet");
        if (s == 1) expect(m, send({2}, {1, -HUGE_VAL}, true), 1, nan);
        ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, slot(2, &values[2 * s]).get()), ZEB_STATUS_OK);
    }
    std::vector<double> with_nan(24, 1.0);
    with_nan[23] = std::nan("");
    expect(m, send({2, 3, 4}, with_nan), 1, nan);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(2, 3, 8, values, 6).get()), ZEB_STATUS_OK);
    const std::tuple<std::vector<size_t>, size_t, bool, std::string> shapes[] = {  // refused alike as input and output
        {{24}, 24, false, "Incorrect data array dimension, expecting num_paths by num_channels (by number of vectors)"},
        {{3, 3}, 9, false, "Incorrect data size, expecting num_paths: 2 by num_channels: 3"},
        {{2, 3}, 6, true, "Incorrect data array dimension, expected 1-D array of num_paths"},
        {{3}, 3, true, "Incorrect data size, expecting num_paths: 2"},
    };
    for (const auto& [dims, n, one, text] : shapes) {
        expect(m, send(dims, std::vector<double>(n, 1.0), one), 1, "E " + text);
        expect(m, read(dims, n, one), 1, "E " + text);
    }
    expect(m, read({2, 3, 4}, 23), 1, "E Output array capacity too small, expecting room for vectors: 4");
    for (size_t s = 0; s < 3; ++s) {
        Real r({2}, 1);  // a record of the library's (owner 0) is grown to take the slot
        ASSERT_EQ(get(m, r.get(), true), ZEB_STATUS_OK);
        e.expect(r->data[0], 0, s, 0), e.expect(r->data[1], 1, s, 0);
        if (s == 0) expect(m, read({2, 3, 1}, 6), 1, "E " + position + "get a packet");
    }
    Real all({2, 3, 9});  // more than is held: the record shrinks
    expect(m, [&](Model&) { return get(m, all.get(), false); }, 0,
           "W Getting more vectors than available, reseting array size");
    e.expect_vectors(*all.get(), 1, e.vectors - 1);
}

// Run-time packets on a model of four channels and four reloadable sets
// selected per channel: the status and messages of each call on a fresh
// model, then a sequence whose data show what was queued and selected.
TEST(RefusedCalls, ConfigurationAndReloadPackets) {
    auto config = [](std::vector<unsigned int> v, int pattern = 0, size_t dims = 1, size_t length = 0) -> Call {
        return [=](Model& m) {  // dims 0: no record; length: a first length below the values held
            Uint sel = fsel(v);
            if (length > 0) sel->dim[0] = length;
            return sel->dim_size = dims, sel->dim[1] = 1, send_config(m, pattern, dims == 0 ? nullptr : &sel);
        };
    };
    auto reload = [](unsigned int set, std::vector<size_t> dims, std::vector<double> v) -> Call {  // {}: no record
        return [=](Model& m) { Real r = reals(dims, v); return send_reload(m, set, dims.empty() ? nullptr : &r); };
    };
    std::vector<double> sets = Stimulus(4).coeffs(4 * 21, 16, 0);
    const std::vector<double> k22 = Stimulus(5).coeffs(22, 16, 0);
    const std::vector<double> k21(k22.begin(), k22.begin() + 21);
    std::vector<double> nan21 = k21;
    nan21[20] = std::nan("");
    zeb_fir_v7_1_config cfg = config_with(sets, 4);
    cfg.num_channels = 4, cfg.config_method = ZEB_FIR_V7_1_CONFIG_BY_CHANNEL, cfg.reloadable = 1;
    const Change fixed = [](auto& c) { c.coeff_sets = 1, c.reloadable = 0; }, same = [](auto&) {};
    const std::tuple<Change, Call, zeb_status, std::string> calls[] = {
        {fixed, config({0}), 0, "W Ignoring config packet as not required for model configuration"},
        {fixed, reload(0, {21}, k21), 0, "W Ignoring reload packet as not required for model configuration"},
        {same, config({0, 1, 2, 3, 0, 1, 2, 3}, 0, 2), 1, "E Expecting 1-D array for fsel"},
        {same, config({}, 0, 0), 1, "E Insufficient fsel values specified, expecting4"},
        {same, reload(9, {21}, k21), 1, "W Invalid reload fsel, 9, ignoring packet"},
        {same, reload(1, {7, 3}, k21), 1, "E Expecting 1-D array for coeff"},
        {same, reload(1, {20}, k21), 1, "E Insufficient coeff values specified, expecting21"},
        {same, reload(1, {}, {}), 1, "E Reload packet has no coeff array"},
        {same, reload(1, {21}, nan21), 1, "E Coefficient value is not a finite number"},
        // A single selector for all channels.
        {[](auto& c) { c.config_method = 0; }, config({}), 1, "E Insufficient fsel values specified, expecting1"},
        {[](auto& c) { c.config_method = 0; }, config({1, 2}), 0, "W Will only use the first fsel values specificed"},
        // With one set nothing guarantees the selectors: missing ones count as 0.
        {[](auto& c) { c.coeff_sets = 1; }, config({}, 0, 0), 0, ""},
        {[](auto& c) { c.coeff_sets = 1; }, config({0, 7, 7, 7}, 0, 1, 1), 0, ""},  // nor values beyond the length
        // 27 is a pattern of 12 channels.
        {[](auto& c) { c.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ, c.init_pattern = 3; }, config({0, 0, 0, 0}, 27), 0,
         "W Channel pattern ID is invalid for specified number of channels, using default value"},
    };
    for (const auto& [change, call, status, text] : calls) {
        Model fresh(changed([&](auto& c) { c = cfg, change(c); }));
        expect(fresh, call, status, text);
    }
    // Set 2 reloaded with the first 21 values of its packet, then two
    // selections for the next two inputs of each channel.
    Model m(cfg);
    expect(m, reload(2, {22}, k22), 0, "W More coeff values specified than required, will use first 21");
    expect(m, config({1, 3, 0, 7}), 0, "W fsel[3] : 7 is greater than maximum number of coeff_sets: 3. Reseting to: 3");
    expect(m, config({2, 1, 1, 2, 0}), 0, "W More fsel values specified than required, will use first 4");
    std::copy(k21.begin(), k21.end(), sets.begin() + 42);  // the record as reloaded, for the expectation
    const std::vector<double> values = Stimulus(300).samples(4 * 3, 16, 0);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(1, 4, 3, values).get()), ZEB_STATUS_OK);
    const std::vector<std::vector<size_t>> select = {{1, 2, 2}, {3, 1, 1}, {0, 1, 1}, {3, 2, 2}};
    const Expectation e(cfg, basic_order(4), 3, values, [&](size_t c) { return select[c]; });
    EXPECT_EQ(get_vectors(m, 1, 4, 3), e.reals());
    EXPECT_TRUE(m.take().empty());
}

// A slot sent under a pattern, then slot reads after a whole packet: they
// follow the pattern (slots 0 1 0 2) with nothing to report but their notes.
TEST(TraceNotes, SlotSendsUnderAPatternAndSlotReadsAfterAWholePacket) {
    const zeb_fir_v7_1_config cfg = changed([](auto& c) {
        c.num_paths = 2, c.num_channels = 4, c.chan_seq = 1, c.init_pattern = 3;
        c.filter_type = 1, c.interpolation_rate = 2;
    });
    const std::vector<double> values = Stimulus(240).samples(2 * 4 * 3, 16, 0);
    Model m(cfg, true), whole(cfg, true);
    m.take(1);
    ASSERT_EQ(zeb_fir_v7_1_data_send_channel(*m, slot(2, &values[0]).get()), ZEB_STATUS_OK);
    EXPECT_EQ(m.take(1), texts("Starting buffer size: 0|Push channel: 0|End buffer size: 2|Stored channel pattern: 3|"
                               "Stored channel pattern: 3"));
    ASSERT_EQ(zeb_fir_v7_1_data_send(*whole, packet(2, 4, 3, values).get()), ZEB_STATUS_OK);
    whole.log.clear();
    for (int i = 0; i < 4; ++i) ASSERT_EQ(get(whole, Real({2}).get(), true), ZEB_STATUS_OK);
    EXPECT_EQ(whole.take(1), texts("Pull channel: 0|chanCountOut: 1|Pull channel: 1|chanCountOut: 2|"
                                   "Pull channel: 0|chanCountOut: 3|Pull channel: 2|chanCountOut: 0"));
    EXPECT_TRUE(whole.log.empty());
}
