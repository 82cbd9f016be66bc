// Creation with a choice of integer kernels, for the tests and the fuzz stage
// only (not exported): the integer mode on GMP kernels where 128-bit ones
// would serve it, so that the two can be run against each other.
#ifndef ZEB_FIR_INTERFACE_INTERNAL_CREATE_H
#define ZEB_FIR_INTERFACE_INTERNAL_CREATE_H

#include "model/kernel_bank.h"
#include "zeb_fir_v7_1.h"

zeb_fir_v7_1* create_with_kernels(const zeb_fir_v7_1_config* config, zeb_msg_handler msg_handler, void* msg_handle,
                                  zeb_msg_handler dbg_handler, void* dbg_handle, Arithmetic kernels) noexcept;

#endif
