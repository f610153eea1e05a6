#!/usr/bin/env bash
# Installs with apt-get what a fresh Debian machine may lack to build and test
# Quillon. Without an argument: CMake, Ninja, GoogleTest, clang with its
# sanitizer and fuzzer runtimes, and clang-format.
# With --windows: the mingw-w64 cross compiler, wine to run what it builds,
# and the GoogleTest sources that the cross-built tests compile.
# With --arm64: the aarch64-linux-gnu cross compiler, qemu-user (qemu-aarch64)
# to run what it builds, and the GoogleTest sources.
# With --wasm: emscripten, Node and npm, and Chromium for the Worker test.
# With --deb: what make deb needs (dpkg-buildpackage, debhelper, clang,
# lintian, man, Debian's ARM64 cross toolchain with the arm64 libraries; arm64
# is added to dpkg's architectures), and nothing else.
# With --web: what the browser page needs: Node.js and npm (its build and
# tests; the browser test's driver wants Node 20 or later), Python 3 (the
# page's server) and chromium (the browser its tests drive headless).
set -e
need=()
extra=()
if [ "$1" != "--deb" ] && [ "$1" != "--web" ]; then
  command -v cmake >/dev/null || need+=(cmake)
  command -v ninja >/dev/null || need+=(ninja-build)
fi
case "$1" in
--windows)
  extra+=(--no-install-recommends)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
  command -v wine >/dev/null || need+=(wine)
  command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  ;;
--arm64)
  extra+=(--no-install-recommends)
  command -v aarch64-linux-gnu-g++ >/dev/null || need+=(g++-aarch64-linux-gnu)
  command -v qemu-aarch64 >/dev/null || command -v qemu-aarch64-static >/dev/null || need+=(qemu-user)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  ;;
--wasm)
  # emscripten, Node to run what it builds, and the browser for the Worker test.
  extra+=(--no-install-recommends)
  command -v em++ >/dev/null || need+=(emscripten)
  command -v node >/dev/null || need+=(nodejs)
  command -v npm >/dev/null || need+=(npm)
  command -v chromium >/dev/null || need+=(chromium)
  ;;
--deb)
  extra+=(--no-install-recommends)
  command -v g++ >/dev/null || need+=(g++)
  command -v clang++ >/dev/null || need+=(clang)
  command -v dpkg-buildpackage >/dev/null || need+=(dpkg-dev)
  command -v dh >/dev/null || need+=(debhelper)
  command -v lintian >/dev/null || need+=(lintian)
  command -v man >/dev/null || need+=(man-db)
  # The arm64 package is a cross build: Debian's cross toolchain, and the
  # arm64 C and C++ libraries (their symbols files give the package's
  # dependencies), which need arm64 as a foreign architecture of dpkg.
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    ${SUDO:-} dpkg --add-architecture arm64
  fi
  dpkg -s crossbuild-essential-arm64 >/dev/null 2>&1 || need+=(crossbuild-essential-arm64)
  dpkg -s libc6-dev:arm64 >/dev/null 2>&1 || need+=(libc6-dev:arm64)
  dpkg -s libstdc++6:arm64 >/dev/null 2>&1 || need+=(libstdc++6:arm64)
  ;;
--web)
  extra+=(--no-install-recommends)
  command -v node >/dev/null || need+=(nodejs)
  command -v npm >/dev/null || need+=(npm)
  command -v python3 >/dev/null || need+=(python3)
  command -v chromium >/dev/null || need+=(chromium)
  ;;
*)
  command -v g++ >/dev/null || need+=(g++)
  command -v clang++ >/dev/null || need+=(clang)
  command -v clang-format >/dev/null || need+=(clang-format)
  [ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
  ;;
esac
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${extra[@]}" "${need[@]}"
fi
