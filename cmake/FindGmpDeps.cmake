# GMP and its C++ interface are the only runtime dependencies.  Prefer
# pkg-config, fall back to a plain library search, and stop with a clear
# message when either is missing.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(ZEB_GMP QUIET IMPORTED_TARGET gmp)
  pkg_check_modules(ZEB_GMPXX QUIET IMPORTED_TARGET gmpxx)
endif()

if(ZEB_GMP_FOUND AND ZEB_GMPXX_FOUND)
  add_library(zeb::gmp ALIAS PkgConfig::ZEB_GMP)
  add_library(zeb::gmpxx ALIAS PkgConfig::ZEB_GMPXX)
else()
  find_path(ZEB_GMP_INCLUDE_DIR gmp.h)
  find_path(ZEB_GMPXX_INCLUDE_DIR gmpxx.h)
  find_library(ZEB_GMP_LIBRARY gmp)
  find_library(ZEB_GMPXX_LIBRARY gmpxx)
  if(NOT ZEB_GMP_INCLUDE_DIR OR NOT ZEB_GMP_LIBRARY)
    message(FATAL_ERROR "GMP (gmp.h, libgmp) was not found: install it, for example with 'apt-get install -y libgmp-dev'")
  endif()
  if(NOT ZEB_GMPXX_INCLUDE_DIR OR NOT ZEB_GMPXX_LIBRARY)
    message(FATAL_ERROR "GMP's C++ interface (gmpxx.h, libgmpxx) was not found: install it, for example with 'apt-get install -y libgmp-dev'")
  endif()
  add_library(zeb::gmp UNKNOWN IMPORTED)
  set_target_properties(zeb::gmp PROPERTIES
    IMPORTED_LOCATION ${ZEB_GMP_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${ZEB_GMP_INCLUDE_DIR})
  add_library(zeb::gmpxx UNKNOWN IMPORTED)
  set_target_properties(zeb::gmpxx PROPERTIES
    IMPORTED_LOCATION ${ZEB_GMPXX_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${ZEB_GMPXX_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES zeb::gmp)
endif()
