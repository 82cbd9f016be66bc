/*
 * Slot reads beyond the block's interface: the output time slots a model
 * has ready, several in one call.  A co-simulation that reads after every
 * clock would otherwise call data_get_channel once per ready slot and once
 * more to learn that none is left.  Conventions of zeb_fir_v7_1.h: a null
 * pointer gives ZEB_STATUS_ERROR without a message; any other failure gives
 * ZEB_STATUS_ERROR with its text on the model's message callback.
 */
#ifndef ZEB_FIR_V7_1_SLOTS_H
#define ZEB_FIR_V7_1_SLOTS_H

#include <stddef.h>

#include "zeb_fir_v7_1.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Reads up to max_slots ready output time slots, oldest first, into
    values[0 .. max_slots * num_paths): slot k's path p at k * num_paths + p.
    The slots and values are those repeated data_get_channel calls into a
    real record would read; *slots tells how many were read.  Fewer than
    max_slots means that none is left (the read that found none was made);
    max_slots means that more may be ready.  On a failure *slots still
    counts the slots read before it. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_channels(zeb_fir_v7_1* model, double* values,
                                                              size_t max_slots, size_t* slots);

#ifdef __cplusplus
}
#endif

#endif
