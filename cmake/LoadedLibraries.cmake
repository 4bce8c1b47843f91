# Libraries the program opens by their soname when a step first needs them
# (common/loaded_library.h), rather than linking them: only their headers are
# used at build time.

# nevalorum_loaded_library(<target> <definition> <name>...): finds the shared
# library of one of the names and gives the target its soname as the compile
# definition <definition>, the name the program opens it by. The Debian
# package that holds it is added to the global property
# NEVALORUM_LOADED_LIBRARY_PACKAGES, for the packages' dependencies, since the
# library scan of the packaging does not see a library that is not linked.
function(nevalorum_loaded_library target definition)
  find_library(NEVALORUM_${definition}_FILE NAMES ${ARGN} REQUIRED)
  execute_process(COMMAND objdump -p ${NEVALORUM_${definition}_FILE} OUTPUT_VARIABLE headers)
  string(REGEX MATCH "SONAME +([^\n ]+)" soname "${headers}")
  if(NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "The soname of ${NEVALORUM_${definition}_FILE} could not be read")
  endif()
  target_compile_definitions(${target} PRIVATE ${definition}="${CMAKE_MATCH_1}")
  file(REAL_PATH ${NEVALORUM_${definition}_FILE} real)
  get_filename_component(name ${real} NAME)
  execute_process(COMMAND dpkg-query -S "*/${name}" OUTPUT_VARIABLE owner ERROR_QUIET)
  if(owner MATCHES "^([^:,]+)")
    set_property(GLOBAL APPEND PROPERTY NEVALORUM_LOADED_LIBRARY_PACKAGES ${CMAKE_MATCH_1})
  endif()
endfunction()
