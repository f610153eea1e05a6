# Rules of the source tree that no compiler checks, run as:
#   cmake -DSOURCE_DIR=path -P source_rules.cmake
# 1. Layers: board/ < eval/ < search/ < protocol/ < main.cpp. A file includes
#    headers of its own folder and of the folders below it, never above.
# 2. Platforms: only the platform pieces (files named *_posix, *_windows,
#    *_web, or after a processor family) include the system's or the processor's own
#    headers; every other file sees them through the pieces' interfaces.
set(layers board eval search protocol)
set(platform_file "_(posix|windows|web|x86_64|generic)\\.(cpp|h)$")
set(system_header "^(windows|unistd|poll|fcntl|termios|pthread|cpuid|io|emscripten|emscripten/.*|sys/.*|.*intrin|arm_neon|arm_acle)\\.h$")

set(faults "")
# The layer folders are flat: a plain glob of each (a recursive one from the
# top would wander through build/, wine's prefix and its links included).
file(GLOB sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/board/*.[ch]* ${SOURCE_DIR}/eval/*.[ch]*
  ${SOURCE_DIR}/search/*.[ch]* ${SOURCE_DIR}/protocol/*.[ch]*)
list(APPEND sources main.cpp)
foreach(source ${sources})
  if(source STREQUAL "main.cpp")
    list(LENGTH layers rank)
  else()
    string(REGEX MATCH "^[a-z]+" folder ${source})
    list(FIND layers ${folder} rank)
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${includes})
    if(line MATCHES "\"([a-z]+)/[^\"]*\"")
      list(FIND layers ${CMAKE_MATCH_1} included)
      if(included GREATER rank)
        string(APPEND faults "${source}: ${line} (a lower layer includes a higher one)\n")
      endif()
    elseif(line MATCHES "<([^>]*)>" AND CMAKE_MATCH_1 MATCHES "${system_header}"
           AND NOT source MATCHES "${platform_file}")
      string(APPEND faults "${source}: ${line} (a system header outside the platform pieces)\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "The source rules are broken:\n${faults}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files keep the layers and the platform pieces")
