// How the built-in tables handle one element of each type: plain types are
// assigned and exchanged; GMP integers are initialised, assigned, exchanged
// and cleared through GMP, the real component before the imaginary one.
#ifndef ZEB_FIR_ARRAYS_ARRAY_ELEMENT_OPS_H
#define ZEB_FIR_ARRAYS_ARRAY_ELEMENT_OPS_H

#include <utility>

#include "zeb_fir_v7_1.h"

template <typename Elem>
struct ElementOps {
    // Plain elements need no per-element pass: the built-in tables leave
    // elem_create and elem_destroy null.
    static constexpr bool needs_lifetime = false;
    static void create(Elem*) {}
    static void copy(Elem* dst, const Elem* src) { *dst = *src; }
    static void swap(Elem* a, Elem* b) { std::swap(*a, *b); }
    static void destroy(Elem*) {}
};

template <>
struct ElementOps<__mpz_struct> {
    static constexpr bool needs_lifetime = true;
    static void create(mpz_ptr elem) { mpz_init(elem); }
    static void copy(mpz_ptr dst, mpz_srcptr src) { mpz_set(dst, src); }
    static void swap(mpz_ptr a, mpz_ptr b) { mpz_swap(a, b); }
    static void destroy(mpz_ptr elem) { mpz_clear(elem); }
};

template <>
struct ElementOps<zeb_mpz_complex> {
    static constexpr bool needs_lifetime = true;
    static void create(zeb_mpz_complex* elem) {
        mpz_init(elem->re);
        mpz_init(elem->im);
    }
    static void copy(zeb_mpz_complex* dst, const zeb_mpz_complex* src) {
        mpz_set(dst->re, src->re);
        mpz_set(dst->im, src->im);
    }
    static void swap(zeb_mpz_complex* a, zeb_mpz_complex* b) {
        mpz_swap(a->re, b->re);
        mpz_swap(a->im, b->im);
    }
    static void destroy(zeb_mpz_complex* elem) {
        mpz_clear(elem->re);
        mpz_clear(elem->im);
    }
};

#endif
