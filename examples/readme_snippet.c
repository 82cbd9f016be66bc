#include <stdio.h>
#include "zeb_fir_v7_1.h"

static void on_message(void* handle, int error, const char* text) {
    (void)handle;
    fprintf(error ? stderr : stdout, "%s\n", text);
}

int main(void) {
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1* model;

    zeb_fir_v7_1_default_config(&config);  /* 21 taps, 16-bit data and coefficients */
    config.name = "my_fir";
    config.num_channels = 4;
    config.data_width = 12;

    model = zeb_fir_v7_1_create(&config, on_message, NULL);
    if (model == NULL) {
        return 1;  /* the reason was sent to on_message */
    }
    /* ... send input, read output ... */
    zeb_fir_v7_1_destroy(model);
    return 0;
}
