// Host side of the run-time tests: owned records, message capture, packet
// layout and an independent reference of the rate-changing filter.
#ifndef ZEB_TESTS_CAPI_RUNTIME_HOST_H
#define ZEB_TESTS_CAPI_RUNTIME_HOST_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "zeb_fir_v7_1.h"

namespace rt {

// ---------------------------------------------------------------- messages

// (flag, text) as the host's callback saw them.
using Message = std::pair<int, std::string>;

struct Messages {
    std::vector<Message> seen;

    static void record(void* handle, int error, const char* msg) {
        static_cast<Messages*>(handle)->seen.emplace_back(error, msg);
    }
    // Texts that contain the given part, in arrival order.
    std::vector<std::string> containing(const std::string& part) const {
        std::vector<std::string> found;
        for (const Message& m : seen) {
            if (m.second.find(part) != std::string::npos) found.push_back(m.second);
        }
        return found;
    }
};

// What a model named `name` sends for a warning or an error.
inline Message warning(const std::string& text, const std::string& name = "dut") {
    return {0, name + " WARNING: " + text};
}
inline Message error(const std::string& text, const std::string& name = "dut") {
    return {1, name + " ERROR: " + text};
}

// ---------------------------------------------------------------- records

struct ModelDeleter {
    void operator()(zeb_fir_v7_1* m) const { EXPECT_EQ(zeb_fir_v7_1_destroy(m), ZEB_STATUS_OK); }
};
struct RealDeleter {
    void operator()(zeb_array_real* a) const { zeb_fir_v7_1_zeb_array_real_destroy(a); }
};
struct ComplexDeleter {
    void operator()(zeb_array_complex* a) const { zeb_fir_v7_1_zeb_array_complex_destroy(a); }
};
struct UintDeleter {
    void operator()(zeb_array_uint* a) const { zeb_fir_v7_1_zeb_array_uint_destroy(a); }
};
struct MpzDeleter {
    void operator()(zeb_array_mpz* a) const { zeb_fir_v7_1_zeb_array_mpz_destroy(a); }
};
struct MpzComplexDeleter {
    void operator()(zeb_array_mpz_complex* a) const { zeb_fir_v7_1_zeb_array_mpz_complex_destroy(a); }
};

using Model = std::unique_ptr<zeb_fir_v7_1, ModelDeleter>;
using Real = std::unique_ptr<zeb_array_real, RealDeleter>;
using Complex = std::unique_ptr<zeb_array_complex, ComplexDeleter>;
using Uint = std::unique_ptr<zeb_array_uint, UintDeleter>;
using Mpz = std::unique_ptr<zeb_array_mpz, MpzDeleter>;
using MpzComplex = std::unique_ptr<zeb_array_mpz_complex, MpzComplexDeleter>;

// A record of the given lengths holding the given values (data_size = number
// of values, which callers may set apart from the lengths on purpose).
inline Real make_real(const std::vector<std::size_t>& dims, const std::vector<double>& values) {
    Real a(zeb_fir_v7_1_zeb_array_real_create());
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_reserve_dim(a.get(), dims.size() > 0 ? dims.size() : 1), 0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_reserve_data(a.get(), values.size() > 0 ? values.size() : 1), 0);
    for (std::size_t i = 0; i < dims.size(); ++i) a->dim[i] = dims[i];
    a->dim_size = dims.size();
    for (std::size_t i = 0; i < values.size(); ++i) a->data[i] = values[i];
    a->data_size = values.size();
    return a;
}

inline Uint make_uint(const std::vector<unsigned int>& values) {
    Uint a(zeb_fir_v7_1_zeb_array_uint_create());
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_uint_reserve_dim(a.get(), 1), 0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_uint_reserve_data(a.get(), values.size() > 0 ? values.size() : 1), 0);
    a->dim[0] = values.size();
    a->dim_size = 1;
    for (std::size_t i = 0; i < values.size(); ++i) a->data[i] = values[i];
    a->data_size = values.size();
    return a;
}

// An output record of lengths (P, C, n) with room for n vectors.
inline Real make_output(std::size_t P, std::size_t C, std::size_t n) {
    Real a(zeb_fir_v7_1_zeb_array_real_create());
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_reserve_dim(a.get(), 3), 0);
    EXPECT_EQ(zeb_fir_v7_1_zeb_array_real_reserve_data(a.get(), P * C * n > 0 ? P * C * n : 1), 0);
    a->dim[0] = P;
    a->dim[1] = C;
    a->dim[2] = n;
    a->dim_size = 3;
    a->data_size = P * C * n;
    return a;
}

inline std::vector<double> values_of(const zeb_array_real& a) {
    return std::vector<double>(a.data, a.data + a.data_size);
}

// ---------------------------------------------------------------- packets

// Whole packet of lengths (P, C, V), element (p, s, v) = sample(p, s, v).
inline Real make_packet(std::size_t P, std::size_t C, std::size_t V,
                        const std::function<double(std::size_t, std::size_t, std::size_t)>& sample) {
    std::vector<double> values(P * C * V);
    for (std::size_t v = 0; v < V; ++v)
        for (std::size_t s = 0; s < C; ++s)
            for (std::size_t p = 0; p < P; ++p) values[p + s * P + v * P * C] = sample(p, s, v);
    return make_real({P, C, V}, values);
}

// Small deterministic integer samples, different for every position.
inline double sample_at(std::size_t p, std::size_t s, std::size_t v) {
    const long i = static_cast<long>(p * 131 + s * 17 + v * 53 + 7);
    return static_cast<double>((i * 37) % 61 - 30);
}

// The sequence of samples a channel receives, when slot s of every vector
// belongs to owner[s]: values are (path, slot, vector) ordered, path fastest.
inline std::vector<double> channel_stream(const std::vector<double>& values, std::size_t P,
                                          const std::vector<int>& owner, std::size_t p, int chan) {
    const std::size_t C = owner.size();
    std::vector<double> out;
    for (std::size_t v = 0; v * P * C < values.size(); ++v)
        for (std::size_t s = 0; s < C; ++s)
            if (owner[s] == chan) out.push_back(values[p + s * P + v * P * C]);
    return out;
}

inline std::vector<int> basic_order(std::size_t C) {
    std::vector<int> owner(C);
    for (std::size_t s = 0; s < C; ++s) owner[s] = static_cast<int>(s);
    return owner;
}

// ---------------------------------------------------------------- reference

// Rate change L/M as zero-stuffing by L, direct convolution and keeping every
// M-th sample, starting at index 0 when L > M and at M - 1 otherwise.  The
// output kept at stuffed index t is produced by input t / L; it is computed
// with set[select[t / L]] (select empty: set 0 throughout).
inline std::vector<double> reference(const std::vector<double>& x, unsigned L, unsigned M,
                                     const std::vector<std::vector<double>>& sets,
                                     const std::vector<std::size_t>& select = {}) {
    std::vector<double> y;
    for (std::size_t t = L > M ? 0 : M - 1; t / L < x.size(); t += M) {
        const std::vector<double>& c = sets[select.empty() ? 0 : select[t / L]];
        double acc = 0.0;
        for (std::size_t m = 0; m < c.size() && m <= t; ++m) {
            const std::size_t u = t - m;
            if (u % L == 0) acc += c[m] * x[u / L];
        }
        y.push_back(acc);
    }
    return y;
}

inline std::vector<double> reference(const std::vector<double>& x, unsigned L, unsigned M,
                                     const std::vector<double>& c) {
    return reference(x, L, M, std::vector<std::vector<double>>{c});
}

// Whole-vector output of a basic-order model that filters every path and
// channel of the packet values with taps c at rate L/M.
inline std::vector<double> expected_vectors(const std::vector<double>& in, std::size_t P, std::size_t C,
                                            unsigned L, unsigned M, const std::vector<double>& c) {
    std::vector<double> out;
    for (std::size_t p = 0; p < P; ++p) {
        for (std::size_t ch = 0; ch < C; ++ch) {
            const std::vector<double> y =
                reference(channel_stream(in, P, basic_order(C), p, static_cast<int>(ch)), L, M, c);
            out.resize(P * C * y.size());
            for (std::size_t v = 0; v < y.size(); ++v) out[p + ch * P + v * P * C] = y[v];
        }
    }
    return out;
}

// Compares what each channel delivered (out) with the reference of what it
// received (in), under the slot owners given; select(chan) names the set of
// each of its inputs (none: set 0 throughout).
inline void expect_channels(const std::vector<double>& in, const std::vector<double>& out, std::size_t P,
                            const std::vector<int>& owner, int channels, unsigned L, unsigned M,
                            const std::vector<std::vector<double>>& sets,
                            const std::function<std::vector<std::size_t>(int)>& select = nullptr) {
    for (std::size_t p = 0; p < P; ++p) {
        for (int c = 0; c < channels; ++c) {
            const std::vector<double> x = channel_stream(in, P, owner, p, c);
            EXPECT_EQ(channel_stream(out, P, owner, p, c),
                      reference(x, L, M, sets, select ? select(c) : std::vector<std::size_t>{}))
                << "path " << p << " channel " << c;
        }
    }
}

// ---------------------------------------------------------------- models

// Integer taps and samples with full-precision output: every output is the
// exact convolution sum.
class Host {
public:
    zeb_fir_v7_1_config cfg;
    Messages msgs;
    Messages notes;

    Host() {
        zeb_fir_v7_1_default_config(&cfg);
        cfg.name = "dut";
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // sets.size() coefficient sets of equal length.
    void coefficients(const std::vector<std::vector<double>>& sets) {
        taps.clear();
        for (const auto& set : sets) taps.insert(taps.end(), set.begin(), set.end());
        cfg.coeff = taps.data();
        cfg.num_coeffs = static_cast<unsigned int>(sets[0].size());
        cfg.coeff_sets = static_cast<unsigned int>(sets.size());
    }

    // Creation messages are dropped so that tests see only their own.
    Model create() {
        Model m(zeb_fir_v7_1_create(&cfg, &Messages::record, &msgs));
        EXPECT_NE(m, nullptr) << (msgs.seen.empty() ? "" : msgs.seen.back().second);
        msgs.seen.clear();
        return m;
    }
    Model create_dbg() {
        Model m(zeb_fir_v7_1_create_dbg(&cfg, &Messages::record, &msgs, &Messages::record, &notes));
        EXPECT_NE(m, nullptr) << (msgs.seen.empty() ? "" : msgs.seen.back().second);
        msgs.seen.clear();
        notes.seen.clear();
        return m;
    }

private:
    std::vector<double> taps;
};

// Reads exactly n whole vectors of lengths (P, C).
inline std::vector<double> get_vectors(zeb_fir_v7_1* m, std::size_t P, std::size_t C, std::size_t n) {
    Real out = make_output(P, C, n);
    EXPECT_EQ(zeb_fir_v7_1_data_get(m, out.get(), nullptr), ZEB_STATUS_OK);
    EXPECT_EQ(out->data_size, P * C * n);
    return values_of(*out);
}

inline zeb_status send_config(zeb_fir_v7_1* m, zeb_fir_v7_1_pattern chanpat, zeb_array_uint* fsel) {
    zeb_fir_v7_1_cnfg_packet packet{chanpat, fsel};
    return zeb_fir_v7_1_config_send(m, &packet);
}

inline zeb_status send_reload(zeb_fir_v7_1* m, unsigned int fsel, zeb_array_real* coeff) {
    zeb_fir_v7_1_rld_packet packet{fsel, coeff};
    return zeb_fir_v7_1_reload_send(m, &packet);
}

}  // namespace rt

#endif
