// One output stream, however a host cuts its calls.  A scenario (a
// configuration, a stimulus and run-time packets between vectors) is run by
// hosts that cut the same work differently: whole packets read once at the
// end, vectors delivered to a sink, single slots sent and read one by one,
// and random pieces read at random times into random record types.  Each
// host gives the output slots it read, in order, and the wrap counts and
// first positions the model counted; all must be equal, and the slots equal
// to the reference where no run-time packet is sent.
#ifndef ZEB_FIR_TESTS_STREAMS_H
#define ZEB_FIR_TESTS_STREAMS_H

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sstream>

#include "host.h"
#include "zeb_fir_v7_1_inspect.h"
#include "zeb_fir_v7_1_slots.h"

namespace streams {

using namespace host;

struct Packet {
    bool reload = false;
    int32_t pattern = ZEB_FIR_V7_1_PATTERN_BASIC;  // config
    std::vector<unsigned int> fsel;                // config: selectors; reload: {set}
    std::vector<double> coeff;                     // reload
};

inline std::string number(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
}
template <typename V>
std::string list(const std::vector<V>& values) {
    std::string text;
    for (const V& v : values) text += (text.empty() ? "" : ",") + number(static_cast<double>(v));
    return text;
}

// As a stimulus line or the DPI layer writes it, without the '@'.
inline std::string text_of(const Packet& k) {
    if (k.reload) return "reload fsel=" + std::to_string(k.fsel[0]) + " coeff=" + list(k.coeff);
    return "config fsel=" + list(k.fsel) + " chanpat=" + std::to_string(k.pattern);
}

struct Scenario {
    zeb_fir_v7_1_config cfg{};
    std::vector<double> coeff, samples;  // samples (path, slot, vector)
    size_t P = 1, C = 1, V = 0;
    std::vector<std::vector<Packet>> before;  // packets sent before each vector
    zeb_fir_v7_1_config config() const { zeb_fir_v7_1_config c = cfg; c.coeff = coeff.data(); return c; }
    bool quiet() const { return std::all_of(before.begin(), before.end(), [](const auto& k) { return k.empty(); }); }
    // FIELD=VALUE lines, as zeb-fir --config and the DPI layer read them.
    std::string text() const {
        std::ostringstream t;
#define ZEB_FIELD(f) << #f "=" << cfg.f << "\n"
        t ZEB_FIELD(filter_type) ZEB_FIELD(rate_change) ZEB_FIELD(interpolation_rate) ZEB_FIELD(decimation_rate)
            ZEB_FIELD(zero_packing_factor) ZEB_FIELD(num_coeffs) ZEB_FIELD(coeff_sets) ZEB_FIELD(reloadable)
            ZEB_FIELD(quantization) ZEB_FIELD(coeff_width) ZEB_FIELD(coeff_fract_width) ZEB_FIELD(chan_seq)
            ZEB_FIELD(num_channels) ZEB_FIELD(init_pattern) ZEB_FIELD(num_paths) ZEB_FIELD(data_width)
            ZEB_FIELD(data_fract_width) ZEB_FIELD(output_rounding_mode) ZEB_FIELD(output_width)
            ZEB_FIELD(config_method) << "coeff=" << list(coeff) << "\n";
#undef ZEB_FIELD
        return t.str();
    }
};

// A scenario strongly biased to what cuts a stream in interesting places:
// advanced patterns (most give channel 0 several slots), several paths,
// interpolation, decimation and fractional rates, Hilbert filters, several
// and reloadable coefficient sets, the integer mode (sums within 64 and 128
// bits), and packets (pattern
// changes, two queued at once, reloads) before a third of the vectors.
inline Scenario draw(uint64_t seed, bool packets = true) {
    std::mt19937_64 g(seed);
    auto pick = [&g](unsigned int n) { return static_cast<unsigned int>(g() % n); };
    static const unsigned int kAdvanced[] = {4, 6, 8, 12, 16};
    static const unsigned int kFractions[][2] = {{3, 2}, {2, 3}, {4, 3}, {3, 4}, {5, 2}, {2, 5}};
    Scenario sc;
    zeb_fir_v7_1_config& c = sc.cfg;
    for (;;) {
        zeb_fir_v7_1_default_config(&c);
        c.filter_type = static_cast<int>(pick(5));
        if (c.filter_type == ZEB_FIR_V7_1_INTERPOLATION || c.filter_type == ZEB_FIR_V7_1_DECIMATION) {
            c.rate_change = static_cast<int>(pick(3) == 0);
            const unsigned int* f = kFractions[pick(6)];
            c.interpolation_rate = c.rate_change ? f[0] : 2 + pick(3);
            c.decimation_rate = c.rate_change ? f[1] : 2 + pick(3);
        }
        c.zero_packing_factor = 1 + pick(3);
        c.chan_seq = static_cast<int>(pick(4) != 0);
        c.num_channels = c.chan_seq ? kAdvanced[pick(5)] : 1 + pick(4);
        if (c.chan_seq) {
            const int32_t lo = zeb_fir_v7_1_pattern_min[c.num_channels], hi = zeb_fir_v7_1_pattern_max[c.num_channels];
            c.init_pattern = lo + static_cast<int32_t>(pick(static_cast<unsigned int>(hi - lo + 1)));
        }
        c.num_paths = 1 + pick(3);
        c.coeff_sets = 1 + pick(3), c.reloadable = pick(2), c.config_method = static_cast<int>(pick(2));
        c.num_coeffs = 1 + pick(9);
        const bool wide = pick(5) == 0;
        c.data_width = wide ? 24 + pick(26) : 12 + pick(5), c.coeff_width = wide ? 30 + pick(20) : 10 + pick(7);
        c.data_fract_width = pick(4), c.coeff_fract_width = pick(3);
        c.quantization = static_cast<int>(pick(3));
        sc.coeff = Stimulus(g()).coeffs(size_t{c.num_coeffs} * c.coeff_sets, c.coeff_width, c.coeff_fract_width);
        const auto accepted = [&sc](zeb_fir_v7_1_config* out) {
            const zeb_fir_v7_1_config probe = sc.config();
            zeb_fir_v7_1* m = zeb_fir_v7_1_create(&probe, nullptr, nullptr);
            if (m != nullptr) zeb_fir_v7_1_get_config(m, out), zeb_fir_v7_1_destroy(m);
            return m != nullptr;
        };
        zeb_fir_v7_1_config full;
        if (!accepted(&full)) continue;
        if (pick(2) == 0) {  // a rounding mode, dropping a few of the accumulator's bits
            c.output_rounding_mode = static_cast<int>(1 + pick(7));
            c.output_width = full.output_width - std::min(full.output_width - 1, pick(7));
        }
        if (accepted(&full)) break;
    }
    sc.P = c.num_paths, sc.C = c.num_channels, sc.V = 6 + pick(25);
    sc.samples = Stimulus(g()).samples(sc.P * sc.C * sc.V, c.data_width, c.data_fract_width);
    if (pick(3) == 0) {  // values of the input format already, the first a negative zero
        const int f = static_cast<int>(c.data_fract_width);
        for (double& x : sc.samples) x = std::ldexp(std::trunc(std::ldexp(x, f) / 16), -f);
        sc.samples[0] = -0.0;
    }
    sc.before.resize(sc.V);
    int32_t pattern = c.chan_seq ? c.init_pattern : ZEB_FIR_V7_1_PATTERN_BASIC;
    for (size_t v = 0; packets && v < sc.V; ++v) {
        const unsigned int kind = pick(9);
        if (kind == 0 && c.reloadable) {
            sc.before[v].push_back({true, 0, {pick(c.coeff_sets)}, Stimulus(g()).coeffs(c.num_coeffs, 16, 0)});
        }
        for (unsigned int n = kind < 2 ? 1 : kind == 2 ? 2 : 0; n > 0; --n) {
            Packet k;
            k.fsel.resize(c.config_method ? sc.C : 1);
            for (unsigned int& f : k.fsel) f = pick(c.coeff_sets);
            if (c.chan_seq && pick(2)) {
                const int32_t lo = zeb_fir_v7_1_pattern_min[sc.C], hi = zeb_fir_v7_1_pattern_max[sc.C];
                pattern = lo + static_cast<int32_t>(pick(static_cast<unsigned int>(hi - lo + 1)));
            }
            k.pattern = pattern;
            sc.before[v].push_back(k);
        }
    }
    return sc;
}

// One output element as a host read it: its value as a real read gives it
// (the integer over 2^output_fract_width), the integer when it was read as
// one, the in-phase value when the read had one.
struct Element {
    double out;
    std::string exact;
    double in_phase = std::numeric_limits<double>::quiet_NaN();
};
// Slots, each one element per path, and the wrap counts after them.
struct Stream : std::vector<std::vector<Element>> {
    using vector::vector;
    std::string wraps;
};

inline std::string wraps_text(const zeb_fir_v7_1_wrap_counts& w) {
    const auto first = [](unsigned long long n, const zeb_fir_v7_1_position& p) {
        return std::to_string(n) + (n == 0 ? "" : " first " + std::to_string(p.vector) + "/" + std::to_string(p.path) +
                                                  "/" + std::to_string(p.slot));
    };
    return "input " + first(w.input, w.first_input) + ", output " + first(w.output, w.first_output) +
           ", coefficients " + std::to_string(w.coefficients);
}

inline bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool same(const Element& a, const Element& b) {
    return same_bits(a.out, b.out) && (a.exact.empty() || b.exact.empty() || a.exact == b.exact) &&
           (std::isnan(a.in_phase) || std::isnan(b.in_phase) || same_bits(a.in_phase, b.in_phase));
}
inline std::string str(const Element& e) {
    return number(e.out) + (e.exact.empty() ? "" : " (" + e.exact + ")") +
           (std::isnan(e.in_phase) ? "" : " in-phase " + number(e.in_phase));
}

inline testing::AssertionResult same_stream(const Stream& a, const Stream& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        for (size_t p = 0; p < a[i].size(); ++p)
            if (!same(a[i][p], b[i][p]))
                return testing::AssertionFailure()
                       << "slot " << i << " path " << p << ": " << str(a[i][p]) << " against " << str(b[i][p]);
    if (a.size() != b.size()) return testing::AssertionFailure() << a.size() << " slots against " << b.size();
    if (a.wraps != b.wraps && !a.wraps.empty() && !b.wraps.empty())
        return testing::AssertionFailure() << "wraps: " << a.wraps << " against " << b.wraps;
    return testing::AssertionSuccess();
}

// A host of the model: sends the scenario's work in the pieces it is told
// and records every slot it reads.
class Host {
public:
    Host(const Scenario& s, uint64_t seed, bool debug = false, Model::Create create = zeb_fir_v7_1_create_dbg)
        : sc(s), cfg(s.config()), m(cfg, debug, create), used(m.config()), gen(seed) {}
    void packets(size_t v) {
        for (const Packet& k : sc.before[v]) {
            const Real c = reals({k.coeff.size()}, k.coeff);
            const Uint f = fsel(k.fsel);
            EXPECT_EQ(k.reload ? send_reload(m, k.fsel[0], &c) : send_config(m, k.pattern, &f), ZEB_STATUS_OK);
        }
    }
    void send_vectors(size_t first, size_t n) {
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, packet(sc.P, sc.C, n, sc.samples, first * sc.P * sc.C).get()), 0);
        take_sink();
    }
    void send_slot(size_t i) {
        EXPECT_EQ(zeb_fir_v7_1_data_send_channel(*m, slot(sc.P, &sc.samples[sc.P * i]).get()), 0);
    }

    // Record types 0 real, 1 complex, 2 integer, 3 complex integer, and for
    // slots 4: up to four ready slots at once into an array of doubles; a
    // Hilbert filter's sinks are complex.
    int any_type(bool sink = false) {
        return sink && hilbert ? 1 + 2 * static_cast<int>(gen() % 2) : gen() % (sink ? 4 : 5);
    }
    void read_vectors(size_t n, int type) {
        if (slots_read % sc.C == 0) by_type(type % 4, [&](auto tag) { return read<decltype(tag)>(n); });
    }
    bool read_slot(int type) {
        return type == 4 ? read_ready() : by_type(type, [&](auto tag) { return read<decltype(tag)>(0); });
    }
    void set_sink(int type) { by_type(type, [&](auto tag) { return sink<decltype(tag)>(), true; }); }
    // Every vector, then every slot there is, into records of one type or any.
    Stream drain(int type = -1) {
        read_vectors(sc.V * 8, type < 0 ? any_type() : type);
        while (read_slot(type < 0 ? any_type() : type)) {
        }
        for (const std::string& text : m.take()) EXPECT_EQ(text.find(" ERROR: "), std::string::npos) << text;
        zeb_fir_v7_1_wrap_counts w{};
        EXPECT_EQ(zeb_fir_v7_1_get_wrap_counts(*m, &w), ZEB_STATUS_OK);
        stream.wraps = wraps_text(w);
        return stream;
    }

    const Scenario& sc;
    zeb_fir_v7_1_config cfg;
    Model m;
    zeb_fir_v7_1_config used;
    std::mt19937_64 gen;
    Stream stream;
    size_t slots_read = 0;

private:
    Element element(double x) const { return {x, ""}; }
    Element element(const zeb_complex& x) const {
        EXPECT_TRUE(hilbert || x.im == 0.0);
        return hilbert ? Element{x.im, "", x.re} : Element{x.re, ""};
    }
    Element element(const __mpz_struct& x) const {
        return {std::ldexp(mpz_get_d(&x), -static_cast<int>(used.output_fract_width)), mpz_class(&x).get_str()};
    }
    Element element(const zeb_mpz_complex& x) const {
        EXPECT_TRUE(hilbert || mpz_sgn(x.im) == 0);
        Element e = element(hilbert ? *x.im : *x.re);
        if (hilbert) e.in_phase = std::ldexp(mpz_get_d(x.re), -static_cast<int>(cfg.data_fract_width));
        return e;
    }
    template <typename A>
    void record(const A& a) {
        for (size_t i = 0; i + sc.P <= a.data_size; i += sc.P, ++slots_read) {
            stream.emplace_back();
            for (size_t p = 0; p < sc.P; ++p) stream.back().push_back(element(a.data[i + p]));
        }
    }
    // f(record of the type), for the record types 0 to 3.
    template <typename F>
    static bool by_type(int type, F f) {
        if (type == 0) return f(zeb_array_real{});
        if (type == 1) return f(zeb_array_complex{});
        return type == 2 ? f(zeb_array_mpz{}) : f(zeb_array_mpz_complex{});
    }
    // n whole vectors (0: one slot); false when nothing was read.
    template <typename A>
    bool read(size_t n) {
        Array<A> r(n == 0 ? std::vector<size_t>{sc.P} : std::vector<size_t>{sc.P, sc.C, n});
        EXPECT_EQ(get(m, r.get(), n == 0), ZEB_STATUS_OK);
        record(*r.get());
        return r->data_size > 0;
    }
    bool read_ready() {
        const size_t most = 1 + gen() % 4;
        std::vector<double> values(most * sc.P);
        size_t n = most + 1;
        EXPECT_EQ(zeb_fir_v7_1_data_get_channels(*m, values.data(), most, &n), ZEB_STATUS_OK);
        EXPECT_LE(n, most);
        record(zeb_array_real{values.data(), n * sc.P, values.size(), nullptr, 0, 0, 1, nullptr});
        return n > 0;
    }
    template <typename A>
    void sink() {
        auto owned = std::make_shared<Array<A>>(std::vector<size_t>{});
        EXPECT_EQ(host::set_sink(m, owned->get()), ZEB_STATUS_OK);
        take_sink = [this, owned] { record(*owned->get()); };
    }
    std::function<void()> take_sink = [] {};
    bool hilbert = cfg.filter_type == ZEB_FIR_V7_1_HILBERT;
};

// The hosts.  Each returns what it read.
enum class Cut { whole, whole_in_slots_out, vectors_to_sink, slots, slots_in_vectors_out, random, whole_reals };
inline const char* name(Cut c) {
    static const char* const names[] = {"whole packets",         "whole packets in, slots out", "vectors to a sink",
                                        "slots",                 "slots in, vectors out",       "random",
                                        "whole packets read as reals"};
    return names[static_cast<int>(c)];
}

// create: how each model is made.
inline Stream run(const Scenario& sc, Cut cut, uint64_t seed, Model::Create create = zeb_fir_v7_1_create_dbg) {
    Host h(sc, seed, cut == Cut::slots_in_vectors_out, create);
    const size_t C = sc.C;
    if (cut == Cut::whole || cut == Cut::whole_in_slots_out || cut == Cut::whole_reals) {
        size_t from = 0;
        for (size_t v = 0; v <= sc.V; ++v) {
            if (v < sc.V && sc.before[v].empty()) continue;
            if (v > from) h.send_vectors(from, v - from);
            if (v < sc.V) h.packets(v);
            from = v;
        }
        while (cut == Cut::whole_in_slots_out && h.read_slot(h.any_type())) {
        }
        return h.drain(cut == Cut::whole_reals ? 0 : 3);  // 3: integers and in-phase parts, all there is to compare
    }
    if (cut == Cut::vectors_to_sink) h.set_sink(h.any_type(true));
    for (size_t v = 0, sent = SIZE_MAX; v < sc.V;) {
        if (sent != v) h.packets(sent = v);
        if (cut == Cut::vectors_to_sink) {
            h.send_vectors(v++, 1);
            continue;
        }
        if (cut != Cut::random || h.gen() % 2) {  // a vector of single slots
            for (size_t s = 0; s < C; ++s) {
                h.send_slot(v * C + s);
                if (cut == Cut::slots || (cut == Cut::random && h.gen() % 3 == 0))
                    for (size_t k = 0; k < (cut == Cut::slots ? SIZE_MAX : h.gen() % 4); ++k)
                        if (!h.read_slot(h.any_type())) break;
            }
            ++v;
        } else {  // up to three vectors up to the next packets, maybe none
            size_t n = h.gen() % 4;
            while (n > 0 && v + n > sc.V) --n;
            for (size_t k = 1; k < n; ++k)
                if (!sc.before[v + k].empty()) n = k;
            h.send_vectors(v, n);
            v += n;
        }
        if (cut == Cut::slots_in_vectors_out || (cut == Cut::random && h.gen() % 2))
            h.read_vectors(1 + h.gen() % 3, h.any_type());
    }
    return h.drain();
}

// Runs every host on the scenario: all streams equal the first.  Where the
// scenario sends no packet, the first holds the reference's whole vectors
// and less than one more.
inline void check_streams(const Scenario& sc, uint64_t seed) {
    const Stream whole = run(sc, Cut::whole, seed);
    for (Cut cut : {Cut::whole_in_slots_out, Cut::vectors_to_sink, Cut::slots, Cut::slots_in_vectors_out,
                    Cut::random, Cut::whole_reals})
        EXPECT_TRUE(same_stream(run(sc, cut, seed), whole)) << name(cut) << " against whole packets";
    if (!sc.quiet()) return;
    const int32_t* row = zeb_fir_v7_1_pattern_seq + sc.cfg.init_pattern * ZEB_FIR_V7_1_PATTERN_SLOTS;
    const Expectation e(sc.config(), sc.cfg.chan_seq ? std::vector<int>(row, row + sc.C) : basic_order(sc.C), sc.V,
                        sc.samples);
    const zeb_fir_v7_1_config used = Model(sc.config()).config();
    EXPECT_EQ(std::make_pair(e.widths.output_width, e.widths.out_fract),
              std::make_pair(int(used.output_width), int(used.output_fract_width)));
    Stream want;
    for (size_t i = 0; i < e.vectors * sc.C; ++i) {
        want.emplace_back();
        for (size_t p = 0, s = i % sc.C, v = i / sc.C; p < sc.P; ++p)
            want.back().push_back({e.real(p, s, v), e.out(p, s, v).get_str(),
                                   e.hilbert ? ref::real_of(e.in_phase(p, s, v), e.dfw) : NAN});
    }
    ASSERT_TRUE(whole.size() >= want.size() && whole.size() < want.size() + sc.C) << whole.size() << " slots";
    EXPECT_TRUE(same_stream(Stream(whole.begin(), whole.begin() + std::ptrdiff_t(want.size())), want));
}

// A scenario of the record (its coefficients copied) and V vectors of the
// samples, with no packet.
inline Scenario quiet_scenario(const zeb_fir_v7_1_config& cfg, size_t V, std::vector<double> samples) {
    Scenario sc;
    sc.cfg = cfg, sc.coeff.assign(cfg.coeff, cfg.coeff + size_t{cfg.num_coeffs} * cfg.coeff_sets);
    sc.P = cfg.num_paths, sc.C = cfg.num_channels, sc.V = V, sc.before.resize(V), sc.samples = std::move(samples);
    return sc;
}

// A fresh model fed V vectors of deterministic samples, however cut, reads
// the reference's output.
inline void check_run(const zeb_fir_v7_1_config& cfg, size_t V, uint64_t seed) {
    const size_t n = size_t{cfg.num_paths} * cfg.num_channels * V;
    check_streams(quiet_scenario(cfg, V, Stimulus(seed).samples(n, cfg.data_width, cfg.data_fract_width)), seed);
}

}  // namespace streams

#endif
