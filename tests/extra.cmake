# Tests that run programs rather than GoogleTest cases.

# The example programs must run to completion.
foreach(example quickstart readme_snippet)
  if(TARGET example_${example})
    add_test(NAME example_${example} COMMAND example_${example})
  endif()
endforeach()

# Installing and consuming the package.  Skipped under the sanitizers: a host
# built without them cannot load an instrumented library.
if(NOT ZEB_FIR_SANITIZE)
  add_test(NAME install_consumer
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install_consumer.sh
            ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/install_consumer ${CMAKE_C_COMPILER}
            ${PROJECT_VERSION})
  # Needs the installed library to exist, which a full build provides.
  set_tests_properties(install_consumer PROPERTIES LABELS install)
endif()

# capi_tool runs the zeb-fir program and the example host as processes:
# build those before it.
if(TARGET capi_tool)
  add_dependencies(capi_tool zeb-fir)
  if(TARGET example_interpolate_by_two)
    add_dependencies(capi_tool example_interpolate_by_two)
  endif()
endif()
