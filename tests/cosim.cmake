# The co-simulation example: Verilator builds the bench, which checks RTL
# filters against the model through the DPI library every output cycle.
# Not in the sanitizer build: the simulator is built without the sanitizers
# and cannot load an instrumented library.
if(ZEB_FIR_SANITIZE OR NOT TARGET zeb_fir_v7_1_dpi)
  return()
endif()

find_program(ZEB_VERILATOR verilator)
set(ZEB_VERILATOR_VERSION "")
if(ZEB_VERILATOR)
  execute_process(COMMAND ${ZEB_VERILATOR} --version OUTPUT_VARIABLE ZEB_VERILATOR_VERSION ERROR_QUIET)
  string(REGEX MATCH "[0-9]+\\.[0-9]+" ZEB_VERILATOR_VERSION "${ZEB_VERILATOR_VERSION}")
endif()
if(NOT ZEB_VERILATOR_VERSION OR ZEB_VERILATOR_VERSION VERSION_LESS 5.0)
  set(reason "verilator 5 or later is not installed: the co-simulation bench is skipped")
  add_test(NAME cosim_verilator COMMAND ${CMAKE_COMMAND} -E echo "${reason}")
  set_tests_properties(cosim_verilator PROPERTIES SKIP_REGULAR_EXPRESSION "is skipped")
  message(STATUS "${reason}")
  return()
endif()

set(bench ${CMAKE_CURRENT_BINARY_DIR}/cosim)
add_test(NAME cosim_verilate
  COMMAND bash ${PROJECT_SOURCE_DIR}/examples/cosim/verilate.sh ${bench} $<TARGET_FILE:zeb_fir_v7_1_dpi>)
set_tests_properties(cosim_verilate PROPERTIES FIXTURES_SETUP cosim PROCESSORS 2 LABELS cosim)
# A passing run ends with the model's group delay (read through the real
# outputs of a DPI call) and the PASS line.
foreach(variant_delay "fir21;10;10" "decim2;9;4.5")
  list(GET variant_delay 0 variant)
  list(GET variant_delay 1 delay_in)
  list(GET variant_delay 2 delay_out)
  add_test(NAME cosim_${variant} COMMAND ${bench}/tb_cosim +variant=${variant})
  set_tests_properties(cosim_${variant} PROPERTIES PASS_REGULAR_EXPRESSION
    "group delay ${delay_in} input samples \\(${delay_out} output samples\\)\nPASS ${variant}: ")
endforeach()
# The broken RTL must stop the run at its first wrong output.
add_test(NAME cosim_broken
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/expect_failure.sh "MISMATCH at cycle [0-9]+ .*: RTL -?[0-9]+, model -?[0-9]+"
          ${bench}/tb_cosim +variant=broken)
set_tests_properties(cosim_fir21 cosim_decim2 cosim_broken PROPERTIES FIXTURES_REQUIRED cosim LABELS cosim)
