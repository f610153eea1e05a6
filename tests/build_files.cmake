# Checks that the two builds agree, run as: cmake -DCHECK=... -P build_files.cmake
#   CHECK=sources  the Makefile's plain build (make EXE=name) compiles the
#                  same files as CMake (EXPECTED: a file holding CMake's list)
#   CHECK=version  main.cpp's Version string (which names the release
#                  archives) equals the CMake project version (VERSION)

if(CHECK STREQUAL "sources")
  file(READ ${EXPECTED} cmake_sources)
  # A make started by a make (make check) must not inherit its job server.
  set(ENV{MAKEFLAGS} "")
  set(ENV{MFLAGS} "")
  set(ENV{MAKELEVEL} "")
  execute_process(COMMAND ${MAKE} -s --no-print-directory -C ${SOURCE_DIR} EXE= PLATFORM=${PLATFORM} PROCESSOR=${PROCESSOR} print-sources
    OUTPUT_VARIABLE make_output RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "make print-sources failed (${status})")
  endif()
  separate_arguments(make_sources UNIX_COMMAND "${make_output}")
  list(SORT cmake_sources)
  list(SORT make_sources)
  if(NOT make_sources STREQUAL cmake_sources)
    set(only_make ${make_sources})
    list(REMOVE_ITEM only_make ${cmake_sources})
    set(only_cmake ${cmake_sources})
    list(REMOVE_ITEM only_cmake ${make_sources})
    message(FATAL_ERROR "The Makefile and CMake build different files.\n"
      "Only in the Makefile: ${only_make}\nOnly in CMake: ${only_cmake}\n"
      "Makefile (${SOURCE_DIR}): ${make_sources}\nCMake: ${cmake_sources}")
  endif()
  list(LENGTH make_sources count)
  message(STATUS "both builds compile the same ${count} files")
elseif(CHECK STREQUAL "version")
  file(STRINGS ${SOURCE_DIR}/main.cpp lines REGEX "Version = \"[^\"]*\"")
  if(NOT lines MATCHES "Version = \"([^\"]*)\"")
    message(FATAL_ERROR "main.cpp has no Version string")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "main.cpp says version ${CMAKE_MATCH_1}, CMakeLists.txt says ${VERSION}")
  endif()
  message(STATUS "version ${VERSION} in both")
else()
  message(FATAL_ERROR "unknown CHECK '${CHECK}'")
endif()
