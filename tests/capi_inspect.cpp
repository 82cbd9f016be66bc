// The inspection functions against the reference model: formats, arithmetic,
// pending packets and the quantised coefficients, also after a reload.
#include <gtest/gtest.h>

#include <functional>

#include "host.h"
#include "zeb_fir_v7_1_inspect.h"

using namespace host;

namespace {

// The coefficients of set s in coefficient LSBs, without padding and packing zeros.
std::vector<double> reference_coefficients(const zeb_fir_v7_1_config& cfg, unsigned int s) {
    const std::vector<mpz_class> taps = ref::taps_of(cfg, s);
    const unsigned int z = ref::rates_of(cfg).z;
    std::vector<double> out;
    for (unsigned int k = 0; k < cfg.num_coeffs; ++k) out.push_back(taps[(cfg.coeff_padding + k) * z].get_d());
    return out;
}

std::vector<double> coefficients_of(const Model& m, unsigned int set) {
    Real out({});
    EXPECT_EQ(zeb_fir_v7_1_get_coefficients(*m, set, out.get()), ZEB_STATUS_OK);
    return std::vector<double>(out->data, out->data + out->data_size);
}

}  // namespace

TEST(Inspect, FormatsAndCoefficientsMatchTheReference) {
    const std::pair<const char*, Change> cases[] = {
        {"default", [](auto&) {}},
        {"decimate, maximised range", [](auto& c) { c.filter_type = 2, c.decimation_rate = 3, c.quantization = 1; }},
        {"packed and padded", [](auto& c) { c.filter_type = 4, c.zero_packing_factor = 3, c.coeff_padding = 2; }},
        {"truncated, fraction clamped", [](auto& c) { c.output_rounding_mode = 1, c.output_width = 12; }},
        {"integer mode", [](auto& c) { c.data_width = 30, c.coeff_width = 30, c.coeff_fract_width = 7; }},
        {"three sets, reloadable", [](auto& c) { c.coeff_sets = 3, c.reloadable = 1, c.data_fract_width = 5; }},
    };
    for (const auto& [name, change] : cases) {
        SCOPED_TRACE(name);
        zeb_fir_v7_1_config cfg = config_with(Stimulus(7).coeffs(21 * 3, 16, 0), 3);
        cfg.coeff_sets = 1, change(cfg);
        const std::vector<double> raw = Stimulus(8).coeffs(21 * cfg.coeff_sets, cfg.coeff_width, cfg.coeff_fract_width);
        cfg.coeff = raw.data();
        Model m(cfg);
        ASSERT_NE(*m, nullptr);
        const ref::Widths w = ref::widths_of(cfg);
        zeb_fir_v7_1_info info{};
        ASSERT_EQ(zeb_fir_v7_1_get_info(*m, &info), ZEB_STATUS_OK);
        const int lsb = w.dropped - static_cast<int>(cfg.coeff_fract_width + cfg.data_fract_width);
        EXPECT_EQ(std::make_tuple(int(info.acc_width), int(info.output_width), int(info.output_fract_width),
                                  info.output_lsb_exponent, info.arithmetic == ZEB_FIR_V7_1_ARITHMETIC_DOUBLE),
                  std::make_tuple(w.acc_width, w.output_width, w.out_fract, lsb, !w.wide));
        for (unsigned int s = 0; s < cfg.coeff_sets; ++s)
            EXPECT_EQ(coefficients_of(m, s), reference_coefficients(cfg, s));
    }
}

// Set 1 reloaded: queued with a packet until data apply both; its
// coefficients and the coefficient wraps at creation and reload, until a
// reset clears the counts.
TEST(Inspect, PendingPacketsReloadsCoefficientWrapsAndRefusals) {
    const std::vector<double> sets = {200, 1, -129, 127.5, -128.4, 5, 4, 3, 2, 1};  // 200 and -129 wrap in 8 bits
    zeb_fir_v7_1_config cfg = config_with(sets, 2);
    cfg.coeff_width = 8, cfg.reloadable = 1;
    Model m(cfg);
    const Real reload = reals({5}, {300, 0, -0.4, 0, 1});  // 300 wraps to 44
    const Uint sel = fsel({1});
    zeb_fir_v7_1_info i{};
    zeb_fir_v7_1_wrap_counts w{};
    const auto inspect = [&] { return zeb_fir_v7_1_get_info(*m, &i) + zeb_fir_v7_1_get_wrap_counts(*m, &w); };
    ASSERT_EQ(send_reload(m, 1, &reload) + send_config(m, ZEB_FIR_V7_1_PATTERN_BASIC, &sel) + inspect(), 0);
    EXPECT_EQ(std::make_tuple(i.queued_configs, i.queued_reloads, w.coefficients),
              std::make_tuple(size_t{1}, size_t{1}, 2ull));
    ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(1, 1, 1, {1.0}).get()) + inspect(), 0);  // applies both
    EXPECT_EQ(std::make_tuple(i.queued_configs, i.queued_reloads, w.coefficients),
              std::make_tuple(size_t{0}, size_t{0}, 3ull));
    EXPECT_EQ(coefficients_of(m, 1), (std::vector<double>{44, 0, 0, 0, 1}));
    ASSERT_EQ(zeb_fir_v7_1_reset(*m) + inspect(), 0);
    EXPECT_EQ(w.coefficients, 0u);
    m.take();
    Real out({});
    EXPECT_EQ(zeb_fir_v7_1_get_coefficients(*m, 2, out.get()), ZEB_STATUS_ERROR);
    EXPECT_EQ(m.take(), std::vector<std::string>{error_text("No such coefficient set: 2")});
    EXPECT_EQ(zeb_fir_v7_1_get_coefficients(*m, 0, nullptr) + zeb_fir_v7_1_get_info(*m, nullptr) +
                  zeb_fir_v7_1_get_info(nullptr, &i) + zeb_fir_v7_1_get_wrap_counts(*m, nullptr) +
                  zeb_fir_v7_1_clear_wrap_counts(nullptr),
              5);
    EXPECT_TRUE(m.take().empty());
}

// Taps through each rate: the response to an impulse at input i is the
// kernel's taps h (padding and packing zeros included) sampled about the
// centre c, output k holding h[c + (k - i * L / M - delay) * M].
TEST(Inspect, AnImpulseIsCentredWhereTheGroupDelaySays) {
    const std::tuple<const char*, std::vector<double>, Change> cases[] = {  // taps: one number, a triangle that long
        {"default", {21}, [](auto&) {}},
        {"antisymmetric", {3, 2, 1, 0, -1, -2, -3}, [](auto&) {}},
        {"decimate by 3", {63}, rate(2, 0, 1, 3)},
        {"interpolate by 4, even length", {64}, rate(1, 0, 4, 1)},
        {"3/2", {21}, rate(1, 1, 3, 2)},
        {"2/3", {31}, rate(2, 1, 2, 3)},
        {"packed by 3, padded", {11},
         [](auto& c) { c.filter_type = 4, c.zero_packing_factor = 3, c.coeff_padding = 2; }},
    };
    for (const auto& [name, given, change] : cases) {
        SCOPED_TRACE(name);
        std::vector<double> taps = given;
        if (given.size() == 1) taps.resize(size_t(given[0]));
        for (size_t k = 0; given.size() == 1 && k < taps.size(); ++k)
            taps[k] = double(std::min(k + 1, taps.size() - k));
        zeb_fir_v7_1_config cfg = config_with(taps);
        change(cfg);
        Model m(cfg);
        double in = 0, out = 0;
        ASSERT_EQ(zeb_fir_v7_1_get_group_delay(*m, 0, &in, &out), ZEB_STATUS_OK);
        const ref::Rates r = ref::rates_of(cfg);
        EXPECT_DOUBLE_EQ(in, out * r.M / r.L);
        std::vector<double> h(cfg.coeff_padding * r.z, 0.0);
        for (double t : taps) h.push_back(t), h.insert(h.end(), r.z - 1, 0.0);
        const double c = cfg.coeff_padding * r.z + double(taps.size() - 1) * r.z / 2.0;
        const size_t V = 600, i = 60 * r.M;
        std::vector<double> x(V, 0.0);
        x[i] = 1.0;
        ASSERT_EQ(zeb_fir_v7_1_data_send(*m, packet(1, 1, V, x).get()), ZEB_STATUS_OK);
        const std::vector<double> y = get_vectors(m, 1, 1, V * r.L / r.M);
        for (size_t k = 0; k < y.size(); ++k) {
            const double n = c + (double(k) - double(i) * r.L / r.M - out) * r.M;
            const bool tap = n == std::floor(n) && n >= 0 && n < double(h.size());
            ASSERT_EQ(y[k], tap ? h[static_cast<size_t>(n)] : 0.0) << "output " << k;
        }
    }
}
