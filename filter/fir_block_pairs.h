// The block loop on 16-bit integers carried in doubles (fir_block_core_pairs):
// the forms fir_block_core chooses from.
#ifndef ZEB_FIR_FILTER_FIR_BLOCK_PAIRS_H
#define ZEB_FIR_FILTER_FIR_BLOCK_PAIRS_H

#include <cstddef>

#include "filter/fir_block_core.h"

using CorePairs = std::size_t (*)(const double* coeff, const SampleRun& run, std::size_t taps, std::size_t count,
                                  double* out, std::size_t stride);

// The form of the pairs loop for a form of the block loops; null where that
// instruction set has no 16-bit multiply-add worth taking.
CorePairs pairs_form(CoreForm form);

#endif
