// The model engine: one configured instance of the filter block.  The C
// handle given to hosts is a pointer to this object.
#ifndef ZEB_FIR_MODEL_FIR_H
#define ZEB_FIR_MODEL_FIR_H

#include <string>

#include "interface/zeb_logger.h"
#include "model/fir_exception.h"
#include "zeb_fir_v7_1.h"

class FIR {
public:
    // Validates *config, keeps a normalised copy and builds the model.
    // Throws FIRException (or a kernel / fixed-point exception) on refusal.
    FIR(const zeb_fir_v7_1_config* config, ZebLogger* logger, ZebLogger* dbg_logger);
    virtual ~FIR();

    FIR(const FIR&) = delete;
    FIR& operator=(const FIR&) = delete;

    ZebLogger* get_logger() const { return logger; }
    ZebLogger* get_dbg_logger() const { return dbg_logger; }

    // Normalised configuration, name pointing at the model's own text.
    int get_config(zeb_fir_v7_1_config& out) const;

private:
    // Configuration checks and normalisation (fir_validate.cpp).
    static void validate_config(const zeb_fir_v7_1_config& config);
    static void refuse_unservable(const zeb_fir_v7_1_config& config);
    void copy_and_normalise(const zeb_fir_v7_1_config& config);

    ZebLogger* logger;
    ZebLogger* dbg_logger;
    zeb_fir_v7_1_config configuration;
    std::string name;
};

#endif
