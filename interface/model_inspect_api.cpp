// Exported inspection functions (zeb_fir_v7_1_inspect.h).
#include <algorithm>
#include <climits>
#include <cstdint>

#include "interface/entry_frame.h"
#include "interface/records.h"
#include "model/fir_exception.h"
#include "zeb_fir_v7_1_inspect.h"

extern "C" {

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_info(zeb_fir_v7_1* model, zeb_fir_v7_1_info* info) {
    if (model == nullptr || info == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model get_info", [info](FIR& fir) {
        zeb_fir_v7_1_config cfg;
        fir.get_config(cfg);
        const FIR::Info in = fir.inspect();
        *info = zeb_fir_v7_1_info{cfg.data_width,
                                  cfg.data_fract_width,
                                  cfg.coeff_width,
                                  cfg.coeff_fract_width,
                                  in.acc_width,
                                  cfg.output_width,
                                  cfg.output_fract_width,
                                  in.output_lsb_exponent,
                                  static_cast<int>(in.arithmetic),
                                  in.pattern,
                                  in.queued_configs,
                                  in.queued_reloads};
        return ZEB_STATUS_OK;
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_coefficients(zeb_fir_v7_1* model, unsigned int set,
                                                             zeb_array_real* out) {
    if (model == nullptr || out == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model get_coefficients", [set, out](FIR& fir) {
        const std::vector<double> values = fir.quantised_coefficients(set);
        if (zeb_records::fill_1d(*out, values.data(), values.size()) != ZEB_STATUS_OK)
            throw FIRException("Unable to reserve room for the coefficients");
        return ZEB_STATUS_OK;
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_group_delay(zeb_fir_v7_1* model, unsigned int set,
                                                            double* input_samples, double* output_samples) {
    if (model == nullptr || input_samples == nullptr || output_samples == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model get_group_delay", [=](FIR& fir) {
        const FIR::GroupDelay delay = fir.group_delay(set);
        *input_samples = delay.input_samples;
        *output_samples = delay.output_samples;
        return ZEB_STATUS_OK;
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_wrap_counts(zeb_fir_v7_1* model, zeb_fir_v7_1_wrap_counts* counts) {
    if (model == nullptr || counts == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model get_wrap_counts", [counts](FIR& fir) {
        const WrapTally& t = fir.wrap_tally();
        auto position = [](const SideWraps& side) {
            const StreamPosition& at = side.first();
            return side.total() == 0 ? zeb_fir_v7_1_position{0, 0, 0}
                                     : zeb_fir_v7_1_position{at.vector, at.path, at.slot};
        };
        *counts = zeb_fir_v7_1_wrap_counts{t.input.total(), t.output.total(), t.coefficients, position(t.input),
                                           position(t.output)};
        return ZEB_STATUS_OK;
    });
}

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_clear_wrap_counts(zeb_fir_v7_1* model) {
    if (model == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model clear_wrap_counts", [](FIR& fir) {
        fir.clear_wraps();
        return ZEB_STATUS_OK;
    });
}

namespace {

// Per-channel counts into a paths x channels record, saturated at UINT_MAX.
void put_counts(zeb_array_uint& out, const std::vector<std::uint64_t>& counts, std::size_t paths) {
    if (zeb_records::shape(out, {paths, counts.size() / paths}) != ZEB_STATUS_OK)
        throw FIRException("Unable to reserve room for the wrap counts");
    for (std::size_t i = 0; i < counts.size(); ++i)
        out.data[i] = static_cast<unsigned int>(std::min<std::uint64_t>(counts[i], UINT_MAX));
}

}  // namespace

ZEB_FIR_V7_1_EXPORT zeb_status zeb_fir_v7_1_get_wrap_counts_by_channel(zeb_fir_v7_1* model, zeb_array_uint* input,
                                                                       zeb_array_uint* output) {
    if (model == nullptr || input == nullptr || output == nullptr) return ZEB_STATUS_ERROR;
    return call_model(model, "Uncaught exception in FIR model get_wrap_counts_by_channel", [=](FIR& fir) {
        zeb_fir_v7_1_config cfg;
        fir.get_config(cfg);
        put_counts(*input, fir.wrap_tally().input.per_channel(), cfg.num_paths);
        put_counts(*output, fir.wrap_tally().output.per_channel(), cfg.num_paths);
        return ZEB_STATUS_OK;
    });
}

}  // extern "C"
