// The short way of one time slot through double kernels: the samples go
// straight to their kernels, and an output leaves with one multiplication
// when the output quantiser would change nothing else.  It works on the
// bank's own kernels and buffers, so slots may take it or the general path
// in any order.
#ifndef ZEB_FIR_MODEL_SLOT_LANE_H
#define ZEB_FIR_MODEL_SLOT_LANE_H

#include "filter/fir_filter.h"
#include "fixedpoint/ffp_context.h"
#include "model/sample_fifo.h"

class SlotLane {
public:
    // kernels and outputs: [path * channels + chan], as the bank holds them.
    SlotLane(FirFilter<double, double>* kernels, SampleFifo<double>* outputs, unsigned int channels,
             double din_inv_scale, const FFPContext& dout_fmt, double dout_scale, double out_fract_scale);

    // One quantised sample (integer units of the input format) into the
    // kernel of (path, chan); `idle`: nothing waits for a synchronisation
    // point, so the kernel need not call out at one.  Inline, as the whole
    // lane: a slot is a few dozen instructions of work, and every call level
    // costs a share of it.
    void feed(unsigned int path, unsigned int chan, double sample, bool idle) {
        const std::size_t i = std::size_t{path} * channels_ + chan;
        if (idle) kernels_[i].pass_idle_sync_point();
        kernels_[i].run_one(sample * din_inv_scale_, outputs_[i]);
    }
    // What a slot read got: the slot, nothing because a path holds no
    // sample of the channel yet, or nothing because the general read has
    // more to do (an output to round fully, closed runs, notes).
    enum class Take { slot, none, declined };
    // The oldest output of chan on every path, rounded, into values; nothing
    // is taken unless the slot is.
    Take take(double* values, unsigned int paths, unsigned int chan) {
        if (paths == 1) return take_one(values, chan);  // the usual model: no loops
        Take all = Take::slot;
        for (unsigned int p = 0; p < paths && all != Take::none; ++p) {
            const SampleFifo<double>& out = outputs_[std::size_t{p} * channels_ + chan];
            if (out.empty()) {
                all = Take::none;
            } else if (!out_quiet_.holds(out.data()[0] * factor_)) {
                all = Take::declined;
            }
        }
        if (all != Take::slot) return all;
        for (unsigned int p = 0; p < paths; ++p) {
            SampleFifo<double>& out = outputs_[std::size_t{p} * channels_ + chan];
            values[p] = (out.front() * factor_ + 0.0) * out_inv_scale_;
            out.pop_front();
        }
        return Take::slot;
    }
    // Rounded outputs in units of the output LSB, as integer records hold them.
    double integer_scale() const { return out_fract_scale_; }

private:
    Take take_one(double* value, unsigned int chan) {
        SampleFifo<double>& out = outputs_[chan];
        if (out.empty()) return Take::none;
        const double y = out.front() * factor_;
        if (!out_quiet_.holds(y)) return Take::declined;
        *value = (y + 0.0) * out_inv_scale_;
        out.pop_front();
        return Take::slot;
    }

    FirFilter<double, double>* kernels_;
    SampleFifo<double>* outputs_;
    unsigned int channels_;
    double din_inv_scale_;
    // What the bank's own rounding computes for one sample in the quiet range.
    FFPContext::QuietRange out_quiet_;
    double factor_;
    double out_inv_scale_;
    double out_fract_scale_;
};

#endif
