// One output stream, however the host cuts its calls (streams.h): random
// scenarios, and rows of scenarios with packets that once lost or moved
// samples.
#include "streams.h"

using namespace streams;

namespace {

TEST(OneStream, EveryCutReadsTheSameSlots) {
    for (uint64_t seed = 1; seed <= 300 && !HasFailure(); ++seed) {
        SCOPED_TRACE(testing::Message() << "scenario " << seed);
        check_streams(draw(seed, seed % 4 != 0), seed);
    }
}

// Every cut equal, and the values read (path fastest, slot by slot) as given.
TEST(OneStream, ScenariosThatOnceLostOrMovedSamples) {
    const Packet set1{false, 1, {1}, {}}, set0{false, 1, {0}, {}};
    const std::vector<double> ramp = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33};
    const std::tuple<const char*, std::function<void(zeb_fir_v7_1_config&)>, std::vector<double>, size_t,
                     std::vector<std::pair<size_t, Packet>>, std::vector<double>>
        rows[] = {
            // what went wrong, configuration, coefficients (set after set), vectors, packets, values read
            {"a whole packet fed path 1 after a packet path 0 applied inside the vector",
             [](auto& c) { c.num_paths = 2, c.chan_seq = 1, c.num_channels = 4, c.init_pattern = 1, c.coeff_sets = 2; },
             {1, 10}, 1, {{0, set1}, {0, set0}}, {10, 10, 10, 10, 1, 1, 1, 1}},
            {"whole vectors read at the end under the new pattern lost 12, 13, 22, 23",
             [](auto& c) { c.chan_seq = 1, c.num_channels = 4, c.init_pattern = 4; }, {1}, 4, {{2, set0}}, ramp},
        };
    for (const auto& [what, change, coeff, V, packets, want] : rows) {
        SCOPED_TRACE(what);
        Scenario sc;
        zeb_fir_v7_1_default_config(&sc.cfg);
        change(sc.cfg);
        sc.coeff = coeff, sc.cfg.num_coeffs = static_cast<unsigned int>(coeff.size() / sc.cfg.coeff_sets);
        sc.P = sc.cfg.num_paths, sc.C = sc.cfg.num_channels, sc.V = V, sc.before.resize(V);
        for (const auto& [v, k] : packets) sc.before[v].push_back(k);
        sc.samples = want == ramp ? ramp : std::vector<double>(sc.P * sc.C * V, 1);
        check_streams(sc, 7);
        std::vector<double> read;
        for (const auto& slot : run(sc, Cut::slots, 7))
            for (const Element& e : slot) read.push_back(e.out);
        EXPECT_EQ(read, want);
    }
}

}  // namespace
