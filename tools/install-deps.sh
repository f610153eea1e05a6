#!/usr/bin/env bash
# Installs what a fresh Debian machine may lack to build and test Quillon:
# CMake, Ninja, GoogleTest, and clang with its sanitizer and fuzzer runtimes.
set -e
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v clang++ >/dev/null || need+=(clang)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
