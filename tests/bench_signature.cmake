# The search signature: `quillon bench` must search exactly the number of
# nodes recorded in tools/data/bench-signature.txt. A change that alters the
# search tree updates that file and ends its commit message with "Bench: N";
# any other change leaves the count alone, and this test says so.
#   cmake -DENGINE=path [-DLAUNCHER=emulator] -DSIGNATURE_FILE=path -P bench_signature.cmake
file(STRINGS ${SIGNATURE_FILE} recorded LIMIT_COUNT 1 REGEX "^[0-9]+$")
if(NOT recorded)
  message(FATAL_ERROR "${SIGNATURE_FILE} holds no node count")
endif()
execute_process(COMMAND ${LAUNCHER} ${ENGINE} bench
  OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "quillon bench failed (${status}):\n${output}")
endif()
if(NOT output MATCHES "Nodes searched: ([0-9]+)")
  message(FATAL_ERROR "quillon bench printed no node count:\n${output}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL recorded)
  message(FATAL_ERROR "quillon bench searched ${CMAKE_MATCH_1} nodes; the recorded signature is ${recorded}.\n"
    "If the search tree changed on purpose, write the new count into ${SIGNATURE_FILE} "
    "and end the commit message with \"Bench: ${CMAKE_MATCH_1}\".")
endif()
message(STATUS "Nodes searched: ${recorded}, as recorded")
