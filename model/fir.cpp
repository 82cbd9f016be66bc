#include "model/fir.h"

FIR::FIR(const zeb_fir_v7_1_config* config, ZebLogger* logger_, ZebLogger* dbg_logger_)
    : logger(logger_), dbg_logger(dbg_logger_), configuration(), name() {
    validate_config(*config);
    refuse_unservable(*config);
    dbg_logger->note("Passed basic checks");
    copy_and_normalise(*config);
}

FIR::~FIR() = default;
