// A host operations table over any of the seven array families
// (zeb_records::Family) that journals the elements it initialises, copies to
// and clears and can be told to refuse allocation.
#ifndef ZEB_FIR_TESTS_ARRAY_FAMILIES_H
#define ZEB_FIR_TESTS_ARRAY_FAMILIES_H

#include <cstdlib>
#include <utility>
#include <vector>

#include "interface/records.h"

template <typename R, typename F = zeb_records::Family<R>, typename Ops = typename F::Ops,
          typename E = typename F::Elem>
struct Journal {
    std::vector<const void*> created, destroyed;
    std::vector<std::pair<const void*, const void*>> copied;  // destination, source
    bool fail = false;
    Ops ops{[](const Ops* o, void* p, size_t n) { return of(o).fail ? nullptr : std::realloc(p, n); },
            [](const Ops*, void* p) { std::free(p); },
            [](const Ops* o, E* e) { of(o).created.push_back(e), F::ops_elem_create(o, e); },
            [](const Ops* o, E* d, const E* s) { of(o).copied.push_back({d, s}), F::ops_elem_copy(o, d, s); },
            F::ops_elem_swap, [](const Ops* o, E* e) { of(o).destroyed.push_back(e), F::ops_elem_destroy(o, e); },
            this};
    static Journal& of(const Ops* o) { return *static_cast<Journal*>(o->context); }
};

#endif
