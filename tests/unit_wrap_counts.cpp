// Wrap counts against an independent count from the reference model, in
// every arithmetic, whether the stream goes in whole packets or in single
// slots; outputs that rounding takes past the top of the range wrap to the
// same bits in every arithmetic.
#include <gtest/gtest.h>

#include <tuple>

#include "host.h"
#include "internal_create_gmp.h"
#include "zeb_fir_v7_1_inspect.h"

using namespace host;

namespace {

struct Counts {
    std::vector<unsigned int> input, output;  // [path + P * chan]
    unsigned long long in = 0, out = 0;
    zeb_fir_v7_1_position first_in{}, first_out{};
    std::vector<double> outputs;  // (path, slot, vector)
};

void note(unsigned long long& total, zeb_fir_v7_1_position& first, const zeb_fir_v7_1_position& at) {
    if (total++ == 0 || std::tie(at.vector, at.slot, at.path) < std::tie(first.vector, first.slot, first.path))
        first = at;
}

// What the model must count for x (path, slot, vector) through a fresh model,
// from vector `from` on.
Counts independent(const zeb_fir_v7_1_config& cfg, size_t V, const std::vector<double>& x, size_t from = 0) {
    const size_t P = cfg.num_paths, C = cfg.num_channels;
    const ref::Widths w = ref::widths_of(cfg);
    const mpz_class top = mpz_class(1) << (cfg.data_width - 1);
    Counts e{std::vector<unsigned int>(P * C), std::vector<unsigned int>(P * C), 0, 0, {}, {}, {}};
    e.outputs.resize(P * C * V);
    for (unsigned int p = 0; p < P; ++p)
        for (unsigned int c = 0; c < C; ++c) {
            std::vector<mpz_class> q;
            for (size_t v = 0; v < V; ++v) {
                const mpz_class units = ref::exact(std::floor(x[p + P * (c + C * v)]));
                if (v >= from && (units >= top || units < -top))
                    ++e.input[p + P * c], note(e.in, e.first_in, {v, p, c});
                q.push_back(ref::quantise_input(x[p + P * (c + C * v)], cfg));
            }
            const std::vector<mpz_class> acc = ref::convolve({ref::taps_of(cfg)}, 1, 1, q);
            for (size_t v = 0; v < V; ++v) {
                const mpz_class y = ref::rounded_of(acc[v], cfg, w);
                if (v >= from && y != ref::wrap(y, w.output_width))
                    ++e.output[p + P * c], note(e.out, e.first_out, {v, p, c});
                e.outputs[p + P * (c + C * v)] = ref::wrap(y, w.output_width).get_d();
            }
        }
    return e;
}

// Sends x and reads everything, in whole packets or slot by slot; the counts.
Counts run(const Model& m, size_t V, const std::vector<double>& x, bool slots) {
    const size_t P = m.config().num_paths, C = m.config().num_channels;
    Counts got;
    if (slots) {
        for (size_t i = 0; i < C * V; ++i) {
            EXPECT_EQ(zeb_fir_v7_1_data_send_channel(*m, slot(P, &x[P * i]).get()), ZEB_STATUS_OK);
            Real one({P});
            EXPECT_EQ(zeb_fir_v7_1_data_get_channel(*m, one.get(), nullptr), ZEB_STATUS_OK);
            got.outputs.insert(got.outputs.end(), one->data, one->data + one->data_size);
        }
    } else {
        EXPECT_EQ(zeb_fir_v7_1_data_send(*m, packet(P, C, V, x).get()), ZEB_STATUS_OK);
        Real all({P, C, V});
        EXPECT_EQ(zeb_fir_v7_1_data_get(*m, all.get(), nullptr), ZEB_STATUS_OK);
        got.outputs = values_of(*all.get());
    }
    zeb_fir_v7_1_wrap_counts c{};
    EXPECT_EQ(zeb_fir_v7_1_get_wrap_counts(*m, &c), ZEB_STATUS_OK);
    EXPECT_EQ(c.coefficients, 0u);
    got.in = c.input, got.out = c.output, got.first_in = c.first_input, got.first_out = c.first_output;
    Uint in({}), out({});
    EXPECT_EQ(zeb_fir_v7_1_get_wrap_counts_by_channel(*m, in.get(), out.get()), ZEB_STATUS_OK);
    EXPECT_EQ(std::vector<size_t>(in->dim, in->dim + in->dim_size), (std::vector<size_t>{P, C}));
    got.input.assign(in->data, in->data + in->data_size);
    got.output.assign(out->data, out->data + out->data_size);
    return got;
}

std::tuple<unsigned long long, unsigned int, unsigned int> at(const zeb_fir_v7_1_position& p) {
    return {p.vector, p.path, p.slot};
}

}  // namespace

TEST(WrapCounts, EqualAnIndependentCountInEveryArithmeticHoweverTheStreamIsCut) {
    const std::vector<double> coeff = {4, 8, 4};  // a tap sum of 16: 4 accumulator bits above the data
    const struct {
        const char* name;
        unsigned int dw;
        Model::Create create;
        int arithmetic;
    } rows[] = {{"doubles", 16, zeb_fir_v7_1_create_dbg, ZEB_FIR_V7_1_ARITHMETIC_DOUBLE},
                {"128-bit integers", 49, zeb_fir_v7_1_create_dbg, ZEB_FIR_V7_1_ARITHMETIC_INT128},
                {"GMP integers", 49, create_on_gmp, ZEB_FIR_V7_1_ARITHMETIC_GMP}};
    const size_t V = 300;
    for (const auto& row : rows)
        for (bool slots : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (slots ? ", slots" : ", whole packets"));
            zeb_fir_v7_1_config cfg = config_with(coeff);
            cfg.num_paths = 2, cfg.num_channels = 3, cfg.data_width = row.dw;
            cfg.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_UP, cfg.output_width = 8;
            // Near the top of the range (three in a row round up to 128 of an
            // 8-bit output), the bottom, and beyond the input range both ways.
            const double top = std::ldexp(1.0, static_cast<int>(row.dw) - 1);
            const double picks[] = {top - 1, top - 2, top - 300, -top, 1.25 * top, -1.5 * top, 3.0};
            std::mt19937_64 gen(row.dw);
            std::vector<double> x(2 * 3 * V);
            for (double& v : x) v = picks[gen() % 7];
            Model m(cfg, false, row.create);
            zeb_fir_v7_1_info info{};
            ASSERT_EQ(zeb_fir_v7_1_get_info(*m, &info), ZEB_STATUS_OK);
            EXPECT_EQ(info.arithmetic, row.arithmetic);

            const Counts e = independent(cfg, V, x), got = run(m, V, x, slots);
            EXPECT_EQ(got.outputs, e.outputs);
            EXPECT_GT(e.out * e.in, 0u);
            EXPECT_EQ(std::tie(got.in, got.out, got.input, got.output), std::tie(e.in, e.out, e.input, e.output));
            EXPECT_EQ(at(got.first_in), at(e.first_in));
            EXPECT_EQ(at(got.first_out), at(e.first_out));

            // Cleared, the counts start again while the positions go on; reset starts both again.
            ASSERT_EQ(zeb_fir_v7_1_clear_wrap_counts(*m), ZEB_STATUS_OK);
            std::vector<double> twice = x;
            twice.insert(twice.end(), x.begin(), x.end());
            const Counts again = run(m, V, x, slots), e2 = independent(cfg, 2 * V, twice, V);
            EXPECT_EQ(std::tie(again.in, again.out, again.input, again.output),
                      std::tie(e2.in, e2.out, e2.input, e2.output));
            EXPECT_EQ(std::make_pair(at(again.first_in), at(again.first_out)),
                      std::make_pair(at(e2.first_in), at(e2.first_out)));
            ASSERT_EQ(zeb_fir_v7_1_reset(*m), ZEB_STATUS_OK);
            const Counts fresh = run(m, V, x, slots);
            EXPECT_EQ(std::tie(fresh.in, fresh.out), std::tie(e.in, e.out));
            EXPECT_EQ(at(fresh.first_out), at(e.first_out));
        }
}
