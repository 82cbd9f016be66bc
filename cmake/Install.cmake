# Install rules: library, header, pkg-config file and CMake package, so that a
# host project can use either `pkg-config --cflags --libs zeb_fir_v7_1` or
# `find_package(zeb_fir_v7_1)` with the target zeb::zeb_fir_v7_1.  The DPI
# library comes the same ways: zeb_fir_v7_1_dpi.pc, zeb::zeb_fir_v7_1_dpi, and
# the SystemVerilog import package beside the headers.
include(CMakePackageConfigHelpers)

install(TARGETS zeb_fir_v7_1 zeb_fir_v7_1_dpi EXPORT zeb_fir_v7_1Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/include/zeb_fir_v7_1.h ${CMAKE_CURRENT_SOURCE_DIR}/include/zeb_fir_v7_1_inspect.h
        ${CMAKE_CURRENT_SOURCE_DIR}/include/zeb_fir_v7_1_slots.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dpi/zeb_fir_v7_1_dpi.h ${CMAKE_CURRENT_SOURCE_DIR}/dpi/zeb_fir_v7_1_dpi_pkg.sv
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT zeb_fir_v7_1Targets NAMESPACE zeb::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zeb_fir_v7_1)
configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/zeb_fir_v7_1Config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/zeb_fir_v7_1Config.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zeb_fir_v7_1)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/zeb_fir_v7_1ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zeb_fir_v7_1Config.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/zeb_fir_v7_1ConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zeb_fir_v7_1)

# The .pc file locates the prefix from its own directory, so an install made
# with `cmake --install --prefix DIR` reports DIR, not the configure-time prefix.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(ZEB_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH ZEB_PC_UP "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
  string(REGEX REPLACE "/$" "" ZEB_PC_UP "${ZEB_PC_UP}")
  set(ZEB_PC_PREFIX "\${pcfiledir}/${ZEB_PC_UP}")
endif()
foreach(pc zeb_fir_v7_1 zeb_fir_v7_1_dpi)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/${pc}.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
