// The model engine: one configured instance of the filter block.  The C
// handle given to hosts is a pointer to this object.
#ifndef ZEB_FIR_MODEL_FIR_H
#define ZEB_FIR_MODEL_FIR_H

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "fixedpoint/ffp_context.h"
#include "model/fir_exception.h"
#include "model/host_io.h"
#include "model/kernel_bank.h"
#include "model/output_runs.h"
#include "model/wrap_tally.h"
#include "model/zeb_logger.h"
#include "zeb_fir_v7_1.h"

// A configuration packet waiting for its synchronisation point.
struct QueuedConfig {
    zeb_fir_v7_1_pattern chanpat;
    std::vector<unsigned int> fsel;
};

// A coefficient reload waiting for the next applied configuration packet.
struct QueuedReload {
    unsigned int fsel;
    std::vector<double> coeff;
};

class FIR {
public:
    // Validates *config, keeps a normalised copy and builds the model.
    // Throws FIRException (or a kernel / fixed-point exception) on refusal.
    // `kernels`: the integer mode's arithmetic where 128-bit kernels would
    // serve it (tests compare the two); the double mode ignores it.
    FIR(const zeb_fir_v7_1_config* config, ZebLogger* logger, ZebLogger* dbg_logger,
        Arithmetic kernels = Arithmetic::int128);
    virtual ~FIR();

    FIR(const FIR&) = delete;
    FIR& operator=(const FIR&) = delete;

    int reset();

    int data_send(const InputRecord& input);
    int data_send_chan(const InputRecord& input);

    int data_get(OutputRecord& out);
    int data_get_chan(OutputRecord& out);

    // Output vectors of an input packet of that many vectors.
    std::size_t calc_size(std::size_t input_vectors) const;

    // The one registered sink (a new one replaces it).
    int set_data_sink(std::unique_ptr<OutputSink> new_sink);
    int set_data_handler(zeb_fir_v7_1_data_handler handler, void* arg1, void* arg2);
    // The output callback a whole-packet send ends with, once it has filled
    // the real sink (handler null when none is due); the handle layer calls it.
    struct OutputCall {
        zeb_fir_v7_1_data_handler handler;
        const zeb_array_real* data;
        void* arg1;
        void* arg2;
    };
    OutputCall output_call() const;

    int config_send(zeb_fir_v7_1_pattern chanpat, const PacketArray<unsigned int>& fsel);
    int reload_send(unsigned int fsel, const PacketArray<double>& coeff);
    int cnfg_sync();

    // Normalised configuration, name pointing at the model's own text.
    int get_config(zeb_fir_v7_1_config& out) const;

    // What a host may inspect beyond the configuration.
    struct Info {
        int acc_width;
        int output_lsb_exponent;  // the output LSB weighs 2^this in input-value units
        Arithmetic arithmetic;
        zeb_fir_v7_1_pattern pattern;
        std::size_t queued_configs;
        std::size_t queued_reloads;
    };
    Info inspect() const;
    // The num_coeffs quantised coefficients of set as the kernels take them,
    // in coefficient LSBs; throws for a set the model does not have.
    std::vector<double> quantised_coefficients(unsigned int set) const;
    // Delay from an input sample to the centre of its response through set,
    // in input and in output samples: an impulse at input index i is centred
    // at output index i * L / M + output_samples.  Throws for a set that is
    // not linear-phase.
    struct GroupDelay {
        double input_samples;
        double output_samples;
    };
    GroupDelay group_delay(unsigned int set) const;

    // Wraps since creation, reset or clear_wraps.
    const WrapTally& wrap_tally() const { return wraps; }
    void clear_wraps() { wraps.clear(); }

    // Quantised, padded and packed coefficient sets from raw values (counts
    // the coefficients that wrap).
    std::vector<std::vector<double>> process_coeff(const double* values, unsigned int sets);

    // The arithmetic chosen at creation.
    Arithmetic arithmetic() const { return bank->arithmetic(); }

    // The most data paths a model can have.
    static constexpr unsigned int kMaxPaths = 16;
    unsigned int num_paths() const { return configuration.num_paths; }

    // The short way of one time slot (model/fir_slot_lane.h), which the C
    // entries try before data_send_chan and data_get_chan, for a slot
    // record already checked: its values go straight to the kernels (false,
    // with nothing done, wherever the general path has more to do), or the
    // next output slot goes straight into values, as reals or as integers
    // in units of the output LSB (SlotLane::Take says what it got).
    inline bool send_slot_by_lane(const double* values);
    inline SlotLane::Take take_slot_by_lane(double* values);
    inline SlotLane::Take take_slot_by_lane(mpz_ptr values);
    // Output rounding of the integer mode: x / dout_scale by the rounding rule.
    void dout_trim_mpz(mpz_class& result, const mpz_class& x) const;

private:
    // Configuration checks and normalisation (fir_validate.cpp).
    static void validate_config(const zeb_fir_v7_1_config& config);
    static void refuse_unservable(const zeb_fir_v7_1_config& config);
    void copy_and_normalise(const zeb_fir_v7_1_config& config);

    // What the configuration and the coefficients imply for the arithmetic.
    struct Widths {
        double coeff_scale;
        int acc_width;
        unsigned int output_width;
        unsigned int output_fract_width;
        bool integer_mode;  // the accumulator outgrows a double's 53 bits
        FFPContext coeff_fmt;
        double dout_scale;
    };
    Widths derive_widths(const double* coeff) const;
    void apply_widths(const Widths& widths);
    Arithmetic choose_arithmetic(bool integer_mode, Arithmetic kernels) const;
    void build_bank(Arithmetic arithmetic);
    void select_initial_pattern();

    bool kernel_sums_fit(int bits) const;
    // 128-bit kernels: where their samples and coefficients split into
    // 32-bit parts whose sums fit 63 bits (0: nowhere).
    int kernel_split_shift() const;
    bool outputs_may_wrap() const;

    // Data paths.
    unsigned int channel_of_slot(unsigned int slot) const { return slot_channel(CurrentPattern, slot); }
    // The slots each channel owns under pattern, in slot order:
    // slot_list[slot_begin[c] .. slot_begin[c + 1]).
    void list_owned_slots(zeb_fir_v7_1_pattern pattern);
    // After list_owned_slots: whether every channel owns exactly one slot.
    bool one_slot_per_channel() const;
    // Samples of a block moved through rows (one per path and slot): rows
    // of a few hundred samples, so that each kernel call is long enough to
    // pay for itself, in a block that stays in the last-level cache.
    static constexpr std::size_t kRowBlockSamples = 524288;
    // The same for reads: the rows go into the record from the cache.
    static constexpr std::size_t kReadRowBlockSamples = 131072;
    // Distance between rows of `vectors` samples: one cache line more, so
    // that rows of a power-of-two length do not all fall on the same cache
    // sets while a transpose walks across them.
    static std::size_t row_stride(std::size_t vectors) { return vectors + 8; }
    // Rows from a cache line boundary on: a tile's stores fill whole lines.
    template <typename Vec>
    static double* line_aligned_rows(Vec& buffer, std::size_t count) {
        buffer.resize(count + 8);
        const std::size_t misalign = reinterpret_cast<std::uintptr_t>(buffer.data()) % 64 / sizeof(double);
        return buffer.data() + (misalign == 0 ? 0 : 8 - misalign);
    }
    // Vectors per block of the block paths, for blocks of about `elements` samples.
    std::size_t block_vectors(std::size_t elements) const;
    // Input samples in to integer units of the input format in values (in
    // may be values); returns how many wrapped, and in first where the first did.
    std::size_t quantise_input(const double* in, double* values, std::size_t count, std::size_t& first);
    // One sample of path in slot (carrying chan) of the input vector `vector`.
    void feed(double x, unsigned int path, unsigned int chan, unsigned int slot, std::uint64_t vector);
    // Feeds vectors [first, last) of a packet channel by channel in blocks;
    // only while no configuration packet is queued.  as_they_are: every
    // sample is a value of the input format already.
    void feed_blocks(const double* data, std::size_t first, std::size_t last, bool as_they_are);
    void feed_rows(const double* data, std::size_t vectors, std::uint64_t first_vector, bool as_they_are);
    void next_input_slot() {
        if (++chan_pos_in == static_cast<int>(configuration.num_channels)) {
            chan_pos_in = 0;
            ++vectors_in;
        }
    }

    // Output stream (fir_output.cpp, model/output_runs.h).
    // Samples of chan that every path holds in the open run (the pattern in force).
    std::size_t open_held(unsigned int chan) const;
    // Whole vectors the host can read: closed runs, then complete vectors of the open run.
    std::size_t available_vectors() const;
    // At a pattern change: the output so far keeps the pattern it was produced under.
    void close_open_run();
    // The next output slot at slot position s: its channel, whether it can
    // be read yet and whether a sample fills it (else it reads as zero).
    struct SlotSource {
        unsigned int chan;
        bool ready;
        bool filled;
    };
    SlotSource next_slot(unsigned int s) const;
    // The host has read the slot at s: closed-run bookkeeping.
    void slot_taken(unsigned int s, const SlotSource& source);
    void next_output_slot() {
        if (++chan_pos_out == static_cast<int>(configuration.num_channels)) {
            chan_pos_out = 0;
            ++vectors_out;
        }
    }
    void read_vector_by_slots(OutputRecord& out, std::size_t vector, std::vector<int>* note_counts);
    // After a take of path's samples that put sample k at record element
    // place(k) of a read starting at output vector `first_vector`: counts
    // its output wraps.
    void count_output_wraps(unsigned int path, unsigned int chan, const BlockPlace& place, std::uint64_t first_vector);
    ReadSource read_source();
    void get_blocks(OutputRecord& out, zeb_fir_v7_1_pattern pattern, std::size_t at, std::size_t vectors);
    void get_rows(double* elements, std::size_t vectors, std::uint64_t first_vector);
    void prefetch_after(unsigned int path, unsigned int chan, std::size_t count) const;
    int deliver();

    ZebLogger* logger;
    ZebLogger* dbg_logger;
    zeb_fir_v7_1_config configuration;
    std::string name;
    FFPContext coeff_fmt;
    double coeff_scale;
    std::vector<std::vector<double>> coeffs;
    int acc_width;
    std::unique_ptr<OutputSink> sink;
    zeb_fir_v7_1_data_handler data_handler;
    void* data_handler_arg1;
    void* data_handler_arg2;
    std::deque<QueuedConfig> cnfg_queue;
    std::deque<QueuedReload> rld_queue;
    FFPContext din_fmt;
    FFPContext::QuietRange din_quiet{};  // din_fmt's: where a sample needs no quantising
    std::unique_ptr<KernelBank> bank;
    SlotLane* lane = nullptr;  // the bank's, if it has one
    int chan_pos_in;
    int chan_pos_out;
    zeb_fir_v7_1_pattern CurrentPattern;
    double dout_scale;
    RndMode out_rnd;
    OutputRuns closed_runs;
    double data_fract_scale;  // 2^data_fract_width
    WrapTally wraps;
    std::uint64_t vectors_in;           // whole input vectors fed since creation or reset
    std::uint64_t vectors_out;          // whole output vectors read since creation or reset
    std::uint64_t bank_wraps_seen = 0;  // the bank's output wrap count already in wraps

    // Scratch, reused from call to call.
    mpz_class out_mpz;
    std::vector<double, DefaultInitAllocator<double>> block_values;  // a new model's first block is not cleared first
    std::vector<double> out_values;
    std::vector<std::size_t> block_index;
    std::vector<unsigned int> slot_list;
    std::vector<std::size_t> slot_begin;
    std::vector<SlotSource> slot_sources;
};

// Change-configuration handler installed on the kernel of path 0, channel 0.
int call_cnfg_sync(void* model);

#endif
