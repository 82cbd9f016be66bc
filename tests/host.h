// Host side of the tests through the C interface: records created through the
// library, a model handle that records every message, packets, deterministic
// stimulus, and the expected output of a run computed with the reference model.
#ifndef ZEB_FIR_TESTS_HOST_H
#define ZEB_FIR_TESTS_HOST_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numeric>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "interface/records.h"
#include "reference_model.h"

// gtest prints GMP integers through this instead of the stream operator of
// libgmpxx, which a host linked to the C interface alone does not have.
inline void PrintTo(const mpz_class& v, std::ostream* os) { *os << v.get_str(); }

namespace host {

// A record created through the library with the given lengths and room for
// `capacity` elements (by default the lengths' product); data_size starts at
// 0.  Released through the library, whatever the test did to its owner flag.
template <typename A>
class Array {
public:
    explicit Array(std::vector<size_t> dims, size_t capacity = SIZE_MAX) : rec(zeb_records::Family<A>::create()) {
        const size_t product = std::accumulate(dims.begin(), dims.end(), size_t{1}, std::multiplies<>());
        zeb_records::reserve_dim(*rec, std::max<size_t>(dims.size(), 3));
        zeb_records::reserve_data(*rec, capacity == SIZE_MAX ? product : capacity);
        std::copy(dims.begin(), dims.end(), rec->dim);
        rec->dim_size = dims.size();
    }
    ~Array() { if (rec != nullptr) rec->owner = 0, zeb_records::Family<A>::destroy(rec); }
    Array(Array&& other) noexcept : rec(other.rec) { other.rec = nullptr; }
    A* get() const { return rec; }
    A* operator->() const { return rec; }

private:
    A* rec;
};

using Real = Array<zeb_array_real>;
using Complex = Array<zeb_array_complex>;
using Uint = Array<zeb_array_uint>;
using Mpz = Array<zeb_array_mpz>;

// A record of the given lengths holding the values (data_size = their count).
template <typename A, typename V>
Array<A> filled(std::vector<size_t> dims, const std::vector<V>& values) {
    Array<A> a(std::move(dims), std::max<size_t>(values.size(), 1));
    std::copy(values.begin(), values.end(), a->data);
    a->data_size = values.size();
    return a;
}
inline Real reals(std::vector<size_t> dims, const std::vector<double>& v) { return filled<zeb_array_real>(dims, v); }
inline Uint fsel(const std::vector<unsigned int>& v) { return filled<zeb_array_uint>({v.size()}, v); }

// Input packet of P x C x V values, indexed (path, slot, vector), path fastest.
inline Real packet(size_t P, size_t C, size_t V, const std::vector<double>& values, size_t offset = 0) {
    return reals({P, C, V}, std::vector<double>(values.begin() + offset, values.begin() + offset + P * C * V));
}
inline Real slot(size_t P, const double* values) { return reals({P}, std::vector<double>(values, values + P)); }
inline std::vector<double> values_of(const zeb_array_real& a) { return {a.data, a.data + a.data_size}; }

// --------------------------------------------------------------- messages

struct Message {
    int source, flag;  // source: 0 message callback, 1 debug callback
    std::string text;
};

// Model handle recording every message of both callbacks in arrival order.
// Without `debug` the trace notes are not requested.
class Model {
public:
    // create: the debug creation function, or another of its signature.
    using Create = zeb_fir_v7_1* (*)(const zeb_fir_v7_1_config*, zeb_msg_handler, void*, zeb_msg_handler, void*);
    explicit Model(const zeb_fir_v7_1_config& cfg, bool debug = false, Create create = zeb_fir_v7_1_create_dbg)
        : handle(create(&cfg, record, &taps[0], debug ? record : nullptr, &taps[1])) {}
    ~Model() { if (handle != nullptr) zeb_fir_v7_1_destroy(handle); }
    Model(const Model&) = delete;
    zeb_fir_v7_1* operator*() const { return handle; }
    zeb_fir_v7_1_config config() const {
        zeb_fir_v7_1_config out{};
        zeb_fir_v7_1_get_config(handle, &out);
        return out;
    }
    // Texts of one callback (0 messages, 1 notes) since the last take.
    std::vector<std::string> take(int source = 0) {
        std::vector<std::string> texts;
        for (const Message& m : log)
            if (m.source == source) texts.push_back(m.text);
        auto other = std::remove_if(log.begin(), log.end(), [=](const Message& m) { return m.source == source; });
        log.erase(other, log.end());
        return texts;
    }
    std::vector<Message> log;

private:
    struct Tap { std::vector<Message>* log; int source; } taps[2] = {{&log, 0}, {&log, 1}};
    static void record(void* tap, int flag, const char* text) {
        static_cast<Tap*>(tap)->log->push_back({static_cast<Tap*>(tap)->source, flag, text});
    }
    zeb_fir_v7_1* handle;
};

inline std::string error_text(const std::string& t) { return "pilvoran_v7_1 ERROR: " + t; }
inline std::string warning_text(const std::string& t) { return "pilvoran_v7_1 WARNING: " + t; }
inline std::string note_text(const std::string& t) { return "pilvoran_v7_1 NOTE: " + t; }

inline zeb_status send_config(const Model& m, zeb_fir_v7_1_pattern pattern, const Uint* sel) {
    const zeb_fir_v7_1_cnfg_packet packet{pattern, sel != nullptr ? sel->get() : nullptr};
    return zeb_fir_v7_1_config_send(*m, &packet);
}
inline zeb_status send_reload(const Model& m, unsigned int set, const Real* coeff) {
    const zeb_fir_v7_1_rld_packet packet{set, coeff != nullptr ? coeff->get() : nullptr};
    return zeb_fir_v7_1_reload_send(*m, &packet);
}

// The defaulted record, changed.
using Change = std::function<void(zeb_fir_v7_1_config&)>;
inline zeb_fir_v7_1_config changed(const Change& change) {
    zeb_fir_v7_1_config cfg;
    return zeb_fir_v7_1_default_config(&cfg), change(cfg), cfg;
}
// A filter type and its rates (the rate a type does not use is ignored).
inline Change rate(int type, int fractional, unsigned int L, unsigned int M) {
    return [=](auto& c) { c.filter_type = type, c.rate_change = fractional, c.interpolation_rate = L, c.decimation_rate = M; };
}
// A defaulted record with other coefficients (kept alive by the caller).
inline zeb_fir_v7_1_config config_with(const std::vector<double>& coeff, unsigned int sets = 1) {
    return changed([&](auto& c) { c.coeff = coeff.data(), c.num_coeffs = unsigned(coeff.size() / sets), c.coeff_sets = sets; });
}

// Deterministic values: samples up to 1.5 times the range of a dw-bit input
// with 3 more fractional bits than it keeps (they floor and wrap);
// coefficients of a cw-bit format in quarter steps (exact halves, roundings
// both ways, the top one wraps).
class Stimulus {
public:
    explicit Stimulus(uint64_t seed) : gen(seed) {}
    std::vector<double> samples(size_t n, unsigned int dw, unsigned int dfw) { return draw(n, 3 << 2, dw, dfw + 3); }
    std::vector<double> coeffs(size_t n, unsigned int cw, unsigned int cfw) { return draw(n, 1 << 1, cw, cfw + 2); }

private:
    std::vector<double> draw(size_t n, int64_t factor, unsigned int bits, unsigned int frac) {
        const int64_t span = factor << bits;
        std::vector<double> v(n);
        for (double& x : v) {
            const int64_t units = static_cast<int64_t>(gen() % static_cast<uint64_t>(2 * span + 1)) - span;
            x = std::ldexp(static_cast<double>(units), -static_cast<int>(frac));
        }
        return v;
    }
    std::mt19937_64 gen;
};

// ------------------------------------------------------------ expectation

inline std::vector<int> basic_order(size_t C) {
    std::vector<int> seq(C);
    return std::iota(seq.begin(), seq.end(), 0), seq;
}

// Expected output of a fresh model fed P x C x V values (path, slot, vector)
// with slot owners `owners`.  select(c): the set in force at each input of
// channel c (none: set 0); sets: the taps of every set (none: the record's).
class Expectation {
public:
    using Select = std::function<std::vector<size_t>(size_t chan)>;
    Expectation(const zeb_fir_v7_1_config& cfg, const std::vector<int>& seq, size_t V,
                const std::vector<double>& values, const Select& select = nullptr,
                const std::vector<std::vector<mpz_class>>& sets = {})
        : P(cfg.num_paths), C(seq.size()), hilbert(cfg.filter_type == ZEB_FIR_V7_1_HILBERT),
          dfw(static_cast<int>(cfg.data_fract_width)), widths(ref::widths_of(cfg)), owners(seq), slots(C, 0),
          rank(C, 0), channels(P, std::vector<ref::ChannelResult>(C)) {
        for (size_t s = 0; s < C; ++s) rank[s] = slots[owners[s]]++;
        for (size_t p = 0; p < P; ++p)
            for (size_t c = 0; c < C; ++c) {
                if (slots[c] == 0) continue;
                std::vector<double> stream;
                for (size_t i = 0; i < C * V; ++i)
                    if (static_cast<size_t>(owners[i % C]) == c) stream.push_back(values[p + P * i]);
                channels[p][c] = ref::run_channel(cfg, stream, select ? select(c) : std::vector<size_t>{}, sets);
                vectors = std::min(vectors, channels[p][c].out.size() / slots[c]);
            }
    }

    // Output (units of 2^-out_fract) and in-phase part of element (p, s, v).
    const mpz_class& out(size_t p, size_t s, size_t v) const { return at(p, s).out.at(k(s, v)); }
    const mpz_class& in_phase(size_t p, size_t s, size_t v) const { return at(p, s).in_phase.at(k(s, v)); }
    double real(size_t p, size_t s, size_t v) const { return ref::real_of(out(p, s, v), widths.out_fract); }

    // Element (p, s, v) of a read of each record type; complex reads give
    // (delayed input, output) for a Hilbert filter, (output, 0) otherwise.
    void expect(double x, size_t p, size_t s, size_t v) const { EXPECT_EQ(x, real(p, s, v)) << place(p, s, v); }
    void expect(const zeb_complex& x, size_t p, size_t s, size_t v) const {
        EXPECT_EQ(x.re, hilbert ? ref::real_of(in_phase(p, s, v), dfw) : real(p, s, v)) << place(p, s, v);
        EXPECT_EQ(x.im, hilbert ? real(p, s, v) : 0.0) << place(p, s, v);
    }
    // Vectors [first, first + count) of a whole-vector read.
    template <typename A>
    void expect_vectors(const A& a, size_t first, size_t count) const {
        ASSERT_EQ(a.data_size, P * C * count);
        for (size_t i = 0; i < a.data_size; ++i) expect(a.data[i], i % P, i / P % C, first + i / (P * C));
    }
    std::vector<double> reals() const {  // every whole vector, in record order
        std::vector<double> all;
        for (size_t i = 0; i < P * C * vectors; ++i) all.push_back(real(i % P, i / P % C, i / (P * C)));
        return all;
    }

    size_t P, C;
    bool hilbert;
    int dfw;
    ref::Widths widths;
    size_t vectors = SIZE_MAX;  // whole vectors held after the run

private:
    const ref::ChannelResult& at(size_t p, size_t s) const { return channels[p][owners[s]]; }
    size_t k(size_t s, size_t v) const { return v * slots[owners[s]] + rank[s]; }
    static std::string place(size_t p, size_t s, size_t v) {
        return "path " + std::to_string(p) + " slot " + std::to_string(s) + " vector " + std::to_string(v);
    }
    std::vector<int> owners;
    std::vector<size_t> slots, rank;
    std::vector<std::vector<ref::ChannelResult>> channels;
};

// Whole-vector and single-slot reads into each record type, and its sinks.
#define ZEB_HOST_OUT(A, SUFFIX, ...)                                                                  \
    inline zeb_status get(const Model& m, A* r, bool one) {                                           \
        return one ? zeb_fir_v7_1_data_get_channel##SUFFIX(*m, __VA_ARGS__)                           \
                   : zeb_fir_v7_1_data_get##SUFFIX(*m, __VA_ARGS__);                                  \
    }                                                                                                 \
    inline zeb_status set_sink(const Model& m, A* r) { return zeb_fir_v7_1_set_data_sink##SUFFIX(*m, __VA_ARGS__); }
ZEB_HOST_OUT(zeb_array_real, , r, nullptr) ZEB_HOST_OUT(zeb_array_complex, , nullptr, r)
ZEB_HOST_OUT(zeb_array_mpz, _mpz, r, nullptr) ZEB_HOST_OUT(zeb_array_mpz_complex, _mpz, nullptr, r)
#undef ZEB_HOST_OUT

inline std::vector<double> get_vectors(const Model& m, size_t P, size_t C, size_t n) {
    Real out({P, C, n});
    EXPECT_EQ(get(m, out.get(), false), ZEB_STATUS_OK);
    return values_of(*out.get());
}

}  // namespace host

#endif
