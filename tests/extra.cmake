# The capi_tool_* tests run the zeb-fir program (and the example host) as
# processes: build those before the tests.
foreach(t IN ITEMS capi_tool_options capi_tool_stream capi_tool_compare capi_tool_packets capi_tool_example)
  if(TARGET ${t})
    add_dependencies(${t} zeb-fir)
  endif()
endforeach()
if(TARGET capi_tool_example AND TARGET example_interpolate_by_two)
  add_dependencies(capi_tool_example example_interpolate_by_two)
endif()
