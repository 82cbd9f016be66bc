// One output whose sum is exact (fir_exact_dot): the forms fir_block_core
// chooses from.
#ifndef ZEB_FIR_FILTER_FIR_EXACT_DOT_H
#define ZEB_FIR_FILTER_FIR_EXACT_DOT_H

#include <cstddef>

#include "filter/fir_block_core.h"

using CoreDot = double (*)(const double* coeff, const double* newest, std::size_t taps);

// The form of the single-output sum for a form of the block loops.
CoreDot dot_form(CoreForm form);

#endif
