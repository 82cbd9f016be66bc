// Models whose integer mode runs on GMP kernels wherever 128-bit ones would
// serve it, so that tests can set the two against each other.
#ifndef ZEB_FIR_TESTS_INTERNAL_CREATE_GMP_H
#define ZEB_FIR_TESTS_INTERNAL_CREATE_GMP_H

#include "interface/internal_create.h"

inline zeb_fir_v7_1* create_on_gmp(const zeb_fir_v7_1_config* cfg, zeb_msg_handler msg, void* msg_handle,
                                   zeb_msg_handler dbg, void* dbg_handle) {
    return create_with_kernels(cfg, msg, msg_handle, dbg, dbg_handle, Arithmetic::gmp);
}

#endif
