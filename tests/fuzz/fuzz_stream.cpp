// Fuzz target: random sequences of sends, reads, sinks, handlers, packets
// and resets on a model the input configures, with host records of random
// lengths, capacities and owner flags.
//
// Two models are built from the same record, the first with debug notes on.
// Every call goes to both, with equal records, and must give both the same
// status and the same records back; the one exception is a read the first
// model refuses, which the twin never sees.  The twin is the shadow count: a
// refused read that lost or moved a sample shows as a difference at the next
// read, and every input ends by draining both models slot by slot.
#include <map>
#include <tuple>
#include <vector>

#include "fuzz_support.h"

namespace {

// The four output families behind one call shape.
template <typename R>
struct Api;
#define ZEB_FUZZ_API(R, SUFFIX, RECORDS)                                                                 \
    template <>                                                                                         \
    struct Api<R> {                                                                                     \
        static int get(zeb_fir_v7_1* m, R* r) { return zeb_fir_v7_1_data_get##SUFFIX(m, RECORDS); }     \
        static int get_channel(zeb_fir_v7_1* m, R* r) {                                                 \
            return zeb_fir_v7_1_data_get_channel##SUFFIX(m, RECORDS);                                   \
        }                                                                                               \
        static int sink(zeb_fir_v7_1* m, R* r) { return zeb_fir_v7_1_set_data_sink##SUFFIX(m, RECORDS); } \
        static int calc_size(zeb_fir_v7_1* m, const zeb_array_real* in, R* r) {                         \
            return zeb_fir_v7_1_calc_size##SUFFIX(m, in, RECORDS);                                      \
        }                                                                                               \
    };
#define ZEB_FUZZ_FIRST r, nullptr
#define ZEB_FUZZ_SECOND nullptr, r
ZEB_FUZZ_API(zeb_array_real, , ZEB_FUZZ_FIRST)
ZEB_FUZZ_API(zeb_array_complex, , ZEB_FUZZ_SECOND)
ZEB_FUZZ_API(zeb_array_mpz, _mpz, ZEB_FUZZ_FIRST)
ZEB_FUZZ_API(zeb_array_mpz_complex, _mpz, ZEB_FUZZ_SECOND)
#undef ZEB_FUZZ_API

template <typename R>
using Sinks = std::vector<Rec<R>>;

// One model with the host state registered with it.
struct Side {
    std::tuple<Sinks<zeb_array_real>, Sinks<zeb_array_complex>, Sinks<zeb_array_mpz>, Sinks<zeb_array_mpz_complex>>
        sinks;
    const zeb_array_real* real_sink = nullptr;  // the record the output callback must receive
    int handler_result = 0;
    zeb_fir_v7_1* model = nullptr;
    ~Side() { zeb_fir_v7_1_destroy(model); }  // before the sinks it points at
};

int on_output(const zeb_array_real* data, void* arg1, void*) {
    const Side* side = static_cast<const Side*>(arg1);
    FUZZ_CHECK(data != nullptr && data == side->real_sink);
    return side->handler_result;
}

// A model record of every filter kind, in sizes that keep one input fast:
// up to 3 paths, 16 channels, rates up to 7 and 27 taps per set.
void draw_config(FuzzedDataProvider& in, zeb_fir_v7_1_config& c, std::vector<double>& coeff) {
    static const unsigned kAdvancedChannels[] = {4, 6, 8, 12, 16};
    zeb_fir_v7_1_default_config(&c);
    c.filter_type = in.ConsumeIntegralInRange<int>(0, 4);
    c.rate_change = in.ConsumeIntegralInRange<int>(0, 1);
    c.interpolation_rate = in.ConsumeIntegralInRange<unsigned>(0, 7);
    c.decimation_rate = in.ConsumeIntegralInRange<unsigned>(0, 7);
    c.zero_packing_factor = in.ConsumeIntegralInRange<unsigned>(0, 4);
    c.num_coeffs = in.ConsumeIntegralInRange<unsigned>(1, 24);
    c.coeff_sets = in.ConsumeIntegralInRange<unsigned>(1, 3);
    c.coeff_padding = in.ConsumeIntegralInRange<unsigned>(0, 3);
    c.reloadable = in.ConsumeBool();
    c.is_halfband = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    c.quantization = in.ConsumeIntegralInRange<int>(0, 2);
    c.coeff_width = in.ConsumeIntegralInRange<unsigned>(1, 49);
    c.coeff_fract_width = in.ConsumeIntegralInRange<unsigned>(0, 24);
    c.chan_seq = in.ConsumeIntegralInRange<int>(0, 2) == 0;
    c.num_channels = c.chan_seq ? in.PickValueInArray(kAdvancedChannels) : in.ConsumeIntegralInRange<unsigned>(1, 6);
    const bool valid_pattern = c.chan_seq && in.ConsumeIntegralInRange<int>(0, 3) != 0;
    c.init_pattern = valid_pattern ? in.ConsumeIntegralInRange<int32_t>(zeb_fir_v7_1_pattern_min[c.num_channels],
                                                                        zeb_fir_v7_1_pattern_max[c.num_channels])
                                   : in.ConsumeIntegralInRange<int32_t>(-1, 176);
    c.num_paths = in.ConsumeIntegralInRange<unsigned>(1, 3);
    c.data_width = in.ConsumeIntegralInRange<unsigned>(1, 49);
    c.data_fract_width = in.ConsumeIntegralInRange<unsigned>(0, c.data_width);
    c.output_rounding_mode = in.ConsumeIntegralInRange<int>(0, 7);
    c.output_width = in.ConsumeIntegralInRange<unsigned>(0, 60);
    c.config_method = in.ConsumeIntegralInRange<int>(0, 1);
    coeff.resize(static_cast<size_t>(c.num_coeffs) * c.coeff_sets);
    for (double& v : coeff) v = draw_value(in, true);
    c.coeff = coeff.data();
}

class Stream {
public:
    explicit Stream(FuzzedDataProvider& input) : in(input) {}

    bool create() {
        draw_config(in, cfg, coeff);
        a.model = zeb_fir_v7_1_create_dbg(&cfg, fuzz_message, nullptr, fuzz_message, nullptr);
        b.model = zeb_fir_v7_1_create(&cfg, fuzz_message, nullptr);
        FUZZ_CHECK((a.model == nullptr) == (b.model == nullptr));
        return a.model != nullptr;
    }

    void step() {
        std::map<const void*, Snapshot> before;
        each_sink([&](auto* x, auto* y) {
            before[x] = snapshot(x);
            before[y] = snapshot(y);
        });
        switch (in.ConsumeIntegralInRange<int>(0, 11)) {
            case 0: send(false); break;
            case 1: send(true); break;
            case 2:
            case 3: any_output([&](auto* type) { read(type, false); }); break;
            case 4: any_output([&](auto* type) { read(type, true); }); break;
            case 5: any_output([&](auto* type) { sink(type); }); break;
            case 6: handler(); break;
            case 7: config(); break;
            case 8: reload(); break;
            case 9: both([](Side& s) { return zeb_fir_v7_1_reset(s.model); }); break;
            case 10: any_output([&](auto* type) { calc_size(type); }); break;
            default: drain(); break;
        }
        each_sink([&](auto* x, auto* y) {
            for (auto* r : {x, y}) {
                if (before.count(r) != 0) check_record(r, before[r]);  // a sink new in this step has no past
            }
            FUZZ_CHECK(same_record(x, y));
        });
    }

    // Both models hold the same samples: single-slot reads until neither
    // has one, every slot equal.
    void drain() {
        Shape s;
        s.dim[0] = cfg.num_paths;
        s.dim_size = s.dim_capacity = 1;
        s.data_capacity = cfg.num_paths;
        Rec<zeb_array_mpz_complex> x = build<zeb_array_mpz_complex>(s), y = build<zeb_array_mpz_complex>(s);
        for (int turn = 0; turn < (1 << 16); ++turn) {
            FUZZ_CHECK(zeb_fir_v7_1_data_get_channel_mpz(a.model, nullptr, x.get()) == 0);
            FUZZ_CHECK(zeb_fir_v7_1_data_get_channel_mpz(b.model, nullptr, y.get()) == 0);
            FUZZ_CHECK(same_record(x.get(), y.get()));
            if (x->data_size == 0) return;
        }
    }

private:
    template <typename Call>
    int both(Call call) {
        const int status = checked(call(a));
        FUZZ_CHECK(checked(call(b)) == status);
        return status;
    }

    // Calls f with a null pointer of one of the four output record types.
    template <typename F>
    void any_output(F f) {
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
            case 0: f(static_cast<zeb_array_real*>(nullptr)); break;
            case 1: f(static_cast<zeb_array_complex*>(nullptr)); break;
            case 2: f(static_cast<zeb_array_mpz*>(nullptr)); break;
            default: f(static_cast<zeb_array_mpz_complex*>(nullptr)); break;
        }
    }

    template <typename F>
    void each_sink(F f) {
        pair_sinks<zeb_array_real>(f);
        pair_sinks<zeb_array_complex>(f);
        pair_sinks<zeb_array_mpz>(f);
        pair_sinks<zeb_array_mpz_complex>(f);
    }
    template <typename R, typename F>
    void pair_sinks(F& f) {
        Sinks<R>& x = std::get<Sinks<R>>(a.sinks);
        Sinks<R>& y = std::get<Sinks<R>>(b.sinks);
        for (size_t i = 0; i < x.size(); ++i) f(x[i].get(), y[i].get());
    }

    // Equal records for both models, of lengths around expected.
    template <typename R>
    std::pair<Rec<R>, Rec<R>> twins(std::initializer_list<size_t> expected, size_t max_elements) {
        const Shape s = draw_shape(in, expected.begin(), expected.size(), max_elements);
        return {build<R>(s), build<R>(s)};
    }
    // Whole-packet twins: mostly a few vectors, now and then enough for the
    // kernels' many-output loops, or up to 8192 samples in all.
    template <typename R>
    std::pair<Rec<R>, Rec<R>> packet() {
        const size_t P = cfg.num_paths, C = cfg.num_channels;
        size_t V = in.ConsumeIntegralInRange<size_t>(0, 3);
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
            case 0: V = in.ConsumeIntegralInRange<size_t>(4, 64); break;
            case 1: V = in.ConsumeIntegralInRange<size_t>(0, 8192 / (P * C)); break;
            default: break;
        }
        return twins<R>({P, C, V}, P * C * (V + 2));
    }
    // Host data drawn once, written to both.
    template <typename R>
    void fill(std::pair<Rec<R>, Rec<R>>& r) {
        for (size_t i = 0; i < room(r.first.get()); ++i) {
            draw(in, r.first->data[i]);
            r.second->data[i] = r.first->data[i];
        }
    }
    // Twins handed to both models with a call whose records must stay as
    // they were.
    template <typename R, typename Call>
    int call_with(std::pair<Rec<R>, Rec<R>>& r, Call call, bool sizing = false) {
        const Snapshot sx = snapshot(r.first.get()), sy = snapshot(r.second.get());
        const int status = both([&](Side& s) { return call(s, &s == &a ? r.first.get() : r.second.get()); });
        check_record(r.first.get(), sx, sizing);
        check_record(r.second.get(), sy, sizing);
        FUZZ_CHECK(same_record(r.first.get(), r.second.get()));
        return status;
    }

    void send(bool slot) {
        const size_t P = cfg.num_paths;
        auto r = slot ? twins<zeb_array_real>({P}, P + 1) : packet<zeb_array_real>();
        fill(r);
        const bool chained = in.ConsumeBool();
        call_with(r, [&](Side& s, zeb_array_real* input) {
            if (slot) return zeb_fir_v7_1_data_send_channel(s.model, input);
            return chained ? zeb_fir_v7_1_data_send_handler(input, s.model, nullptr)
                           : zeb_fir_v7_1_data_send(s.model, input);
        });
    }

    // A read goes to the twin only when the first model took it.
    template <typename R>
    void read(R*, bool slot) {
        const size_t P = cfg.num_paths;
        auto r = slot ? twins<R>({P}, P + 1) : packet<R>();
        auto call = [slot](zeb_fir_v7_1* m, R* out) { return slot ? Api<R>::get_channel(m, out) : Api<R>::get(m, out); };
        const Snapshot sx = snapshot(r.first.get()), sy = snapshot(r.second.get());
        if (checked(call(a.model, r.first.get())) != 0) {
            check_record(r.first.get(), sx);
            return;
        }
        FUZZ_CHECK(call(b.model, r.second.get()) == 0);
        check_record(r.first.get(), sx);
        check_record(r.second.get(), sy);
        FUZZ_CHECK(same_record(r.first.get(), r.second.get()));
    }
    template <typename R>
    void sink(R*) {
        auto r = packet<R>();
        const int status = both([&](Side& s) { return Api<R>::sink(s.model, &s == &a ? r.first.get() : r.second.get()); });
        if (status == 0) {
            a.real_sink = b.real_sink = nullptr;
            if constexpr (std::is_same_v<R, zeb_array_real>) {
                a.real_sink = r.first.get();
                b.real_sink = r.second.get();
            }
        }
        // Kept alive until the models are gone: a refused registration
        // leaves the previous sink registered.
        std::get<Sinks<R>>(a.sinks).push_back(std::move(r.first));
        std::get<Sinks<R>>(b.sinks).push_back(std::move(r.second));
    }
    void handler() {
        const bool install = in.ConsumeIntegralInRange<int>(0, 3) != 0;
        a.handler_result = b.handler_result = in.ConsumeIntegralInRange<int>(0, 1);
        FUZZ_CHECK(both([&](Side& s) {
                       return zeb_fir_v7_1_set_data_handler(s.model, install ? on_output : nullptr, &s, nullptr);
                   }) == 0);
    }

    void config() {
        const size_t m = cfg.config_method == ZEB_FIR_V7_1_CONFIG_BY_CHANNEL ? cfg.num_channels : 1;
        auto r = twins<zeb_array_uint>({m}, m + 2);
        for (size_t i = 0; i < room(r.first.get()); ++i) {
            r.first->data[i] = r.second->data[i] = in.ConsumeIntegralInRange<unsigned>(0, cfg.coeff_sets);
        }
        const bool none = in.ConsumeIntegralInRange<int>(0, 7) == 0;
        const bool valid = cfg.chan_seq && in.ConsumeIntegralInRange<int>(0, 3) != 0;
        const int32_t chanpat = valid ? in.ConsumeIntegralInRange<int32_t>(zeb_fir_v7_1_pattern_min[cfg.num_channels],
                                                                          zeb_fir_v7_1_pattern_max[cfg.num_channels])
                                      : in.ConsumeIntegralInRange<int32_t>(-1, 176);
        call_with(r, [&](Side& s, zeb_array_uint* fsel) {
            const zeb_fir_v7_1_cnfg_packet packet{chanpat, none ? nullptr : fsel};
            return zeb_fir_v7_1_config_send(s.model, &packet);
        });
    }

    void reload() {
        auto r = twins<zeb_array_real>({cfg.num_coeffs}, cfg.num_coeffs + 2);
        for (size_t i = 0; i < room(r.first.get()); ++i) {
            r.first->data[i] = r.second->data[i] = draw_value(in, in.ConsumeIntegralInRange<int>(0, 7) != 0);
        }
        const unsigned fsel = in.ConsumeIntegralInRange<unsigned>(0, cfg.coeff_sets);
        call_with(r, [&](Side& s, zeb_array_real* values) {
            const zeb_fir_v7_1_rld_packet packet{fsel, values};
            return zeb_fir_v7_1_reload_send(s.model, &packet);
        });
    }

    template <typename R>
    void calc_size(R*) {
        const size_t P = cfg.num_paths, C = cfg.num_channels;
        auto input = twins<zeb_array_real>({P, C, in.ConsumeIntegralInRange<size_t>(0, 9)}, 0);
        auto out = twins<R>({P, C, 1}, 4);
        // Sizing announces the elements the host is to reserve next.
        call_with(
            out,
            [&](Side& s, R* o) {
                return Api<R>::calc_size(s.model, &s == &a ? input.first.get() : input.second.get(), o);
            },
            true);
    }

    FuzzedDataProvider& in;
    zeb_fir_v7_1_config cfg{};
    std::vector<double> coeff;
    Side a, b;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Stream stream(in);
    if (!stream.create()) return 0;
    for (int op = 0; op < 64 && in.remaining_bytes() > 0; ++op) stream.step();
    stream.drain();
    return 0;
}
