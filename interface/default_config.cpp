#include "interface/defaults.h"
#include "zeb_fir_v7_1.h"

const double zeb_fir_v7_1_default_coeff[zeb_defaults::num_default_coeffs] = {6,  0, -4,  -3, 5, 6, -6, -13, 7, 44, 64,
                                                                             44, 7, -13, -6, 6, 5, -3, -4,  0, 6};

zeb_status zeb_fir_v7_1_default_config(zeb_fir_v7_1_config* config) {
    if (config == nullptr) {
        return ZEB_STATUS_ERROR;
    }
    config->name = zeb_defaults::model_name;
    config->filter_type = ZEB_FIR_V7_1_SINGLE_RATE;
    config->rate_change = ZEB_FIR_V7_1_INTEGER_RATE;
    config->interpolation_rate = 1;
    config->decimation_rate = 1;
    config->zero_packing_factor = 1;
    config->coeff = zeb_fir_v7_1_default_coeff;
    config->coeff_padding = 0;
    config->num_coeffs = static_cast<unsigned int>(zeb_defaults::num_default_coeffs);
    config->coeff_sets = 1;
    config->reloadable = 0;
    config->is_halfband = 0;
    config->quantization = ZEB_FIR_V7_1_QUANTIZE_INTEGER;
    config->coeff_width = 16;
    config->coeff_fract_width = 0;
    config->chan_seq = ZEB_FIR_V7_1_BASIC_CHAN_SEQ;
    config->num_channels = 1;
    config->init_pattern = ZEB_FIR_V7_1_PATTERN_BASIC;
    config->num_paths = 1;
    config->data_width = 16;
    config->data_fract_width = 0;
    config->output_rounding_mode = ZEB_FIR_V7_1_FULL_PRECISION;
    config->output_width = 24;
    config->output_fract_width = 0;
    config->config_method = ZEB_FIR_V7_1_CONFIG_SINGLE;
    return ZEB_STATUS_OK;
}
