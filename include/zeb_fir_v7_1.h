/*
 * zeb_fir_v7_1.h - bit-accurate model of a configurable FIR filter block.
 *
 * One header for the whole C interface: status codes, the configuration and
 * packet records, the model functions, the typed array records through which
 * samples cross the interface, the channel views and the channel pattern
 * tables.  C99 and C++ compatible.  All functions are thread-compatible: a
 * handle is used by one thread at a time, different handles are independent.
 */
#ifndef ZEB_FIR_V7_1_H
#define ZEB_FIR_V7_1_H

#include <stddef.h>
#include <stdint.h>
#include <gmp.h>

#if defined(_WIN32)
#  define ZEB_FIR_V7_1_EXPORT
#elif defined(__GNUC__)
#  define ZEB_FIR_V7_1_EXPORT __attribute__((visibility("default")))
#else
#  define ZEB_FIR_V7_1_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ======================================================================
 * Status, handle, callbacks
 * ====================================================================== */

/** Result of every exported function: 0 success, 1 failure.  An input call
 *  that ends in the host's output callback returns that callback's result. */
typedef int zeb_status;
#define ZEB_STATUS_OK 0
#define ZEB_STATUS_ERROR 1

/** Opaque model handle. */
typedef struct zeb_fir_v7_1_struct zeb_fir_v7_1;

/** Message callback: host handle, error flag (1 error, 0 warning or note),
 *  NUL-terminated text valid only during the call. */
typedef void (*zeb_msg_handler)(void* handle, int error, const char* msg);

/* ======================================================================
 * Enumerated configuration values
 *
 * The configuration fields are plain 32-bit integers (so that any value a
 * host stores can be validated); these are the values they accept.
 * ====================================================================== */

/** filter_type */
enum {
    ZEB_FIR_V7_1_SINGLE_RATE = 0,   /**< one output per input */
    ZEB_FIR_V7_1_INTERPOLATION = 1, /**< output rate x interpolation_rate (or L/M) */
    ZEB_FIR_V7_1_DECIMATION = 2,    /**< output rate / decimation_rate (or L/M) */
    ZEB_FIR_V7_1_HILBERT = 3,       /**< complex output: delayed input, filtered input */
    ZEB_FIR_V7_1_INTERPOLATED = 4   /**< zero_packing_factor - 1 zero taps after every coefficient */
};

/** rate_change */
enum {
    ZEB_FIR_V7_1_INTEGER_RATE = 0,   /**< integer interpolation or decimation */
    ZEB_FIR_V7_1_FIXED_FRACTIONAL = 1 /**< interpolation_rate / decimation_rate, coprime */
};

/** quantization */
enum {
    ZEB_FIR_V7_1_QUANTIZE_INTEGER = 0,        /**< coefficients quantised as supplied */
    ZEB_FIR_V7_1_QUANTIZE_ONLY = 1,           /**< same as QUANTIZE_INTEGER */
    ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE = 2   /**< scaled to fill the coefficient width */
};

/** chan_seq */
enum {
    ZEB_FIR_V7_1_BASIC_CHAN_SEQ = 0,    /**< channels in natural order */
    ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ = 1  /**< order from a channel pattern (4 to 64 channels) */
};

/** output_rounding_mode */
enum {
    ZEB_FIR_V7_1_FULL_PRECISION = 0,    /**< output as wide as the accumulator */
    ZEB_FIR_V7_1_TRUNCATE_LSBS = 1,     /**< toward minus infinity */
    ZEB_FIR_V7_1_ROUND_HALF_TO_ZERO = 2,/**< nearest, ties toward zero */
    ZEB_FIR_V7_1_ROUND_HALF_AWAY = 3,   /**< nearest, ties away from zero */
    ZEB_FIR_V7_1_ROUND_HALF_EVEN = 4,   /**< nearest, ties to even */
    ZEB_FIR_V7_1_ROUND_HALF_ODD = 5,    /**< nearest, ties to odd */
    ZEB_FIR_V7_1_ROUND_HALF_DOWN = 6,   /**< nearest, ties toward minus infinity */
    ZEB_FIR_V7_1_ROUND_HALF_UP = 7      /**< nearest, ties toward plus infinity */
};

/** config_method */
enum {
    ZEB_FIR_V7_1_CONFIG_SINGLE = 0,     /**< one coefficient-set selector for all channels */
    ZEB_FIR_V7_1_CONFIG_BY_CHANNEL = 1  /**< one selector per channel */
};

/** Channel pattern identifier: 0 to 173 advanced patterns, 175 the basic order. */
typedef int32_t zeb_fir_v7_1_pattern;
#define ZEB_FIR_V7_1_PATTERN_BASIC 175

/* ======================================================================
 * Configuration and packet records
 * ====================================================================== */

/** Creation record.  zeb_fir_v7_1_default_config fills every field with the
 *  default given in brackets. */
typedef struct zeb_fir_v7_1_config_struct {
    const char* name;                  /**< instance name, prefixes every message ["pilvoran_v7_1"] */
    int filter_type;                   /**< ZEB_FIR_V7_1_SINGLE_RATE ... ZEB_FIR_V7_1_INTERPOLATED [0] */
    int rate_change;                   /**< ZEB_FIR_V7_1_INTEGER_RATE or _FIXED_FRACTIONAL [0] */
    unsigned int interpolation_rate;   /**< 0 to 1024 [1] */
    unsigned int decimation_rate;      /**< 0 to 1024 [1] */
    unsigned int zero_packing_factor;  /**< 0 to 8, interpolated filters [1] */
    const double* coeff;               /**< num_coeffs x coeff_sets values, set after set [21 built-in values] */
    unsigned int coeff_padding;        /**< leading zero taps added to every set [0] */
    unsigned int num_coeffs;           /**< coefficients per set [21] */
    unsigned int coeff_sets;           /**< number of coefficient sets [1] */
    unsigned int reloadable;           /**< 0 or 1: sets may be reloaded at run time [0] */
    unsigned int is_halfband;          /**< 0 or 1: halfband filter [0] */
    int quantization;                  /**< ZEB_FIR_V7_1_QUANTIZE_INTEGER ... _MAXIMIZE_DYNAMIC_RANGE [0] */
    unsigned int coeff_width;          /**< coefficient width in bits, up to 49 [16] */
    unsigned int coeff_fract_width;    /**< fractional bits of the coefficients [0] */
    int chan_seq;                      /**< ZEB_FIR_V7_1_BASIC_CHAN_SEQ or _ADVANCED_CHAN_SEQ [0] */
    unsigned int num_channels;         /**< channels per path: 1 to 256, 512 or 1024 (advanced: 4..64) [1] */
    zeb_fir_v7_1_pattern init_pattern; /**< pattern after creation, advanced sequence only [175] */
    unsigned int num_paths;            /**< parallel data paths, up to 16 [1] */
    unsigned int data_width;           /**< input sample width in bits, up to 49 [16] */
    unsigned int data_fract_width;     /**< fractional bits of the input, up to data_width [0] */
    int output_rounding_mode;          /**< ZEB_FIR_V7_1_FULL_PRECISION ... _ROUND_HALF_UP [0] */
    unsigned int output_width;         /**< output width in bits when rounding [24] */
    unsigned int output_fract_width;   /**< derived by the model; read it back with get_config [0] */
    int config_method;                 /**< ZEB_FIR_V7_1_CONFIG_SINGLE or _BY_CHANNEL [0] */
} zeb_fir_v7_1_config;


/* ======================================================================
 * Element types and array records
 *
 * Every array family offers the same functions; records are filled by
 * writing dim, dim_size and data_size directly after reserving storage.
 * Whoever creates a record destroys it; a record with owner set is never
 * grown or freed by these functions.
 * ====================================================================== */

/** Complex sample of doubles. */
typedef struct zeb_complex_struct {
    double re;
    double im;
} zeb_complex;

/** Complex sample of GMP integers (both initialised by the array functions). */
typedef struct zeb_mpz_complex_struct {
    mpz_t re;
    mpz_t im;
} zeb_mpz_complex;

/* ---- zeb_array_bit: elements of type one unsigned byte per element (no bit packing) ---- */

struct zeb_array_bit_operations_struct;

/** Element operations and allocator of a zeb_array_bit; every function receives the table itself first. */
typedef struct zeb_array_bit_operations_struct {
    /** Grows or allocates a store (standard realloc semantics); null on failure. */
    void* (*realloc)(const struct zeb_array_bit_operations_struct* ops, void* ptr, size_t size);
    /** Releases a store obtained from realloc; accepts null. */
    void (*free)(const struct zeb_array_bit_operations_struct* ops, void* ptr);
    /** Initialises one freshly reserved element; null when nothing is to be done. */
    void (*elem_create)(const struct zeb_array_bit_operations_struct* ops, uint8_t* elem);
    /** Assigns the source element to the destination element. */
    void (*elem_copy)(const struct zeb_array_bit_operations_struct* ops, uint8_t* dst, const uint8_t* src);
    /** Exchanges the contents of two elements. */
    void (*elem_swap)(const struct zeb_array_bit_operations_struct* ops, uint8_t* a, uint8_t* b);
    /** Finalises one element before its store is freed; null when nothing is to be done. */
    void (*elem_destroy)(const struct zeb_array_bit_operations_struct* ops, uint8_t* elem);
    /** Free for a host-supplied table's own state; the library never reads it. */
    void* context;
} zeb_array_bit_operations;

/** Array record of one unsigned byte per element (no bit packing): dimension slot 0 varies fastest (column-major). */
typedef struct zeb_array_bit_struct {
    uint8_t* data;              /**< element store, data_capacity elements; null until reserved */
    size_t data_size;       /**< elements in use; accessors bound every index by it */
    size_t data_capacity;   /**< elements allocated (and initialised) */
    size_t* dim;            /**< dimension lengths, dim_capacity slots */
    size_t dim_size;        /**< dimensions in use */
    size_t dim_capacity;    /**< dimension slots allocated */
    int owner;              /**< nonzero: stores belong to someone else, never grown or freed here */
    const zeb_array_bit_operations* ops;         /**< allocator and element operations */
} zeb_array_bit;

/** Built-in allocator: the C library's realloc (the table is ignored). */
ZEB_FIR_V7_1_EXPORT void* zeb_fir_v7_1_zeb_array_bit_ops_realloc(const zeb_array_bit_operations* ops, void* ptr, size_t size);
/** Built-in release: the C library's free. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_bit_ops_free(const zeb_array_bit_operations* ops, void* ptr);
/** Built-in element initialiser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_bit_ops_elem_create(const zeb_array_bit_operations* ops, uint8_t* elem);
/** Built-in element assignment. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_bit_ops_elem_copy(const zeb_array_bit_operations* ops, uint8_t* dst, const uint8_t* src);
/** Built-in element exchange. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_bit_ops_elem_swap(const zeb_array_bit_operations* ops, uint8_t* a, uint8_t* b);
/** Built-in element finaliser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_bit_ops_elem_destroy(const zeb_array_bit_operations* ops, uint8_t* elem);

/** New empty record using the given table; null when the table is null or allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_bit* zeb_fir_v7_1_zeb_array_bit_create_ex(const zeb_array_bit_operations* ops);
/** New empty record using the built-in table; null when allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_bit* zeb_fir_v7_1_zeb_array_bit_create(void);
/** Makes room for n elements (exactly n, never shrinking); 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_bit_reserve_data(zeb_array_bit* array, size_t n);
/** Makes room for n dimension slots; 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_bit_reserve_dim(zeb_array_bit* array, size_t n);
/** Frees the record and its stores; returns null when freed, else the record it was given (owner set, no table, null). */
ZEB_FIR_V7_1_EXPORT zeb_array_bit* zeb_fir_v7_1_zeb_array_bit_destroy(zeb_array_bit* array);
/** Linear index of subscript i0 (0 for a null record, null dim or no dimension). */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_bit_sub2ind_1d(const zeb_array_bit* array, size_t i0);
/** Linear index of (i0, i1); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_bit_sub2ind_2d(const zeb_array_bit* array, size_t i0, size_t i1);
/** Linear index of (i0, i1, i2); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_bit_sub2ind_3d(const zeb_array_bit* array, size_t i0, size_t i1, size_t i2);
/** Linear index of (i0, i1, i2, i3); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_bit_sub2ind_4d(const zeb_array_bit* array, size_t i0, size_t i1, size_t i2, size_t i3);
/** Copies *src into element index (index below data_size); 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_bit_set_element(zeb_array_bit* array, const uint8_t* src, size_t index);
/** Copies element index (below data_size) into *dst; 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_bit_get_element(const zeb_array_bit* array, uint8_t* dst, size_t index);

/* ---- zeb_array_real: elements of type double ---- */

struct zeb_array_real_operations_struct;

/** Element operations and allocator of a zeb_array_real; every function receives the table itself first. */
typedef struct zeb_array_real_operations_struct {
    /** Grows or allocates a store (standard realloc semantics); null on failure. */
    void* (*realloc)(const struct zeb_array_real_operations_struct* ops, void* ptr, size_t size);
    /** Releases a store obtained from realloc; accepts null. */
    void (*free)(const struct zeb_array_real_operations_struct* ops, void* ptr);
    /** Initialises one freshly reserved element; null when nothing is to be done. */
    void (*elem_create)(const struct zeb_array_real_operations_struct* ops, double* elem);
    /** Assigns the source element to the destination element. */
    void (*elem_copy)(const struct zeb_array_real_operations_struct* ops, double* dst, const double* src);
    /** Exchanges the contents of two elements. */
    void (*elem_swap)(const struct zeb_array_real_operations_struct* ops, double* a, double* b);
    /** Finalises one element before its store is freed; null when nothing is to be done. */
    void (*elem_destroy)(const struct zeb_array_real_operations_struct* ops, double* elem);
    /** Free for a host-supplied table's own state; the library never reads it. */
    void* context;
} zeb_array_real_operations;

/** Array record of double: dimension slot 0 varies fastest (column-major). */
typedef struct zeb_array_real_struct {
    double* data;              /**< element store, data_capacity elements; null until reserved */
    size_t data_size;       /**< elements in use; accessors bound every index by it */
    size_t data_capacity;   /**< elements allocated (and initialised) */
    size_t* dim;            /**< dimension lengths, dim_capacity slots */
    size_t dim_size;        /**< dimensions in use */
    size_t dim_capacity;    /**< dimension slots allocated */
    int owner;              /**< nonzero: stores belong to someone else, never grown or freed here */
    const zeb_array_real_operations* ops;         /**< allocator and element operations */
} zeb_array_real;

/** Built-in allocator: the C library's realloc (the table is ignored). */
ZEB_FIR_V7_1_EXPORT void* zeb_fir_v7_1_zeb_array_real_ops_realloc(const zeb_array_real_operations* ops, void* ptr, size_t size);
/** Built-in release: the C library's free. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_real_ops_free(const zeb_array_real_operations* ops, void* ptr);
/** Built-in element initialiser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_real_ops_elem_create(const zeb_array_real_operations* ops, double* elem);
/** Built-in element assignment. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_real_ops_elem_copy(const zeb_array_real_operations* ops, double* dst, const double* src);
/** Built-in element exchange. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_real_ops_elem_swap(const zeb_array_real_operations* ops, double* a, double* b);
/** Built-in element finaliser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_real_ops_elem_destroy(const zeb_array_real_operations* ops, double* elem);

/** New empty record using the given table; null when the table is null or allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_real* zeb_fir_v7_1_zeb_array_real_create_ex(const zeb_array_real_operations* ops);
/** New empty record using the built-in table; null when allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_real* zeb_fir_v7_1_zeb_array_real_create(void);
/** Makes room for n elements (exactly n, never shrinking); 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_real_reserve_data(zeb_array_real* array, size_t n);
/** Makes room for n dimension slots; 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_real_reserve_dim(zeb_array_real* array, size_t n);
/** Frees the record and its stores; returns null when freed, else the record it was given (owner set, no table, null). */
ZEB_FIR_V7_1_EXPORT zeb_array_real* zeb_fir_v7_1_zeb_array_real_destroy(zeb_array_real* array);
/** Linear index of subscript i0 (0 for a null record, null dim or no dimension). */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_real_sub2ind_1d(const zeb_array_real* array, size_t i0);
/** Linear index of (i0, i1); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_real_sub2ind_2d(const zeb_array_real* array, size_t i0, size_t i1);
/** Linear index of (i0, i1, i2); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_real_sub2ind_3d(const zeb_array_real* array, size_t i0, size_t i1, size_t i2);
/** Linear index of (i0, i1, i2, i3); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_real_sub2ind_4d(const zeb_array_real* array, size_t i0, size_t i1, size_t i2, size_t i3);
/** Copies *src into element index (index below data_size); 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_real_set_element(zeb_array_real* array, const double* src, size_t index);
/** Copies element index (below data_size) into *dst; 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_real_get_element(const zeb_array_real* array, double* dst, size_t index);

/* ---- zeb_array_complex: elements of type zeb_complex (re, im doubles) ---- */

struct zeb_array_complex_operations_struct;

/** Element operations and allocator of a zeb_array_complex; every function receives the table itself first. */
typedef struct zeb_array_complex_operations_struct {
    /** Grows or allocates a store (standard realloc semantics); null on failure. */
    void* (*realloc)(const struct zeb_array_complex_operations_struct* ops, void* ptr, size_t size);
    /** Releases a store obtained from realloc; accepts null. */
    void (*free)(const struct zeb_array_complex_operations_struct* ops, void* ptr);
    /** Initialises one freshly reserved element; null when nothing is to be done. */
    void (*elem_create)(const struct zeb_array_complex_operations_struct* ops, zeb_complex* elem);
    /** Assigns the source element to the destination element. */
    void (*elem_copy)(const struct zeb_array_complex_operations_struct* ops, zeb_complex* dst, const zeb_complex* src);
    /** Exchanges the contents of two elements. */
    void (*elem_swap)(const struct zeb_array_complex_operations_struct* ops, zeb_complex* a, zeb_complex* b);
    /** Finalises one element before its store is freed; null when nothing is to be done. */
    void (*elem_destroy)(const struct zeb_array_complex_operations_struct* ops, zeb_complex* elem);
    /** Free for a host-supplied table's own state; the library never reads it. */
    void* context;
} zeb_array_complex_operations;

/** Array record of zeb_complex (re, im doubles): dimension slot 0 varies fastest (column-major). */
typedef struct zeb_array_complex_struct {
    zeb_complex* data;              /**< element store, data_capacity elements; null until reserved */
    size_t data_size;       /**< elements in use; accessors bound every index by it */
    size_t data_capacity;   /**< elements allocated (and initialised) */
    size_t* dim;            /**< dimension lengths, dim_capacity slots */
    size_t dim_size;        /**< dimensions in use */
    size_t dim_capacity;    /**< dimension slots allocated */
    int owner;              /**< nonzero: stores belong to someone else, never grown or freed here */
    const zeb_array_complex_operations* ops;         /**< allocator and element operations */
} zeb_array_complex;

/** Built-in allocator: the C library's realloc (the table is ignored). */
ZEB_FIR_V7_1_EXPORT void* zeb_fir_v7_1_zeb_array_complex_ops_realloc(const zeb_array_complex_operations* ops, void* ptr, size_t size);
/** Built-in release: the C library's free. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_complex_ops_free(const zeb_array_complex_operations* ops, void* ptr);
/** Built-in element initialiser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_complex_ops_elem_create(const zeb_array_complex_operations* ops, zeb_complex* elem);
/** Built-in element assignment. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_complex_ops_elem_copy(const zeb_array_complex_operations* ops, zeb_complex* dst, const zeb_complex* src);
/** Built-in element exchange. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_complex_ops_elem_swap(const zeb_array_complex_operations* ops, zeb_complex* a, zeb_complex* b);
/** Built-in element finaliser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_complex_ops_elem_destroy(const zeb_array_complex_operations* ops, zeb_complex* elem);

/** New empty record using the given table; null when the table is null or allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_complex* zeb_fir_v7_1_zeb_array_complex_create_ex(const zeb_array_complex_operations* ops);
/** New empty record using the built-in table; null when allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_complex* zeb_fir_v7_1_zeb_array_complex_create(void);
/** Makes room for n elements (exactly n, never shrinking); 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_complex_reserve_data(zeb_array_complex* array, size_t n);
/** Makes room for n dimension slots; 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_complex_reserve_dim(zeb_array_complex* array, size_t n);
/** Frees the record and its stores; returns null when freed, else the record it was given (owner set, no table, null). */
ZEB_FIR_V7_1_EXPORT zeb_array_complex* zeb_fir_v7_1_zeb_array_complex_destroy(zeb_array_complex* array);
/** Linear index of subscript i0 (0 for a null record, null dim or no dimension). */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_complex_sub2ind_1d(const zeb_array_complex* array, size_t i0);
/** Linear index of (i0, i1); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_complex_sub2ind_2d(const zeb_array_complex* array, size_t i0, size_t i1);
/** Linear index of (i0, i1, i2); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_complex_sub2ind_3d(const zeb_array_complex* array, size_t i0, size_t i1, size_t i2);
/** Linear index of (i0, i1, i2, i3); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_complex_sub2ind_4d(const zeb_array_complex* array, size_t i0, size_t i1, size_t i2, size_t i3);
/** Copies *src into element index (index below data_size); 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_complex_set_element(zeb_array_complex* array, const zeb_complex* src, size_t index);
/** Copies element index (below data_size) into *dst; 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_complex_get_element(const zeb_array_complex* array, zeb_complex* dst, size_t index);

/* ---- zeb_array_uint: elements of type unsigned int ---- */

struct zeb_array_uint_operations_struct;

/** Element operations and allocator of a zeb_array_uint; every function receives the table itself first. */
typedef struct zeb_array_uint_operations_struct {
    /** Grows or allocates a store (standard realloc semantics); null on failure. */
    void* (*realloc)(const struct zeb_array_uint_operations_struct* ops, void* ptr, size_t size);
    /** Releases a store obtained from realloc; accepts null. */
    void (*free)(const struct zeb_array_uint_operations_struct* ops, void* ptr);
    /** Initialises one freshly reserved element; null when nothing is to be done. */
    void (*elem_create)(const struct zeb_array_uint_operations_struct* ops, unsigned int* elem);
    /** Assigns the source element to the destination element. */
    void (*elem_copy)(const struct zeb_array_uint_operations_struct* ops, unsigned int* dst, const unsigned int* src);
    /** Exchanges the contents of two elements. */
    void (*elem_swap)(const struct zeb_array_uint_operations_struct* ops, unsigned int* a, unsigned int* b);
    /** Finalises one element before its store is freed; null when nothing is to be done. */
    void (*elem_destroy)(const struct zeb_array_uint_operations_struct* ops, unsigned int* elem);
    /** Free for a host-supplied table's own state; the library never reads it. */
    void* context;
} zeb_array_uint_operations;

/** Array record of unsigned int: dimension slot 0 varies fastest (column-major). */
typedef struct zeb_array_uint_struct {
    unsigned int* data;              /**< element store, data_capacity elements; null until reserved */
    size_t data_size;       /**< elements in use; accessors bound every index by it */
    size_t data_capacity;   /**< elements allocated (and initialised) */
    size_t* dim;            /**< dimension lengths, dim_capacity slots */
    size_t dim_size;        /**< dimensions in use */
    size_t dim_capacity;    /**< dimension slots allocated */
    int owner;              /**< nonzero: stores belong to someone else, never grown or freed here */
    const zeb_array_uint_operations* ops;         /**< allocator and element operations */
} zeb_array_uint;

/** Built-in allocator: the C library's realloc (the table is ignored). */
ZEB_FIR_V7_1_EXPORT void* zeb_fir_v7_1_zeb_array_uint_ops_realloc(const zeb_array_uint_operations* ops, void* ptr, size_t size);
/** Built-in release: the C library's free. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint_ops_free(const zeb_array_uint_operations* ops, void* ptr);
/** Built-in element initialiser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint_ops_elem_create(const zeb_array_uint_operations* ops, unsigned int* elem);
/** Built-in element assignment. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint_ops_elem_copy(const zeb_array_uint_operations* ops, unsigned int* dst, const unsigned int* src);
/** Built-in element exchange. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint_ops_elem_swap(const zeb_array_uint_operations* ops, unsigned int* a, unsigned int* b);
/** Built-in element finaliser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint_ops_elem_destroy(const zeb_array_uint_operations* ops, unsigned int* elem);

/** New empty record using the given table; null when the table is null or allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_uint* zeb_fir_v7_1_zeb_array_uint_create_ex(const zeb_array_uint_operations* ops);
/** New empty record using the built-in table; null when allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_uint* zeb_fir_v7_1_zeb_array_uint_create(void);
/** Makes room for n elements (exactly n, never shrinking); 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint_reserve_data(zeb_array_uint* array, size_t n);
/** Makes room for n dimension slots; 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint_reserve_dim(zeb_array_uint* array, size_t n);
/** Frees the record and its stores; returns null when freed, else the record it was given (owner set, no table, null). */
ZEB_FIR_V7_1_EXPORT zeb_array_uint* zeb_fir_v7_1_zeb_array_uint_destroy(zeb_array_uint* array);
/** Linear index of subscript i0 (0 for a null record, null dim or no dimension). */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint_sub2ind_1d(const zeb_array_uint* array, size_t i0);
/** Linear index of (i0, i1); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint_sub2ind_2d(const zeb_array_uint* array, size_t i0, size_t i1);
/** Linear index of (i0, i1, i2); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint_sub2ind_3d(const zeb_array_uint* array, size_t i0, size_t i1, size_t i2);
/** Linear index of (i0, i1, i2, i3); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint_sub2ind_4d(const zeb_array_uint* array, size_t i0, size_t i1, size_t i2, size_t i3);
/** Copies *src into element index (index below data_size); 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint_set_element(zeb_array_uint* array, const unsigned int* src, size_t index);
/** Copies element index (below data_size) into *dst; 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint_get_element(const zeb_array_uint* array, unsigned int* dst, size_t index);

/* ---- zeb_array_uint32: elements of type uint32_t ---- */

struct zeb_array_uint32_operations_struct;

/** Element operations and allocator of a zeb_array_uint32; every function receives the table itself first. */
typedef struct zeb_array_uint32_operations_struct {
    /** Grows or allocates a store (standard realloc semantics); null on failure. */
    void* (*realloc)(const struct zeb_array_uint32_operations_struct* ops, void* ptr, size_t size);
    /** Releases a store obtained from realloc; accepts null. */
    void (*free)(const struct zeb_array_uint32_operations_struct* ops, void* ptr);
    /** Initialises one freshly reserved element; null when nothing is to be done. */
    void (*elem_create)(const struct zeb_array_uint32_operations_struct* ops, uint32_t* elem);
    /** Assigns the source element to the destination element. */
    void (*elem_copy)(const struct zeb_array_uint32_operations_struct* ops, uint32_t* dst, const uint32_t* src);
    /** Exchanges the contents of two elements. */
    void (*elem_swap)(const struct zeb_array_uint32_operations_struct* ops, uint32_t* a, uint32_t* b);
    /** Finalises one element before its store is freed; null when nothing is to be done. */
    void (*elem_destroy)(const struct zeb_array_uint32_operations_struct* ops, uint32_t* elem);
    /** Free for a host-supplied table's own state; the library never reads it. */
    void* context;
} zeb_array_uint32_operations;

/** Array record of uint32_t: dimension slot 0 varies fastest (column-major). */
typedef struct zeb_array_uint32_struct {
    uint32_t* data;              /**< element store, data_capacity elements; null until reserved */
    size_t data_size;       /**< elements in use; accessors bound every index by it */
    size_t data_capacity;   /**< elements allocated (and initialised) */
    size_t* dim;            /**< dimension lengths, dim_capacity slots */
    size_t dim_size;        /**< dimensions in use */
    size_t dim_capacity;    /**< dimension slots allocated */
    int owner;              /**< nonzero: stores belong to someone else, never grown or freed here */
    const zeb_array_uint32_operations* ops;         /**< allocator and element operations */
} zeb_array_uint32;

/** Built-in allocator: the C library's realloc (the table is ignored). */
ZEB_FIR_V7_1_EXPORT void* zeb_fir_v7_1_zeb_array_uint32_ops_realloc(const zeb_array_uint32_operations* ops, void* ptr, size_t size);
/** Built-in release: the C library's free. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint32_ops_free(const zeb_array_uint32_operations* ops, void* ptr);
/** Built-in element initialiser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint32_ops_elem_create(const zeb_array_uint32_operations* ops, uint32_t* elem);
/** Built-in element assignment. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint32_ops_elem_copy(const zeb_array_uint32_operations* ops, uint32_t* dst, const uint32_t* src);
/** Built-in element exchange. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint32_ops_elem_swap(const zeb_array_uint32_operations* ops, uint32_t* a, uint32_t* b);
/** Built-in element finaliser (does nothing; the built-in table leaves this slot null). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_uint32_ops_elem_destroy(const zeb_array_uint32_operations* ops, uint32_t* elem);

/** New empty record using the given table; null when the table is null or allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_uint32* zeb_fir_v7_1_zeb_array_uint32_create_ex(const zeb_array_uint32_operations* ops);
/** New empty record using the built-in table; null when allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_uint32* zeb_fir_v7_1_zeb_array_uint32_create(void);
/** Makes room for n elements (exactly n, never shrinking); 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint32_reserve_data(zeb_array_uint32* array, size_t n);
/** Makes room for n dimension slots; 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint32_reserve_dim(zeb_array_uint32* array, size_t n);
/** Frees the record and its stores; returns null when freed, else the record it was given (owner set, no table, null). */
ZEB_FIR_V7_1_EXPORT zeb_array_uint32* zeb_fir_v7_1_zeb_array_uint32_destroy(zeb_array_uint32* array);
/** Linear index of subscript i0 (0 for a null record, null dim or no dimension). */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint32_sub2ind_1d(const zeb_array_uint32* array, size_t i0);
/** Linear index of (i0, i1); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint32_sub2ind_2d(const zeb_array_uint32* array, size_t i0, size_t i1);
/** Linear index of (i0, i1, i2); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint32_sub2ind_3d(const zeb_array_uint32* array, size_t i0, size_t i1, size_t i2);
/** Linear index of (i0, i1, i2, i3); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_uint32_sub2ind_4d(const zeb_array_uint32* array, size_t i0, size_t i1, size_t i2, size_t i3);
/** Copies *src into element index (index below data_size); 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint32_set_element(zeb_array_uint32* array, const uint32_t* src, size_t index);
/** Copies element index (below data_size) into *dst; 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_uint32_get_element(const zeb_array_uint32* array, uint32_t* dst, size_t index);

/* ---- zeb_array_mpz: elements of type GMP integer (mpz_t); elements are mpz_init'ed over the whole capacity ---- */

struct zeb_array_mpz_operations_struct;

/** Element operations and allocator of a zeb_array_mpz; every function receives the table itself first. */
typedef struct zeb_array_mpz_operations_struct {
    /** Grows or allocates a store (standard realloc semantics); null on failure. */
    void* (*realloc)(const struct zeb_array_mpz_operations_struct* ops, void* ptr, size_t size);
    /** Releases a store obtained from realloc; accepts null. */
    void (*free)(const struct zeb_array_mpz_operations_struct* ops, void* ptr);
    /** Initialises one freshly reserved element; null when nothing is to be done. */
    void (*elem_create)(const struct zeb_array_mpz_operations_struct* ops, mpz_ptr elem);
    /** Assigns the source element to the destination element. */
    void (*elem_copy)(const struct zeb_array_mpz_operations_struct* ops, mpz_ptr dst, mpz_srcptr src);
    /** Exchanges the contents of two elements. */
    void (*elem_swap)(const struct zeb_array_mpz_operations_struct* ops, mpz_ptr a, mpz_ptr b);
    /** Finalises one element before its store is freed; null when nothing is to be done. */
    void (*elem_destroy)(const struct zeb_array_mpz_operations_struct* ops, mpz_ptr elem);
    /** Free for a host-supplied table's own state; the library never reads it. */
    void* context;
} zeb_array_mpz_operations;

/** Array record of GMP integer (mpz_t); elements are mpz_init'ed over the whole capacity: dimension slot 0 varies fastest (column-major). */
typedef struct zeb_array_mpz_struct {
    mpz_ptr data;              /**< element store, data_capacity elements; null until reserved */
    size_t data_size;       /**< elements in use; accessors bound every index by it */
    size_t data_capacity;   /**< elements allocated (and initialised) */
    size_t* dim;            /**< dimension lengths, dim_capacity slots */
    size_t dim_size;        /**< dimensions in use */
    size_t dim_capacity;    /**< dimension slots allocated */
    int owner;              /**< nonzero: stores belong to someone else, never grown or freed here */
    const zeb_array_mpz_operations* ops;         /**< allocator and element operations */
} zeb_array_mpz;

/** Built-in allocator: the C library's realloc (the table is ignored). */
ZEB_FIR_V7_1_EXPORT void* zeb_fir_v7_1_zeb_array_mpz_ops_realloc(const zeb_array_mpz_operations* ops, void* ptr, size_t size);
/** Built-in release: the C library's free. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_ops_free(const zeb_array_mpz_operations* ops, void* ptr);
/** Built-in element initialiser (mpz_init). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_ops_elem_create(const zeb_array_mpz_operations* ops, mpz_ptr elem);
/** Built-in element assignment (mpz_set). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_ops_elem_copy(const zeb_array_mpz_operations* ops, mpz_ptr dst, mpz_srcptr src);
/** Built-in element exchange (mpz_swap). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_ops_elem_swap(const zeb_array_mpz_operations* ops, mpz_ptr a, mpz_ptr b);
/** Built-in element finaliser (mpz_clear). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_ops_elem_destroy(const zeb_array_mpz_operations* ops, mpz_ptr elem);

/** New empty record using the given table; null when the table is null or allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_mpz* zeb_fir_v7_1_zeb_array_mpz_create_ex(const zeb_array_mpz_operations* ops);
/** New empty record using the built-in table; null when allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_mpz* zeb_fir_v7_1_zeb_array_mpz_create(void);
/** Makes room for n elements (exactly n, never shrinking); 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_reserve_data(zeb_array_mpz* array, size_t n);
/** Makes room for n dimension slots; 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_reserve_dim(zeb_array_mpz* array, size_t n);
/** Frees the record and its stores; returns null when freed, else the record it was given (owner set, no table, null). */
ZEB_FIR_V7_1_EXPORT zeb_array_mpz* zeb_fir_v7_1_zeb_array_mpz_destroy(zeb_array_mpz* array);
/** Linear index of subscript i0 (0 for a null record, null dim or no dimension). */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_sub2ind_1d(const zeb_array_mpz* array, size_t i0);
/** Linear index of (i0, i1); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_sub2ind_2d(const zeb_array_mpz* array, size_t i0, size_t i1);
/** Linear index of (i0, i1, i2); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_sub2ind_3d(const zeb_array_mpz* array, size_t i0, size_t i1, size_t i2);
/** Linear index of (i0, i1, i2, i3); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_sub2ind_4d(const zeb_array_mpz* array, size_t i0, size_t i1, size_t i2, size_t i3);
/** Copies *src into element index (index below data_size); 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_set_element(zeb_array_mpz* array, mpz_srcptr src, size_t index);
/** Copies element index (below data_size) into *dst; 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_get_element(const zeb_array_mpz* array, mpz_ptr dst, size_t index);

/* ---- zeb_array_mpz_complex: elements of type zeb_mpz_complex (re, im GMP integers) ---- */

struct zeb_array_mpz_complex_operations_struct;

/** Element operations and allocator of a zeb_array_mpz_complex; every function receives the table itself first. */
typedef struct zeb_array_mpz_complex_operations_struct {
    /** Grows or allocates a store (standard realloc semantics); null on failure. */
    void* (*realloc)(const struct zeb_array_mpz_complex_operations_struct* ops, void* ptr, size_t size);
    /** Releases a store obtained from realloc; accepts null. */
    void (*free)(const struct zeb_array_mpz_complex_operations_struct* ops, void* ptr);
    /** Initialises one freshly reserved element; null when nothing is to be done. */
    void (*elem_create)(const struct zeb_array_mpz_complex_operations_struct* ops, zeb_mpz_complex* elem);
    /** Assigns the source element to the destination element. */
    void (*elem_copy)(const struct zeb_array_mpz_complex_operations_struct* ops, zeb_mpz_complex* dst, const zeb_mpz_complex* src);
    /** Exchanges the contents of two elements. */
    void (*elem_swap)(const struct zeb_array_mpz_complex_operations_struct* ops, zeb_mpz_complex* a, zeb_mpz_complex* b);
    /** Finalises one element before its store is freed; null when nothing is to be done. */
    void (*elem_destroy)(const struct zeb_array_mpz_complex_operations_struct* ops, zeb_mpz_complex* elem);
    /** Free for a host-supplied table's own state; the library never reads it. */
    void* context;
} zeb_array_mpz_complex_operations;

/** Array record of zeb_mpz_complex (re, im GMP integers): dimension slot 0 varies fastest (column-major). */
typedef struct zeb_array_mpz_complex_struct {
    zeb_mpz_complex* data;              /**< element store, data_capacity elements; null until reserved */
    size_t data_size;       /**< elements in use; accessors bound every index by it */
    size_t data_capacity;   /**< elements allocated (and initialised) */
    size_t* dim;            /**< dimension lengths, dim_capacity slots */
    size_t dim_size;        /**< dimensions in use */
    size_t dim_capacity;    /**< dimension slots allocated */
    int owner;              /**< nonzero: stores belong to someone else, never grown or freed here */
    const zeb_array_mpz_complex_operations* ops;         /**< allocator and element operations */
} zeb_array_mpz_complex;

/** Built-in allocator: the C library's realloc (the table is ignored). */
ZEB_FIR_V7_1_EXPORT void* zeb_fir_v7_1_zeb_array_mpz_complex_ops_realloc(const zeb_array_mpz_complex_operations* ops, void* ptr, size_t size);
/** Built-in release: the C library's free. */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_complex_ops_free(const zeb_array_mpz_complex_operations* ops, void* ptr);
/** Built-in element initialiser (mpz_init). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_complex_ops_elem_create(const zeb_array_mpz_complex_operations* ops, zeb_mpz_complex* elem);
/** Built-in element assignment (mpz_set). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_complex_ops_elem_copy(const zeb_array_mpz_complex_operations* ops, zeb_mpz_complex* dst, const zeb_mpz_complex* src);
/** Built-in element exchange (mpz_swap). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_complex_ops_elem_swap(const zeb_array_mpz_complex_operations* ops, zeb_mpz_complex* a, zeb_mpz_complex* b);
/** Built-in element finaliser (mpz_clear). */
ZEB_FIR_V7_1_EXPORT void zeb_fir_v7_1_zeb_array_mpz_complex_ops_elem_destroy(const zeb_array_mpz_complex_operations* ops, zeb_mpz_complex* elem);

/** New empty record using the given table; null when the table is null or allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_mpz_complex* zeb_fir_v7_1_zeb_array_mpz_complex_create_ex(const zeb_array_mpz_complex_operations* ops);
/** New empty record using the built-in table; null when allocation fails. */
ZEB_FIR_V7_1_EXPORT zeb_array_mpz_complex* zeb_fir_v7_1_zeb_array_mpz_complex_create(void);
/** Makes room for n elements (exactly n, never shrinking); 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_reserve_data(zeb_array_mpz_complex* array, size_t n);
/** Makes room for n dimension slots; 0 on success, 1 on failure (record unchanged). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_reserve_dim(zeb_array_mpz_complex* array, size_t n);
/** Frees the record and its stores; returns null when freed, else the record it was given (owner set, no table, null). */
ZEB_FIR_V7_1_EXPORT zeb_array_mpz_complex* zeb_fir_v7_1_zeb_array_mpz_complex_destroy(zeb_array_mpz_complex* array);
/** Linear index of subscript i0 (0 for a null record, null dim or no dimension). */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_complex_sub2ind_1d(const zeb_array_mpz_complex* array, size_t i0);
/** Linear index of (i0, i1); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_complex_sub2ind_2d(const zeb_array_mpz_complex* array, size_t i0, size_t i1);
/** Linear index of (i0, i1, i2); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_complex_sub2ind_3d(const zeb_array_mpz_complex* array, size_t i0, size_t i1, size_t i2);
/** Linear index of (i0, i1, i2, i3); subscripts beyond dim_size count as 0. */
ZEB_FIR_V7_1_EXPORT size_t zeb_fir_v7_1_zeb_array_mpz_complex_sub2ind_4d(const zeb_array_mpz_complex* array, size_t i0, size_t i1, size_t i2, size_t i3);
/** Copies *src into element index (index below data_size); 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_set_element(zeb_array_mpz_complex* array, const zeb_mpz_complex* src, size_t index);
/** Copies element index (below data_size) into *dst; 0 on success, 1 on failure. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_get_element(const zeb_array_mpz_complex* array, zeb_mpz_complex* dst, size_t index);

/* ======================================================================
 * Run-time packets and the output callback
 * ====================================================================== */

/** Run-time configuration packet: takes effect at the model's next
 *  synchronisation point.  The host owns it; the model copies what it needs. */
typedef struct zeb_fir_v7_1_cnfg_packet_struct {
    zeb_fir_v7_1_pattern chanpat; /**< pattern to switch to (advanced sequence only) */
    zeb_array_uint* fsel;         /**< 1-D coefficient-set selectors: one, or one per channel */
} zeb_fir_v7_1_cnfg_packet;

/** Coefficient reload packet: replaces one set, applied together with the
 *  next configuration packet. */
typedef struct zeb_fir_v7_1_rld_packet_struct {
    unsigned int fsel;            /**< set to replace, 0 to coeff_sets - 1 */
    zeb_array_real* coeff;        /**< 1-D array of at least num_coeffs values */
} zeb_fir_v7_1_rld_packet;

/** Output callback: called with the filled real data sink after a
 *  whole-packet send; its result becomes the send's result. */
typedef int (*zeb_fir_v7_1_data_handler)(const zeb_array_real* data, void* arg1, void* arg2);

/* ======================================================================
 * Functions that need no model
 * ====================================================================== */

/** Fills *config with the default filter (21 taps, single rate, 16-bit data
 *  and coefficients, 24-bit output); 1 for a null pointer. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_default_config(zeb_fir_v7_1_config* config);

/** Version text of the model, "7.1.1"; the same pointer on every call. */
ZEB_FIR_V7_1_EXPORT const char* zeb_fir_v7_1_get_version(void);

/* ======================================================================
 * Model functions
 *
 * Every function checks its pointers first (a null one gives 1 silently),
 * never lets an exception escape, and reports failures as
 * "<name> ERROR: <text>" on the message callback with status 1.
 * ====================================================================== */

/** Validates config and builds a model; null (with the reason on the message
 *  callback, flag 1) when the configuration is refused. */
ZEB_FIR_V7_1_EXPORT zeb_fir_v7_1* zeb_fir_v7_1_create(const zeb_fir_v7_1_config* config,
                                                      zeb_msg_handler msg_handler, void* msg_handle);

/** As zeb_fir_v7_1_create, and trace notes go to dbg_handler. */
ZEB_FIR_V7_1_EXPORT zeb_fir_v7_1* zeb_fir_v7_1_create_dbg(const zeb_fir_v7_1_config* config,
                                                          zeb_msg_handler msg_handler, void* msg_handle,
                                                          zeb_msg_handler dbg_handler, void* dbg_handle);

/** Releases the model and everything it owns; 1 for a null model. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_destroy(zeb_fir_v7_1* model);

/** Returns the model to its state after creation (reloaded sets stay). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_reset(zeb_fir_v7_1* model);

/** Feeds a whole packet (num_paths x num_channels [x vectors]) and fills the
 *  registered data sink; returns the output callback's result when it runs. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_send(zeb_fir_v7_1* model, const zeb_array_real* input);

/** Feeds one time slot: a 1-D record of num_paths samples. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_send_channel(zeb_fir_v7_1* model, const zeb_array_real* input);

/** zeb_fir_v7_1_data_send with the argument order of an output callback, for
 *  chaining: install it on an upstream model with the downstream model as arg1. */
ZEB_FIR_V7_1_EXPORT int zeb_fir_v7_1_data_send_handler(const zeb_array_real* input, void* model, void* unused);

/** Reads whole output vectors into the first non-null record. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get(zeb_fir_v7_1* model, zeb_array_real* output,
                                                     zeb_array_complex* output_complex);

/** Reads whole output vectors as integers in units of the output LSB. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_mpz(zeb_fir_v7_1* model, zeb_array_mpz* output,
                                                         zeb_array_mpz_complex* output_complex);

/** Reads the next output time slot (num_paths samples). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_channel(zeb_fir_v7_1* model, zeb_array_real* output,
                                                             zeb_array_complex* output_complex);

/** Reads the next output time slot as integers. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_data_get_channel_mpz(zeb_fir_v7_1* model, zeb_array_mpz* output,
                                                                 zeb_array_mpz_complex* output_complex);

/** Sets the lengths and data_size an output record needs for the input packet. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_calc_size(zeb_fir_v7_1* model, const zeb_array_real* input,
                                                      zeb_array_real* output, zeb_array_complex* output_complex);

/** As zeb_fir_v7_1_calc_size for integer output records. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_calc_size_mpz(zeb_fir_v7_1* model, const zeb_array_real* input,
                                                          zeb_array_mpz* output,
                                                          zeb_array_mpz_complex* output_complex);

/** Registers the record that every whole-packet send fills (drops any other sink). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_set_data_sink(zeb_fir_v7_1* model, zeb_array_real* sink,
                                                          zeb_array_complex* sink_complex);

/** Registers an integer data sink (drops any other sink). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_set_data_sink_mpz(zeb_fir_v7_1* model, zeb_array_mpz* sink,
                                                              zeb_array_mpz_complex* sink_complex);

/** Installs the output callback called with the real sink after each whole-packet send; null removes it. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_set_data_handler(zeb_fir_v7_1* model,
                                                             zeb_fir_v7_1_data_handler handler,
                                                             void* arg1, void* arg2);

/** Queues a configuration packet (coefficient-set selectors, channel pattern). */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_config_send(zeb_fir_v7_1* model, const zeb_fir_v7_1_cnfg_packet* packet);

/** Queues a coefficient reload packet; 1 with a warning for an invalid set index. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_reload_send(zeb_fir_v7_1* model, const zeb_fir_v7_1_rld_packet* packet);

/** Copies the model's normalised configuration (derived widths filled in,
 *  coeff null, name owned by the model) into *config. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_config(zeb_fir_v7_1* model, zeb_fir_v7_1_config* config);

/* ======================================================================
 * Channel views: the index-th sample of one channel on one path, in a
 * (path, slot, vector) record, under the basic order (pattern 175) or an
 * advanced pattern.  0 on success, 1 on failure (nothing changed).
 * Readers are bounded by data_size; writers by data_capacity, and they grow
 * dim[2] and data_size to cover what they wrote.
 * ====================================================================== */

/** Reads a channel sample of a real record into *sample. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_real_get_chan(const zeb_array_real* array, double* sample,
                                                                   size_t path, size_t chan, size_t index,
                                                                   zeb_fir_v7_1_pattern pattern);
/** Writes a channel sample of a real record. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_real_set_chan(zeb_array_real* array, double sample,
                                                                   size_t path, size_t chan, size_t index,
                                                                   zeb_fir_v7_1_pattern pattern);
/** Reads a channel sample of a complex record into *sample. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_complex_get_chan(const zeb_array_complex* array,
                                                                      zeb_complex* sample, size_t path,
                                                                      size_t chan, size_t index,
                                                                      zeb_fir_v7_1_pattern pattern);
/** Writes a channel sample of a complex record. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_complex_set_chan(zeb_array_complex* array,
                                                                      zeb_complex sample, size_t path,
                                                                      size_t chan, size_t index,
                                                                      zeb_fir_v7_1_pattern pattern);
/** Reads a channel sample of an mpz record into an initialised integer. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_get_chan(const zeb_array_mpz* array, mpz_ptr sample,
                                                                  size_t path, size_t chan, size_t index,
                                                                  zeb_fir_v7_1_pattern pattern);
/** Writes a channel sample of an mpz record. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_set_chan(zeb_array_mpz* array, mpz_srcptr sample,
                                                                  size_t path, size_t chan, size_t index,
                                                                  zeb_fir_v7_1_pattern pattern);
/** Reads a channel sample of an mpz_complex record into an initialised pair. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_get_chan(const zeb_array_mpz_complex* array,
                                                                          zeb_mpz_complex* sample,
                                                                          size_t path, size_t chan,
                                                                          size_t index,
                                                                          zeb_fir_v7_1_pattern pattern);
/** Writes a channel sample of an mpz_complex record. */
ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_zeb_array_mpz_complex_set_chan(zeb_array_mpz_complex* array,
                                                                          zeb_mpz_complex sample,
                                                                          size_t path, size_t chan,
                                                                          size_t index,
                                                                          zeb_fir_v7_1_pattern pattern);

/* ======================================================================
 * Channel pattern tables (constant, -1 marks an absent entry)
 * ====================================================================== */

#define ZEB_FIR_V7_1_NUM_PATTERNS 174
#define ZEB_FIR_V7_1_PATTERN_SLOTS 64
#define ZEB_FIR_V7_1_PATTERN_MAP_ROW 17

/** First valid pattern id for N channels (index N, 0 to 64), or -1. */
ZEB_FIR_V7_1_EXPORT extern const int32_t zeb_fir_v7_1_pattern_min[65];
/** Last valid pattern id for N channels, or -1. */
ZEB_FIR_V7_1_EXPORT extern const int32_t zeb_fir_v7_1_pattern_max[65];
/** Owner channel of slot s of pattern p: entry p * 64 + s; -1 beyond the pattern's slots. */
ZEB_FIR_V7_1_EXPORT extern const int32_t zeb_fir_v7_1_pattern_seq[ZEB_FIR_V7_1_NUM_PATTERNS * 64];
/** Slots of channel c in pattern p: row (p * 64 + c) * 17; entry 0 the count, then the slots ascending. */
ZEB_FIR_V7_1_EXPORT extern const int32_t zeb_fir_v7_1_pattern_map[ZEB_FIR_V7_1_NUM_PATTERNS * 64 * 17];

#ifdef __cplusplus
}
#endif

#endif /* ZEB_FIR_V7_1_H */
