// Library constants shared by the default configuration and the version text.
#ifndef ZEB_FIR_INTERFACE_DEFAULTS_H
#define ZEB_FIR_INTERFACE_DEFAULTS_H

#include <cstddef>

namespace zeb_defaults {

// Default instance name; the version text is derived from it as well.
inline constexpr char model_name[] = "pilvoran_v7_1";

// Patch level appended to the version taken from the name: ".PATCH" of the
// project's version, which the build passes in.
#ifndef ZEB_FIR_VERSION_PATCH
#error "ZEB_FIR_VERSION_PATCH (\".PATCH\") must be defined by the build"
#endif
inline constexpr char version_patch[] = ZEB_FIR_VERSION_PATCH;

inline constexpr std::size_t num_default_coeffs = 21;

}  // namespace zeb_defaults

// Coefficients of the default filter (one symmetric set of 21 taps).
extern const double zeb_fir_v7_1_default_coeff[zeb_defaults::num_default_coeffs];

#endif
