#include "model/fir.h"

int FIR::get_config(zeb_fir_v7_1_config& out) const {
    out = configuration;
    out.name = name.c_str();
    return 0;
}
