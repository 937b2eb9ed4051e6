# Build-time tools run on the build machine, also when the module is
# cross-compiled. The native tree builds them and writes their imported
# targets to <native build>/host-tools.cmake; vf_import_host_tools() brings
# them into a cross tree as host::<tool>.

set(VF_HOST_TOOLS_FILE host-tools.cmake)

# In the native tree: makes `targets` importable by the cross trees.
function(vf_export_host_tools)
  export(TARGETS ${ARGN} NAMESPACE host:: FILE ${CMAKE_BINARY_DIR}/${VF_HOST_TOOLS_FILE})
endfunction()

# In a cross tree: imports the native tree's tools, which must be built already.
function(vf_import_host_tools)
  set(VF_HOST_TOOLS ${PROJECT_SOURCE_DIR}/build/native/${VF_HOST_TOOLS_FILE}
      CACHE FILEPATH "Build-time tools of the native tree, for the cross builds")
  # Indented, so that CMake prints the command on one line.
  set(build_first "Build them first:\n  cmake --preset native && cmake --build build/native --target encipher_texts")
  if(NOT EXISTS ${VF_HOST_TOOLS})
    message(FATAL_ERROR "The build-time tools come from the native build tree, and it has none yet "
                        "(${VF_HOST_TOOLS} is missing). ${build_first}")
  endif()
  include(${VF_HOST_TOOLS})
  get_target_property(configurations host::encipher_texts IMPORTED_CONFIGURATIONS)
  list(GET configurations 0 configuration)
  get_target_property(tool host::encipher_texts IMPORTED_LOCATION_${configuration})
  if(NOT EXISTS ${tool})
    message(FATAL_ERROR "The build-time tool ${tool} has not been built yet. ${build_first}")
  endif()
endfunction()
