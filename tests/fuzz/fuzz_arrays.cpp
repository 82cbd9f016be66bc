// Fuzz target: the array record functions of all seven families and the
// channel views of the four sample families, on one record per input that
// the input creates, grows, reshapes, marks as owned, fills, reads and
// destroys in any order.  Every status is checked against what the record
// allows, and every successful write is read back.
#include <cstdlib>
#include <type_traits>

#include "fuzz_support.h"

namespace {

template <typename R>
constexpr bool kHasViews = std::is_same_v<R, zeb_array_real> || std::is_same_v<R, zeb_array_complex> ||
                           std::is_same_v<R, zeb_array_mpz> || std::is_same_v<R, zeb_array_mpz_complex>;

// A host table: the C library's allocator, failing on request, and with
// the element assignment left out on request.
template <typename R>
struct HostTable {
    using F = ArrayFamily<R>;
    using Ops = typename F::Ops;
    Ops ops{};
    bool fail = false;

    explicit HostTable(bool with_copy) {
        ops.realloc = [](const Ops* t, void* p, size_t n) -> void* {
            return static_cast<HostTable*>(t->context)->fail ? nullptr : std::realloc(p, n);
        };
        ops.free = [](const Ops*, void* p) { std::free(p); };
        ops.elem_create = F::ops_create;
        ops.elem_copy = with_copy ? F::ops_copy : nullptr;
        ops.elem_swap = F::ops_swap;
        ops.elem_destroy = F::ops_destroy;
        ops.context = this;
    }
};

// Where the channel view must find sample index of chan on path, or false
// when it must refuse: the documented rules of the views, on the exported
// pattern tables.
template <typename R>
bool expected_position(const R* r, size_t path, size_t chan, size_t index, int32_t pattern, bool write,
                       size_t& element) {
    if (r->dim == nullptr || r->data == nullptr || (r->dim_size != 2 && r->dim_size != 3) ||
        r->dim_size > r->dim_capacity)
        return false;
    const size_t d0 = r->dim[0], d1 = r->dim[1];
    if (path >= d0 || chan >= d1) return false;
    size_t slot = chan, vector = index;
    if (pattern != ZEB_FIR_V7_1_PATTERN_BASIC) {
        if (pattern < 0 || pattern >= ZEB_FIR_V7_1_NUM_PATTERNS || chan >= ZEB_FIR_V7_1_PATTERN_SLOTS) return false;
        const int32_t* row = &zeb_fir_v7_1_pattern_map[(pattern * 64 + chan) * ZEB_FIR_V7_1_PATTERN_MAP_ROW];
        if (row[0] < 1) return false;
        vector = index / static_cast<size_t>(row[0]);
        slot = static_cast<size_t>(row[1 + index % static_cast<size_t>(row[0])]);
        if (slot >= d1) return false;
    }
    if (r->dim_size == 2 && vector != 0) return false;
    if (d1 > SIZE_MAX / d0) return false;
    const size_t cycle = d0 * d1;
    size_t limit = r->data_capacity;
    if (!write && r->data_size < limit) limit = r->data_size;
    if (vector >= limit / cycle) return false;
    if (write && r->dim_size == 3 && r->dim[2] > limit / cycle) return false;
    element = path + d0 * slot + cycle * vector;
    return true;
}

template <typename R>
void fuzz_views(FuzzedDataProvider& in, R* r) {
    const size_t path = in.ConsumeIntegralInRange<size_t>(0, 5);
    const size_t chan = in.ConsumeIntegralInRange<size_t>(0, 66);
    const size_t index = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 40) : in.ConsumeIntegral<size_t>();
    int32_t pattern = ZEB_FIR_V7_1_PATTERN_BASIC;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: break;
        case 1: pattern = in.ConsumeIntegral<int32_t>(); break;
        default: pattern = in.ConsumeIntegralInRange<int32_t>(0, ZEB_FIR_V7_1_NUM_PATTERNS); break;
    }
    const bool write = in.ConsumeBool();
    size_t where = 0;
    const bool fits = expected_position(r, path, chan, index, pattern, write, where);
    Element<typename ArrayFamily<R>::Elem> sample;
    if (write) {
        draw(in, *sample.get());
        FUZZ_CHECK(checked(view_set(r, sample.get(), path, chan, index, pattern)) == (fits ? 0 : 1));
        if (fits) FUZZ_CHECK(where < r->data_size && same(r->data[where], *sample.get()));
    } else {
        FUZZ_CHECK(checked(view_get(r, sample.get(), path, chan, index, pattern)) == (fits ? 0 : 1));
        if (fits) FUZZ_CHECK(same(r->data[where], *sample.get()));
    }
}

// The linear index of the first min(k, dim_size) subscripts, column-major;
// 0 when there are no lengths to read.
template <typename R>
size_t expected_index(const R* r, const size_t* subs, size_t k) {
    if (r->dim == nullptr || r->dim_size == 0 || r->dim_size > r->dim_capacity) return 0;
    const size_t used = k < r->dim_size ? k : r->dim_size;
    size_t index = 0;
    for (size_t j = used; j-- > 0;) index = index * r->dim[j] + subs[j];
    return index;
}

template <typename R>
size_t sub2ind(const R* r, const size_t* s, size_t k) {
    using F = ArrayFamily<R>;
    switch (k) {
        case 1: return F::sub2ind_1d(r, s[0]);
        case 2: return F::sub2ind_2d(r, s[0], s[1]);
        case 3: return F::sub2ind_3d(r, s[0], s[1], s[2]);
        default: return F::sub2ind_4d(r, s[0], s[1], s[2], s[3]);
    }
}

// Counts to reserve: small ones, ones whose byte count overflows size_t,
// and any count for a table that is set to fail (nothing is allocated).
size_t draw_count(FuzzedDataProvider& in, size_t unit, bool table_fails) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: if (unit > 1) return SIZE_MAX / unit + in.ConsumeIntegralInRange<size_t>(1, 2); break;
        case 1: if (table_fails) return in.ConsumeIntegral<size_t>(); break;
        default: break;
    }
    return in.ConsumeIntegralInRange<size_t>(0, 300);
}

template <typename R>
void fuzz_family(FuzzedDataProvider& in) {
    using F = ArrayFamily<R>;
    using E = typename F::Elem;

    // Null records and tables are answered, never followed.
    Element<E> probe;
    FUZZ_CHECK(F::create_ex(nullptr) == nullptr && F::destroy(nullptr) == nullptr);
    FUZZ_CHECK(F::reserve_data(nullptr, 1) == 1 && F::reserve_dim(nullptr, 1) == 1);
    FUZZ_CHECK(F::sub2ind_4d(nullptr, 1, 2, 3, 4) == 0);
    FUZZ_CHECK(F::set_element(nullptr, probe.get(), 0) == 1 && F::get_element(nullptr, probe.get(), 0) == 1);

    HostTable<R> table(in.ConsumeIntegralInRange<int>(0, 3) != 0);
    auto fresh = [&] {
        table.fail = false;
        return in.ConsumeBool() ? F::create() : F::create_ex(&table.ops);
    };
    Rec<R> rec(fresh());
    FUZZ_CHECK(rec.get() != nullptr && rec->data == nullptr && rec->data_capacity == 0 && rec->owner == 0);

    while (in.remaining_bytes() > 0) {
        R* r = rec.get();
        const Snapshot before = snapshot(r);
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
            case 0:
            case 1: {
                const bool dims = in.ConsumeBool();
                const size_t unit = dims ? sizeof(size_t) : sizeof(E);
                const size_t had = dims ? before.dim_capacity : before.data_capacity;
                table.fail = r->ops == &table.ops && in.ConsumeBool();
                const size_t n = draw_count(in, unit, table.fail);
                const bool ok = n <= had || (r->owner == 0 && n <= SIZE_MAX / unit && !table.fail);
                FUZZ_CHECK(checked(dims ? F::reserve_dim(r, n) : F::reserve_data(r, n)) == (ok ? 0 : 1));
                const size_t has = dims ? r->dim_capacity : r->data_capacity;
                FUZZ_CHECK(has == (ok && n > had ? n : had));
                if (!ok) FUZZ_CHECK(r->data == before.data && r->dim == before.dim);
                // Every element of the capacity is initialised (a GMP
                // element that is not would fault here).
                for (size_t i = 0; i < r->data_capacity; ++i) FUZZ_CHECK(same(r->data[i], r->data[i]));
                break;
            }
            case 2: {
                // Host writes, lengths and counts that may claim more than
                // the stores hold among them.
                r->dim_size = in.ConsumeIntegralInRange<size_t>(0, 4);
                for (size_t i = 0; i < r->dim_capacity && i < 4; ++i) {
                    r->dim[i] = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 6) : in.ConsumeIntegral<size_t>();
                }
                r->data_size = in.ConsumeIntegralInRange<size_t>(0, r->data_capacity + 2);
                r->owner = in.ConsumeBool() ? 1 : 0;
                continue;  // the host's own writes are not judged
            }
            case 3: {
                size_t subs[4];
                for (size_t& s : subs) s = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 6) : in.ConsumeIntegral<size_t>();
                const size_t k = in.ConsumeIntegralInRange<size_t>(1, 4);
                FUZZ_CHECK(sub2ind(r, subs, k) == expected_index(r, subs, k));
                break;
            }
            case 4: {
                const size_t index = in.ConsumeIntegralInRange<size_t>(0, r->data_capacity + 1);
                const bool ok = r->ops->elem_copy != nullptr && r->data != nullptr && index < r->data_size &&
                                index < r->data_capacity;
                draw(in, *probe.get());
                FUZZ_CHECK(checked(F::set_element(r, probe.get(), index)) == (ok ? 0 : 1));
                Element<E> back;
                FUZZ_CHECK(checked(F::get_element(r, back.get(), index)) == (ok ? 0 : 1));
                if (ok) FUZZ_CHECK(same(*back.get(), *probe.get()));
                FUZZ_CHECK(F::set_element(r, nullptr, index) == 1 && F::get_element(r, nullptr, index) == 1);
                break;
            }
            case 5:
                if (r->owner != 0) {
                    FUZZ_CHECK(F::destroy(r) == r);
                    break;
                }
                FUZZ_CHECK(F::destroy(rec.release()) == nullptr);
                rec.reset(fresh());
                FUZZ_CHECK(rec.get() != nullptr);
                continue;
            default:
                if constexpr (kHasViews<R>) fuzz_views(in, r);
                break;
        }
        check_record(r, before);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0: fuzz_family<zeb_array_bit>(in); break;
        case 1: fuzz_family<zeb_array_real>(in); break;
        case 2: fuzz_family<zeb_array_complex>(in); break;
        case 3: fuzz_family<zeb_array_uint>(in); break;
        case 4: fuzz_family<zeb_array_uint32>(in); break;
        case 5: fuzz_family<zeb_array_mpz>(in); break;
        default: fuzz_family<zeb_array_mpz_complex>(in); break;
    }
    return 0;
}
