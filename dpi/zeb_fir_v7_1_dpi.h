/*
 * zeb_fir_v7_1_dpi.h - the filter model for SystemVerilog test benches.
 *
 * Every function takes and returns only types that a DPI-C import can
 * carry: int, long long (longint), double (real), const char* (string) and
 * an opaque handle (chandle), plus output arguments of those types.  A
 * model is described by the FIELD=VALUE text that zeb-fir --config reads.
 *
 * Status: functions returning int give 0 on success and 1 on failure; the
 * reason is then in zeb_fir_v7_1_dpi_last_error.  No call crashes on a
 * null, stale or foreign handle, a path or slot out of range, or bad text.
 *
 * Integer units: input integers count input LSBs (2^-data_fract_width),
 * output integers count output LSBs (2^-output_fract_width), the in-phase
 * part of a Hilbert output counts input LSBs.
 *
 * Thread-compatible: one handle is used by one thread at a time.
 */
#ifndef ZEB_FIR_V7_1_DPI_H
#define ZEB_FIR_V7_1_DPI_H

#if defined(__GNUC__) && !defined(_WIN32)
#define ZEB_FIR_V7_1_DPI_EXPORT __attribute__((visibility("default")))
#else
#define ZEB_FIR_V7_1_DPI_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- models ---- */

/** New model from FIELD=VALUE assignments, one per line or separated by ';'
 *  ("" gives the default filter); null on failure, with the reason in
 *  zeb_fir_v7_1_dpi_last_error(null). */
ZEB_FIR_V7_1_DPI_EXPORT void* zeb_fir_v7_1_dpi_create(const char* config_text);

/** As zeb_fir_v7_1_dpi_create, reading the text from a file. */
ZEB_FIR_V7_1_DPI_EXPORT void* zeb_fir_v7_1_dpi_create_from_file(const char* path);

/** Releases the model; the handle is unknown afterwards. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_destroy(void* model);

/** Returns the model to its state after creation (reloaded sets stay) and
 *  drops the output slots not yet taken and the values put so far. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_reset(void* model);

/** A numeric field of the model's configuration as the model uses it, by
 *  record name ("num_paths", "output_width", "output_fract_width", ...);
 *  enumerated fields give their number. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_get_field(void* model, const char* field, long long* value);

/* ---- input ---- */

/** Sets path's value of the next input slot: an integer in input LSBs (taken
 *  modulo 2^data_width, so 65535 and -1 are the same 16-bit sample) or a
 *  sample value.  Paths not put are 0; every send clears them. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_put_int(void* model, int path, long long value);
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_put_real(void* model, int path, double value);

/** Sends the slot that was put (one sample per path, the next slot of the
 *  channel sequence); its output becomes ready at once. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_send_slot(void* model);

/** Sets the value of (path, slot) of the next whole input vector. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_put_vector_int(void* model, int path, int slot, long long value);
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_put_vector_real(void* model, int path, int slot, double value);

/** Sends the vector that was put (every path and slot, one turn of the
 *  channel sequence); refused while a turn of single slots is incomplete. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_send_vector(void* model);

/** Queues a run-time packet, written as in a zeb-fir stimulus without the
 *  '@': "config fsel=1,0 chanpat=12", "reload fsel=0 coeff=1,2,3" or
 *  "reset" (same as zeb_fir_v7_1_dpi_reset). */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_send_packet(void* model, const char* command);

/* ---- output ---- */

/** Number of output slots ready to be taken; -1 for an unknown handle. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_ready(void* model);

/** Takes the oldest ready output slot; the get functions read it until the
 *  next call. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_next(void* model);

/** path's output of the slot taken: an integer in output LSBs (refused when
 *  it needs more than 64 bits), a real value, or decimal text of any width
 *  ("" on failure).  The text stays valid until the next call on the model. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_get_int(void* model, int path, long long* value);
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_get_real(void* model, int path, double* value);
ZEB_FIR_V7_1_DPI_EXPORT const char* zeb_fir_v7_1_dpi_get_text(void* model, int path);

/** Hilbert filters only: path's in-phase output (the delayed input) of the
 *  slot taken, in input LSBs.  The get functions above give the filtered one. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_get_inphase_int(void* model, int path, long long* value);

/* ---- inspection ---- */

/** A field of the model's zeb_fir_v7_1_info (zeb_fir_v7_1_inspect.h) by its
 *  C name: "data_width", "data_fract_width", "coeff_width",
 *  "coeff_fract_width", "acc_width", "output_width", "output_fract_width",
 *  "output_lsb_exponent", "arithmetic" (0 doubles, 1 128-bit integers,
 *  2 GMP integers), "current_pattern", "queued_configs", "queued_reloads". */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_get_info(void* model, const char* field, long long* value);

/** A wrap count since creation, the last reset or the last clear: "input"
 *  (samples put as reals beyond the data range; integers are wrapped before
 *  they reach the model and never count), "output" (outputs whose rounding
 *  left the output range, counted when they become ready), "coefficients";
 *  or where the first wrapped input or output sits: "first_input_vector",
 *  "first_input_path", "first_input_slot", "first_output_vector",
 *  "first_output_path", "first_output_slot" (0 while its count is 0).
 *  Values beyond a longint read as its largest. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_get_wrap_count(void* model, const char* field, long long* value);

/** Sets every wrap count to 0; the stream positions go on. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_clear_wrap_counts(void* model);

/** Group delay of a linear-phase coefficient set: an impulse at input
 *  index i is centred at output index i * L / M + *output_samples;
 *  *input_samples is the same delay in input samples (10 for the default
 *  filter).  Another set is refused with the model's reason. */
ZEB_FIR_V7_1_DPI_EXPORT int zeb_fir_v7_1_dpi_get_group_delay(void* model, int coeff_set, double* input_samples,
                                                             double* output_samples);

/* ---- messages ---- */

/** The model's last message ("<name> WARNING: ..."), "" before the first. */
ZEB_FIR_V7_1_DPI_EXPORT const char* zeb_fir_v7_1_dpi_last_message(void* model);

/** The last failure of a call on this model, "" before the first; with a
 *  null or unknown handle, the last failure of a call that had no model
 *  (creation, unknown handles) on this thread. */
ZEB_FIR_V7_1_DPI_EXPORT const char* zeb_fir_v7_1_dpi_last_error(void* model);

#ifdef __cplusplus
}
#endif

#endif /* ZEB_FIR_V7_1_DPI_H */
