#include "model/slot_lane.h"

SlotLane::SlotLane(FirFilter<double, double>* kernels, SampleFifo<double>* outputs, unsigned int channels,
                   double din_inv_scale, const FFPContext& dout_fmt, double dout_scale, double out_fract_scale)
    : kernels_(kernels),
      outputs_(outputs),
      channels_(channels),
      din_inv_scale_(din_inv_scale),
      out_quiet_(dout_fmt.quiet_range()),
      factor_(dout_fmt.getScale() / dout_scale),
      out_inv_scale_(dout_fmt.getInvScale()),
      out_fract_scale_(out_fract_scale) {}
