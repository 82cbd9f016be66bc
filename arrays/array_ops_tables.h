// The library's own operations tables (C library realloc/free, built-in
// element handling).  Internal: hosts reach them only through the _create
// functions.
#ifndef ZEB_FIR_ARRAYS_ARRAY_OPS_TABLES_H
#define ZEB_FIR_ARRAYS_ARRAY_OPS_TABLES_H

#include "zeb_fir_v7_1.h"

extern const zeb_array_bit_operations zeb_fir_v7_1_zeb_array_bit_ops;
extern const zeb_array_real_operations zeb_fir_v7_1_zeb_array_real_ops;
extern const zeb_array_complex_operations zeb_fir_v7_1_zeb_array_complex_ops;
extern const zeb_array_uint_operations zeb_fir_v7_1_zeb_array_uint_ops;
extern const zeb_array_uint32_operations zeb_fir_v7_1_zeb_array_uint32_ops;
extern const zeb_array_mpz_operations zeb_fir_v7_1_zeb_array_mpz_ops;
extern const zeb_array_mpz_complex_operations zeb_fir_v7_1_zeb_array_mpz_complex_ops;

#endif
