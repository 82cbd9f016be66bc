// Fuzz target: the array record functions of all seven families and the
// channel views of the four sample families, on one record per input that
// the input creates, grows, reshapes, marks as owned, fills, reads and
// destroys in any order.  Every status is checked against what the record
// allows, and every successful write is read back.
#include "fuzz_support.h"

namespace {

// The channel views of the sample families under one name (mpz takes its
// sample by pointer, the others by value).
template <typename E>
const E& by_value(const E* s) { return *s; }
inline mpz_srcptr by_value(const __mpz_struct* s) { return s; }
#define ZEB_FUZZ_VIEW(word)                                                                                     \
    int view(zeb_array_##word* r, zeb_records::Family<zeb_array_##word>::Elem* s, size_t p, size_t c, size_t i, \
             int32_t pattern, bool write) {                                                                     \
        return write ? zeb_fir_v7_1_zeb_array_##word##_set_chan(r, by_value(s), p, c, i, pattern)               \
                     : zeb_fir_v7_1_zeb_array_##word##_get_chan(r, s, p, c, i, pattern);                        \
    }
ZEB_FUZZ_VIEW(real) ZEB_FUZZ_VIEW(complex) ZEB_FUZZ_VIEW(mpz) ZEB_FUZZ_VIEW(mpz_complex)

// Where the channel view must find sample index of chan on path, or false
// when it must refuse: the documented rules, on the exported pattern tables.
template <typename R>
bool expected_position(const R* r, size_t path, size_t chan, size_t index, int32_t pattern, bool write, size_t& at) {
    if (!r->dim || !r->data || (r->dim_size != 2 && r->dim_size != 3) || r->dim_size > r->dim_capacity) return false;
    const size_t d0 = r->dim[0], d1 = r->dim[1];
    if (path >= d0 || chan >= d1) return false;
    size_t slot = chan, vector = index;
    if (pattern != ZEB_FIR_V7_1_PATTERN_BASIC) {
        if (pattern < 0 || pattern >= ZEB_FIR_V7_1_NUM_PATTERNS || chan >= ZEB_FIR_V7_1_PATTERN_SLOTS) return false;
        const int32_t* row = &zeb_fir_v7_1_pattern_map[(pattern * 64 + chan) * ZEB_FIR_V7_1_PATTERN_MAP_ROW];
        if (row[0] < 1) return false;
        vector = index / size_t(row[0]);
        slot = size_t(row[1 + index % size_t(row[0])]);
        if (slot >= d1) return false;
    }
    if ((r->dim_size == 2 && vector != 0) || d1 > SIZE_MAX / d0) return false;
    const size_t cycle = d0 * d1, limit = write ? r->data_capacity : std::min(r->data_size, r->data_capacity);
    if (vector >= limit / cycle || (write && r->dim_size == 3 && r->dim[2] > limit / cycle)) return false;
    at = path + d0 * slot + cycle * vector;
    return true;
}

// Subscripts, counts and positions: mostly small, now and then anything.
size_t draw_size(FuzzedDataProvider& in, size_t small) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, small) : in.ConsumeIntegral<size_t>();
}

template <typename R>
void fuzz_family(FuzzedDataProvider& in) {
    using F = zeb_records::Family<R>;
    using E = typename F::Elem;
    Journal<R> table;  // a host table, failing on request, and without elem_copy on request
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0) table.ops.elem_copy = nullptr;
    auto fresh = [&] {
        table.fail = false;
        Rec<R> r(in.ConsumeBool() ? F::create() : F::create_ex(&table.ops));
        FUZZ_CHECK(r != nullptr && r->data == nullptr && r->data_capacity == 0 && r->owner == 0);
        return r;
    };
    Rec<R> rec = fresh();
    E x{}, y{};
    F::ops_elem_create(nullptr, &x), F::ops_elem_create(nullptr, &y);
    FUZZ_CHECK(!F::create_ex(nullptr) && !F::destroy(nullptr) && !F::sub2ind_1d(nullptr, 1));
    FUZZ_CHECK(F::reserve_data(nullptr, 1) + F::reserve_dim(nullptr, 1) + F::set_element(nullptr, &x, 0) == 3);
    while (in.remaining_bytes() > 0) {
        R* r = rec.get();
        const R before = *r;
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0: {  // reserve: small counts, byte counts beyond size_t, any count from a failing table
                const bool dims = in.ConsumeBool();
                const size_t unit = dims ? sizeof *r->dim : sizeof *r->data;
                const size_t had = dims ? r->dim_capacity : r->data_capacity;
                table.fail = r->ops == &table.ops && in.ConsumeBool();
                size_t n = in.ConsumeIntegralInRange<size_t>(0, 300);
                if (in.ConsumeBool() && (table.fail || unit > 1))
                    n = table.fail ? in.ConsumeIntegral<size_t>() : SIZE_MAX / unit + 1;
                const bool ok = n <= had || (r->owner == 0 && n <= SIZE_MAX / unit && !table.fail);
                FUZZ_CHECK(checked(dims ? F::reserve_dim(r, n) : F::reserve_data(r, n)) == !ok);
                FUZZ_CHECK((dims ? r->dim_capacity : r->data_capacity) == (ok ? std::max(n, had) : had));
                FUZZ_CHECK(ok || (r->data == before.data && r->dim == before.dim));
                // Every element of the capacity is initialised (a GMP one that is not would fault here).
                for (size_t i = 0; i < r->data_capacity; ++i) FUZZ_CHECK(same(r->data[i], r->data[i]));
                break;
            }
            case 1:  // the host's own writes: lengths and counts that may claim more than the stores hold
                r->dim_size = in.ConsumeIntegralInRange<size_t>(0, 4);
                for (size_t i = 0; i < std::min<size_t>(r->dim_capacity, 4); ++i) r->dim[i] = draw_size(in, 6);
                r->data_size = in.ConsumeIntegralInRange<size_t>(0, r->data_capacity + 2);
                r->owner = in.ConsumeBool();
                continue;
            case 2: {  // sub2ind: column-major over the first min(k, dim_size) subscripts
                size_t s[4], want = 0;
                for (size_t& v : s) v = draw_size(in, 6);
                const size_t k = in.ConsumeIntegralInRange<size_t>(1, 4);
                const bool lengths = r->dim != nullptr && r->dim_size > 0 && r->dim_size <= r->dim_capacity;
                for (size_t j = lengths ? std::min(k, r->dim_size) : 0; j-- > 0;) want = want * r->dim[j] + s[j];
                FUZZ_CHECK(want == (k == 1   ? F::sub2ind_1d(r, s[0])
                                    : k == 2 ? F::sub2ind_2d(r, s[0], s[1])
                                    : k == 3 ? F::sub2ind_3d(r, s[0], s[1], s[2])
                                             : F::sub2ind_4d(r, s[0], s[1], s[2], s[3])));
                break;
            }
            case 3: {  // elements, bounded by data_size and the capacity, read back
                const size_t i = in.ConsumeIntegralInRange<size_t>(0, r->data_capacity + 1);
                const bool ok = r->ops->elem_copy && r->data && i < std::min(r->data_size, r->data_capacity);
                draw(in, x);
                FUZZ_CHECK(checked(F::set_element(r, &x, i)) == !ok && checked(F::get_element(r, &y, i)) == !ok);
                FUZZ_CHECK((!ok || same(x, y)) && F::set_element(r, nullptr, i) + F::get_element(r, nullptr, i) == 2);
                break;
            }
            case 4:  // destroy: refused for a record marked owner, else a fresh record follows
                if (r->owner == 0) {
                    FUZZ_CHECK(F::destroy(rec.release()) == nullptr);
                    rec = fresh();
                    continue;
                }
                FUZZ_CHECK(F::destroy(r) == r);
                break;
            default:  // channel views, which the sample families have
                if constexpr (!std::is_integral_v<E>) {
                    const size_t path = in.ConsumeIntegralInRange<size_t>(0, 5);
                    const size_t chan = in.ConsumeIntegralInRange<size_t>(0, 66), index = draw_size(in, 40);
                    const int k = in.ConsumeIntegralInRange<int>(0, 3);
                    const int32_t pattern = k == 0   ? ZEB_FIR_V7_1_PATTERN_BASIC
                                            : k == 1 ? in.ConsumeIntegral<int32_t>()
                                                     : in.ConsumeIntegralInRange<int32_t>(0, ZEB_FIR_V7_1_NUM_PATTERNS);
                    const bool write = in.ConsumeBool();
                    size_t at = 0;
                    const bool fits = expected_position(r, path, chan, index, pattern, write, at);
                    if (write) draw(in, x);
                    FUZZ_CHECK(checked(view(r, &x, path, chan, index, pattern, write)) == !fits);
                    FUZZ_CHECK(!fits || ((!write || at < r->data_size) && same(r->data[at], x)));
                }
                break;
        }
        check_record(r, before);
    }
    F::ops_elem_destroy(nullptr, &x), F::ops_elem_destroy(nullptr, &y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static void (*const kFamilies[])(FuzzedDataProvider&) = {
        fuzz_family<zeb_array_bit>,  fuzz_family<zeb_array_real>, fuzz_family<zeb_array_complex>,
        fuzz_family<zeb_array_uint>, fuzz_family<zeb_array_uint32>, fuzz_family<zeb_array_mpz>,
        fuzz_family<zeb_array_mpz_complex>};
    FuzzedDataProvider in(data, size);
    in.PickValueInArray(kFamilies)(in);
    return 0;
}
