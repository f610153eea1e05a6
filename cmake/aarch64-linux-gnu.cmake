# Cross-building the ARM64 Linux engine on an x86-64 Debian machine with
# Debian's aarch64-linux-gnu compiler, and running what it builds (test
# discovery, the tests, and the engine that the protocol tests start) under
# qemu-aarch64.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program linked statically: the engine runs on any ARM64 Linux, and the
# emulator needs no ARM64 C library to run the tests.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

find_program(QUILLON_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLON_QEMU_AARCH64})
