/*
 * A minimal host: an interpolate-by-two filter on the default coefficients,
 * fed one packet of eight input vectors; prints one output sample per line,
 * the same layout as `zeb-fir --set filter_type=INTERPOLATION
 * --set interpolation_rate=2`.
 *
 * Build against an installed library:
 *   cc interpolate_by_two.c $(pkg-config --cflags --libs zeb_fir_v7_1)
 */
#include <stdio.h>

#include "zeb_fir_v7_1.h"

/* Every error, warning and note of the model arrives here. */
static void print_message(void* handle, int error, const char* text)
{
    (void)handle;
    fprintf(stderr, "%s: %s\n", error ? "error" : "message", text);
}

int main(void)
{
    static const double input[8] = {1, 0, 0, 0, 100, 200, -300, 0};
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1* model;
    zeb_array_real* packet;
    zeb_array_real* output;
    size_t i;
    int status = 1;

    zeb_fir_v7_1_default_config(&config);
    config.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    config.interpolation_rate = 2;
    model = zeb_fir_v7_1_create(&config, print_message, NULL);
    if (!model)
        return 1;

    /* Input packet: paths x channels x vectors = 1 x 1 x 8. */
    packet = zeb_fir_v7_1_zeb_array_real_create();
    output = zeb_fir_v7_1_zeb_array_real_create();
    if (!packet || !output || zeb_fir_v7_1_zeb_array_real_reserve_dim(packet, 3) ||
        zeb_fir_v7_1_zeb_array_real_reserve_data(packet, 8) || zeb_fir_v7_1_zeb_array_real_reserve_dim(output, 3))
        goto done;
    packet->dim_size = 3;
    packet->dim[0] = 1;
    packet->dim[1] = 1;
    packet->dim[2] = 8;
    packet->data_size = 8;
    for (i = 0; i < 8; ++i)
        packet->data[i] = input[i];

    /* The output record gets the lengths the packet produces (1 x 1 x 16),
       then the storage for them. */
    output->dim_size = 3;
    if (zeb_fir_v7_1_calc_size(model, packet, output, NULL) ||
        zeb_fir_v7_1_zeb_array_real_reserve_data(output, output->data_size))
        goto done;

    if (zeb_fir_v7_1_data_send(model, packet) || zeb_fir_v7_1_data_get(model, output, NULL))
        goto done;
    for (i = 0; i < output->data_size; ++i)
        printf("%g\n", output->data[i]);
    status = 0;

done:
    zeb_fir_v7_1_zeb_array_real_destroy(output);
    zeb_fir_v7_1_zeb_array_real_destroy(packet);
    zeb_fir_v7_1_destroy(model);
    return status;
}
