// Host-side helpers for end-to-end tests through the C interface: owned
// array records, a model handle that records every message, packets built
// from (path, slot, vector) values and the expected output of a whole run
// computed with the reference model.
#ifndef ZEB_FIR_TESTS_ENGINE_HARNESS_H
#define ZEB_FIR_TESTS_ENGINE_HARNESS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "reference_model.h"
#include "zeb_fir_v7_1.h"

// gtest prints GMP integers through this instead of the stream operator of
// libgmpxx, which a host linked to the C interface alone does not have.
inline void PrintTo(const mpz_class& v, std::ostream* os) { *os << v.get_str(); }

namespace harness {

// The coefficients of a defaulted configuration record.
inline const std::vector<double> kDefaultCoeff = {6,  0, -4, -3, 5,   6,  -6, -13, 7,  44, 64,
                                                  44, 7, -13, -6, 6, 5, -3, -4,  0, 6};

// ------------------------------------------------------------ array records

template <typename A>
struct Family;

#define ZEB_HARNESS_FAMILY(A, word)                                                                           \
    template <>                                                                                               \
    struct Family<A> {                                                                                        \
        static A* create() { return zeb_fir_v7_1_zeb_array_##word##_create(); }                              \
        static A* destroy(A* a) { return zeb_fir_v7_1_zeb_array_##word##_destroy(a); }                       \
        static zeb_status reserve_data(A* a, size_t n) { return zeb_fir_v7_1_zeb_array_##word##_reserve_data(a, n); } \
        static zeb_status reserve_dim(A* a, size_t n) { return zeb_fir_v7_1_zeb_array_##word##_reserve_dim(a, n); }   \
    };
ZEB_HARNESS_FAMILY(zeb_array_real, real)
ZEB_HARNESS_FAMILY(zeb_array_complex, complex)
ZEB_HARNESS_FAMILY(zeb_array_mpz, mpz)
ZEB_HARNESS_FAMILY(zeb_array_mpz_complex, mpz_complex)
ZEB_HARNESS_FAMILY(zeb_array_uint, uint)
#undef ZEB_HARNESS_FAMILY

// A record created through the library, with the given lengths and room
// for `capacity` elements (by default exactly the lengths' product);
// data_size starts at 0.  Released through the library, whatever the test
// did to its owner flag.
template <typename A>
class Array {
public:
    explicit Array(std::vector<size_t> dims, size_t capacity = SIZE_MAX) : rec(Family<A>::create()) {
        size_t product = 1;
        for (size_t d : dims) product *= d;
        if (capacity == SIZE_MAX) capacity = product;
        Family<A>::reserve_dim(rec, dims.size() < 3 ? 3 : dims.size());
        if (capacity > 0) Family<A>::reserve_data(rec, capacity);
        for (size_t i = 0; i < dims.size(); ++i) rec->dim[i] = dims[i];
        rec->dim_size = dims.size();
    }
    ~Array() {
        if (rec == nullptr) return;
        rec->owner = 0;
        Family<A>::destroy(rec);
    }
    Array(Array&& other) noexcept : rec(other.rec) { other.rec = nullptr; }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    Array& operator=(Array&&) = delete;
    A* get() const { return rec; }
    A* operator->() const { return rec; }

private:
    A* rec;
};

using Real = Array<zeb_array_real>;
using Complex = Array<zeb_array_complex>;
using Mpz = Array<zeb_array_mpz>;
using MpzComplex = Array<zeb_array_mpz_complex>;

// Input packet of P x C x V values, indexed (path, slot, vector), path fastest.
inline Real packet(size_t P, size_t C, size_t V, const std::vector<double>& values, size_t offset = 0) {
    Real a({P, C, V});
    for (size_t i = 0; i < P * C * V; ++i) a->data[i] = values[offset + i];
    a->data_size = P * C * V;
    return a;
}

// One slot of P values.
inline Real slot(size_t P, const double* values) {
    Real a({P});
    for (size_t p = 0; p < P; ++p) a->data[p] = values[p];
    a->data_size = P;
    return a;
}

// --------------------------------------------------------------- messages

struct Message {
    int source;  // 0 message callback, 1 debug callback
    int flag;
    std::string text;
};

struct Tap {
    std::vector<Message>* log;
    int source;
};

inline void record_message(void* handle, int flag, const char* text) {
    Tap* tap = static_cast<Tap*>(handle);
    tap->log->push_back({tap->source, flag, text});
}

// Model handle recording every message of both callbacks in arrival order.
// Without `debug` the trace notes are not requested (faster data paths).
class Model {
public:
    explicit Model(const zeb_fir_v7_1_config& cfg, bool debug = false)
        : message_tap{&log, 0}, debug_tap{&log, 1} {
        handle = debug ? zeb_fir_v7_1_create_dbg(&cfg, record_message, &message_tap, record_message, &debug_tap)
                       : zeb_fir_v7_1_create(&cfg, record_message, &message_tap);
    }
    ~Model() {
        if (handle != nullptr) zeb_fir_v7_1_destroy(handle);
    }
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    zeb_fir_v7_1* operator*() const { return handle; }
    zeb_fir_v7_1_config config() const {
        zeb_fir_v7_1_config out{};
        zeb_fir_v7_1_get_config(handle, &out);
        return out;
    }
    // Texts of the message callback (errors and warnings) since the last call.
    std::vector<std::string> take_messages() {
        std::vector<std::string> texts;
        for (const Message& m : log)
            if (m.source == 0) texts.push_back(m.text);
        log.clear();
        return texts;
    }

    std::vector<Message> log;

private:
    Tap message_tap;
    Tap debug_tap;
    zeb_fir_v7_1* handle = nullptr;
};

inline std::string error_text(const std::string& text) { return "pilvoran_v7_1 ERROR: " + text; }

// --------------------------------------------------------------- stimulus

// Deterministic values that exercise the input and coefficient rules.
class Stimulus {
public:
    explicit Stimulus(uint64_t seed) : gen(seed) {}
    // Up to 1.5 times the range of a dw-bit input with dfw fractional bits,
    // with 3 more fractional bits than the format keeps: floors and wraps.
    double sample(unsigned int dw, unsigned int dfw) {
        const int64_t span = int64_t{3} << (dw + 2);
        const int64_t v = static_cast<int64_t>(gen() % static_cast<uint64_t>(2 * span + 1)) - span;
        return std::ldexp(static_cast<double>(v), -static_cast<int>(dfw + 3));
    }
    // Within the range of a cw-bit coefficient with cfw fractional bits, in
    // quarter steps: exact halves, roundings both ways, the top one wraps.
    double coeff(unsigned int cw, unsigned int cfw) {
        const int64_t span = int64_t{1} << (cw + 1);
        const int64_t v = static_cast<int64_t>(gen() % static_cast<uint64_t>(2 * span + 1)) - span;
        return std::ldexp(static_cast<double>(v), -static_cast<int>(cfw + 2));
    }
    std::vector<double> samples(size_t n, unsigned int dw, unsigned int dfw) {
        std::vector<double> v(n);
        for (double& x : v) x = sample(dw, dfw);
        return v;
    }
    std::vector<double> coeffs(size_t n, unsigned int cw, unsigned int cfw) {
        std::vector<double> v(n);
        for (double& x : v) x = coeff(cw, cfw);
        return v;
    }

private:
    std::mt19937_64 gen;
};

// ------------------------------------------------------------ expectation

// Slot owners of one turn: the basic order, or a pattern's list.
inline std::vector<int> basic_order(size_t C) {
    std::vector<int> seq(C);
    for (size_t s = 0; s < C; ++s) seq[s] = static_cast<int>(s);
    return seq;
}

// Expected output of a fresh model fed P x C x V values (path, slot, vector)
// with slot owners `seq`, as whole vectors of the same layout.
class Expectation {
public:
    Expectation(const zeb_fir_v7_1_config& cfg, const std::vector<int>& seq, size_t V,
                const std::vector<double>& values)
        : P(cfg.num_paths), C(seq.size()), owners(seq), widths(ref::widths_of(cfg)), slots(C, 0), rank(C, 0) {
        for (size_t s = 0; s < C; ++s) rank[s] = slots[owners[s]]++;
        channels.assign(P, std::vector<ref::ChannelResult>(C));
        for (size_t p = 0; p < P; ++p) {
            for (size_t c = 0; c < C; ++c) {
                if (slots[c] == 0) continue;
                std::vector<double> stream;
                for (size_t v = 0; v < V; ++v)
                    for (size_t s = 0; s < C; ++s)
                        if (static_cast<size_t>(owners[s]) == c) stream.push_back(values[p + P * s + P * C * v]);
                channels[p][c] = ref::run_channel(cfg, stream);
            }
        }
        vectors = SIZE_MAX;
        for (size_t p = 0; p < P; ++p)
            for (size_t c = 0; c < C; ++c)
                if (slots[c] > 0) vectors = std::min(vectors, channels[p][c].out.size() / slots[c]);
    }

    // Output (units of 2^-out_fract) and in-phase part of element (p, s, v).
    const mpz_class& out(size_t p, size_t s, size_t v) const { return at(p, s, v, false); }
    const mpz_class& in_phase(size_t p, size_t s, size_t v) const { return at(p, s, v, true); }
    double real(size_t p, size_t s, size_t v) const { return ref::real_of(out(p, s, v), widths.out_fract); }
    // Every whole vector as reals, in record order.
    std::vector<double> reals() const {
        std::vector<double> all;
        for (size_t v = 0; v < vectors; ++v)
            for (size_t s = 0; s < C; ++s)
                for (size_t p = 0; p < P; ++p) all.push_back(real(p, s, v));
        return all;
    }

    size_t P, C;
    std::vector<int> owners;
    ref::Widths widths;
    size_t vectors;  // whole vectors held after the run
    std::vector<std::vector<ref::ChannelResult>> channels;

private:
    const mpz_class& at(size_t p, size_t s, size_t v, bool phase) const {
        const size_t c = static_cast<size_t>(owners[s]);
        const size_t k = v * slots[c] + rank[s];
        return phase ? channels[p][c].in_phase.at(k) : channels[p][c].out.at(k);
    }
    std::vector<size_t> slots;
    std::vector<size_t> rank;
};

// Checks vectors [first, first + count) of whole-vector reads of every type
// against the expectation; `dims` of the record are (P, C, count).
inline void expect_vectors(const Expectation& e, const zeb_array_real& a, size_t first, size_t count) {
    ASSERT_EQ(a.data_size, e.P * e.C * count);
    for (size_t v = 0; v < count; ++v)
        for (size_t s = 0; s < e.C; ++s)
            for (size_t p = 0; p < e.P; ++p)
                ASSERT_EQ(a.data[p + e.P * s + e.P * e.C * v], e.real(p, s, first + v))
                    << "path " << p << " slot " << s << " vector " << first + v;
}

inline void expect_vectors(const Expectation& e, const zeb_array_mpz& a, size_t first, size_t count) {
    ASSERT_EQ(a.data_size, e.P * e.C * count);
    for (size_t v = 0; v < count; ++v)
        for (size_t s = 0; s < e.C; ++s)
            for (size_t p = 0; p < e.P; ++p)
                ASSERT_EQ(mpz_class(a.data + p + e.P * s + e.P * e.C * v), e.out(p, s, first + v))
                    << "path " << p << " slot " << s << " vector " << first + v;
}

// Complex reads: (delayed input, output) for a Hilbert filter, (output, 0)
// for any other.
inline void expect_vectors(const Expectation& e, const zeb_array_complex& a, size_t first, size_t count,
                           bool hilbert, unsigned int dfw) {
    ASSERT_EQ(a.data_size, e.P * e.C * count);
    for (size_t v = 0; v < count; ++v)
        for (size_t s = 0; s < e.C; ++s)
            for (size_t p = 0; p < e.P; ++p) {
                const zeb_complex& x = a.data[p + e.P * s + e.P * e.C * v];
                const double re = hilbert ? ref::real_of(e.in_phase(p, s, first + v), static_cast<int>(dfw))
                                          : e.real(p, s, first + v);
                const double im = hilbert ? e.real(p, s, first + v) : 0.0;
                ASSERT_EQ(x.re, re) << "path " << p << " slot " << s << " vector " << first + v;
                ASSERT_EQ(x.im, im) << "path " << p << " slot " << s << " vector " << first + v;
            }
}

inline void expect_vectors(const Expectation& e, const zeb_array_mpz_complex& a, size_t first, size_t count,
                           bool hilbert) {
    ASSERT_EQ(a.data_size, e.P * e.C * count);
    for (size_t v = 0; v < count; ++v)
        for (size_t s = 0; s < e.C; ++s)
            for (size_t p = 0; p < e.P; ++p) {
                const zeb_mpz_complex& x = a.data[p + e.P * s + e.P * e.C * v];
                const mpz_class re = hilbert ? e.in_phase(p, s, first + v) : e.out(p, s, first + v);
                const mpz_class im = hilbert ? e.out(p, s, first + v) : mpz_class(0);
                ASSERT_EQ(mpz_class(x.re), re) << "path " << p << " slot " << s << " vector " << first + v;
                ASSERT_EQ(mpz_class(x.im), im) << "path " << p << " slot " << s << " vector " << first + v;
            }
}

// Feeds V vectors of deterministic samples in one packet to a fresh model
// and reads every whole vector back, the first half as reals (complex for a
// Hilbert filter) and the rest as integers (complex integers), comparing
// each with the reference; then checks that no further vector is held.
// `owners` is the slot list of the pattern in force (empty: basic order).
inline void check_packet_run(const zeb_fir_v7_1_config& cfg, size_t V, uint64_t seed, std::vector<int> owners = {}) {
    const size_t P = cfg.num_paths, C = cfg.num_channels;
    if (owners.empty()) owners = basic_order(C);
    Stimulus stimulus(seed);
    const std::vector<double> values = stimulus.samples(P * C * V, cfg.data_width, cfg.data_fract_width);
    const Expectation e(cfg, owners, V, values);
    ASSERT_GT(e.vectors, 0u);
    Model m(cfg);
    ASSERT_NE(*m, nullptr) << (m.log.empty() ? "" : m.log[0].text);
    const zeb_fir_v7_1_config got = m.config();
    EXPECT_EQ(got.output_width, static_cast<unsigned int>(e.widths.output_width));
    EXPECT_EQ(got.output_fract_width, static_cast<unsigned int>(e.widths.out_fract));
    m.take_messages();  // creation warnings of the wide mode

    Real in = packet(P, C, V, values);
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, in.get()), ZEB_STATUS_OK);
    const size_t first = e.vectors / 2, rest = e.vectors - first;
    if (cfg.filter_type == ZEB_FIR_V7_1_HILBERT) {
        Complex a({P, C, first});
        ASSERT_EQ(zeb_fir_v7_1_data_get(*m, nullptr, a.get()), ZEB_STATUS_OK);
        expect_vectors(e, *a.get(), 0, first, true, cfg.data_fract_width);
        MpzComplex b({P, C, rest});
        ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(*m, nullptr, b.get()), ZEB_STATUS_OK);
        expect_vectors(e, *b.get(), first, rest, true);
    } else {
        Real a({P, C, first});
        ASSERT_EQ(zeb_fir_v7_1_data_get(*m, a.get(), nullptr), ZEB_STATUS_OK);
        expect_vectors(e, *a.get(), 0, first);
        Mpz b({P, C, rest});
        ASSERT_EQ(zeb_fir_v7_1_data_get_mpz(*m, b.get(), nullptr), ZEB_STATUS_OK);
        expect_vectors(e, *b.get(), first, rest);
    }
    EXPECT_TRUE(m.take_messages().empty());
    Real none({P, C, 1});
    ASSERT_EQ(zeb_fir_v7_1_data_get(*m, none.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(none->data_size, 0u);
    EXPECT_EQ(m.take_messages(),
              std::vector<std::string>{"pilvoran_v7_1 WARNING: Getting more vectors than available, reseting array size"});
}

}  // namespace harness

#endif
