#include "model/fir.h"

#include <algorithm>
#include <cmath>

#include "fixedpoint/rounding.h"
#include "patterns/pattern_tables.h"

namespace {
// Every context starts as a plain 32-bit integer format and is rebuilt once
// the configuration is known.
FFPContext initial_context() { return FFPContext(32, 0, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_NONE); }
}  // namespace

FIR::FIR(const zeb_fir_v7_1_config* config, ZebLogger* logger_, ZebLogger* dbg_logger_, Arithmetic kernels)
    : logger(logger_),
      dbg_logger(dbg_logger_),
      configuration(),
      name(),
      coeff_fmt(initial_context()),
      coeff_scale(1.0),
      coeffs(),
      acc_width(0),
      data_handler(nullptr),
      data_handler_arg1(nullptr),
      data_handler_arg2(nullptr),
      din_fmt(initial_context()),
      chan_pos_in(0),
      chan_pos_out(0),
      CurrentPattern(ZEB_FIR_V7_1_PATTERN_BASIC),
      dout_scale(1.0),
      out_rnd(RND_NONE),
      data_fract_scale(1.0),
      vectors_in(0),
      vectors_out(0) {
    validate_config(*config);
    refuse_unservable(*config);
    dbg_logger->note("Passed basic checks");
    copy_and_normalise(*config);

    const Widths widths = derive_widths(config->coeff);
    apply_widths(widths);
    coeffs = process_coeff(config->coeff, configuration.coeff_sets);

    const int dw = static_cast<int>(configuration.data_width);
    const int dfw = static_cast<int>(configuration.data_fract_width);
    din_fmt = FFPContext(dw, dfw, RND_DOWN, OVF_WRAP, SIGN_SIGNED, WARN_ONCE);
    din_quiet = din_fmt.quiet_range();
    data_fract_scale = std::ldexp(1.0, dfw);
    out_rnd = rounding::output_rule(static_cast<unsigned int>(configuration.output_rounding_mode));

    select_initial_pattern();
    closed_runs.clear(configuration.num_channels);
    wraps.input.shape(configuration.num_paths, configuration.num_channels);
    wraps.output.shape(configuration.num_paths, configuration.num_channels);
    build_bank(choose_arithmetic(widths.integer_mode, kernels));
}

FIR::~FIR() = default;

void FIR::select_initial_pattern() {
    if (configuration.chan_seq != ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ) {
        CurrentPattern = ZEB_FIR_V7_1_PATTERN_BASIC;
        return;
    }
    if (!pattern_valid_for(configuration.init_pattern, configuration.num_channels)) {
        logger->warn("Channel pattern ID is invalid for specified number of channels, using default value");
        configuration.init_pattern = pattern_first_for(configuration.num_channels);
    }
    CurrentPattern = configuration.init_pattern;
}

void FIR::list_owned_slots(zeb_fir_v7_1_pattern pattern) {
    const unsigned int C = configuration.num_channels;
    slot_list.resize(C);
    slot_begin.resize(C + 1);
    std::size_t next = 0;
    for (unsigned int c = 0; c < C; ++c) {
        slot_begin[c] = next;
        if (pattern == ZEB_FIR_V7_1_PATTERN_BASIC) {
            slot_list[next++] = c;
            continue;
        }
        for (unsigned int s = 0; s < C; ++s) {
            if (slot_channel(pattern, s) == c) slot_list[next++] = s;
        }
    }
    slot_begin[C] = next;
}

bool FIR::one_slot_per_channel() const {
    for (unsigned int c = 0; c < configuration.num_channels; ++c) {
        if (slot_begin[c + 1] - slot_begin[c] != 1) return false;
    }
    return true;
}

std::size_t FIR::block_vectors(std::size_t elements) const {
    // Up to 4096 samples per kernel call, long enough to vectorise; and with
    // many paths and channels few enough vectors (about `elements` samples
    // in all) that a block's part of the packet stays in cache while every
    // path and channel takes its samples from it.
    constexpr std::size_t kBlockSamples = 4096;
    constexpr std::size_t kFewestVectors = 32;
    std::size_t most = 1;
    for (unsigned int c = 0; c < configuration.num_channels; ++c) {
        most = std::max(most, slot_begin[c + 1] - slot_begin[c]);
    }
    const std::size_t per_vector = static_cast<std::size_t>(configuration.num_paths) * configuration.num_channels;
    const std::size_t vectors = std::min(kBlockSamples / most, elements / per_vector);
    return std::max(vectors, kFewestVectors);
}
