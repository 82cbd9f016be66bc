// Fuzz target, two modes.
//
// Differential: one piece of work (vectors of samples, configuration and
// reload packets between them) goes to twin models cut differently (whole
// packets of any size or single slots, reads of whole vectors or slots at
// any time, into any record type); both must read the same output stream.
//
// Hostile: random sequences of sends, reads, sinks, handlers, packets
// and resets on a model the input configures, with host records of random
// lengths, capacities and owner flags.
//
// Two models are built from the same record, the first with debug notes on,
// the second with the integer mode on GMP kernels throughout.
// Every call goes to both, with equal records, and must give both the same
// status and the same records back; the one exception is a read the first
// model refuses, which the twin never sees.  The twin is the shadow count: a
// refused read that lost or moved a sample shows as a difference at the next
// read, and every input ends by draining both models slot by slot.
#include <gmpxx.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>

#include "fuzz_support.h"
#include "interface/internal_create.h"
#include "zeb_fir_v7_1_inspect.h"

namespace {

// The four output families behind one call: op 0 reads a packet, 1 a slot,
// 2 registers a sink, 3 sizes an output for the input record.
#define ZEB_FUZZ_OUT(R, SUFFIX, ...)                                                 \
    int out(int op, zeb_fir_v7_1* m, R* r, const zeb_array_real* in) {               \
        return op == 0   ? zeb_fir_v7_1_data_get##SUFFIX(m, __VA_ARGS__)             \
               : op == 1 ? zeb_fir_v7_1_data_get_channel##SUFFIX(m, __VA_ARGS__)     \
               : op == 2 ? zeb_fir_v7_1_set_data_sink##SUFFIX(m, __VA_ARGS__)        \
                         : zeb_fir_v7_1_calc_size##SUFFIX(m, in, __VA_ARGS__);       \
    }
ZEB_FUZZ_OUT(zeb_array_real, , r, nullptr) ZEB_FUZZ_OUT(zeb_array_complex, , nullptr, r)
ZEB_FUZZ_OUT(zeb_array_mpz, _mpz, r, nullptr) ZEB_FUZZ_OUT(zeb_array_mpz_complex, _mpz, nullptr, r)

// One model, with what its output handler must see.
struct Side {
    zeb_fir_v7_1* model = nullptr;
    const void* real_sink = nullptr;
    int handler_result = 0;
    ~Side() { zeb_fir_v7_1_destroy(model); }
};

int on_output(const zeb_array_real* data, void* side, void*) {
    FUZZ_CHECK(data != nullptr && data == static_cast<Side*>(side)->real_sink);
    return static_cast<Side*>(side)->handler_result;
}

template <typename R>
using Twins = std::pair<Rec<R>, Rec<R>>;

class Stream {
public:
    explicit Stream(FuzzedDataProvider& input) : in(input) {
        draw_config(in, cfg, coeff, false);
        a.model = zeb_fir_v7_1_create_dbg(&cfg, fuzz_message, nullptr, fuzz_message, nullptr);
        b.model = create_with_kernels(&cfg, fuzz_message, nullptr, nullptr, nullptr, Arithmetic::gmp);
        FUZZ_CHECK((a.model == nullptr) == (b.model == nullptr));
    }
    bool built() const { return a.model != nullptr; }

    void step() {
        switch (in.ConsumeIntegralInRange<int>(0, 9)) {
            case 0: send(); break;
            case 1: output<zeb_array_real>(); break;
            case 2: output<zeb_array_complex>(); break;
            case 3: output<zeb_array_mpz>(); break;
            case 4: output<zeb_array_mpz_complex>(); break;
            case 5: handler(); break;
            case 6: config(); break;
            case 7: reload(); break;
            case 8: FUZZ_CHECK(checked(zeb_fir_v7_1_reset(a.model)) == checked(zeb_fir_v7_1_reset(b.model))); break;
            default: drain(); break;
        }
        for (const auto& check : sinks) check();
    }

    // Both models hold the same samples: single-slot reads until neither has
    // one, every slot equal.
    void drain() {
        const Shape s{{cfg.num_paths, 1, 1, 1}, 1, 1, cfg.num_paths, 0};
        Rec<zeb_array_mpz_complex> x = build<zeb_array_mpz_complex>(s), y = build<zeb_array_mpz_complex>(s);
        for (int turn = 0; turn < (1 << 16) && (turn == 0 || x->data_size > 0); ++turn) {
            FUZZ_CHECK(zeb_fir_v7_1_data_get_channel_mpz(a.model, nullptr, x.get()) == 0);
            FUZZ_CHECK(zeb_fir_v7_1_data_get_channel_mpz(b.model, nullptr, y.get()) == 0);
            FUZZ_CHECK(same_record(x.get(), y.get()));
        }
    }

private:
    // The same call on both models, each with its own twin record: equal
    // statuses, records that stay well-formed and equal.  A refused read
    // goes to the first model only.
    template <typename R, typename Call>
    int both(Twins<R>& r, Call call, bool sizing = false, bool read = false) {
        const R sx = *r.first, sy = *r.second;
        const int status = checked(call(a, r.first.get()));
        check_record(r.first.get(), sx, sizing);
        if (read && status != 0) return status;
        FUZZ_CHECK(checked(call(b, r.second.get())) == status);
        check_record(r.second.get(), sy, sizing);
        FUZZ_CHECK(same_record(r.first.get(), r.second.get()));
        return status;
    }

    // Equal records of lengths around expected, plain host data drawn once.
    template <typename R, typename Fill = std::nullptr_t>
    Twins<R> twins(std::initializer_list<size_t> expected, size_t max_elements, Fill fill = nullptr) {
        const Shape s = draw_shape(in, expected, max_elements);
        Twins<R> r{build<R>(s), build<R>(s)};
        for (size_t i = 0; r.first->data && i < r.first->data_capacity; ++i) {
            if constexpr (!std::is_same_v<Fill, std::nullptr_t>) r.second->data[i] = r.first->data[i] = fill();
        }
        return r;
    }
    // Whole packets: mostly a few vectors, now and then enough for the
    // kernels' many-output loops, or up to 8192 samples in all.
    template <typename R, typename Fill = std::nullptr_t>
    Twins<R> packet(Fill fill = nullptr) {
        const size_t P = cfg.num_paths, C = cfg.num_channels, k = in.ConsumeIntegralInRange<size_t>(0, 7);
        const size_t V = in.ConsumeIntegralInRange<size_t>(k == 0 ? 4 : 0, k == 0 ? 64 : k == 1 ? 8192 / (P * C) : 3);
        return twins<R>({P, C, V}, P * C * (V + 2), fill);
    }

    void send() {
        const int how = in.ConsumeIntegralInRange<int>(0, 2);
        const size_t P = cfg.num_paths;
        auto value = [this] { return draw_value(in); };
        auto r = how == 2 ? twins<zeb_array_real>({P}, P + 1, value) : packet<zeb_array_real>(value);
        both(r, [how](Side& s, zeb_array_real* x) {
            if (how == 2) return zeb_fir_v7_1_data_send_channel(s.model, x);
            return how == 0 ? zeb_fir_v7_1_data_send(s.model, x) : zeb_fir_v7_1_data_send_handler(x, s.model, nullptr);
        });
    }

    // Reads of whole packets or of one slot, sink registrations, and output
    // sizing, which announces the elements the host is to reserve next.
    template <typename R>
    void output() {
        const size_t P = cfg.num_paths, C = cfg.num_channels;
        const int op = in.ConsumeIntegralInRange<int>(0, 3);
        auto input = twins<zeb_array_real>({P, C, in.ConsumeIntegralInRange<size_t>(0, 9)}, 0);
        auto r = op == 1 ? twins<R>({P}, P + 1) : op == 3 ? twins<R>({P, C, 1}, 4) : packet<R>();
        const int status = both(r, [&](Side& s, R* o) {
            return out(op, s.model, o, (&s == &a ? input.first : input.second).get());
        }, op == 3, op < 2);
        if (op != 2) return;
        // A sink is kept until the models are gone (a refused registration
        // leaves the previous one registered), and after every step checked
        // against what it was when it was offered.
        if (status == 0) a.real_sink = b.real_sink = nullptr;
        if (status == 0 && std::is_same_v<R, zeb_array_real>) a.real_sink = r.first.get(), b.real_sink = r.second.get();
        std::shared_ptr<R> x = std::move(r.first), y = std::move(r.second);
        sinks.push_back([x, y, sx = *x, sy = *y] {
            check_record(x.get(), sx), check_record(y.get(), sy), FUZZ_CHECK(same_record(x.get(), y.get()));
        });
    }

    void handler() {
        const bool on = in.ConsumeIntegralInRange<int>(0, 3) != 0;
        a.handler_result = b.handler_result = in.ConsumeIntegralInRange<int>(0, 1);
        for (Side* s : {&a, &b}) FUZZ_CHECK(!zeb_fir_v7_1_set_data_handler(s->model, on ? on_output : nullptr, s, 0));
    }

    void config() {
        const size_t m = cfg.config_method == ZEB_FIR_V7_1_CONFIG_BY_CHANNEL ? cfg.num_channels : 1;
        auto r = twins<zeb_array_uint>({m}, m + 2, [this] { return in.ConsumeIntegralInRange(0u, cfg.coeff_sets); });
        const bool none = in.ConsumeIntegralInRange<int>(0, 7) == 0;
        const int32_t chanpat = draw_pattern(in, cfg.chan_seq ? cfg.num_channels : 0, false);
        both(r, [&](Side& s, zeb_array_uint* fsel) {
            const zeb_fir_v7_1_cnfg_packet packet{chanpat, none ? nullptr : fsel};
            return zeb_fir_v7_1_config_send(s.model, &packet);
        });
    }

    void reload() {
        auto value = [this] { return draw_value(in, in.ConsumeIntegralInRange<int>(0, 7) != 0); };
        auto r = twins<zeb_array_real>({cfg.num_coeffs}, cfg.num_coeffs + 2, value);
        const unsigned fsel = in.ConsumeIntegralInRange(0u, cfg.coeff_sets);
        both(r, [&](Side& s, zeb_array_real* values) {
            const zeb_fir_v7_1_rld_packet packet{fsel, values};
            return zeb_fir_v7_1_reload_send(s.model, &packet);
        });
    }

    FuzzedDataProvider& in;
    zeb_fir_v7_1_config cfg{};
    std::vector<double> coeff;
    std::vector<std::function<void()>> sinks;  // outlive the models that write to them
    Side a, b;
};

// ------------------------------------------------------------ differential

// One output element as read: the value a real read gives, the integer and
// the in-phase value where the record had them (NaN, "": none).
struct Element {
    double out, in_phase;
    std::string integer;
    bool agrees(const Element& o) const {
        return same(out, o.out) && (integer.empty() || o.integer.empty() || integer == o.integer) &&
               (std::isnan(in_phase) || std::isnan(o.in_phase) || same(in_phase, o.in_phase));
    }
};

// Vectors of samples (path, slot, vector) and the packets sent before each.
struct Work {
    zeb_fir_v7_1_config cfg{};
    std::vector<double> coeff, samples;
    std::vector<std::vector<std::function<int(zeb_fir_v7_1*)>>> before;
};

// A 1-D record of the values (a packet's selectors or coefficients).
template <typename R, typename V>
Rec<R> values_record(const std::vector<V>& v) {
    Rec<R> r = build<R>(Shape{{v.size(), 1, 1, 1}, 1, 1, v.size(), v.size()});
    std::copy(v.begin(), v.end(), r->data);
    return r;
}

// One host: sends the work in pieces drawn from its own generator, reads at
// random times into random record types, and keeps what it read.
class Cutter {
public:
    Cutter(const Work& w, uint32_t seed) : work(w), gen(seed), m(zeb_fir_v7_1_create(&w.cfg, fuzz_message, nullptr)) {
        FUZZ_CHECK(m != nullptr && zeb_fir_v7_1_get_config(m, &used) == 0);
        P = used.num_paths, C = used.num_channels, F = int(used.output_fract_width), D = int(used.data_fract_width);
        hilbert = used.filter_type == ZEB_FIR_V7_1_HILBERT;
    }
    ~Cutter() { zeb_fir_v7_1_destroy(m); }

    std::vector<Element> run() {
        for (size_t v = 0, sent = SIZE_MAX, V = work.before.size(); v < V;) {
            for (size_t k = 0; sent != v && k < work.before[v].size(); ++k) FUZZ_CHECK(work.before[v][k](m) == 0);
            sent = v;
            size_t n = gen() % 4;  // vectors of a packet up to the next packets, or (0) a vector of single slots
            for (size_t k = 1; k < n; ++k) n = v + k >= V || !work.before[v + k].empty() ? k : n;
            for (size_t s = 0; n == 0 && s < C; ++s) {
                FUZZ_CHECK(zeb_fir_v7_1_data_send_channel(m, samples(v * C + s, 0).get()) == 0);
                read_some();
            }
            if (n > 0) FUZZ_CHECK(zeb_fir_v7_1_data_send(m, samples(v * C, n).get()) == 0);
            v += n > 0 ? n : 1;
            read_some();
        }
        while (read(0)) {
        }
        FUZZ_CHECK(zeb_fir_v7_1_get_wrap_counts(m, &wraps) == 0);
        return stream;
    }
    // Every sample fed and read: the counts and first positions are the stream's own.
    auto wrap_counts() const {
        const zeb_fir_v7_1_position &i = wraps.first_input, &o = wraps.first_output;
        return std::make_tuple(wraps.input, wraps.output, wraps.coefficients, i.vector, i.path, i.slot, o.vector,
                               o.path, o.slot);
    }

private:
    // n vectors from slot `first` on, or (n 0) the slot alone.
    Rec<zeb_array_real> samples(size_t first, size_t n) {
        const size_t count = n > 0 ? P * C * n : P;
        Rec<zeb_array_real> r = build<zeb_array_real>(Shape{{P, C, n, 1}, n > 0 ? 3u : 1u, 3, count, count});
        std::copy_n(work.samples.begin() + first * P, count, r->data);
        return r;
    }
    void read_some() {
        if (gen() % 3 == 0 && slots % C == 0) read(1 + gen() % 2);
        for (size_t k = gen() % 3; k > 0 && read(0); --k) {
        }
    }
    // n whole vectors, or (0) one slot, into a record of a random type.
    bool read(size_t n) {
        switch (gen() % 4) {
            case 0: return read_into<zeb_array_real>(n);
            case 1: return read_into<zeb_array_complex>(n);
            case 2: return read_into<zeb_array_mpz>(n);
            default: return read_into<zeb_array_mpz_complex>(n);
        }
    }
    template <typename R>
    bool read_into(size_t n) {
        Rec<R> r = build<R>(Shape{{P, C, n, 1}, n > 0 ? 3u : 1u, 3, n > 0 ? P * C * n : P, 0});
        FUZZ_CHECK(out(n > 0 ? 0 : 1, m, r.get(), nullptr) == 0);
        for (size_t i = 0; i < r->data_size; ++i) stream.push_back(element(r->data[i]));
        slots += r->data_size / P;
        return r->data_size > 0;
    }
    Element element(double x) const { return {x, NAN, ""}; }
    Element element(const zeb_complex& x) const {
        FUZZ_CHECK(hilbert || x.im == 0.0);
        return {hilbert ? x.im : x.re, hilbert ? x.re : NAN, ""};
    }
    Element element(const __mpz_struct& x) const {
        return {std::ldexp(mpz_get_d(&x), -F), NAN, mpz_class(&x).get_str()};
    }
    Element element(const zeb_mpz_complex& x) const {
        FUZZ_CHECK(hilbert || mpz_sgn(x.im) == 0);
        Element e = element(hilbert ? *x.im : *x.re);
        if (hilbert) e.in_phase = std::ldexp(mpz_get_d(x.re), -D);
        return e;
    }

    const Work& work;
    std::minstd_rand gen;
    zeb_fir_v7_1* m;
    zeb_fir_v7_1_config used{};
    size_t P = 1, C = 1, slots = 0;
    int F = 0, D = 0;
    bool hilbert = false;
    std::vector<Element> stream;
    zeb_fir_v7_1_wrap_counts wraps{};
};

// The work: finite samples, selectors and coefficients within range, so
// that every call succeeds whatever the cut.
void differential(FuzzedDataProvider& in) {
    Work w;
    draw_config(in, w.cfg, w.coeff, false);
    zeb_fir_v7_1* probe = zeb_fir_v7_1_create(&w.cfg, nullptr, nullptr);
    if (probe == nullptr) return;
    zeb_fir_v7_1_destroy(probe);
    const size_t P = w.cfg.num_paths, C = w.cfg.num_channels, S = w.cfg.coeff_sets;
    w.before.resize(in.ConsumeIntegralInRange<size_t>(1, std::max<size_t>(1, 512 / (P * C))));
    for (auto& packets : w.before) {
        for (size_t i = 0; i < P * C; ++i) w.samples.push_back(draw_value(in, true));
        for (int k = in.ConsumeIntegralInRange<int>(-6, 2); k > 0; --k) {
            if (w.cfg.reloadable && in.ConsumeBool()) {
                std::vector<double> c(w.cfg.num_coeffs);
                for (double& x : c) x = draw_value(in, true);
                const unsigned set = in.ConsumeIntegralInRange<unsigned>(0, S - 1);
                packets.push_back([c, set](zeb_fir_v7_1* m) {
                    const Rec<zeb_array_real> r = values_record<zeb_array_real>(c);
                    const zeb_fir_v7_1_rld_packet packet{set, r.get()};
                    return zeb_fir_v7_1_reload_send(m, &packet);
                });
                continue;
            }
            std::vector<unsigned> fsel(w.cfg.config_method ? C : 1);
            for (unsigned& f : fsel) f = in.ConsumeIntegralInRange<unsigned>(0, S - 1);
            const int32_t pattern = draw_pattern(in, w.cfg.chan_seq ? unsigned(C) : 0, false);
            packets.push_back([fsel, pattern](zeb_fir_v7_1* m) {
                const Rec<zeb_array_uint> r = values_record<zeb_array_uint>(fsel);
                const zeb_fir_v7_1_cnfg_packet packet{pattern, r.get()};
                return zeb_fir_v7_1_config_send(m, &packet);
            });
        }
    }
    const uint32_t a = in.ConsumeIntegral<uint32_t>(), b = in.ConsumeIntegral<uint32_t>();
    Cutter one(w, a), other(w, b);
    const std::vector<Element> x = one.run(), y = other.run();
    FUZZ_CHECK(one.wrap_counts() == other.wrap_counts());
    FUZZ_CHECK(x.size() == y.size());
    for (size_t i = 0; i < x.size(); ++i) FUZZ_CHECK(x[i].agrees(y[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeIntegralInRange<int>(0, 2) == 1) return differential(in), 0;
    Stream stream(in);
    if (!stream.built()) return 0;
    for (int op = 0; op < 64 && in.remaining_bytes() > 0; ++op) stream.step();
    stream.drain();
    return 0;
}
