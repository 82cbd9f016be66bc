/* quickstart: prints the model version and the default configuration,
 * builds a model from it, reads back the configuration the model uses and
 * releases the model.  Build and run:
 *   cmake -S . -B build && cmake --build build -j2 && ./build/example_quickstart
 */
#include <stdio.h>

#include "zeb_fir_v7_1.h"

/* Every error, warning and note of the model arrives here. */
static void on_message(void* handle, int error, const char* text) {
    (void)handle;
    fprintf(error ? stderr : stdout, "%s\n", text);
}

static void print_config(const char* title, const zeb_fir_v7_1_config* c) {
    printf("%s\n", title);
    printf("  name                 %s\n", c->name ? c->name : "(null)");
    printf("  filter_type          %d\n", c->filter_type);
    printf("  rate_change          %d\n", c->rate_change);
    printf("  interpolation_rate   %u\n", c->interpolation_rate);
    printf("  decimation_rate      %u\n", c->decimation_rate);
    printf("  zero_packing_factor  %u\n", c->zero_packing_factor);
    if (c->coeff != NULL) {
        unsigned int i;
        printf("  coeff               ");
        for (i = 0; i < c->num_coeffs * c->coeff_sets; ++i) {
            printf(" %g", c->coeff[i]);
        }
        printf("\n");
    } else {
        printf("  coeff                (not kept by the model)\n");
    }
    printf("  coeff_padding        %u\n", c->coeff_padding);
    printf("  num_coeffs           %u\n", c->num_coeffs);
    printf("  coeff_sets           %u\n", c->coeff_sets);
    printf("  reloadable           %u\n", c->reloadable);
    printf("  is_halfband          %u\n", c->is_halfband);
    printf("  quantization         %d\n", c->quantization);
    printf("  coeff_width          %u\n", c->coeff_width);
    printf("  coeff_fract_width    %u\n", c->coeff_fract_width);
    printf("  chan_seq             %d\n", c->chan_seq);
    printf("  num_channels         %u\n", c->num_channels);
    printf("  init_pattern         %d\n", (int)c->init_pattern);
    printf("  num_paths            %u\n", c->num_paths);
    printf("  data_width           %u\n", c->data_width);
    printf("  data_fract_width     %u\n", c->data_fract_width);
    printf("  output_rounding_mode %d\n", c->output_rounding_mode);
    printf("  output_width         %u\n", c->output_width);
    printf("  output_fract_width   %u\n", c->output_fract_width);
    printf("  config_method        %d\n", c->config_method);
}

int main(void) {
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_config used;
    zeb_fir_v7_1* model;

    printf("FIR model version %s\n", zeb_fir_v7_1_get_version());

    if (zeb_fir_v7_1_default_config(&config) != ZEB_STATUS_OK) {
        return 1;
    }
    print_config("Default configuration:", &config);

    model = zeb_fir_v7_1_create(&config, on_message, NULL);
    if (model == NULL) {
        return 1;
    }
    if (zeb_fir_v7_1_get_config(model, &used) != ZEB_STATUS_OK) {
        zeb_fir_v7_1_destroy(model);
        return 1;
    }
    print_config("Configuration in use by the model:", &used);

    return zeb_fir_v7_1_destroy(model) == ZEB_STATUS_OK ? 0 : 1;
}
