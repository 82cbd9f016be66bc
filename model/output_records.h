// The reserve operations of the four output record families, by overload, so
// that templates over the record type can grow a host's record through its
// own operations table.
#ifndef ZEB_FIR_MODEL_OUTPUT_RECORDS_H
#define ZEB_FIR_MODEL_OUTPUT_RECORDS_H

#include <cstddef>

#include "zeb_fir_v7_1.h"

inline zeb_status reserve_data(zeb_array_real& a, std::size_t n) {
    return zeb_fir_v7_1_zeb_array_real_reserve_data(&a, n);
}
inline zeb_status reserve_data(zeb_array_complex& a, std::size_t n) {
    return zeb_fir_v7_1_zeb_array_complex_reserve_data(&a, n);
}
inline zeb_status reserve_data(zeb_array_mpz& a, std::size_t n) {
    return zeb_fir_v7_1_zeb_array_mpz_reserve_data(&a, n);
}
inline zeb_status reserve_data(zeb_array_mpz_complex& a, std::size_t n) {
    return zeb_fir_v7_1_zeb_array_mpz_complex_reserve_data(&a, n);
}

inline zeb_status reserve_dim(zeb_array_real& a, std::size_t n) {
    return zeb_fir_v7_1_zeb_array_real_reserve_dim(&a, n);
}
inline zeb_status reserve_dim(zeb_array_complex& a, std::size_t n) {
    return zeb_fir_v7_1_zeb_array_complex_reserve_dim(&a, n);
}
inline zeb_status reserve_dim(zeb_array_mpz& a, std::size_t n) { return zeb_fir_v7_1_zeb_array_mpz_reserve_dim(&a, n); }
inline zeb_status reserve_dim(zeb_array_mpz_complex& a, std::size_t n) {
    return zeb_fir_v7_1_zeb_array_mpz_complex_reserve_dim(&a, n);
}

#endif
