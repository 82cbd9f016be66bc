/*
 * What a model computes with, beyond the block's interface: its formats,
 * the arithmetic it runs in, its pending packets and the coefficients its
 * kernels hold.  Functions follow the conventions of zeb_fir_v7_1.h: a null
 * pointer gives ZEB_STATUS_ERROR without a message; any other failure gives
 * ZEB_STATUS_ERROR with its text on the model's message callback.
 */
#ifndef ZEB_FIR_V7_1_INSPECT_H
#define ZEB_FIR_V7_1_INSPECT_H

#include <stddef.h>

#include "zeb_fir_v7_1.h"

#ifdef __cplusplus
extern "C" {
#endif

/** The arithmetic a model runs in. */
typedef enum {
    ZEB_FIR_V7_1_ARITHMETIC_DOUBLE = 0, /**< doubles: accumulators of at most 52 bits */
    ZEB_FIR_V7_1_ARITHMETIC_INT128 = 1, /**< exact 128-bit integers */
    ZEB_FIR_V7_1_ARITHMETIC_GMP = 2     /**< exact GMP integers */
} zeb_fir_v7_1_arithmetic;

/** Formats and state of a model. */
typedef struct {
    unsigned int data_width;
    unsigned int data_fract_width;
    unsigned int coeff_width;
    unsigned int coeff_fract_width;
    int acc_width;                     /**< accumulator bits */
    unsigned int output_width;
    unsigned int output_fract_width;   /**< as get_config reports it (never below 0) */
    int output_lsb_exponent;           /**< the output LSB weighs 2^this in input-value units */
    int arithmetic;                    /**< a zeb_fir_v7_1_arithmetic */
    int current_pattern;               /**< channel pattern in force */
    size_t queued_configs;             /**< configuration packets waiting for their synchronisation point */
    size_t queued_reloads;             /**< reloads waiting for the next applied configuration packet */
} zeb_fir_v7_1_info;

/** Fills *info. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_info(zeb_fir_v7_1* model, zeb_fir_v7_1_info* info);

/** The num_coeffs quantised coefficients of set as the kernels hold them now
    (reloads included), as integers in coefficient LSBs, into a 1-D record
    grown through its own table. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_coefficients(zeb_fir_v7_1* model, unsigned int set,
                                                             zeb_array_real* out);

/** Group delay of a linear-phase set (symmetric or antisymmetric about the
    middle of its nonzero taps, after quantisation, padding and zero
    packing): an impulse at input index i is centred at output index
    i * interpolation_rate / decimation_rate + *output_samples, and
    *input_samples is the same delay in input samples.  A Hilbert filter's
    in-phase output is aligned to it.  Another set is refused. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_group_delay(zeb_fir_v7_1* model, unsigned int set,
                                                            double* input_samples, double* output_samples);

/** Where a sample sits in the stream: its vector (whole turns of the channel
    sequence since creation or the last reset), path and slot. */
typedef struct {
    unsigned long long vector;
    unsigned int path;
    unsigned int slot;
} zeb_fir_v7_1_position;

/** Wraps since creation, the last reset or the last clear_wrap_counts.  A
    first position is meaningful only when its count is above 0. */
typedef struct {
    unsigned long long input;        /**< input samples wrapped into the data width */
    unsigned long long output;       /**< output samples whose rounding left the output range (wrapped) */
    unsigned long long coefficients; /**< coefficients wrapped into the coefficient width (creation, reloads) */
    zeb_fir_v7_1_position first_input;   /**< the first wrapped input sample (by vector, slot, path) */
    zeb_fir_v7_1_position first_output;  /**< the first wrapped output sample (by vector, slot, path) */
} zeb_fir_v7_1_wrap_counts;

/** Fills *counts. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_wrap_counts(zeb_fir_v7_1* model, zeb_fir_v7_1_wrap_counts* counts);

/** Sets every wrap count to 0; the stream positions go on. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_clear_wrap_counts(zeb_fir_v7_1* model);

/** Input and output wraps per path and channel, into 2-D records of lengths
    num_paths x num_channels (element path + num_paths * channel), grown
    through their own tables; a count above UINT_MAX reads as UINT_MAX. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_wrap_counts_by_channel(zeb_fir_v7_1* model, zeb_array_uint* input,
                                                                       zeb_array_uint* output);

#ifdef __cplusplus
}
#endif

#endif
