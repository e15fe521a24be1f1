# The program's version, read from resources/version.h, which the C++ code and
# the Windows resource script include as well, so the number is written once.
# Sets VX_VERSION (e.g. 1.1.0.0). Run as a script, it prints the version:
#   cmake -P cmake/version.cmake
set(vx_version_header "${CMAKE_CURRENT_LIST_DIR}/../resources/version.h")
set(VX_VERSION "")
foreach(part MAJOR MINOR PATCH BUILD)
  file(STRINGS "${vx_version_header}" line REGEX "^#define VX_VERSION_${part} +[0-9]+$")
  if(NOT line MATCHES "([0-9]+)$")
    message(FATAL_ERROR "${vx_version_header} has no numeric VX_VERSION_${part}")
  endif()
  string(APPEND VX_VERSION "${CMAKE_MATCH_1}.")
endforeach()
string(REGEX REPLACE "\\.$" "" VX_VERSION "${VX_VERSION}")

# The string the program reports must agree with the numbers.
file(STRINGS "${vx_version_header}" line REGEX "^#define VX_VERSION_STRING ")
if(NOT line STREQUAL "#define VX_VERSION_STRING \"${VX_VERSION}\"")
  message(FATAL_ERROR "${vx_version_header}: VX_VERSION_STRING does not read \"${VX_VERSION}\"")
endif()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${VX_VERSION}")
endif()
